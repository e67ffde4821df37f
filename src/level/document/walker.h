#pragma once

#include "module1.h"

namespace tavrin {

// Key codes of the arrow keys as the window system delivers them.
constexpr int KeyLeft = 37;
constexpr int KeyUp = 38;
constexpr int KeyRight = 39;
constexpr int KeyDown = 40;

// Where one key press takes the walk marker, worked out from the screen on display alone.
struct WalkStep {
    enum Kind {
        Stay,     // not an arrow key, or a blocked direction, or an exit whose landing is no grid tile
        Move,     // onto `tile` of the same screen
        OffGrid,  // off the edge of the grid: the marker is taken off and stays on its tile for the next key
        Exit,     // through an exit onto `tile` of `screen`
        NoScreen, // an exit whose side link names no screen (below 0, as after its screen was deleted):
                  // the marker stays; `screen` is the link
    };
    Kind kind = Stay;
    Integer tile = 0;
    Integer screen = 0;
};

WalkStep NextWalkStep(const Module1& level, int keyCode);

} // namespace tavrin
