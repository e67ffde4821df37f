// tavrin-level check
#include "cli/commands.h"
#include "level/core/messages.h"
#include "level/tools/levelcheck.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace tavrin::cli {

namespace {

QJsonValue orNull(const std::optional<qint64>& value) {
    return value ? QJsonValue(double(*value)) : QJsonValue();
}

QJsonObject toJson(const LevelProblem& problem) {
    return QJsonObject{{"severity", problem.isError() ? QStringLiteral("error") : QStringLiteral("warning")},
                       {"code", problem.code},
                       {"screen", orNull(problem.screen)},
                       {"tile", problem.tile ? QJsonValue(*problem.tile) : QJsonValue()},
                       {"direction", problem.direction ? QJsonValue(problem.directionName()) : QJsonValue()},
                       {"line", problem.line > 0 ? QJsonValue(double(problem.line)) : QJsonValue()},
                       {"message", problem.message}};
}

} // namespace

int Check(const CliCommand& command, QStringList arguments) {
    const CommandLine line(command, arguments);
    if (!line.error().isEmpty())
        return UsageError(line.error());
    const bool json = line.isSet("--json");
    const bool strict = line.isSet("--strict");
    const QString pics = line.value("--pics");
    if (!pics.isEmpty() && !QFileInfo(pics).isDir())
        return Unusable(pics, Text(Msg::CliNoPicturesFolder));
    const QString& path = line.files().first();
    LevelCheckSettings settings;
    settings.picturesFolders = pics.isEmpty()
                                   ? LevelPicturesFolders(path, QCoreApplication::applicationDirPath())
                                   : QStringList{pics};
    FileAccess files;
    std::vector<LevelProblem> problems;
    try {
        problems = CheckLevelFile(files, path, settings);
    } catch (const Failure& failure) {
        return Unusable(path, failure);
    }
    StandardOutput output;
    if (json) {
        QTextStream& out = output.text();
        // The array as QJsonDocument writes it, an object at a time: a whole QJsonArray of a million
        // problems would take gigabytes.
        out << "[\n";
        for (size_t i = 0; i < problems.size() && output.ok(); ++i) {
            QByteArray object = QJsonDocument(toJson(problems[i])).toJson();
            object.chop(1);
            out << "    " << object.replace("\n", "\n    ") << (i + 1 < problems.size() ? ",\n" : "\n");
        }
        out << "]\n";
    } else {
        // Written as bytes a megabyte at a time.
        ProblemLineWriter writer(path);
        QByteArray lines;
        for (size_t i = 0; i < problems.size() && output.ok(); ++i) {
            writer.append(problems[i], lines);
            if (lines.size() >= 1024 * 1024) {
                output.write(lines);
                lines.resize(0);
            }
        }
        lines += (path + QStringLiteral(": ") + ProblemSummary(problems) + u'\n').toUtf8();
        output.write(lines);
    }
    const bool failed = std::any_of(problems.begin(), problems.end(),
                                    [strict](const LevelProblem& p) { return strict || p.isError(); });
    return output.finish(failed ? ExitProblems : ExitDone);
}

} // namespace tavrin::cli
