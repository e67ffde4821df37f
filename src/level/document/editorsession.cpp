// The editor's session: where the scratch files go (the scratch folder, claimed for this editor alone), and
// what a crash leaves behind: the session file, recovery, files set aside.

#include "level/document/editorsession.h"

#include "level/document/module1.h"
#include "level/document/scratchfiles.h"
#include "level/storage/fileaccess.h"
#include "level/storage/setaside.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrin {

QString EditorSession::scratchFolder() const {
    return m_chosenFolder.isEmpty() ? m_programFolder : m_chosenFolder;
}

namespace {
QString sessionsRoot() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
        .filePath(QStringLiteral("sessions"));
}

// The folder of this user's alone that every start finds again when neither the program folder nor the
// user's data folder can be written: tavrin-editor in the user's runtime folder, else tavrin-editor-<uid> in
// the system's temporary folder.
QString privateFolderPath() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return QDir(runtime).filePath(QStringLiteral("tavrin-editor"));
    return QDir(QDir::tempPath()).filePath(QStringLiteral("tavrin-editor-%1").arg(::geteuid()));
}

// The private folder, made with mode 0700 when `make` says so, or the one there when it is a folder (not a
// link) of this user's that nobody else may enter: another user could have put files or links in any
// other. Empty when there is none or it is refused.
QString privateFolder(bool make) {
    const QString path = privateFolderPath();
    const QByteArray native = QFile::encodeName(path);
    if (make && ::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat status {};
    if (::lstat(native.constData(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != ::geteuid() || (status.st_mode & 077) != 0)
        return {};
    return path;
}

// The folders under which editors that found their usual folder taken keep their files apart: the user's
// data folder, else the private folder.
QStringList sessionRoots(bool make) {
    QStringList roots{sessionsRoot()};
    const QString own = privateFolder(make);
    if (!own.isEmpty())
        roots << QDir(own).filePath(QStringLiteral("sessions"));
    return roots;
}
} // namespace

void EditorSession::chooseScratchFolder() {
    m_writtenSession.reset();
    m_ownSessionFolder.clear();
    choosePreferredFolder();
    if (!m_session.claim(scratchFolder())) {
        // Another editor is at work in that folder: this one keeps its files apart, in a folder of its own.
        for (const QString& root : sessionRoots(true)) {
            if (!m_ownSessionFolder.isEmpty())
                break;
            QDir().mkpath(root);
            QTemporaryDir own(QDir(root).filePath(QStringLiteral("session-XXXXXX")));
            if (own.isValid() && m_session.claim(own.path())) {
                own.setAutoRemove(false);
                m_chosenFolder = own.path();
                m_ownSessionFolder = own.path();
            }
        }
    }
    setAsideLeftovers();
    if (m_session.folder() == scratchFolder()) {
        removeLeftoverStages();
        RemoveOldSetAsides(scratchFolder());
    }
}

// A renumbering writes its screens into a stage folder of its own in the scratch folder, which no session
// file ever names; one that is there when an editor takes the folder was left by an editor that stopped
// during a renumbering. The screens in it are copies, and they go: files named by a screen number, then
// the folder if nothing else is in it.
void EditorSession::removeLeftoverStages() const {
    const QDir folder(scratchFolder());
    for (const QFileInfo& stage : folder.entryInfoList({QStringLiteral(".tavrin-stage-*")},
                                                       QDir::Dirs | QDir::Hidden | QDir::NoSymLinks)) {
        const QDir staged(stage.filePath());
        for (const QFileInfo& file : staged.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
            bool number = false;
            file.fileName().toInt(&number);
            if (number && !file.isSymLink() && file.isFile())
                m_files->remove(file.filePath());
        }
        folder.rmdir(stage.fileName());
    }
}

void EditorSession::choosePreferredFolder() {
    m_chosenFolder.clear();
    m_privateFolder.clear();
    if (m_files->canWriteIn(m_programFolder))
        return;
    // An installed editor cannot write beside itself: its scratch files go to a folder of the user's.
    const QString own = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (!own.isEmpty() && QDir().mkpath(own) && m_files->canWriteIn(own)) {
        m_chosenFolder = own;
        return;
    }
    // Else to the user's private folder, where the next start looks for what a crash left.
    m_chosenFolder = privateFolder(true);
    if (m_chosenFolder.isEmpty() || !m_files->canWriteIn(m_chosenFolder)) {
        // Refused: a folder made afresh in the system's temporary folder, so that nobody else can have put
        // files or links there first. Nothing a crash leaves there is found again.
        QTemporaryDir temporary(QDir(QDir::tempPath()).filePath(QStringLiteral("tavrin-editor-XXXXXX")));
        m_chosenFolder.clear();
        if (temporary.isValid()) {
            temporary.setAutoRemove(false);
            m_chosenFolder = temporary.path();
        }
    }
    m_privateFolder = m_chosenFolder;
}

// --- Sessions -------------------------------------------------------------------------------------------

void EditorSession::write(bool unsaved, const QString& levelFile, const PropertyValues& properties) {
    if (m_session.folder().isEmpty())
        return;
    SessionState state;
    state.levelFile = levelFile;
    state.unsaved = unsaved;
    state.lastEdit = m_lastEdit;
    state.properties = {properties.name,
                        properties.author,
                        properties.dateMade,
                        properties.description,
                        properties.comments,
                        QString::number(properties.startTile),
                        QString::number(properties.lastScreen)};
    const auto& scratch = m_scratch.byScreen();
    for (auto it = scratch.cbegin(); it != scratch.cend(); ++it)
        state.scratchFiles.insert(it.key(), it->path);
    if (const auto& copy = m_scratch.levelCopy())
        state.levelCopy = copy->path;
    // A session that names unsaved work names scratch files that are on the disk.
    if (unsaved && m_scratch.unsynced())
        m_scratch.sync();
    // Each write waits for the disk; a change of screen that left the session as it was writes nothing.
    if (m_writtenSession && m_writtenSession->sameContent(state))
        return;
    m_session.write(*m_files, state);
    m_writtenSession = state;
}

namespace {
// A scratch file is a regular file: a link in its place is none.
bool isRegularFile(const QString& path) {
    return RegularFileIdentity(path).has_value();
}

// A session to tell the user of: one whose files hold unsaved work, or one that is damaged.
bool worthTelling(const std::optional<SessionState>& session) {
    if (!session)
        return false;
    if (session->damaged)
        return true;
    if (!session->unsaved)
        return false;
    for (const QString& scratch : session->scratchFiles)
        if (isRegularFile(scratch))
            return true;
    return !session->levelCopy.isEmpty() && isRegularFile(session->levelCopy);
}

// The files a session names: its scratch files and its level copy.
QStringList namedFiles(const SessionState& session) {
    QStringList files = session.scratchFiles.values();
    if (!session.levelCopy.isEmpty())
        files << session.levelCopy;
    return files;
}
} // namespace

void EditorSession::setAsideLeftovers() {
    // The files that the folder's session offers for recovery stay for the question.
    const std::optional<SessionState> session = Session::read(scratchFolder());
    QSet<QString> offered;
    if (worthTelling(session))
        for (const QString& scratch : namedFiles(*session))
            offered.insert(QFileInfo(scratch).fileName());
    const QDir folder(scratchFolder());
    QStringList leftovers;
    for (const QString& name : folder.entryList(QDir::Files | QDir::System | QDir::Hidden))
        if ((ScreenOfScratchName(name) || IsLevelCopyName(name)) && !offered.contains(name) &&
            isRegularFile(folder.filePath(name)))
            leftovers << folder.filePath(name);
    SetAside(scratchFolder(), leftovers);
}

QString EditorSession::setAside(const SessionState& session) {
    QStringList files;
    for (const QString& scratch : namedFiles(session))
        if (isRegularFile(scratch))
            files << scratch;
    const QString sessionFile = QDir(session.folder).filePath(Session::FileName);
    if (isRegularFile(sessionFile))
        files << sessionFile;
    m_writtenSession.reset();
    return SetAside(session.folder, files);
}

std::optional<SessionState> EditorSession::recoverable() const {
    std::optional<SessionState> session = Session::read(scratchFolder());
    if (worthTelling(session))
        return session;
    for (const QString& root : sessionRoots(false)) {
        const QDir folders(root);
        for (const QString& name : folders.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Time)) {
            const QString folder = folders.filePath(name);
            Session probe; // a folder whose editor still runs cannot be claimed
            if (folder == scratchFolder() || QFileInfo(folder).isSymLink() || !probe.claim(folder))
                continue;
            session = Session::read(folder);
            if (worthTelling(session))
                return session;
        }
    }
    return std::nullopt;
}

void EditorSession::takeOver(const SessionState& session) {
    // The files stay where they are; this editor takes over their folder.
    m_writtenSession.reset();
    if (session.folder != scratchFolder() && m_session.claim(session.folder)) {
        if (!m_ownSessionFolder.isEmpty())
            QDir().rmdir(m_ownSessionFolder);
        m_chosenFolder = session.folder;
        m_ownSessionFolder = session.folder;
    }
    m_lastEdit = session.lastEdit;
}

void EditorSession::discard(const SessionState& session) {
    for (const QString& scratch : namedFiles(session))
        if (isRegularFile(scratch))
            m_files->remove(scratch);
    m_files->remove(QDir(session.folder).filePath(Session::FileName));
    m_writtenSession.reset();
    if (session.folder != scratchFolder() &&
        QDir(session.folder).dirName().startsWith(QStringLiteral("session-"))) {
        m_files->remove(QDir(session.folder).filePath(QStringLiteral("TavrinEditor.lock")));
        QDir().rmdir(session.folder);
    }
}

void EditorSession::end() {
    m_session.removeFile(*m_files);
    m_session.release();
    m_writtenSession.reset();
    if (!m_ownSessionFolder.isEmpty())
        QDir().rmdir(m_ownSessionFolder);
    // The private folder and the folder of its sessions go when nothing is left in them.
    const QString own = privateFolder(false);
    if (!own.isEmpty()) {
        QDir().rmdir(QDir(own).filePath(QStringLiteral("sessions")));
        QDir().rmdir(own);
    }
    if (!m_privateFolder.isEmpty())
        QDir().rmdir(m_privateFolder);
}

} // namespace tavrin
