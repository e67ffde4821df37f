#include "level/storage/dataplace.h"

#include <QDir>
#include <QFileInfo>

// The build says where the data folder stands from the installed programs' folder.
#ifndef TAVRIN_DATA_FROM_PROGRAM
#define TAVRIN_DATA_FROM_PROGRAM "../share/tavrin-editor"
#endif

namespace tavrin {

QString InstalledDataFolder(const QString& programFolder) {
    return QDir::cleanPath(QDir(programFolder).filePath(QStringLiteral(TAVRIN_DATA_FROM_PROGRAM)));
}

QString ProgramDataFolder(const QString& programFolder) {
    if (QFileInfo::exists(QDir(programFolder).filePath(QStringLiteral("PelmarLevel.txt"))))
        return programFolder;
    const QString installed = InstalledDataFolder(programFolder);
    return QFileInfo::exists(QDir(installed).filePath(QStringLiteral("PelmarLevel.txt"))) ? installed
                                                                                          : programFolder;
}

} // namespace tavrin
