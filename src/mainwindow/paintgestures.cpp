#include "mainwindow/paintgestures.h"

#include "level/document/leveldocument.h"
#include "mainwindow/blockplacer.h"
#include "mainwindow/directionscontroller.h"
#include "mainwindow/form1.h"
#include "mainwindow/picturebox.h"
#include "mainwindow/selectioncontroller.h"

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

namespace tavrin {

namespace {

// The cells a line from cell `from` to cell `to` passes through, `from` left out (Bresenham's walk: one
// step along the longer axis at a time, and across it whenever the line has gone half a cell past).
std::vector<QPoint> CellsOnLine(const QPoint& from, const QPoint& to) {
    std::vector<QPoint> cells;
    const int dx = std::abs(to.x() - from.x()), sx = from.x() < to.x() ? 1 : -1;
    const int dy = -std::abs(to.y() - from.y()), sy = from.y() < to.y() ? 1 : -1;
    QPoint cell = from;
    for (int error = dx + dy; cell != to;) {
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            cell.rx() += sx;
        }
        if (twice <= dx) {
            error += dx;
            cell.ry() += sy;
        }
        cells.push_back(cell);
    }
    return cells;
}

int FloorDiv(int a, int b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

} // namespace

PaintGestures::PaintGestures(Form1& form, LevelDocument& document, const std::array<PictureBox*, 301>& grid)
    : QObject(&form), m_form(form), m_document(document), m_grid(grid) {
    for (int index = FirstGridTile; index <= LastGridTile; ++index) {
        PictureBox* tile = grid[size_t(index)];
        connect(tile, &PictureBox::clicked, this, [this, index] { clicked(index); });
        connect(tile, &PictureBox::pressed, this, [this, index] { pressed(index); });
        connect(tile, &PictureBox::dragged, this, &PaintGestures::dragged);
        connect(tile, &PictureBox::released, this, &PaintGestures::released);
        connect(tile, &PictureBox::rightClicked, this, [this, index] { m_form.pickIntoBrush(index); });
    }
}

void PaintGestures::pressed(int index) {
    m_start = index;
    m_moved = false;
    m_painted.fill(false);
    m_pointer.reset();
    m_lastCell = QPoint((index - FirstGridTile) % GridColumns, (index - FirstGridTile) / GridColumns);
    m_onFloating = m_form.selection().blockPlacer().held() == BlockPlacer::Held::Floating;
    if (m_onFloating)
        return m_form.selection().blockPlacer().press(index);
    switch (m_form.directions().gridTool()) {
    case GridTool::Paint:
        break;
    case GridTool::Wall:
        m_form.directions().beginWalls(m_grid[size_t(index)]->clickModifiers() & Qt::ShiftModifier);
        m_form.directions().wallTile(index);
        break;
    case GridTool::Exit:
        m_form.directions().pickExitTile(index);
        break;
    case GridTool::Select:
        m_form.selection().pressSelection(index, m_grid[size_t(index)]->clickModifiers() & Qt::ShiftModifier);
        break;
    case GridTool::Stamp:
        m_form.selection().blockPlacer().beginStamp();
        m_form.selection().blockPlacer().stampAt(index);
        break;
    }
}

void PaintGestures::dragged(const QPoint& globalPosition) {
    if (m_start == 0)
        return;
    if (m_onFloating)
        return m_form.selection().blockPlacer().dragTo(cellAt(globalPosition));
    const GridTool tool = m_form.directions().gridTool();
    if (tool == GridTool::Exit) {
        m_pointer = globalPosition;
        return;
    }
    if (tool == GridTool::Select) {
        if (const int index = tileAt(globalPosition))
            m_form.selection().dragSelection(index);
        return;
    }
    const QPoint from = std::exchange(m_lastCell, cellAt(globalPosition));
    for (const QPoint& cell : CellsOnLine(from, m_lastCell)) {
        if (m_start == 0) // the stroke ended on a refused tile
            return;
        if (cell.x() >= 0 && cell.x() < GridColumns && cell.y() >= 0 && cell.y() < GridRows)
            draggedOnto(FirstGridTile + cell.y() * GridColumns + cell.x());
    }
}

void PaintGestures::draggedOnto(int index) {
    if (m_form.directions().gridTool() == GridTool::Wall)
        return m_form.directions().wallTile(index);
    if (m_form.directions().gridTool() == GridTool::Stamp)
        return m_form.selection().blockPlacer().stampAt(index);
    if ((index == m_start && !m_moved) || m_painted[size_t(index)])
        return;
    if (!m_moved) { // the stroke leaves the tile it began on: that one is painted first
        m_moved = true;
        m_document.beginStroke(QStringLiteral("Paint Stroke"));
        m_painted[size_t(m_start)] = true;
        if (!m_form.paintTile(m_start))
            return released();
    }
    m_painted[size_t(index)] = true;
    if (!m_form.paintTile(index)) // one message is enough: the rest of the stroke paints nothing
        released();
}

void PaintGestures::released() {
    const int start = std::exchange(m_start, 0);
    if (std::exchange(m_onFloating, false))
        return m_form.selection().blockPlacer().release();
    switch (m_form.directions().gridTool()) {
    case GridTool::Paint:
        m_document.endStroke();
        break;
    case GridTool::Wall:
        if (start != 0)
            m_form.directions().endWalls();
        break;
    case GridTool::Exit:
        if (start != 0 && m_pointer) {
            const int side = sideLeftThrough(*m_pointer);
            if (side >= 0)
                m_form.directions().makeExit(start, side,
                                             m_grid[size_t(start)]->clickModifiers() & Qt::ShiftModifier);
        }
        break;
    case GridTool::Select:
        if (start != 0)
            m_form.selection().releaseSelection();
        break;
    case GridTool::Stamp:
        if (start != 0)
            m_form.selection().blockPlacer().endStamp();
        break;
    }
}

// Which border of the grid a pointer outside it lies beyond: the side it is farthest beyond; -1 inside.
int PaintGestures::sideLeftThrough(const QPoint& globalPosition) const {
    const QRect grid(m_grid[FirstGridTile]->mapToGlobal(QPoint(0, 0)),
                     m_grid[LastGridTile]->mapToGlobal(m_grid[LastGridTile]->rect().bottomRight()));
    const int beyond[] = {grid.left() - globalPosition.x(), grid.top() - globalPosition.y(),
                          globalPosition.x() - grid.right(), globalPosition.y() - grid.bottom()};
    const int* farthest = std::max_element(std::begin(beyond), std::end(beyond));
    return *farthest > 0 ? int(farthest - std::begin(beyond)) : -1;
}

void PaintGestures::clicked(int index) {
    // The stroke painted this tile already, or the press was the floating tiles'.
    if (m_moved || m_onFloating || m_form.directions().gridTool() != GridTool::Paint)
        return;
    if (m_grid[size_t(index)]->clickModifiers() & Qt::ShiftModifier)
        fillFrom(index);
    else
        m_form.Tile_Click(index);
}

void PaintGestures::fillFrom(int index) {
    const Module1& level = m_document.state();
    const TileState like = level.TileOnDisplay(index);
    const auto looksLike = [&](int tile) {
        const TileState state = level.TileOnDisplay(tile);
        return state.colour == like.colour && state.picture == like.picture;
    };
    std::array<bool, LastGridTile + 1> seen{};
    std::vector<int> region{index};
    seen[size_t(index)] = true;
    for (size_t next = 0; next < region.size(); ++next) {
        const int tile = region[next];
        const int column = (tile - FirstGridTile) % GridColumns;
        for (const int neighbour : {column > 0 ? tile - 1 : 0, column < GridColumns - 1 ? tile + 1 : 0,
                                    tile - GridColumns, tile + GridColumns}) {
            if (neighbour >= FirstGridTile && neighbour <= LastGridTile && !seen[size_t(neighbour)] &&
                looksLike(neighbour)) {
                seen[size_t(neighbour)] = true;
                region.push_back(neighbour);
            }
        }
    }
    m_document.beginStroke(QStringLiteral("Fill"));
    for (const int tile : region)
        if (!m_form.paintTile(tile))
            break;
    m_document.endStroke();
}

QPoint PaintGestures::cellAt(const QPoint& globalPosition) const {
    if (const int index = tileAt(globalPosition))
        return QPoint((index - FirstGridTile) % GridColumns, (index - FirstGridTile) / GridColumns);
    const PictureBox* first = m_grid[FirstGridTile];
    const QPoint offset = globalPosition - first->mapToGlobal(QPoint(0, 0));
    const int stepX = std::max(1, m_grid[FirstGridTile + 1]->x() - first->x());
    const int stepY = std::max(1, m_grid[FirstGridTile + GridColumns]->y() - first->y());
    return QPoint(FloorDiv(offset.x(), stepX), FloorDiv(offset.y(), stepY));
}

int GridTileUnder(const std::array<PictureBox*, 301>& grid, const QPoint& globalPosition) {
    for (int index = FirstGridTile; index <= LastGridTile; ++index) {
        const PictureBox* tile = grid[size_t(index)];
        if (tile->rect().contains(tile->mapFromGlobal(globalPosition)))
            return index;
    }
    return 0;
}

int PaintGestures::tileAt(const QPoint& globalPosition) const {
    return GridTileUnder(m_grid, globalPosition);
}

} // namespace tavrin
