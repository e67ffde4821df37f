// Selecting tiles on the grid, the clipboard (cut, copy, paste, delete), moving, flipping and turning the
// selection, and stamping the clipboard's block with the mouse.
#include "form1.h"

#include "controlhelp.h"
#include "levelstatusbar.h"
#include "picturebox.h"
#include "selectionframe.h"
#include "twips.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>

#include <map>

namespace tavrin {

namespace {

QString Size(const TileBlock& block) {
    return QStringLiteral("%1 x %2").arg(block.columns()).arg(block.rows());
}

QString TileList(const std::vector<int>& tiles) {
    QStringList names;
    for (const int tile : tiles)
        names << QString::number(tile);
    return names.join(QStringLiteral(", "));
}

} // namespace

// --- Construction ----------------------------------------------------------------------------------------

void Form1::createSelectionControls() {
    const QRect gridRect = Tile(FirstGridTile)->geometry().united(Tile(LastGridTile)->geometry());
    m_selectionFrame = new SelectionFrame(m_clientArea);
    m_selectionFrame->setGeometry(gridRect);
    m_selectionFrame->raise();

    SelectTool = addCheckBox("SelectTool", QStringLiteral("Select"), TwipsRect(8400, 7260, 1695, 255));
    SetHelp(SelectTool, QStringLiteral("Dragging over the grid selects a rectangle of tiles (with Shift, one "
                                       "more); dragging the selection moves it. Esc selects nothing"));
    connect(SelectTool, &QCheckBox::clicked, this,
            [this](bool on) { setGridTool(on ? GridTool::Select : GridTool::Paint); });

    for (int index = FirstGridTile; index <= LastGridTile; ++index) {
        connect(Tile(index), &PictureBox::entered, this, [this, index] { m_hoveredTile = index; });
        connect(Tile(index), &PictureBox::left, this, [this, index] {
            if (m_hoveredTile == index)
                m_hoveredTile = 0;
        });
    }
    // A selection belongs to the screen it was made on.
    connect(&m_document, &LevelDocument::screenShown, this, [this] {
        m_selectionFrame->clear();
        selectionChanged();
    });
    connect(&m_document, &LevelDocument::levelReplaced, this, [this] {
        m_selectionFrame->clear();
        selectionChanged();
    });
}

void Form1::createSelectionMenus() {
    const auto item = [this](QAction*& action, const char* name, const QString& text,
                             const QKeySequence& keys, void (Form1::*run)()) {
        action = mnuEdit->addAction(text);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, run);
    };
    mnuEdit->addSeparator();
    mnuSelect = mnuEdit->addAction(QStringLiteral("Select"));
    mnuSelect->setObjectName(QStringLiteral("mnuSelect"));
    mnuSelect->setCheckable(true);
    mnuSelect->setShortcut(QKeySequence(Qt::Key_S));
    mnuSelect->setShortcutContext(Qt::WindowShortcut);
    connect(mnuSelect, &QAction::triggered, this,
            [this](bool on) { setGridTool(on ? GridTool::Select : GridTool::Paint); });
    // A focused text box keeps these keys: it takes them before any shortcut does.
    item(mnuSelectAll, "mnuSelectAll", QStringLiteral("Select All Tiles"), QKeySequence::SelectAll,
         &Form1::selectAllTiles);
    mnuEdit->addSeparator();
    item(mnuCut, "mnuCut", QStringLiteral("Cut"), QKeySequence::Cut, &Form1::cutTiles);
    item(mnuCopy, "mnuCopy", QStringLiteral("Copy"), QKeySequence::Copy, &Form1::copyTiles);
    item(mnuPaste, "mnuPaste", QStringLiteral("Paste"), QKeySequence::Paste, &Form1::pasteTiles);
    item(mnuDelete, "mnuDelete", QStringLiteral("Delete"), QKeySequence::Delete, &Form1::deleteTiles);
    item(mnuUseAsStamp, "mnuUseAsStamp", QStringLiteral("Use as Stamp"), QKeySequence(Qt::CTRL | Qt::Key_B),
         &Form1::useAsStamp);
    mnuTransform = mnuEdit->addMenu(QStringLiteral("Transform"));
    mnuTransform->setObjectName(QStringLiteral("mnuTransform"));
    const struct {
        QAction*& action;
        const char* name;
        const char* text;
        Turn turn;
    } turns[] = {{mnuFlipHorizontal, "mnuFlipHorizontal", "Flip Horizontal", Turn::FlipHorizontal},
                 {mnuFlipVertical, "mnuFlipVertical", "Flip Vertical", Turn::FlipVertical},
                 {mnuRotate, "mnuRotate", "Rotate Clockwise", Turn::Rotate}};
    for (const auto& turn : turns) {
        turn.action = mnuTransform->addAction(QLatin1String(turn.text));
        turn.action->setObjectName(QLatin1String(turn.name));
        connect(turn.action, &QAction::triggered, this, [this, t = turn.turn] { turnSelection(t); });
    }
    // Esc is no menu item: it also cancels the property dialogs, and the key list names it once.
    m_escape = new QAction(QStringLiteral("Select Nothing"), this);
    m_escape->setObjectName(QStringLiteral("SelectNothing"));
    m_escape->setShortcut(QKeySequence(Qt::Key_Escape));
    m_escape->setShortcutContext(Qt::WindowShortcut);
    addAction(m_escape);
    connect(m_escape, &QAction::triggered, this, &Form1::clearSelection);
    selectionChanged();
}

// --- The selection ----------------------------------------------------------------------------------------

QWidget* Form1::SelectionLayer() const {
    return m_selectionFrame;
}

std::vector<int> Form1::selectedTiles() const {
    return m_selectionFrame->tiles();
}

void Form1::showSelectTool() {
    SelectTool->setChecked(m_gridTool == GridTool::Select);
    mnuSelect->setChecked(m_gridTool == GridTool::Select);
    if (m_gridTool != GridTool::Stamp)
        m_stamp.reset();
    selectionChanged();
}

void Form1::selectionChanged() {
    const bool selected = !m_selectionFrame->isEmpty();
    for (QAction* action : {mnuCut, mnuDelete, mnuFlipHorizontal, mnuFlipVertical, mnuRotate})
        action->setEnabled(selected);
    mnuTransform->setEnabled(selected);
    m_escape->setEnabled(selected || hasStamp());
}

void Form1::selectAllTiles() {
    SelectionFrame::Tiles all;
    all.fill(true);
    m_selectionFrame->select(all);
    selectionChanged();
}

void Form1::clearSelection() {
    m_selectionFrame->clear();
    if (m_gridTool == GridTool::Stamp) {
        setGridTool(GridTool::Paint);
        confirm(QStringLiteral("The stamp is put away"));
    }
    selectionChanged();
}

void Form1::pressSelection(int tile, bool add) {
    m_selectFrom = m_selectTo = tile;
    m_movingSelection = !add && m_selectionFrame->contains(tile);
    if (m_movingSelection)
        return;
    if (add)
        m_selectedBefore = m_selectionFrame->selected();
    else
        m_selectedBefore.fill(false);
    m_selectionFrame->select(SelectionFrame::withRectangle(m_selectedBefore, tile, tile));
    selectionChanged();
}

// A moved selection stays whole on the grid: the pointer beyond where it would stick out moves it no
// further.
void Form1::dragSelection(int tile) {
    if (m_selectFrom == 0 || tile == m_selectTo)
        return;
    m_selectTo = tile;
    if (!m_movingSelection) {
        m_selectionFrame->select(SelectionFrame::withRectangle(m_selectedBefore, m_selectFrom, tile));
        selectionChanged();
        return;
    }
    const TileBlock block = TileBlock::take(m_level.ScreenOnDisplay(), selectedTiles());
    const int left = GridColumnOf(block.origin()), top = GridRowOf(block.origin());
    const int columns = std::clamp(GridColumnOf(tile) - GridColumnOf(m_selectFrom), -left,
                                   GridColumns - left - block.columns());
    const int rows =
        std::clamp(GridRowOf(tile) - GridRowOf(m_selectFrom), -top, GridRows - top - block.rows());
    m_selectionFrame->setDragOffset(QPoint(columns, rows));
}

void Form1::releaseSelection() {
    const int from = std::exchange(m_selectFrom, 0);
    if (from == 0 || !m_movingSelection)
        return;
    m_movingSelection = false;
    m_selectionFrame->setDragOffset(QPoint());
    const TileBlock block = TileBlock::take(m_level.ScreenOnDisplay(), selectedTiles());
    const int left = GridColumnOf(block.origin()), top = GridRowOf(block.origin());
    const int column =
        std::clamp(left + GridColumnOf(m_selectTo) - GridColumnOf(from), 0, GridColumns - block.columns());
    const int row = std::clamp(top + GridRowOf(m_selectTo) - GridRowOf(from), 0, GridRows - block.rows());
    const int topLeft = GridTileAt(column, row);
    if (topLeft != block.origin())
        replaceSelection(QStringLiteral("Move Tiles"), block, topLeft);
}

void Form1::editTiles(const QString& name, const std::vector<std::pair<int, TileState>>& tiles) {
    m_document.beginStroke(name);
    for (const auto& [tile, state] : tiles)
        m_document.editTile(tile, state);
    m_document.endStroke();
}

void Form1::replaceSelection(const QString& name, const TileBlock& block, int topLeft) {
    std::map<int, TileState> tiles;
    for (const int tile : selectedTiles())
        tiles[tile] = BlankedTile(m_level.TileOnDisplay(tile), m_level.BrushColour);
    const std::vector<std::pair<int, TileState>> placed = block.placedAt(topLeft);
    std::vector<int> selected;
    for (const auto& [tile, state] : placed) {
        tiles[tile] = state;
        selected.push_back(tile);
    }
    editTiles(name, {tiles.begin(), tiles.end()});
    m_selectionFrame->select(selected);
    selectionChanged();
}

void Form1::turnSelection(Turn turn) {
    const std::vector<int> tiles = selectedTiles();
    if (tiles.empty())
        return;
    const TileBlock block = TileBlock::take(m_level.ScreenOnDisplay(), tiles);
    const QString name = turn == Turn::FlipHorizontal ? QStringLiteral("Flip Horizontal")
                         : turn == Turn::FlipVertical ? QStringLiteral("Flip Vertical")
                                                      : QStringLiteral("Rotate");
    const TileBlock turned = turn == Turn::FlipHorizontal ? block.flippedHorizontally()
                             : turn == Turn::FlipVertical ? block.flippedVertically()
                                                          : block.rotatedClockwise();
    if (!turned.fitsAt(block.origin())) {
        confirm(QStringLiteral("Not rotated: the selection turned would be %1 and stick out of the grid from "
                               "tile %2; select a square, or move it up or left first")
                    .arg(Size(turned))
                    .arg(block.origin()));
        return;
    }
    replaceSelection(name, turned, block.origin());
}

// --- The clipboard
// ------------------------------------------------------------------------------------------

std::vector<int> Form1::tilesToCopy() const {
    std::vector<int> tiles = selectedTiles();
    if (tiles.empty() && m_hoveredTile != 0)
        tiles.push_back(m_hoveredTile);
    return tiles;
}

bool Form1::putOnClipboard(const std::vector<int>& tiles) {
    if (tiles.empty()) {
        confirm(QStringLiteral("Nothing copied: select tiles, or point at one"));
        return false;
    }
    const TileBlock block = TileBlock::take(m_level.ScreenOnDisplay(), tiles);
    try {
        QGuiApplication::clipboard()->setMimeData(block.toMimeData(m_level.CurrentScreen));
    } catch (const Failure& failure) {
        confirm(QStringLiteral("Nothing copied: %1").arg(failure.description()));
        return false;
    }
    return true;
}

void Form1::copyTiles() {
    const std::vector<int> tiles = tilesToCopy();
    if (putOnClipboard(tiles))
        confirm(QStringLiteral("%1 tile(s) copied").arg(tiles.size()));
}

void Form1::cutTiles() {
    const std::vector<int> tiles = selectedTiles();
    if (!putOnClipboard(tiles))
        return;
    std::vector<std::pair<int, TileState>> blanked;
    for (const int tile : tiles)
        blanked.emplace_back(tile, BlankedTile(m_level.TileOnDisplay(tile), m_level.BrushColour));
    editTiles(QStringLiteral("Cut"), blanked);
    confirm(QStringLiteral("%1 tile(s) cut").arg(tiles.size()));
}

void Form1::deleteTiles() {
    std::vector<std::pair<int, TileState>> blanked;
    for (const int tile : selectedTiles())
        blanked.emplace_back(tile, BlankedTile(m_level.TileOnDisplay(tile), m_level.BrushColour));
    editTiles(QStringLiteral("Delete Tiles"), blanked);
}

std::optional<TileBlock> Form1::blockOnClipboard() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    try {
        if (!data)
            throw Failure(ErrInvalidFormat, QStringLiteral("Nothing pasted: the clipboard is empty."));
        return TileBlock::fromMimeData(*data);
    } catch (const Failure& failure) {
        confirm(failure.description());
        return std::nullopt;
    }
}

QString Form1::oddExitsNote(const std::vector<std::pair<int, TileState>>& placed) const {
    const std::vector<int> odd = TilesWithOddExits(placed, m_document.links(), m_level.LevelLastScreen);
    if (odd.empty())
        return QString();
    return QStringLiteral("; exits of tile(s) %1 now lead outside the level or onto no tile (Check Level "
                          "lists them)")
        .arg(TileList(odd));
}

void Form1::pasteTiles() {
    const std::optional<TileBlock> block = blockOnClipboard();
    if (!block)
        return;
    const std::vector<std::pair<int, TileState>> placed = block->placedAt(block->origin());
    editTiles(QStringLiteral("Paste"), placed);
    std::vector<int> tiles;
    for (const auto& entry : placed)
        tiles.push_back(entry.first);
    m_selectionFrame->select(tiles);
    selectionChanged();
    confirm(QStringLiteral("%1 tile(s) pasted at tile %2%3")
                .arg(placed.size())
                .arg(block->origin())
                .arg(oddExitsNote(placed)));
}

// --- The stamp
// -------------------------------------------------------------------------------------------------

void Form1::useAsStamp() {
    std::optional<TileBlock> block = blockOnClipboard();
    if (!block)
        return;
    setGridTool(GridTool::Stamp);
    m_stamp = std::move(block);
    selectionChanged();
    confirm(QStringLiteral("Stamp of %1 tiles: each click puts it with its top-left on the tile clicked; "
                           "Esc puts it away")
                .arg(Size(*m_stamp)));
}

void Form1::beginStamp() {
    m_stamped.clear();
    m_document.beginStroke(QStringLiteral("Stamp"));
}

void Form1::stampAt(int tile) {
    if (!m_stamp || std::find(m_stamped.begin(), m_stamped.end(), tile) != m_stamped.end())
        return;
    m_stamped.push_back(tile);
    const std::vector<std::pair<int, TileState>> placed = m_stamp->placedAt(tile);
    for (const auto& [index, state] : placed)
        m_document.editTile(index, state);
    if (const QString note = oddExitsNote(placed); !note.isEmpty())
        confirm(QStringLiteral("Stamped at tile %1%2").arg(tile).arg(note));
}

void Form1::endStamp() {
    m_stamped.clear();
    m_document.endStroke();
}

} // namespace tavrin
