#pragma once

#include "level/document/screen.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

class QMimeData;

namespace tavrin {

// The clipboard type of tiles copied in the editor. The same tile records go along as plain text, so
// that a text editor sees them as a level file has them.
extern const QString TileBlockMimeType;

// The column and row (from 0) of grid tile `tile`, and the tile at a column and row.
constexpr int GridColumnOf(int tile) {
    return (tile - FirstGridTile) % GridColumns;
}
constexpr int GridRowOf(int tile) {
    return (tile - FirstGridTile) / GridColumns;
}
constexpr int GridTileAt(int column, int row) {
    return FirstGridTile + row * GridColumns + column;
}

// A pasted text longer than this, or holding more tile records than a screen has tiles, is refused
// unread: it is no copy of tiles.
constexpr qsizetype MaxBlockTextBytes = 1024 * 1024;
constexpr int MaxBlockRecords = 320;

// Tiles taken from a screen as one piece: a rectangle of cells, each a tile with everything it has
// (colour, picture reference, four directions and four operands, each field of its kind), or a hole, a
// cell of the rectangle that was not taken and that placing the block leaves as it is.
class TileBlock {
public:
    TileBlock() = default;
    // Tiles `tiles` (1..300) of `screen`, in the smallest rectangle that holds them.
    static TileBlock take(const Screen& screen, const std::vector<int>& tiles);
    // The tile records of a text as a level file has them. Records "ScreenInfo" and "Side<k>" are passed
    // over; anything else that is no tile record of one screen, a record that does not read, more than
    // MaxBlockRecords records or a text longer than MaxBlockTextBytes is refused with failure 321 and a
    // sentence that says why (naming the line and field of a damaged record).
    static TileBlock fromRecords(const QByteArray& text);
    // The block a clipboard holds: our own type first, else its plain text. Failure 321 as above, or when
    // it holds neither.
    static TileBlock fromMimeData(const QMimeData& data);

    bool isEmpty() const { return m_columns == 0; }
    int columns() const { return m_columns; }
    int rows() const { return m_rows; }
    // The grid tile the top-left cell was taken from.
    int origin() const { return m_origin; }
    // The tiles (not the holes) it holds.
    int tileCount() const;
    // Cell (column, row), counted from the top-left cell.
    const std::optional<TileState>& cell(int column, int row) const;

    // The block turned: the cells move, and each tile's directions and operands turn with it (left and
    // right swap in a horizontal flip, up and down in a vertical one; a clockwise turn takes left to up,
    // up to right, right to down and down to left). The values stay: an exit keeps its side link and its
    // landing tile, which is a tile of another screen.
    TileBlock flippedHorizontally() const;
    TileBlock flippedVertically() const;
    TileBlock rotatedClockwise() const;

    // Whether the whole block lies on the grid with its top-left cell on tile `topLeft`.
    bool fitsAt(int topLeft) const;
    // The tiles the block covers with its top-left cell on grid tile `topLeft`, and their new states, in
    // tile order; cells beyond the grid's right or bottom border are left out.
    std::vector<std::pair<int, TileState>> placedAt(int topLeft) const;

    // The block's tiles as the tile records of screen `screen`, each under the tile number it was taken
    // from, exactly as a level file has them.
    QByteArray toRecords(Integer screen) const;
    // The records under our own type and as plain text. The caller owns it (a clipboard takes it over).
    QMimeData* toMimeData(Integer screen) const;

    bool operator==(const TileBlock& other) const {
        return m_origin == other.m_origin && m_columns == other.m_columns && m_rows == other.m_rows &&
               m_cells == other.m_cells;
    }
    bool operator!=(const TileBlock& other) const { return !(*this == other); }

private:
    TileBlock(int origin, int columns, int rows);
    std::optional<TileState>& at(int column, int row) { return m_cells[size_t(row * m_columns + column)]; }
    // The block with each cell moved to `move(column, row)` (in a block of `columns` x `rows`) and each
    // tile's side s turned to side `side[s]`.
    template <typename Move>
    TileBlock turned(int columns, int rows, const std::array<int, 4>& side, Move move) const;

    int m_origin = FirstGridTile;
    int m_columns = 0;
    int m_rows = 0;
    std::vector<std::optional<TileState>> m_cells; // row by row
};

// A tile as a blank screen has it: the brush colour, no picture, every direction free; the operands stay
// as they were, as they do on a blank screen.
TileState BlankedTile(TileState tile, Long brushColour);

// The tiles among `placed` with an exit that leads somewhere odd on a screen with links `links` in a
// level whose last screen is `lastScreen`: through a link outside 0..lastScreen, or onto no tile 1..300.
std::vector<int> TilesWithOddExits(const std::vector<std::pair<int, TileState>>& placed,
                                   const SideLinks& links, Integer lastScreen);

} // namespace tavrin
