#pragma once

#include "level/storage/fileaccess.h"

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QLockFile;

namespace tavrin {

// What the session file beside the scratch files tells: the level file they belong to (empty for a level
// without one), whether they hold edits that are not saved, when the last edit was, and which scratch
// file holds which screen.
struct SessionState {
    QString folder; // where the session file stands; not written into it
    QString levelFile;
    bool unsaved = false;
    QDateTime lastEdit;
    QMap<int, QString> scratchFiles;
    // The level as the last edit of many screens left it, written whole beside the scratch files: the
    // screens without a scratch file are read from it instead of the level file. Empty when there is none.
    QString levelCopy;
    // The level properties as they were: name, author, date made, description, comments, start tile, last
    // screen. Empty when the session file has none.
    QStringList properties;
    // Something in the file is not as this editor writes it: a name that is not one of its scratch files,
    // a screen outside 0..32767, text that is no session at all. Such a file orders nothing: its files are
    // neither recovered nor deleted.
    bool damaged = false;

    bool sameContent(const SessionState& other) const {
        return levelFile == other.levelFile && unsaved == other.unsaved && lastEdit == other.lastEdit &&
               scratchFiles == other.scratchFiles && levelCopy == other.levelCopy &&
               properties == other.properties;
    }
};

// The screen whose scratch file may be named `name`: Screen<n>.tmp or Screen<n>~<k>.tmp, n a screen
// number 0..32767 and k a number from 1 on, each written as the editor writes numbers; nothing for any
// other name.
std::optional<int> ScreenOfScratchName(const QString& name);
// True for a name a level copy may have: Level~<k>.tmp, k a number from 1 on.
bool IsLevelCopyName(const QString& name);

// One editor's claim on a scratch folder: a lock file that a running editor holds (an editor that ended
// in any way, a crash or a power cut included, holds it no more), and the session file.
class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    static const QString FileName;

    // Takes `folder` for this editor; false when another running editor holds it.
    bool claim(const QString& folder);
    void release();
    QString folder() const { return m_folder; }

    // The session file of `folder`, when there is one: a regular file, never a link, a pipe or a device.
    // What it names is taken only when it is one of the folder's own scratch files for that screen;
    // anything else marks the state damaged.
    static std::optional<SessionState> read(const QString& folder);
    // Writes the session file of the claimed folder whole or not at all.
    void write(FileAccess& files, const SessionState& state) const;
    void removeFile(FileAccess& files) const;

private:
    std::unique_ptr<QLockFile> m_lock;
    QString m_folder;
};

} // namespace tavrin
