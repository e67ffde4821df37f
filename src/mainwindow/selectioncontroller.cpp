// Selecting tiles on the grid, the clipboard (cut, copy, paste, delete), moving, flipping and turning the
// selection, and the stamp and the pasted tiles (held by the BlockPlacer).
#include "mainwindow/selectioncontroller.h"

#include "level/core/messages.h"
#include "mainwindow/blockplacer.h"
#include "mainwindow/controlhelp.h"
#include "mainwindow/picturebox.h"
#include "mainwindow/selectionframe.h"
#include "widgets/twips.h"

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

} // namespace

// --- Construction ----------------------------------------------------------------------------------------

SelectionController::SelectionController(LevelDocument& document, SelectionView& view,
                                         const std::array<PictureBox*, 301>& grid)
    : m_document(document), m_level(document.state()), m_view(view), m_grid(grid) {}

void SelectionController::createControls(QWidget* clientArea) {
    const QRect gridRect = m_grid[FirstGridTile]->geometry().united(m_grid[LastGridTile]->geometry());
    m_selectionFrame = new SelectionFrame(clientArea);
    m_selectionFrame->setGeometry(gridRect);
    m_selectionFrame->raise();

    m_selectTool = PlaceControl<QCheckBox>(clientArea, "SelectTool", QStringLiteral("Select"),
                                           TwipsRect(8400, 7260, 1695, 255));
    m_selectTool->setAutoFillBackground(true);
    SetHelp(m_selectTool,
            QStringLiteral("Dragging over the grid selects a rectangle of tiles (with Shift, one "
                           "more); dragging the selection moves it. Esc selects nothing"));
    connect(m_selectTool, &QCheckBox::clicked, this,
            [this](bool on) { m_view.setGridTool(on ? GridTool::Select : GridTool::Paint); });

    m_placer = new BlockPlacer(m_document, m_grid, clientArea, [this](const FieldValue& reference) {
        return m_view.referencedPicture(reference);
    });
    connect(m_placer, &BlockPlacer::said, this, [this](const QString& text) { m_view.confirm(text); });
    connect(m_placer, &BlockPlacer::heldChanged, this, &SelectionController::selectionChanged);
    connect(m_placer, &BlockPlacer::dropped, this, [this](const std::vector<int>& tiles) {
        m_selectionFrame->select(tiles);
        selectionChanged();
    });
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

void SelectionController::createMenus(QMenu* mnuEdit, QWidget* window) {
    const auto item = [this, mnuEdit](const char* name, const QString& text, const QKeySequence& keys,
                                      void (SelectionController::*run)()) {
        QAction* action = mnuEdit->addAction(text);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, run);
        return action;
    };
    mnuEdit->addSeparator();
    m_selectItem = mnuEdit->addAction(QStringLiteral("Select"));
    m_selectItem->setObjectName(QStringLiteral("mnuSelect"));
    m_selectItem->setCheckable(true);
    m_selectItem->setShortcut(QKeySequence(Qt::Key_S));
    m_selectItem->setShortcutContext(Qt::WindowShortcut);
    connect(m_selectItem, &QAction::triggered, this,
            [this](bool on) { m_view.setGridTool(on ? GridTool::Select : GridTool::Paint); });
    // A focused text box keeps these keys: it takes them before any shortcut does.
    item("mnuSelectAll", QStringLiteral("Select All Tiles"), QKeySequence::SelectAll,
         &SelectionController::selectAllTiles);
    mnuEdit->addSeparator();
    QAction* cut = item("mnuCut", QStringLiteral("Cut"), QKeySequence::Cut, &SelectionController::cutTiles);
    item("mnuCopy", QStringLiteral("Copy"), QKeySequence::Copy, &SelectionController::copyTiles);
    item("mnuPaste", QStringLiteral("Paste"), QKeySequence::Paste, &SelectionController::pasteTiles);
    QAction* remove =
        item("mnuDelete", QStringLiteral("Delete"), QKeySequence::Delete, &SelectionController::deleteTiles);
    m_needSelection = {cut, remove};
    item("mnuUseAsStamp", QStringLiteral("Use as Stamp"), QKeySequence(Qt::CTRL | Qt::Key_B),
         &SelectionController::useAsStamp);
    m_transform = mnuEdit->addMenu(QStringLiteral("Transform"));
    m_transform->setObjectName(QStringLiteral("mnuTransform"));
    const struct {
        const char* name;
        const char* text;
        Turn turn;
        Qt::Key key;
    } turns[] = {{"mnuFlipHorizontal", "Flip Horizontal", Turn::FlipHorizontal, Qt::Key_X},
                 {"mnuFlipVertical", "Flip Vertical", Turn::FlipVertical, Qt::Key_Y},
                 {"mnuRotate", "Rotate Clockwise", Turn::Rotate, Qt::Key_Z}};
    for (const auto& turn : turns) {
        QAction* action = m_transform->addAction(QLatin1String(turn.text));
        action->setObjectName(QLatin1String(turn.name));
        connect(action, &QAction::triggered, this, [this, t = turn.turn] { turnSelection(t); });
        m_turns.push_back(action);
        // The plain key is no menu item's: it counts only while there is something to turn, and a
        // focused text box takes it first.
        QAction* key = new QAction(action->text(), window);
        key->setShortcut(QKeySequence(turn.key));
        key->setShortcutContext(Qt::WindowShortcut);
        window->addAction(key);
        connect(key, &QAction::triggered, action, &QAction::trigger);
        m_blockKeys.push_back(key);
    }
    QAction* drop = new QAction(QStringLiteral("Drop the Pasted Tiles"), window);
    drop->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    drop->setShortcutContext(Qt::WindowShortcut);
    window->addAction(drop);
    connect(drop, &QAction::triggered, m_placer, &BlockPlacer::drop);
    m_blockKeys.push_back(drop);
    // Esc is no menu item: it also cancels the property dialogs, and the key list names it once.
    m_escape = new QAction(QStringLiteral("Select Nothing"), window);
    m_escape->setObjectName(QStringLiteral("SelectNothing"));
    m_escape->setShortcut(QKeySequence(Qt::Key_Escape));
    m_escape->setShortcutContext(Qt::WindowShortcut);
    window->addAction(m_escape);
    connect(m_escape, &QAction::triggered, this, &SelectionController::clearSelection);
    selectionChanged();
}

// --- The selection ----------------------------------------------------------------------------------------

QWidget* SelectionController::layer() const {
    return m_selectionFrame;
}

std::vector<int> SelectionController::selectedTiles() const {
    return m_selectionFrame->tiles();
}

void SelectionController::showSelectTool() {
    const GridTool tool = m_view.gridTool();
    m_selectTool->setChecked(tool == GridTool::Select);
    m_selectItem->setChecked(tool == GridTool::Select);
    if (tool != GridTool::Stamp && m_placer->held() == BlockPlacer::Held::Stamp)
        m_placer->putAway();
    selectionChanged();
}

bool SelectionController::hasStamp() const {
    return m_placer->held() == BlockPlacer::Held::Stamp;
}

void SelectionController::selectionChanged() {
    const bool selected = !m_selectionFrame->isEmpty();
    const bool held = m_placer->held() != BlockPlacer::Held::Nothing;
    for (QAction* action : m_needSelection)
        action->setEnabled(selected);
    for (QAction* action : m_turns)
        action->setEnabled(selected || held);
    m_transform->setEnabled(selected || held);
    for (QAction* key : m_blockKeys)
        key->setEnabled(key == m_blockKeys.back() ? m_placer->held() == BlockPlacer::Held::Floating
                                                  : selected || held);
    m_escape->setEnabled(selected || held);
}

void SelectionController::selectAllTiles() {
    SelectionFrame::Tiles all;
    all.fill(true);
    m_selectionFrame->select(all);
    selectionChanged();
}

void SelectionController::clearSelection() {
    m_selectionFrame->clear();
    if (m_placer->held() == BlockPlacer::Held::Floating) {
        m_placer->putAway();
        m_view.confirm(Text(Msg::PastedPutAway));
    }
    if (m_view.gridTool() == GridTool::Stamp) {
        m_view.setGridTool(GridTool::Paint);
        m_view.confirm(QStringLiteral("The stamp is put away"));
    }
    selectionChanged();
}

void SelectionController::pressSelection(int tile, bool add) {
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
void SelectionController::dragSelection(int tile) {
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

void SelectionController::releaseSelection() {
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

void SelectionController::editTiles(const QString& name,
                                    const std::vector<std::pair<int, TileState>>& tiles) {
    m_document.beginStroke(name);
    for (const auto& [tile, state] : tiles)
        m_document.editTile(tile, state);
    m_document.endStroke();
}

void SelectionController::replaceSelection(const QString& name, const TileBlock& block, int topLeft) {
    std::map<int, TileState> tiles;
    for (const int tile : selectedTiles())
        tiles[tile] = BlankedTile(m_level.TileOnDisplay(tile), m_level.BrushColour());
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

// The stamp or the floating tiles turn where they are held, without a step; else the selection turns on the
// grid.
void SelectionController::turnSelection(Turn turn) {
    const auto turning = [turn](const TileBlock& block) {
        return turn == Turn::FlipHorizontal ? block.flippedHorizontally()
               : turn == Turn::FlipVertical ? block.flippedVertically()
                                            : block.rotatedClockwise();
    };
    const std::vector<int> tiles = selectedTiles();
    if (m_placer->turn(turning) || tiles.empty())
        return;
    const TileBlock block = TileBlock::take(m_level.ScreenOnDisplay(), tiles);
    const QString name = turn == Turn::FlipHorizontal ? QStringLiteral("Flip Horizontal")
                         : turn == Turn::FlipVertical ? QStringLiteral("Flip Vertical")
                                                      : QStringLiteral("Rotate");
    const TileBlock turned = turning(block);
    if (!turned.fitsAt(block.origin())) {
        m_view.confirm(
            QStringLiteral("Not rotated: the selection turned would be %1 and stick out of the grid from "
                           "tile %2; select a square, or move it up or left first")
                .arg(Size(turned))
                .arg(block.origin()));
        return;
    }
    replaceSelection(name, turned, block.origin());
}

// --- The clipboard
// ------------------------------------------------------------------------------------------

std::vector<int> SelectionController::tilesToCopy() const {
    std::vector<int> tiles = selectedTiles();
    if (tiles.empty() && m_placer->hoveredTile() != 0)
        tiles.push_back(m_placer->hoveredTile());
    return tiles;
}

bool SelectionController::putOnClipboard(const std::vector<int>& tiles) {
    if (tiles.empty()) {
        m_view.confirm(QStringLiteral("Nothing copied: select tiles, or point at one"));
        return false;
    }
    const TileBlock block = TileBlock::take(m_level.ScreenOnDisplay(), tiles);
    try {
        QGuiApplication::clipboard()->setMimeData(block.toMimeData(m_level.CurrentScreen()));
    } catch (const Failure& failure) {
        m_view.confirm(QStringLiteral("Nothing copied: %1").arg(failure.description()));
        return false;
    }
    return true;
}

void SelectionController::copyTiles() {
    const std::vector<int> tiles = tilesToCopy();
    if (putOnClipboard(tiles))
        m_view.confirm(QStringLiteral("%1 tile(s) copied").arg(tiles.size()));
}

void SelectionController::cutTiles() {
    const std::vector<int> tiles = selectedTiles();
    if (!putOnClipboard(tiles))
        return;
    std::vector<std::pair<int, TileState>> blanked;
    for (const int tile : tiles)
        blanked.emplace_back(tile, BlankedTile(m_level.TileOnDisplay(tile), m_level.BrushColour()));
    editTiles(QStringLiteral("Cut"), blanked);
    m_view.confirm(QStringLiteral("%1 tile(s) cut").arg(tiles.size()));
}

void SelectionController::deleteTiles() {
    std::vector<std::pair<int, TileState>> blanked;
    for (const int tile : selectedTiles())
        blanked.emplace_back(tile, BlankedTile(m_level.TileOnDisplay(tile), m_level.BrushColour()));
    editTiles(QStringLiteral("Delete Tiles"), blanked);
}

std::optional<TileBlock> SelectionController::blockOnClipboard() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    try {
        if (!data)
            throw Failure(ErrInvalidFormat, QStringLiteral("Nothing pasted: the clipboard is empty."));
        return TileBlock::fromMimeData(*data);
    } catch (const Failure& failure) {
        m_view.confirm(failure.description());
        return std::nullopt;
    }
}

// The tiles float at the pointer (or where they were copied from) until they are dropped; tiles floating
// already are dropped first.
void SelectionController::pasteTiles() {
    std::optional<TileBlock> block = blockOnClipboard();
    if (!block)
        return;
    m_placer->drop();
    if (m_view.gridTool() == GridTool::Stamp)
        m_view.setGridTool(GridTool::Paint);
    m_selectionFrame->clear();
    m_placer->holdFloating(std::move(*block));
    m_view.confirm(Text(Msg::PastedFloating).arg(Size(m_placer->block())).arg(m_placer->block().tileCount()));
}

// --- The stamp
// -------------------------------------------------------------------------------------------------

// The stamp is the selection when there is one, else the tiles floating, else the clipboard's tiles.
void SelectionController::useAsStamp() {
    std::optional<TileBlock> block;
    if (const std::vector<int> tiles = selectedTiles(); !tiles.empty())
        block = TileBlock::take(m_level.ScreenOnDisplay(), tiles);
    else if (m_placer->held() == BlockPlacer::Held::Floating)
        block = m_placer->block();
    else
        block = blockOnClipboard();
    if (!block)
        return;
    m_selectionFrame->clear();
    m_view.setGridTool(GridTool::Stamp);
    m_placer->holdStamp(std::move(*block));
    m_view.confirm(
        QStringLiteral("Stamp of %1 tiles: each click puts it with its top-left on the tile clicked; "
                       "Esc puts it away")
            .arg(Size(m_placer->block())));
}

} // namespace tavrin
