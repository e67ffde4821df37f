#include "level/tools/reachcheck.h"

#include "level/core/messages.h"

namespace tavrin {

void ThenWalkFromStart(Task& task, int last, int startTile,
                       std::function<std::unique_ptr<Reachability>()> make, WalkResult result) {
    if (last < 0 || startTile < FirstGridTile || startTile > LastGridTile)
        return;
    // Each piece searches as many tiles as a screen has and reads a screen: by the last piece the whole
    // level has been gone through.
    task.then(
        last + 1,
        [=, make = std::move(make)](int piece) {
            try {
                if (piece == 0) {
                    *result = make();
                    (*result)->start({0, startTile});
                }
                if (*result)
                    (*result)->step(2 * (LastGridTile + 1));
            } catch (const Failure&) {
                result->reset();
            }
        },
        [result] {
            if (*result && !(*result)->done())
                result->reset();
        });
}

std::unique_ptr<Reachability> WalkOfLevelFile(FileAccess& files, const QString& path,
                                              std::optional<WalkTable> table) {
    try {
        PropertyValues properties;
        std::unique_ptr<Reachability> walk = table ? TableReachability(std::move(*table), &properties)
                                                   : FileReachability(files, path, &properties);
        const int start = properties.startTile;
        if (properties.lastScreen < 0 || start < FirstGridTile || start > LastGridTile)
            return nullptr;
        walk->start({0, start});
        walk->run();
        return walk;
    } catch (const Failure&) {
        return nullptr;
    }
}

void AddWalkProblems(const Reachability& walk, std::vector<LevelProblem>& into,
                     const std::function<qint64(qint64 screen, int tile)>& offsetOf) {
    const auto add = [&](const QString& code, int screen, std::optional<int> tile, std::optional<int> d,
                         const QString& message) {
        LevelProblem& problem = into.emplace_back();
        problem.severity = LevelProblem::Severity::Warning;
        problem.code = code;
        problem.screen = screen;
        problem.tile = tile;
        problem.direction = d;
        problem.line = offsetOf(screen, tile.value_or(0));
        problem.message = message;
    };
    const QString neverUsed = QStringLiteral("exit-never-used");
    const QString unreachable = QStringLiteral("tile-unreachable");
    for (int screen = 0; screen <= walk.lastScreen(); ++screen) {
        if (!walk.entered(screen))
            continue;
        int missed = 0;
        for (int tile = FirstGridTile; tile <= LastGridTile; ++tile) {
            if (walk.reached({screen, tile}) || walk.leadsNowhere({screen, tile}))
                continue;
            ++missed;
            const int sides = walk.exitSides({screen, tile});
            for (int d = 0; d < 4; ++d)
                if (sides & 1 << d)
                    add(neverUsed, screen, tile, d, Text(Msg::CheckExitNeverUsed));
        }
        if (missed)
            add(unreachable, screen, std::nullopt, std::nullopt,
                Text(Msg::CheckTilesUnreachable).arg(missed));
    }
}

} // namespace tavrin
