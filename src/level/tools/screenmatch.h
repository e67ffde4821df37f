#pragma once

#include "level/document/renumbering.h"
#include "level/tools/leveldiff.h"

namespace tavrin {

// How the screens of a level were renumbered since the level it was made from, as the editor's Screen menu
// renumbers them: found by the screens' tiles, which a renumbering leaves as they are.
struct FoundRenumbering {
    enum class Kind {
        None,    // every screen keeps its number (screens may be added or removed after the last)
        One,     // `renumbering`, made on the base level
        Unclear, // the screens moved, but by no one delete, move or swap that can be told
    };
    Kind kind = Kind::None;
    ScreenRenumbering renumbering;

    // The same screens go to the same numbers.
    bool sameAs(const FoundRenumbering& other) const;
    // "as they were", "screen 3 deleted", "screen 4 moved to 7", "screens 2 and 5 swapped", ...
    QString text() const;
};

// How `side` renumbered the screens of `base`. Each screen whose tiles are not those of the same number in
// `base` is matched with the screens of `base` that have its tiles; when some match a screen of another
// number, every delete, move and swap that those matches give is weighed by the screens it puts on their
// tiles and then by the side links it maps as `side` has them. None unless one does better than leaving
// every number as it is; Unclear when several do equally well, when the screens moved though the number
// of screens changed by other than one deleted, or when the side links were not mapped with the screens.
// Failures are LevelSource's.
FoundRenumbering FindRenumbering(LevelSource& base, LevelSource& side);

} // namespace tavrin
