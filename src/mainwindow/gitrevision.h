#pragma once

#include <QString>

namespace tavrin {

// Whether the file `path` stands in a git work tree (git asked in its folder); false without git.
bool InGitWorkTree(const QString& path);

// Writes the file `path` as the git revision `revision` (HEAD, a branch, a commit) holds it into the file
// `target` (git show REVISION:PATH). A revision git does not know, or a file it does not hold, is a
// failure in git's own words; `target` may then hold anything.
void WriteGitRevision(const QString& path, const QString& revision, const QString& target);

} // namespace tavrin
