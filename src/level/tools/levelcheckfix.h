#pragma once

#include "levelcheck.h"
#include "leveldocument.h"

#include <QString>

namespace tavrin {

// What Fix in the Check Level window does for a problem: the edit and one sentence saying what it changes
// (screen, tile, side, link), or, when it can mend nothing, why.
struct LevelFix {
    LevelDocument::LevelEdit edit;
    QString change;  // empty when refused
    QString refusal; // empty when there is an edit to make
};

// The fix of an `edge-wrap` problem (the step blocked) or of an `exit-no-way-back` one (the way back added)
// in the level of `document`, for a step named `name`. An exit that has a working way back of its own is
// never redirected: where the way back would take its place, the fix is refused. Throws when a screen it
// reads cannot be read whole.
LevelFix PlanFix(const LevelDocument& document, const LevelProblem& problem, const QString& name);

} // namespace tavrin
