#include "mainwindow/blockplacer.h"

#include "level/core/colour.h"
#include "level/document/leveldocument.h"
#include "level/document/module1.h"
#include "mainwindow/paintgestures.h"
#include "mainwindow/picturebox.h"

#include <QCursor>
#include <QPainter>
#include <QWidget>

#include <algorithm>

namespace tavrin {

// The held block drawn over the grid: the stamp see-through, under the pointer; the floating tiles as
// they will be, framed with the selection's dashed line. It lets every mouse press through to the tiles.
class BlockPreview : public QWidget {
public:
    BlockPreview(BlockPlacer& placer, QWidget* parent) : QWidget(parent), m_placer(placer) {
        setObjectName(QStringLiteral("BlockPreviewLayer"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const std::array<PictureBox*, 301>& grid = m_placer.m_grid;
        QPainter painter(this);
        const bool floating = m_placer.held() == BlockPlacer::Held::Floating;
        painter.setOpacity(floating ? 1.0 : 0.6);
        QRect frame;
        for (int tile = FirstGridTile; tile <= LastGridTile; ++tile) {
            const std::optional<TileState> state = m_placer.previewOn(tile);
            if (!state)
                continue;
            const QRect cell = grid[size_t(tile)]->geometry().translated(-pos());
            frame = frame.united(cell);
            Long colour = 0;
            try {
                colour = state->colour.isNumeric() ? state->colour.toLong() : 0;
            } catch (const Failure&) {
                // a number no colour can be shows as black, as on the grid
            }
            painter.fillRect(cell, ColourToQColor(colour));
            const QImage picture = m_placer.m_pictureOf(state->picture);
            if (!picture.isNull()) {
                painter.save();
                painter.setClipRect(cell.adjusted(1, 1, -1, -1));
                painter.drawImage(cell.topLeft() + QPoint(1, 1), picture);
                painter.restore();
            }
        }
        if (frame.isEmpty())
            return;
        painter.setOpacity(1.0);
        const QRectF edge = QRectF(frame).adjusted(1, 1, -1, -1);
        painter.setPen(QPen(Qt::white, 2));
        painter.drawRect(edge);
        painter.setPen(QPen(Qt::black, 2, floating ? Qt::DashLine : Qt::DotLine));
        painter.drawRect(edge);
    }

private:
    BlockPlacer& m_placer;
};

BlockPlacer::BlockPlacer(LevelDocument& document, const std::array<PictureBox*, 301>& grid,
                         QWidget* gridParent, PictureOf pictureOf)
    : QObject(gridParent), m_document(document), m_grid(grid), m_pictureOf(std::move(pictureOf)) {
    m_preview = new BlockPreview(*this, gridParent);
    m_preview->setGeometry(grid[FirstGridTile]->geometry().united(grid[LastGridTile]->geometry()));
    m_preview->raise();
    m_preview->hide();
    for (int index = FirstGridTile; index <= LastGridTile; ++index) {
        connect(grid[size_t(index)], &PictureBox::entered, this, [this, index] {
            m_hovered = index;
            if (m_held == Held::Stamp)
                m_preview->update();
        });
        connect(grid[size_t(index)], &PictureBox::left, this, [this, index] {
            if (m_hovered != index)
                return;
            m_hovered = 0;
            if (m_held == Held::Stamp)
                m_preview->update();
        });
    }
    // The floating tiles belong to the screen they were pasted on.
    const auto screenGone = [this] {
        if (m_held == Held::Floating)
            putAway();
    };
    connect(&document, &LevelDocument::screenShown, this, screenGone);
    connect(&document, &LevelDocument::levelReplaced, this, screenGone);
    // A tile the floating block names the picture of may change beneath it.
    connect(&document, &LevelDocument::tileChanged, m_preview, [this] { m_preview->update(); });
}

int BlockPlacer::shownAt() const {
    return m_held == Held::Floating ? m_topLeft : m_held == Held::Stamp ? m_hovered : 0;
}

std::optional<TileState> BlockPlacer::previewOn(int tile) const {
    const int topLeft = shownAt();
    if (topLeft == 0 || tile < FirstGridTile || tile > LastGridTile)
        return std::nullopt;
    const int column = GridColumnOf(tile) - GridColumnOf(topLeft), row = GridRowOf(tile) - GridRowOf(topLeft);
    if (column < 0 || row < 0 || column >= m_block.columns() || row >= m_block.rows())
        return std::nullopt;
    return m_block.cell(column, row);
}

void BlockPlacer::setHeld(Held held, TileBlock block) {
    m_held = held;
    m_block = std::move(block);
    m_grab.reset();
    m_preview->setVisible(held != Held::Nothing);
    m_preview->update();
    emit heldChanged();
}

void BlockPlacer::holdStamp(TileBlock block) {
    setHeld(Held::Stamp, std::move(block));
}

void BlockPlacer::holdFloating(TileBlock block) {
    const int pointer = GridTileUnder(m_grid, QCursor::pos());
    const int topLeft = pointer != 0 ? pointer : block.origin();
    setHeld(Held::Floating, std::move(block));
    m_topLeft = keptOnGrid(QPoint(GridColumnOf(topLeft), GridRowOf(topLeft)));
}

void BlockPlacer::putAway() {
    if (m_held != Held::Nothing)
        setHeld(Held::Nothing, TileBlock());
}

int BlockPlacer::keptOnGrid(const QPoint& cell) const {
    const int column = std::clamp(cell.x(), 0, std::max(0, GridColumns - m_block.columns()));
    const int row = std::clamp(cell.y(), 0, std::max(0, GridRows - m_block.rows()));
    return GridTileAt(column, row);
}

bool BlockPlacer::turn(const std::function<TileBlock(const TileBlock&)>& turn) {
    if (m_held == Held::Nothing)
        return false;
    m_block = turn(m_block);
    if (m_held == Held::Floating)
        m_topLeft = keptOnGrid(QPoint(GridColumnOf(m_topLeft), GridRowOf(m_topLeft)));
    m_preview->update();
    return true;
}

// --- The stamp --------------------------------------------------------------------------------------------

void BlockPlacer::beginStamp() {
    m_stamped.clear();
    m_document.beginStroke(QStringLiteral("Stamp"));
}

void BlockPlacer::stampAt(int tile) {
    if (m_held != Held::Stamp || std::find(m_stamped.begin(), m_stamped.end(), tile) != m_stamped.end())
        return;
    m_stamped.push_back(tile);
    m_hovered = tile; // the pointer is held by the tile pressed: the preview follows the stroke
    m_preview->update();
    const std::vector<std::pair<int, TileState>> placed = m_block.placedAt(tile);
    for (const auto& [index, state] : placed)
        m_document.editTile(index, state);
    if (const QString note = oddExitsNote(placed); !note.isEmpty())
        emit said(QStringLiteral("Stamped at tile %1%2").arg(tile).arg(note));
}

void BlockPlacer::endStamp() {
    m_stamped.clear();
    m_document.endStroke();
}

// --- The floating tiles -----------------------------------------------------------------------------------

void BlockPlacer::press(int tile) {
    const QPoint at(GridColumnOf(tile) - GridColumnOf(m_topLeft), GridRowOf(tile) - GridRowOf(m_topLeft));
    if (at.x() < 0 || at.y() < 0 || at.x() >= m_block.columns() || at.y() >= m_block.rows())
        return drop();
    m_grab = at;
}

void BlockPlacer::dragTo(const QPoint& cell) {
    if (m_held != Held::Floating || !m_grab)
        return;
    const int topLeft = keptOnGrid(cell - *m_grab);
    if (topLeft == m_topLeft)
        return;
    m_topLeft = topLeft;
    m_preview->update();
}

void BlockPlacer::release() {
    m_grab.reset();
}

void BlockPlacer::drop() {
    if (m_held != Held::Floating)
        return;
    const std::vector<std::pair<int, TileState>> placed = m_block.placedAt(m_topLeft);
    const int topLeft = m_topLeft;
    setHeld(Held::Nothing, TileBlock());
    m_document.beginStroke(QStringLiteral("Paste"));
    for (const auto& [tile, state] : placed)
        m_document.editTile(tile, state);
    m_document.endStroke();
    std::vector<int> tiles;
    for (const auto& entry : placed)
        tiles.push_back(entry.first);
    emit dropped(tiles);
    emit said(QStringLiteral("%1 tile(s) pasted at tile %2%3")
                  .arg(placed.size())
                  .arg(topLeft)
                  .arg(oddExitsNote(placed)));
}

QString BlockPlacer::oddExitsNote(const std::vector<std::pair<int, TileState>>& placed) const {
    const std::vector<int> odd =
        TilesWithOddExits(placed, m_document.links(), m_document.state().LevelLastScreen());
    if (odd.empty())
        return QString();
    QStringList names;
    for (const int tile : odd)
        names << QString::number(tile);
    return QStringLiteral("; exits of tile(s) %1 now lead outside the level or onto no tile (Check Level "
                          "lists them)")
        .arg(names.join(QStringLiteral(", ")));
}

} // namespace tavrin
