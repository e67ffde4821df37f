#pragma once

#include "level/storage/fileaccess.h"
#include "level/tools/levelmerge.h"

#include <QString>
#include <vector>

namespace tavrin {

// The conflicts a merge left in a level are kept beside it, for the editor's Resolve Conflicts window: the
// file LEVEL.conflicts.json beside the level file LEVEL (docs/merge-conflicts.md describes it).
QString ConflictsFileOf(const QString& levelPath);

// Writes `conflicts` of the level `level` (as the file names it) to `path` through `files`, whole or not
// at all; throws the failure of writing it.
void WriteConflictsFile(FileAccess& files, const QString& path, const QString& level,
                        const std::vector<MergeConflict>& conflicts);

// The conflicts of a conflicts file, each with its lines' texts as the merge printed them. A file that
// cannot be read or is not laid out as WriteConflictsFile writes it is a failure naming it.
std::vector<MergeConflict> ReadConflictsFile(FileAccess& files, const QString& path);

} // namespace tavrin
