#pragma once

#include <QObject>
#include <QPoint>
#include <array>
#include <optional>

class QPoint;

namespace tavrin {

class Form1;
class LevelDocument;
class PictureBox;

// The grid tile (1..300) under a point of the screen; 0 for none.
int GridTileUnder(const std::array<PictureBox*, 301>& grid, const QPoint& globalPosition);

// The mouse gestures of the grid. A click paints one tile with the brush, as Tile_Click does; pressing on
// a tile and moving over others paints every tile entered, each once, as one step; Shift+click fills the
// joined tiles that look like the clicked one, as one step; a right-click takes the tile into the brush.
// With the wall brush the tiles pressed and moved over are walled in, as one step; with the exit tool a
// press picks a tile, and a drag from a border tile out across the grid's border makes an exit there.
// With the select tool a drag selects a rectangle of tiles, or moves the selection when it starts inside
// it; with the stamp each tile pressed or entered gets the stamp, as one step. A fast pointer skips tiles
// between two of its positions: the paint, the wall brush and the stamp take every tile on the line
// between them. While pasted tiles float over the grid, a drag from them moves them, and a press beside
// them puts them down.
class PaintGestures : public QObject {
    Q_OBJECT
public:
    PaintGestures(Form1& form, LevelDocument& document, const std::array<PictureBox*, 301>& grid);

private:
    void pressed(int index);
    void dragged(const QPoint& globalPosition);
    // What the tool does to tile `index`, entered by a drag.
    void draggedOnto(int index);
    void released();
    void clicked(int index);
    // The 4-connected tiles that look like tile `index` (the same colour and picture reference) are
    // painted with the brush, as one step.
    void fillFrom(int index);
    // The grid tile under a point of the screen; 0 for none.
    int tileAt(const QPoint& globalPosition) const;
    // The column and row of the grid a point of the screen lies in; beyond the grid they go on counting
    // past its borders.
    QPoint cellAt(const QPoint& globalPosition) const;
    // The border of the grid (a Side) a point of the screen lies beyond; -1 for a point over the grid.
    int sideLeftThrough(const QPoint& globalPosition) const;

    Form1& m_form;
    LevelDocument& m_document;
    const std::array<PictureBox*, 301>& m_grid;
    int m_start = 0; // the tile pressed on; 0 while no button is down on the grid
    bool m_moved = false;
    bool m_onFloating = false; // the press was on the grid while pasted tiles floated there
    std::array<bool, 301> m_painted{};
    std::optional<QPoint> m_pointer; // where the exit tool's drag went last
    QPoint m_lastCell;               // the cell the drag was in when the pointer moved last
};

} // namespace tavrin
