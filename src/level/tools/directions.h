#pragma once

#include "level/document/leveldocument.h"
#include "level/document/screen.h"

#include <QPainter>
#include <QRectF>
#include <bitset>
#include <functional>
#include <optional>
#include <vector>

namespace tavrin {

// The four sides of a tile, in the order of its direction properties: left, up, right, down. Side s is
// stepped through with direction property s. The side link shown beside the grid on a side is the one an
// exit through that side takes by default: link 2 above the grid, 3 left of it, 4 right of it, 5 below.
enum Side { SideLeft = 0, SideUp = 1, SideRight = 2, SideDown = 3 };

constexpr int Opposite(int side) {
    return (side + 2) % 4;
}
constexpr Integer SideLinkOf(int side) {
    constexpr Integer links[] = {3, 2, 4, 5};
    return links[side];
}
// "left", "up", "right", "down".
const char* SideName(int side);

// The tile beside `tile` on `side` on the grid as it is drawn; none off the grid's border. (The walk
// steps by tile numbers: right from tile 20 it reaches tile 21, the first of the next row.)
std::optional<int> TileBeside(int tile, int side);
// True when `tile` lies on the grid's border on `side`.
bool OnBorder(int tile, int side);
// The tile an exit through `side` of border tile `tile` lands on: the tile in the same row or column on
// the opposite border of the next screen (20 -> 1, 300 -> 20, 1 -> 20, 5 -> 285).
int MirroredTile(int tile, int side);
// The tiles of the border on `side`, in order.
std::vector<int> BorderTiles(int side);

// What a side of a tile does: nothing (free), blocks the step, or leads through an exit.
struct EdgeMark {
    enum Kind { Free, Blocked, Exit };
    Kind kind = Free;
    Integer link = 0;               // the side link of an exit, 2..9
    Integer screen = 0;             // the screen that link leads to
    std::optional<Integer> landing; // the tile it lands on; none when its operand names no tile
    bool valid = false;             // the link leads to a screen of the level and the landing is a tile
};
EdgeMark MarkOf(const TileState& tile, int side, const SideLinks& links, Integer lastScreen);

// Whether the exit `mark` through a side of tile `tile` of screen `number` has a way back: the tile it
// lands on in `there` (the value of screen `mark.screen`) has an exit onto `tile` of screen `number`.
bool LeadsBack(const EdgeMark& mark, int number, int tile, const Screen& there, Integer lastScreen);

// The exits of a screen that have no way back, one bit a side of a tile: bit tile * 4 + side.
using OneWayExits = std::bitset<(LastGridTile + 1) * 4>;
// The exits of screen `number` (value `screen`) with no way back (LeadsBack). `read` gives the value of
// another screen, each once; none when it cannot be read, and then its exits count as having one.
OneWayExits FindOneWayExits(int number, const Screen& screen, Integer lastScreen,
                            const std::function<std::optional<Screen>(int)>& read);

// A tile no step of the grid leads into: each tile beside it blocks its step into it. The walls the wall
// brush makes, and tiles walled in all round.
bool WalledIn(const Screen& screen, int tile);

// Draws, over a screen drawn in `grid` (20 x 15 tiles), the walls and the exits. A blocked step is a bar
// along its side of the tile, one bar on the line between two tiles when each blocks the step into the
// other; the lines between two walled-in tiles get none and walled-in tiles are shaded, so that a wall
// several tiles thick reads as one block. An exit is an arrow with the target screen's number: red when
// its link or landing tile is invalid, orange with a bar across its tail when `oneWay` marks it as having
// no way back. Free sides get nothing. Tiles under 12 pixels get no numbers.
void DrawDirections(QPainter& painter, const QRectF& grid, const Screen& screen, Integer lastScreen,
                    const OneWayExits* oneWay = nullptr);

// --- Edits that make walls and exits -----------------------------------------------------------------------

// One change of a tile's direction property.
struct DirectionChange {
    int tile;
    int side;
    Integer value;
};

// The wall brush on `tile`: each tile beside it gets its step into `tile` blocked (1), or with `clear`
// freed (0) where it was blocked. Exits stay unless `blockExits`; `exitsMet` counts those left.
std::vector<DirectionChange> WallChanges(const Screen& screen, int tile, bool clear, bool blockExits,
                                         int* exitsMet = nullptr);

// The side link of `screen` to use for an exit to `target` through `side`. With `ownFirst`, as the exit
// tool makes exits and their ways back, the link shown on that side unless exits to elsewhere use it;
// else (and as Check Level adds a way back) a link that leads there already, then the side's own link or
// the first link no exit uses. `changed` tells whether the link must be set to `target`; none when every
// link is in use by exits elsewhere.
std::optional<Integer> LinkToward(const Screen& screen, Integer target, int side, bool ownFirst,
                                  bool* changed);

// The exits through `side` from `tiles` (border tiles on that side) of screen `from` into screen `to`,
// each landing on its mirrored tile, with the way back from each landing tile, and the side links both
// screens need: one edit of both screens. `fromScreen` and `toScreen` are the screens' values as they are
// shown (the same value when they are one screen). Failure ErrInvalidCall (5) with a sentence when one of
// them has no side link left for it (every link used by exits elsewhere).
LevelDocument::LevelEdit ExitEdit(int fromNumber, const Screen& fromScreen, int toNumber,
                                  const Screen& toScreen, const std::vector<int>& tiles, int side);

// The way back for the exit through `side` of tile `tile` of screen `fromNumber`: on the tile it lands on
// in screen `toNumber`, the opposite side leads back onto `tile`, through a link of that screen that leads
// to `fromNumber` (one is added when none does). Failure ErrInvalidCall (5) when the exit lands on no tile
// or the screen has no link left for it.
LevelDocument::LevelEdit WayBackEdit(int fromNumber, const Screen& fromScreen, int tile, int side,
                                     int toNumber, const Screen& toScreen);

// A new screen as the exit tool and Check Level make one: blank, its side links leading to no screen (-1)
// until the edit that makes it gives it the one that joins it.
Screen UnlinkedBlankScreen(const LevelDocument& document);

// Block Screen Edges on screen `number`: every outward step on its border blocked, exits left as they are.
void AddBlockEdges(LevelDocument::LevelEdit& edit, int number);

} // namespace tavrin
