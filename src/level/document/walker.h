#pragma once

#include "level/document/module1.h"

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

// The direction an arrow key walks in, 0 left, 1 up, 2 right, 3 down (the order of a tile's directions);
// -1 for any other key.
inline int WalkDirection(int keyCode) {
    return keyCode >= KeyLeft && keyCode <= KeyDown ? keyCode - KeyLeft : -1;
}

// The step NextWalkStep takes from tile `from` of screen `screen` in direction `d` (0..3), where the
// tile's direction property that way is `property` and its operand `operand`, and the screen's side links
// are `links`: the walk of a screen that is not on display.
WalkStep WalkStepFrom(Integer screen, Integer from, int d, Integer property, const FieldValue& operand,
                      const SideLinks& links);

} // namespace tavrin
