#include "level/storage/commandline.h"

#include <QDir>

namespace tavrin {

QString JoinCommandLine(const QStringList& arguments) {
    return arguments.join(u' ');
}

QString CommandLineLevelPath(const QString& commandLine, const QString& startFolder) {
    if (commandLine.mid(1, 2) == QLatin1String(":\\") || commandLine.startsWith(u'/'))
        return commandLine;
    if (commandLine.trimmed().isEmpty() || commandLine.startsWith(u'"'))
        return QString();
    return QDir::cleanPath(QDir(startFolder).filePath(commandLine));
}

} // namespace tavrin
