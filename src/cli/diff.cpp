// tavrin-level diff
#include "cli/commands.h"
#include "level/core/messages.h"
#include "level/tools/leveldiff.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <map>

namespace tavrin::cli {

namespace {

QJsonValue JsonValue(const FieldValue& value) {
    if (value.isNumber())
        return value.numberValue();
    if (value.isText())
        return value.textValue();
    return QJsonValue();
}

QJsonObject ToJson(const LevelChange& change) {
    QJsonObject object;
    if (change.screen >= 0)
        object.insert("screen", change.screen);
    switch (change.kind) {
    case LevelChange::Kind::ScreenAdded:
        object.insert("change", QStringLiteral("added"));
        return object;
    case LevelChange::Kind::ScreenRemoved:
        object.insert("change", QStringLiteral("removed"));
        return object;
    case LevelChange::Kind::Tile:
        object.insert("tile", change.place);
        break;
    case LevelChange::Kind::Link:
        object.insert("link", change.place);
        break;
    case LevelChange::Kind::Property:
        break;
    case LevelChange::Kind::Records:
        object.insert("records", change.key);
        object.insert("change", change.line().section(QStringLiteral(": "), -1));
        object.insert("before", JsonValue(change.before));
        object.insert("after", JsonValue(change.after));
        return object;
    }
    object.insert("change", QStringLiteral("changed"));
    object.insert("field", change.fieldName());
    object.insert("before", JsonValue(change.before));
    object.insert("after", JsonValue(change.after));
    return object;
}

void WriteJson(QTextStream& out, const std::vector<LevelChange>& changes) {
    // One object at a time: a whole QJsonArray of every tile of a large level would take gigabytes.
    out << "[\n";
    for (size_t i = 0; i < changes.size(); ++i)
        out << "    " << QJsonDocument(ToJson(changes[i])).toJson(QJsonDocument::Compact)
            << (i + 1 < changes.size() ? ",\n" : "\n");
    out << "]\n";
}

void WriteStat(QTextStream& out, const std::vector<LevelChange>& changes) {
    std::map<int, std::pair<int, const LevelChange*>> perScreen; // the count, and the first change
    for (const LevelChange& change : changes) {
        auto& [count, first] = perScreen[change.screen];
        if (count++ == 0)
            first = &change;
    }
    for (const auto& [screen, entry] : perScreen) {
        const auto& [count, first] = entry;
        const QString place = screen < 0 ? QStringLiteral("level") : QStringLiteral("screen %1").arg(screen);
        if (first->kind == LevelChange::Kind::ScreenAdded || first->kind == LevelChange::Kind::ScreenRemoved)
            out << first->line() << '\n';
        else
            out << place << ": " << count << (count == 1 ? " change\n" : " changes\n");
    }
    out << changes.size() << (changes.size() == 1 ? " change" : " changes") << " in " << perScreen.size()
        << (perScreen.size() == 1 ? " place\n" : " places\n");
}

// As git's diff driver runs it: PATH OLD-FILE OLD-HEX OLD-MODE NEW-FILE NEW-HEX NEW-MODE, either file
// /dev/null for a level added or removed. It prints what changed and exits 0 for a difference too: git
// stops at a driver that exits otherwise.
int GitDiff(const CliCommand& command, const QStringList& arguments) {
    const CommandLine line(command.only({QLatin1String("--git")}), arguments, QStringLiteral("diff --git"),
                           7);
    if (!line.error().isEmpty())
        return UsageError(line.error());
    const QString& path = line.files()[0];
    const QString& before = line.files()[1];
    const QString& after = line.files()[4];
    StandardOutput output;
    QTextStream& out = output.text();
    out << "diff --tavrin a/" << path << " b/" << path << '\n';
    const QString none = QStringLiteral("/dev/null");
    if (before == none || after == none) {
        out << Text(before == none ? Msg::DiffLevelAdded : Msg::DiffLevelRemoved) << '\n';
        return output.finish(ExitDone);
    }
    FileAccess files;
    try {
        for (const LevelChange& change : DiffLevels(files, before, after))
            out << change.line() << '\n';
    } catch (const Failure& failure) {
        return Unusable(failure);
    }
    return output.finish(ExitDone);
}

} // namespace

int Diff(const CliCommand& command, QStringList arguments) {
    // --git and --textconv are forms of their own, which take no other option.
    if (arguments.contains(QLatin1String("--git")))
        return GitDiff(command, arguments);
    if (arguments.contains(QLatin1String("--textconv"))) {
        const CommandLine line(command.only({QLatin1String("--textconv")}), arguments,
                               QStringLiteral("diff --textconv"), 1);
        if (!line.error().isEmpty())
            return UsageError(line.error());
        FileAccess files;
        StandardOutput output;
        try {
            ListLevel(files, line.files()[0], [&output](const QString& text) {
                if (!output.ok())
                    throw output.failure();
                output.text() << text << '\n';
            });
        } catch (const Failure& failure) {
            return Unusable(failure);
        }
        return output.finish(ExitDone);
    }
    const CommandLine line(command.only({QLatin1String("--json"), QLatin1String("--stat")}), arguments,
                           QLatin1String(command.name), command.files);
    if (!line.error().isEmpty())
        return UsageError(line.error());
    const bool json = line.isSet("--json");
    const bool stat = line.isSet("--stat");
    if (json && stat)
        return UsageError(
            Text(Msg::CliNotBoth)
                .arg(QLatin1String(command.name), QLatin1String("--json"), QLatin1String("--stat")));
    FileAccess files;
    std::vector<LevelChange> changes;
    try {
        changes = DiffLevels(files, line.files()[0], line.files()[1]);
    } catch (const Failure& failure) {
        return Unusable(failure);
    }
    StandardOutput output;
    QTextStream& out = output.text();
    if (json)
        WriteJson(out, changes);
    else if (stat)
        WriteStat(out, changes);
    else
        for (const LevelChange& change : changes)
            out << change.line() << '\n';
    return output.finish(changes.empty() ? ExitDone : ExitProblems);
}

} // namespace tavrin::cli
