#pragma once

#include "level/core/tilearrays.h"

#include <QPoint>
#include <QWidget>
#include <array>
#include <vector>

namespace tavrin {

// The tiles selected on the grid, drawn over it as a dashed frame around each piece of the selection.
// It lies over the grid and lets every mouse press through to the tiles below.
class SelectionFrame : public QWidget {
    Q_OBJECT
public:
    using Tiles = std::array<bool, LastGridTile + 1>;

    explicit SelectionFrame(QWidget* parent);

    const Tiles& selected() const { return m_selected; }
    // The selected tiles, in tile order.
    std::vector<int> tiles() const;
    bool isEmpty() const { return tiles().empty(); }
    bool contains(int tile) const;
    void select(const Tiles& selected);
    void select(const std::vector<int>& tiles);
    void clear();
    // While the selection is dragged, its frame is drawn moved by `cells` (columns, rows).
    void setDragOffset(const QPoint& cells);

    // The tiles of the rectangle with corners `from` and `to`, added to `selected`.
    static Tiles withRectangle(Tiles selected, int from, int to);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Tiles m_selected{};
    QPoint m_offset;
};

} // namespace tavrin
