#pragma once

#include "level/storage/session.h"

#include <QDateTime>
#include <QString>
#include <optional>

namespace tavrin {

class FileAccess;
class ScratchFiles;
struct PropertyValues;

// The editor's session: the folder its scratch files go to, chosen at the start and claimed for this
// editor alone; the session file there, which names them with the level they belong to; and what editors
// no longer running left behind: unsaved work to recover, damaged sessions and stray scratch files to set
// aside. It reads `files` and `programFolder` at every call, and names the scratch files `scratch` holds.
class EditorSession {
public:
    EditorSession(FileAccess* const& files, const QString& programFolder, ScratchFiles& scratch)
        : m_files(files), m_programFolder(programFolder), m_scratch(scratch) {}
    EditorSession(const EditorSession&) = delete;
    EditorSession& operator=(const EditorSession&) = delete;

    // Where the scratch files go: the program folder, or chosenFolder() when it is set.
    QString scratchFolder() const;
    const QString& chosenFolder() const { return m_chosenFolder; }
    // Keeps the scratch files in the program folder when it can be written, else in a folder of the
    // user's (an editor installed for all users cannot write beside itself), else in a private folder in
    // the system's temporary folder. While another running editor keeps its scratch files there, this one
    // takes a folder of its own under the user's data folder instead.
    void chooseScratchFolder();

    // When the level was last edited; the session file tells it.
    const QDateTime& lastEdit() const { return m_lastEdit; }
    // The level was edited just now.
    void edited() { m_lastEdit = QDateTime::currentDateTime(); }
    // Writes the session file: the level file, whether there are unsaved edits, the level properties (the
    // last screen as `properties` gives it), the scratch files. Scratch files that the system was left to
    // write later are put on the disk first when the session names unsaved work.
    void write(bool unsaved, const QString& levelFile, const PropertyValues& properties);
    // Unsaved work that an editor no longer running left: in this editor's scratch folder, else in a
    // folder of another editor's under the user's data folder.
    std::optional<SessionState> recoverable() const;
    // The start of recovering `session`: this editor takes over its folder, where its files stay, and the
    // time of its last edit. The level and its scratch files are the level's to take.
    void takeOver(const SessionState& session);
    // Deletes the scratch files and the session file that `session` names.
    void discard(const SessionState& session);
    // Moves the session file of `session` and the scratch files it names into a folder "Set aside <time>"
    // beside them, which it returns: a damaged session is neither recovered nor deleted.
    QString setAside(const SessionState& session);
    // Moves the files of the scratch folder that look like scratch files but that no session offers for
    // recovery into a folder "Set aside <time>": no run reads them as screens, and nothing is deleted.
    void setAsideLeftovers();
    // The editor ends: the session file goes; a folder of its own goes too when nothing is left in it.
    void end();

private:
    void choosePreferredFolder();
    void removeLeftoverStages() const;

    FileAccess* const& m_files;
    const QString& m_programFolder;
    ScratchFiles& m_scratch;
    QString m_chosenFolder; // empty: the program folder
    QDateTime m_lastEdit;
    Session m_session;
    std::optional<SessionState> m_writtenSession; // what the session file holds, as this editor wrote it
    QString m_ownSessionFolder; // a folder made for this editor alone, removed at the end when empty
    QString m_privateFolder; // the user's private scratch folder when in use, removed at the end when empty
};

} // namespace tavrin
