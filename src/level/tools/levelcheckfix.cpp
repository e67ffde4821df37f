#include "level/tools/levelcheckfix.h"

#include "level/core/failure.h"
#include "level/core/messages.h"
#include "level/tools/directions.h"

#include <algorithm>
#include <limits>

namespace tavrin {

namespace {

// The exit through `side` of tile `tile` of screen `number` (whose value is `screen`) and whether it has a
// way back: the tile it lands on has an exit onto `tile` of screen `number`.
bool HasWayBack(const LevelDocument& document, int number, const Screen& screen, int tile, int side,
                const QString& name) {
    const Integer last = document.state().LevelLastScreen();
    const EdgeMark mark = MarkOf(screen.tile(tile), side, screen.links, last);
    if (mark.kind != EdgeMark::Exit || !mark.valid)
        return false;
    const Screen there = mark.screen == number ? screen : document.screenValue(int(mark.screen), name);
    return LeadsBack(mark, number, tile, there, last);
}

// A new screen for the exit through `side` of tile `tile` of screen `screen`, whose link leads to no screen
// of the level: the link leads to the new last screen instead, and the tile the exit lands on there leads
// back. The link led nowhere, so no exit through it had a way back to lose.
LevelFix MakeScreen(const LevelDocument& document, int screen, int tile, int side, const QString& name) {
    LevelFix fix;
    const Integer last = document.state().LevelLastScreen();
    Screen from = document.screenValue(screen, name);
    const EdgeMark exit = MarkOf(from.tile(tile), side, from.links, last);
    if (exit.kind != EdgeMark::Exit || (exit.screen >= 0 && exit.screen <= last)) {
        fix.refusal = Text(Msg::FixProblemGone);
        return fix;
    }
    if (last >= std::numeric_limits<Integer>::max()) {
        fix.refusal = Text(Msg::FixNoScreenLeft);
        return fix;
    }
    const int made = int(last) + 1;
    from.links[size_t(exit.link)] = Integer(made);
    try {
        fix.edit = WayBackEdit(screen, from, tile, side, made, UnlinkedBlankScreen(document));
    } catch (const Failure& failure) { // the exit lands on no tile
        fix.refusal = ShownText(failure);
        return fix;
    }
    fix.edit.links.push_back({screen, from.links});
    fix.edit.lastScreen = Integer(made);
    fix.change = Text(Msg::FixMakesScreen)
                     .arg(made)
                     .arg(exit.link)
                     .arg(screen)
                     .arg(QLatin1String(SideName(Opposite(side))))
                     .arg(fix.edit.tiles.front().index)
                     .arg(tile);
    return fix;
}

} // namespace

std::vector<LevelFixKind> FixesFor(const LevelProblem& problem) {
    const bool step = problem.screen && problem.tile && problem.direction;
    if (problem.code == QLatin1String("edge-wrap")) {
        if (step)
            return {LevelFixKind::BlockStep};
        if (problem.tile || problem.direction)
            return {};
        return {problem.screen ? LevelFixKind::BlockEdges : LevelFixKind::BlockEdgesEverywhere};
    }
    if (!step)
        return {};
    if (problem.code == QLatin1String("exit-no-way-back"))
        return {LevelFixKind::AddWayBack};
    if (problem.code == QLatin1String("link-out-of-range"))
        return {LevelFixKind::MakeScreen, LevelFixKind::BlockStep};
    return {};
}

QString FixName(LevelFixKind kind) {
    switch (kind) {
    case LevelFixKind::BlockStep:
        return Text(Msg::FixBlockStep);
    case LevelFixKind::AddWayBack:
        return Text(Msg::FixAddWayBack);
    case LevelFixKind::MakeScreen:
        return Text(Msg::FixMakeScreen);
    case LevelFixKind::BlockEdges:
        return Text(Msg::BlockEdgesTitle);
    case LevelFixKind::BlockEdgesEverywhere:
        return Text(Msg::BlockEdgesEverywhereTitle);
    }
    return QString();
}

LevelFix PlanFix(const LevelDocument& document, const LevelProblem& problem, LevelFixKind kind) {
    LevelFix fix;
    const std::vector<LevelFixKind> fixes = FixesFor(problem);
    if (std::find(fixes.begin(), fixes.end(), kind) == fixes.end()) {
        fix.refusal = Text(Msg::FixProblemGone);
        return fix;
    }
    const QString name = FixName(kind);
    const Integer last = document.state().LevelLastScreen();
    if (kind == LevelFixKind::BlockEdgesEverywhere) {
        for (int screen = 0; screen <= last; ++screen)
            AddBlockEdges(fix.edit, screen);
        fix.change = Text(Msg::FixBlocksEdgesEverywhere).arg(last + 1);
        return fix;
    }
    const int screen = int(*problem.screen);
    if (kind == LevelFixKind::BlockEdges) {
        AddBlockEdges(fix.edit, screen);
        fix.change = Text(Msg::FixBlocksEdges).arg(screen);
        return fix;
    }
    const int tile = *problem.tile;
    const int side = *problem.direction;
    if (kind == LevelFixKind::BlockStep) {
        fix.edit.directions.push_back({screen, tile, side, 1});
        fix.change = Text(Msg::FixBlocksStep).arg(QLatin1String(SideName(side))).arg(tile).arg(screen);
        return fix;
    }
    if (kind == LevelFixKind::MakeScreen)
        return MakeScreen(document, screen, tile, side, name);
    const Screen from = document.screenValue(screen, name);
    const EdgeMark exit = MarkOf(from.tile(tile), side, from.links, last);
    if (exit.kind != EdgeMark::Exit || !exit.valid) {
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
