// tavrin-level info
#include "cli/commands.h"
#include "level/tools/levelinfo.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace tavrin::cli {

int Info(const CliCommand& command, QStringList arguments) {
    const CommandLine line(command, arguments);
    if (!line.error().isEmpty())
        return UsageError(line.error());
    const bool json = line.isSet("--json");
    const QString& path = line.files().first();
    FileAccess files;
    LevelInfo level;
    try {
        level = ReadLevelInfo(files, path);
    } catch (const Failure& failure) {
        return Unusable(path, failure);
    }
    const PropertyValues& p = level.properties;
    StandardOutput output;
    QTextStream& out = output.text();
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
        return output.finish(ExitDone);
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
    return output.finish(ExitDone);
}

} // namespace tavrin::cli
