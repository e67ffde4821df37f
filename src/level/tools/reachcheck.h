#pragma once

#include "level/core/task.h"
#include "level/tools/levelproblem.h"
#include "level/tools/reach.h"

#include <functional>
#include <memory>
#include <vector>

namespace tavrin {

// The walk from the start tile of screen 0 that Check Level goes by.
using WalkResult = std::shared_ptr<std::unique_ptr<Reachability>>;

// Adds to `task` a stage that searches with the search `make` makes from tile `startTile` of screen 0 of
// a level whose last screen is `last`, a piece a screen; once it is done, `result` holds the search. It
// holds none when the start is no tile of the grid, the level has no screens or a screen cannot be read
// (the check tells of that itself). The search is made in the stage's first piece.
void ThenWalkFromStart(Task& task, int last, int startTile,
                       std::function<std::unique_ptr<Reachability>()> make, WalkResult result);

// The same over the level file `path`, by its own properties, at once; its screens taken from `table` when
// its records were read into one already.
std::unique_ptr<Reachability> WalkOfLevelFile(FileAccess& files, const QString& path,
                                              std::optional<WalkTable> table = std::nullopt);

// What the walk leaves out on the screens it comes into, added to `into` as warnings: `exit-never-used`
// for each exit of a tile it never reaches, and `tile-unreachable`, a row a screen, with the number of its
// tiles it never reaches (tiles that lead nowhere, walls and trees, left out). Screens the walk never comes
// into are left to `unreachable-screen`: every tile and exit of such a screen would be a row, where the door
// that leads there is the one to look at. The `line` of each is offsetOf(screen, tile), tile 0 for a screen's
// row.
void AddWalkProblems(const Reachability& walk, std::vector<LevelProblem>& into,
                     const std::function<qint64(qint64 screen, int tile)>& offsetOf);

} // namespace tavrin
