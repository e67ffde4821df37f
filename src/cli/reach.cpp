// tavrin-level reach and route: where the walk can take the marker, and the keys that take it somewhere.
#include "level/tools/reach.h"
#include "cli/commands.h"
#include "level/core/messages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace tavrin::cli {

namespace {

// A place given as SCREEN:TILE; false when it is not one.
bool ParsePlace(const QString& text, WalkPlace* place) {
    const QStringList parts = text.split(u':');
    return parts.size() == 2 && WholeNumber(parts[0], 0, 32767, &place->screen) &&
           WholeNumber(parts[1], 0, LastGridTile, &place->tile);
}

QString PlaceText(WalkPlace place) {
    return QStringLiteral("%1:%2").arg(place.screen).arg(place.tile);
}

QJsonObject PlaceJson(WalkPlace place) {
    return QJsonObject{{"screen", place.screen}, {"tile", place.tile}};
}

// The level of a reach or route command, read a screen at a time, and the search over it from `--from`
// or from the start tile of screen 0.
struct Search {
    FileAccess files;
    PropertyValues properties;
    std::unique_ptr<Reachability> reach;
};

// Opens `path` and searches from `fromText` (empty: the start tile), the whole level or until `target`
// is reached; ExitDone, or the code to exit with once the failure is told.
int RunSearch(const QString& path, const QString& fromText, Search& search,
              std::optional<WalkPlace> target = std::nullopt) {
    WalkPlace from;
    if (!fromText.isNull() && !ParsePlace(fromText, &from))
        return UsageError(Text(Msg::CliPlaceForm).arg(QStringLiteral("--from")));
    try {
        search.reach = FileReachability(search.files, path, &search.properties);
        const int last = search.properties.lastScreen;
        if (fromText.isNull()) {
            from = {0, search.properties.startTile};
            if (from.tile < FirstGridTile || from.tile > LastGridTile)
                return Unusable(path, Text(Msg::StartTileNotOnGrid));
        }
        for (const WalkPlace& place : {from, target.value_or(from)})
            if (place.screen > last)
                return Unusable(path, Text(Msg::ScreenNotInLevel).arg(place.screen).arg(last));
        Reachability& reach = *search.reach;
        reach.start(from);
        // A place is first reached by a shortest route: the rest of the level can wait.
        while (!reach.step(4096) && !(target && reach.reached(*target))) {
        }
    } catch (const Failure& failure) {
        return Unusable(path, failure);
    }
    return ExitDone;
}

} // namespace

int Route(const CliCommand& command, QStringList arguments) {
    const CommandLine line(command, arguments);
    if (!line.error().isEmpty())
        return UsageError(line.error());
    const bool json = line.isSet("--json");
    const QString to = line.value("--to");
    const QString from = line.value("--from");
    WalkPlace target;
    if (to.isNull())
        return UsageError(Text(Msg::CliRouteNeedsTo));
    if (!ParsePlace(to, &target))
        return UsageError(Text(Msg::CliPlaceForm).arg(QStringLiteral("--to")));
    const QString& path = line.files().first();
    Search search;
    if (const int code = RunSearch(path, from, search, target); code != ExitDone)
        return code;
    const Reachability& reach = *search.reach;
    const std::optional<std::vector<RouteStep>> route = reach.route(target);
    StandardOutput output;
    QTextStream& out = output.text();
    if (json) {
        QJsonArray steps;
        for (const RouteStep& step : route.value_or(std::vector<RouteStep>()))
            steps.append(
                QJsonObject{{"key", KeyName(step.key)}, {"screen", step.to.screen}, {"tile", step.to.tile}});
        out << QJsonDocument(QJsonObject{{"from", PlaceJson(reach.from())},
                                         {"to", PlaceJson(target)},
                                         {"reachable", bool(route)},
                                         {"steps", steps}})
                   .toJson();
    } else if (route) {
        for (const RouteStep& step : *route)
            out << KeyName(step.key) << ' ' << PlaceText(step.to) << '\n';
    }
    if (!route)
        QTextStream(stderr) << "tavrin-level: "
                            << Text(Msg::CliNoRoute).arg(PlaceText(reach.from()), PlaceText(target)) << '\n';
    return output.finish(route ? ExitDone : ExitProblems);
}

int Reach(const CliCommand& command, QStringList arguments) {
    const CommandLine line(command, arguments);
    if (!line.error().isEmpty())
        return UsageError(line.error());
    const bool json = line.isSet("--json");
    Search search;
    if (const int code = RunSearch(line.files().first(), line.value("--from"), search); code != ExitDone)
        return code;
    const Reachability& reach = *search.reach;
    StandardOutput output;
    QTextStream& out = output.text();
    if (json) {
        QJsonArray screens, outside;
        for (int screen = 0; screen <= reach.lastScreen(); ++screen)
            if (const int tiles = reach.tilesReached(screen); tiles > 0)
                screens.append(QJsonObject{{"screen", screen}, {"tiles", tiles}});
        for (const int screen : reach.exitsOutside())
            outside.append(screen);
        out << QJsonDocument(QJsonObject{{"from", PlaceJson(reach.from())},
                                         {"tiles", double(reach.tilesReached())},
                                         {"screens", screens},
                                         {"exitsOutside", outside}})
                   .toJson();
        return output.finish(ExitDone);
    }
    int screens = 0;
    for (int screen = 0; screen <= reach.lastScreen() && output.ok(); ++screen)
        if (const int tiles = reach.tilesReached(screen); tiles > 0) {
            out << "screen " << screen << ": " << tiles << (tiles == 1 ? " tile\n" : " tiles\n");
            ++screens;
        }
    out << Text(Msg::CliReachSummary).arg(reach.tilesReached()).arg(screens).arg(reach.lastScreen() + 1)
        << '\n';
    for (const int screen : reach.exitsOutside())
        out << Text(Msg::CliExitOutside).arg(screen) << '\n';
    return output.finish(ExitDone);
}

} // namespace tavrin::cli
