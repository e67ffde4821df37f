#pragma once

#include "level/storage/knownfile.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>

class QFileSystemWatcher;

namespace tavrin {

class LevelDocument;

// Notices when another program replaces or writes the level's file (a checkout of another branch writes a
// new file under the old name) and asks whether to load it again. The system tells of changes to the file
// and to its folder; a look every few seconds finds what it does not tell (a network file system, say). A
// change is asked about once the file has stayed as it is for a moment, once per change, and never while
// a dialog or a long task such as a save is running: the question waits for its end.
class DiskWatch : public QObject {
    Q_OBJECT
public:
    // `reload` loads the level's file again, as Load Level does.
    DiskWatch(LevelDocument& document, std::function<void(const QString&)> reload, QObject* parent = nullptr);

    // How often the file is looked at besides the system's notices, and how long a change must stay as it
    // is before it is asked about, in ms.
    void setIntervals(int lookEvery, int settle);
    // Looks at the level's file now.
    void check();
    // Save Level is about to write `path`: when that is the level's file and another program changed it,
    // asks whether to replace it. False: it is to be left alone.
    bool maySaveOver(const QString& path);

private:
    // Watches the level's file and its folder; the system stops watching a file that was replaced.
    void follow();
    bool busy() const;
    void ask(const FileStamp& onDisk);

    LevelDocument& m_document;
    std::function<void(const QString&)> m_reload;
    QFileSystemWatcher* m_watcher;
    QTimer m_look;
    QTimer m_settle;
    std::optional<FileStamp> m_seen; // the change the last look found
    std::optional<FileStamp> m_told; // the change last asked about
    bool m_asking = false;
};

} // namespace tavrin
