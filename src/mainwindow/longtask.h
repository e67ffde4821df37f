#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace tavrin {

class Task;

// How a long task shows itself: the text of its progress dialog, given the piece done and all pieces, and
// what else the window shows as it goes.
struct LongTaskLook {
    QString title = QStringLiteral("TavrinEditor");
    std::function<QString(int done, int total)> text;
    QString objectName = QStringLiteral("LongTaskProgress");
    std::function<void(int done, int total)> shown;
};

// The one way the editor runs a long task: a slice of pieces at a time between turns of the event loop,
// so that the windows stay drawn. A progress dialog shows once the task has run half a second; until the
// task ends, user input reaches that dialog alone, and the editor's own timed work (the autosave, the
// look at the level file on disk) waits (see InputOnlyTo::active). Cancel gives the task up, which changes
// nothing (every task makes its change in its last piece): false is returned. What a piece throws is
// thrown here, the task given up. A task done within its first slice shows nothing and keeps no loop.
bool RunLongTask(QWidget* parent, Task& task, const LongTaskLook& look = {});

} // namespace tavrin
