#pragma once

namespace tavrin {

// The numbers of the picture boxes a numeric picture reference can name: the grid's tiles 1..300, the
// blank tile 0 below the grid, and the three boxes beside it.
constexpr int BlankTile = 0;
constexpr int BuiltinTile = 997;
constexpr int PreviewTile = 998;
constexpr int MarkerTile = 999;

// The boxes of the Tile array: the grid and Tile(0), and the three beside it.
constexpr bool IsTileBox(int index) {
    return (index >= 0 && index <= 300) || index == BuiltinTile || index == PreviewTile ||
           index == MarkerTile;
}

} // namespace tavrin
