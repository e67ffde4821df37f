#pragma once

#include "level/document/screen.h"

#include <QString>
#include <optional>

namespace tavrin {

// A change of the numbers of a level's screens 0..last: one deleted (the screens above it move down by
// one), one moved to another number (the screens between shift by one toward the gap it left), or two
// swapped. Numbers outside 0..last belong to no screen of the level and keep their value.
struct ScreenRenumbering {
    enum Kind { Delete, Move, Swap };
    Kind kind = Move;
    int from = 0;
    int to = 0;   // Move and Swap only
    int last = 0; // the last screen before

    static ScreenRenumbering deleting(int screen, int last) { return {Delete, screen, screen, last}; }
    static ScreenRenumbering moving(int from, int to, int last) { return {Move, from, to, last}; }
    static ScreenRenumbering swapping(int a, int b, int last) { return {Swap, a, b, last}; }

    int lastAfter() const { return kind == Delete ? last - 1 : last; }
    // The number after of the screen numbered `before`; -1 for the deleted screen.
    int after(int before) const;
    // The number before of the screen numbered `after`.
    int before(int after) const;
    // Why the renumbering cannot be made on a level whose last screen is `last`, if it cannot.
    std::optional<QString> refusal() const;

    // A link to screen n leads to its new number afterwards; a link to the deleted screen leads to -1,
    // a number that is no screen. Links to numbers outside 0..last stay as they are.
    SideLinks linksAfter(const SideLinks& links) const;
    // The same backwards; links that led to the deleted screen are not told apart from those that led to
    // -1 before, so the caller puts them back.
    SideLinks linksBefore(const SideLinks& links) const;
};

// What `tavrin-level screens` and the Screen menu call each kind ("Delete Screen", ...).
QString RenumberingName(const ScreenRenumbering& renumbering);

} // namespace tavrin
