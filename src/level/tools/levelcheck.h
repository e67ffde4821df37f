#pragma once

#include "level/core/task.h"
#include "level/document/module1.h"
#include "level/tools/levelproblem.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tavrin {

struct LevelCheckSettings {
    // The Pics folders a picture file is looked for in, in order. A reference that reaches outside the
    // first folder is an error whatever the others hold.
    QStringList picturesFolders;
};

// Every problem of the level file `path`, in the order of the file (problems without a line last).
// Failure 53 for a missing file, 321 for a file that holds no level record at all.
std::vector<LevelProblem> CheckLevelFile(FileAccess& files, const QString& path,
                                         const LevelCheckSettings& settings);

// Every problem of the level being edited in `level`: its properties as they are in memory, the screen on
// display and the screens with scratch files as they are there, the other screens from its level file.
std::vector<LevelProblem> CheckEditedLevel(const Module1& level, const LevelCheckSettings& settings);
// The same as a task: the level file is read aside, the screens with scratch files a piece each, and
// `done` is told the problems at the end.
std::unique_ptr<Task> CheckEditedLevelTask(const Module1& level, const LevelCheckSettings& settings,
                                           std::function<void(std::vector<LevelProblem>)> done);

// True for a problem that leaves the file's level unsure: a record that cannot be read as the level's, or
// no level properties (the file may have been cut short). Such a file is no ground for a merge.
bool LeavesLevelUnsure(const LevelProblem& problem);

} // namespace tavrin
