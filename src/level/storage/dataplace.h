#pragma once

#include <QString>

namespace tavrin {

// Where the template level (PelmarLevel.txt) and the sample pictures (Pics) are for a program in
// `programFolder`: that folder itself when the template is there (a build, or a copy unpacked anywhere),
// else the data folder of an installed program, found from the program's own place, whatever folders
// the install put them in. A program installed in bin/ finds them in share/tavrin-editor/.
QString ProgramDataFolder(const QString& programFolder);

// The data folder of a program installed in `programFolder`, whether or not it is there.
QString InstalledDataFolder(const QString& programFolder);

} // namespace tavrin
