#include "commandline.h"

namespace tavrin {

QString JoinCommandLine(const QStringList& arguments) {
    return arguments.join(u' ');
}

QString CommandLineLevelPath(const QString& commandLine) {
    if (commandLine.mid(1, 2) == QLatin1String(":\\") || commandLine.startsWith(u'/'))
        return commandLine;
    return QString();
}

} // namespace tavrin
