#pragma once

#include <QString>
#include <QStringList>

namespace tavrin {

// Files the editor neither reads nor deletes (scratch files no session offers, a damaged session file and
// the files it names) go into a folder "Set aside <time>" beside them. Each crash after a large edit can
// leave one as large as the level, so only the newest few are kept.

// Moves `files` of `folder` into a new folder "Set aside <time>" in it, each under its own name; what cannot
// be moved stays where it is. Nothing is deleted. The folder made, if any.
QString SetAside(const QString& folder, const QStringList& files);

// How many folders of files set aside a scratch folder keeps.
constexpr int SetAsideFoldersKept = 3;

// Removes the folders of files set aside in `folder` but the newest `keep`, as their names date them. Only
// folders named exactly as SetAside names them go, and only when they hold nothing but regular files of the
// names it puts there (scratch files and the session file); any other folder, and any folder holding
// anything else, is left as it is.
void RemoveOldSetAsides(const QString& folder, int keep = SetAsideFoldersKept);

} // namespace tavrin
