#pragma once

#include <QString>
#include <QStringList>

namespace tavrin {

// The command line as the editor reads it: its arguments joined by single blanks.
QString JoinCommandLine(const QStringList& arguments);

// The level file a command line names: the whole text when it is a drive-letter path ("C:\...") or an
// absolute POSIX path ("/..."); a relative path taken from `startFolder`, the folder the editor was
// started from; an empty text for an empty command line or one in quotation marks.
QString CommandLineLevelPath(const QString& commandLine, const QString& startFolder);

} // namespace tavrin
