#pragma once

#include "level/document/leveldocument.h"
#include "level/tools/levelcheck.h"

#include <QString>
#include <vector>

namespace tavrin {

// What Fix in the Check Level window can do for a problem.
enum class LevelFixKind {
    BlockStep,            // the step of an edge-wrap, or of an exit into no screen of the level, blocked
    AddWayBack,           // an exit-no-way-back given its way back
    MakeScreen,           // an exit into no screen of the level given a new screen, with the way back
    BlockEdges,           // Block Screen Edges on the screen of the edge-wraps of one screen
    BlockEdgesEverywhere, // Block Screen Edges on every screen, for all the edge-wraps
};

// The fixes of `problem`, the first the one offered first; none for a problem Fix cannot mend. An
// edge-wrap with a screen and no tile stands for all the edge-wraps of that screen, and one without a
// screen for all of them.
std::vector<LevelFixKind> FixesFor(const LevelProblem& problem);
// A fix's name, on its button and as the step to undo ("Block this step").
QString FixName(LevelFixKind kind);

// What a fix does: the edit and one sentence saying what it changes (screen, tile, side, link), or, when it
// can mend nothing, why.
struct LevelFix {
    LevelDocument::LevelEdit edit;
    QString change;  // empty when refused
    QString refusal; // empty when there is an edit to make
};

// The fix `kind` of `problem` in the level of `document`. An exit that has a working way back of its own is
// never redirected: where the way back would take its place, the fix is refused. Throws when a screen it
// reads cannot be read whole.
LevelFix PlanFix(const LevelDocument& document, const LevelProblem& problem, LevelFixKind kind);

} // namespace tavrin
