// tavrin-level: level files without a window.
#include "levelinfo.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

using namespace tavrin;

namespace {

const char* const Usage = "Usage: tavrin-level COMMAND LEVEL [OPTIONS]\n"
                          "\n"
                          "Commands:\n"
                          "  info LEVEL [--json]   the level's properties, screens, pictures and size\n"
                          "\n"
                          "Options:\n"
                          "  --help                this text\n"
                          "  --version             the program's version\n";

// Exit codes: 0 done, 1 problems found, 2 the command could not be carried out.
constexpr int ExitDone = 0;
constexpr int ExitUnusable = 2;

int usageError(const QString& what) {
    QTextStream(stderr) << "tavrin-level: " << what << "\n\n" << Usage;
    return ExitUnusable;
}

int info(const QString& path, bool json) {
    FileAccess files;
    LevelInfo level;
    try {
        level = ReadLevelInfo(files, path);
    } catch (const Failure& failure) {
        QTextStream(stderr) << "tavrin-level: " << path << ": " << failure.description() << '\n';
        return ExitUnusable;
    }
    const PropertyValues& p = level.properties;
    QTextStream out(stdout);
    if (json) {
        QJsonObject pictures;
        for (auto it = level.pictureUses.cbegin(); it != level.pictureUses.cend(); ++it)
            pictures.insert(it.key(), double(it.value()));
        const QJsonObject object{
            {"name", p.name},           {"author", p.author},
            {"dateMade", p.dateMade},   {"lastScreen", p.lastScreen},
            {"startTile", p.startTile}, {"screensWithRecords", int(level.screensWithRecords.size())},
            {"pictures", pictures},     {"fileSize", double(level.fileSize)}};
        out << QJsonDocument(object).toJson();
        return ExitDone;
    }
    out << "Name: " << p.name << '\n'
        << "Author: " << p.author << '\n'
        << "Date made: " << p.dateMade << '\n'
        << "Last screen: " << p.lastScreen << '\n'
        << "Start tile: " << p.startTile << '\n'
        << "Screens with records: " << level.screensWithRecords.size() << '\n'
        << "File size: " << level.fileSize << " bytes\n"
        << "Pictures:" << (level.pictureUses.isEmpty() ? " none\n" : "\n");
    for (auto it = level.pictureUses.cbegin(); it != level.pictureUses.cend(); ++it)
        out << "  " << it.key() << ": " << it.value() << (it.value() == 1 ? " tile\n" : " tiles\n");
    return ExitDone;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.1"));
    QStringList arguments = app.arguments().mid(1);
    if (arguments.contains(QLatin1String("--help"))) {
        QTextStream(stdout) << Usage;
        return ExitDone;
    }
    if (arguments.contains(QLatin1String("--version"))) {
        QTextStream(stdout) << "tavrin-level " << QCoreApplication::applicationVersion() << '\n';
        return ExitDone;
    }
    if (arguments.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const QString command = arguments.takeFirst();
    const bool json = arguments.removeAll(QStringLiteral("--json")) > 0;
    for (const QString& argument : std::as_const(arguments))
        if (argument.startsWith(QLatin1String("--")))
            return usageError(QStringLiteral("unknown option %1").arg(argument));
    if (command == QLatin1String("info")) {
        if (arguments.size() != 1)
            return usageError(QStringLiteral("info takes one level file"));
        return info(arguments.first(), json);
    }
    return usageError(QStringLiteral("unknown command %1").arg(command));
}
