#include "mainwindow/selectionframe.h"

#include "level/tools/tileblock.h"

#include <QLineF>
#include <QPainter>

#include <algorithm>

namespace tavrin {

SelectionFrame::SelectionFrame(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("SelectionLayer"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

std::vector<int> SelectionFrame::tiles() const {
    std::vector<int> tiles;
    for (int tile = FirstGridTile; tile <= LastGridTile; ++tile)
        if (m_selected[size_t(tile)])
            tiles.push_back(tile);
    return tiles;
}

bool SelectionFrame::contains(int tile) const {
    return tile >= FirstGridTile && tile <= LastGridTile && m_selected[size_t(tile)];
}

void SelectionFrame::select(const Tiles& selected) {
    m_selected = selected;
    m_selected[0] = false;
    m_offset = QPoint();
    update();
}

void SelectionFrame::select(const std::vector<int>& tiles) {
    Tiles selected{};
    for (const int tile : tiles)
        if (tile >= FirstGridTile && tile <= LastGridTile)
            selected[size_t(tile)] = true;
    select(selected);
}

void SelectionFrame::clear() {
    select(Tiles{});
}

void SelectionFrame::setDragOffset(const QPoint& cells) {
    m_offset = cells;
    update();
}

SelectionFrame::Tiles SelectionFrame::withRectangle(Tiles selected, int from, int to) {
    const int left = std::min(GridColumnOf(from), GridColumnOf(to));
    const int right = std::max(GridColumnOf(from), GridColumnOf(to));
    const int top = std::min(GridRowOf(from), GridRowOf(to));
    const int bottom = std::max(GridRowOf(from), GridRowOf(to));
    for (int row = top; row <= bottom; ++row)
        for (int column = left; column <= right; ++column)
            selected[size_t(GridTileAt(column, row))] = true;
    return selected;
}

// Each side of a selected tile that borders an unselected one (or the grid's border) is part of the frame:
// a dark dash over a light line, which shows on any colour. The tiles inside are lightened a little.
void SelectionFrame::paintEvent(QPaintEvent*) {
    const qreal w = qreal(width()) / GridColumns;
    const qreal h = qreal(height()) / GridRows;
    const auto isSelected = [this](int column, int row) {
        return column >= 0 && column < GridColumns && row >= 0 && row < GridRows &&
               m_selected[size_t(GridTileAt(column, row))];
    };
    std::vector<QLineF> edges;
    std::vector<QRectF> cells;
    for (int row = 0; row < GridRows; ++row) {
        for (int column = 0; column < GridColumns; ++column) {
            if (!isSelected(column, row))
                continue;
            const qreal x0 = (column + m_offset.x()) * w + 0.5, x1 = x0 + w - 1;
            const qreal y0 = (row + m_offset.y()) * h + 0.5, y1 = y0 + h - 1;
            cells.emplace_back(x0, y0, w, h);
            if (!isSelected(column - 1, row))
                edges.emplace_back(x0, y0, x0, y1);
            if (!isSelected(column + 1, row))
                edges.emplace_back(x1, y0, x1, y1);
            if (!isSelected(column, row - 1))
                edges.emplace_back(x0, y0, x1, y0);
            if (!isSelected(column, row + 1))
                edges.emplace_back(x0, y1, x1, y1);
        }
    }
    if (edges.empty())
        return;
    QPainter painter(this);
    for (const QRectF& cell : cells)
        painter.fillRect(cell, QColor(255, 255, 255, 60));
    painter.setPen(QPen(Qt::white, 2));
    painter.drawLines(edges.data(), int(edges.size()));
    painter.setPen(QPen(Qt::black, 2, Qt::DashLine));
    painter.drawLines(edges.data(), int(edges.size()));
}

} // namespace tavrin
