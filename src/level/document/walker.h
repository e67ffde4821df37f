#pragma once

#include "module1.h"

#include <functional>

namespace tavrin {

// Key codes of the arrow keys as the window system delivers them.
constexpr int KeyLeft = 37;
constexpr int KeyUp = 38;
constexpr int KeyRight = 39;
constexpr int KeyDown = 40;

// Walks the marker over the grid with the arrow keys, through exits into the linked screens.
//
// While the marker stands on WalkerTile, Tile(998) holds the look that tile has without the marker. A
// step that cannot be taken (blocked, off the grid, an exit whose operand is no tile of 0..300) leaves
// WalkerTile and that look as they were, so no tile ever takes on the look of another.
class Walker {
public:
    explicit Walker(Module1& module) : m(module) {}

    // One key press. Arrow keys walk; every other key changes nothing.
    void KeyDown(int keyCode);

    // Fills the tile property window for the tile the marker reaches.
    std::function<void(Integer tile)> displayTileProp;

private:
    void takeExit(Integer screen, Integer tile);
    void step(Integer from, int offset);
    void placeMarker(Integer tile);

    Module1& m;
};

} // namespace tavrin
