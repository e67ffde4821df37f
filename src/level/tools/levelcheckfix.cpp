#include "levelcheckfix.h"

#include "directions.h"
#include "failure.h"
#include "messages.h"

namespace tavrin {

namespace {

// The exit through `side` of tile `tile` of screen `number` (whose value is `screen`) and whether it has a
// way back: the tile it lands on has an exit onto `tile` of screen `number`.
bool HasWayBack(const LevelDocument& document, int number, const Screen& screen, int tile, int side,
                const QString& name) {
    const Integer last = document.state().LevelLastScreen;
    const EdgeMark mark = MarkOf(screen.tile(tile), side, screen.links, last);
    if (mark.kind != EdgeMark::Exit || !mark.valid)
        return false;
    const Screen there = mark.screen == number ? screen : document.screenValue(int(mark.screen), name);
    return LeadsBack(mark, number, tile, there, last);
}

} // namespace

LevelFix PlanFix(const LevelDocument& document, const LevelProblem& problem, const QString& name) {
    LevelFix fix;
    if (!problem.screen || !problem.tile || !problem.direction) {
        fix.refusal = Text(Msg::FixProblemGone);
        return fix;
    }
    const int screen = int(*problem.screen);
    const int tile = *problem.tile;
    const int side = *problem.direction;
    if (problem.code == QLatin1String("edge-wrap")) {
        fix.edit.directions.push_back({screen, tile, side, 1});
        fix.change = Text(Msg::FixBlocksStep).arg(QLatin1String(SideName(side))).arg(tile).arg(screen);
        return fix;
    }
    const Screen from = document.screenValue(screen, name);
    const EdgeMark exit = MarkOf(from.tile(tile), side, from.links, document.state().LevelLastScreen);
    if (problem.code != QLatin1String("exit-no-way-back") || exit.kind != EdgeMark::Exit || !exit.valid) {
        fix.refusal = Text(Msg::FixProblemGone);
        return fix;
    }
    const int target = int(exit.screen);
    const int landing = int(*exit.landing);
    const int back = Opposite(side);
    const Screen to = target == screen ? from : document.screenValue(target, name);
    if (HasWayBack(document, target, to, landing, back, name)) {
        const Integer door = to.links[size_t(to.tile(landing).directions[size_t(back)])];
        fix.refusal = Text(Msg::FixBreaksDoor)
                          .arg(landing)
                          .arg(target)
                          .arg(QLatin1String(SideName(back)))
                          .arg(door)
                          .arg(screen);
        return fix;
    }
    try {
        fix.edit = WayBackEdit(screen, from, tile, side, target, to);
    } catch (const Failure& failure) { // no link left for it
        fix.refusal = ShownText(failure);
        return fix;
    }
    const Integer link = fix.edit.tiles.front().state.directions[size_t(back)];
    const Integer was = to.links[size_t(link)];
    fix.change = Text(was == Integer(screen) ? Msg::FixAddsWayBack : Msg::FixAddsWayBackAndLink)
                     .arg(QLatin1String(SideName(back)))
                     .arg(landing)
                     .arg(target)
                     .arg(link)
                     .arg(tile)
                     .arg(screen);
    if (was != Integer(screen))
        fix.change = fix.change.arg(was);
    return fix;
}

} // namespace tavrin
