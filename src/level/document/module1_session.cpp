// Module1: where the scratch files go (the scratch folder, claimed for this editor alone), and what a crash
// leaves behind: the session file, recovery, files set aside.

#include "level/document/module1.h"

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

QString Module1::scratchFolder() const {
    return ScratchFolder.isEmpty() ? ProgramFolder : ScratchFolder;
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

void Module1::ChooseScratchFolder() {
    m_writtenSession.reset();
    m_ownSessionFolder.clear();
    choosePreferredScratchFolder();
    if (!m_session.claim(scratchFolder())) {
        // Another editor is at work in that folder: this one keeps its files apart, in a folder of its own.
        for (const QString& root : sessionRoots(true)) {
            if (!m_ownSessionFolder.isEmpty())
                break;
            QDir().mkpath(root);
            QTemporaryDir own(QDir(root).filePath(QStringLiteral("session-XXXXXX")));
            if (own.isValid() && m_session.claim(own.path())) {
                own.setAutoRemove(false);
                ScratchFolder = own.path();
                m_ownSessionFolder = own.path();
            }
        }
    }
    SetAsideLeftovers();
    if (m_session.folder() == scratchFolder()) {
        removeLeftoverStages();
        RemoveOldSetAsides(scratchFolder());
    }
}

// A renumbering writes its screens into a stage folder of its own in the scratch folder, which no session
// file ever names; one that is there when an editor takes the folder was left by an editor that stopped
// during a renumbering. The screens in it are copies, and they go: files named by a screen number, then
// the folder if nothing else is in it.
void Module1::removeLeftoverStages() const {
    const QDir folder(scratchFolder());
    for (const QFileInfo& stage : folder.entryInfoList({QStringLiteral(".tavrin-stage-*")},
                                                       QDir::Dirs | QDir::Hidden | QDir::NoSymLinks)) {
        const QDir staged(stage.filePath());
        for (const QFileInfo& file : staged.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
            bool number = false;
            file.fileName().toInt(&number);
            if (number && !file.isSymLink() && file.isFile())
                Files->remove(file.filePath());
        }
        folder.rmdir(stage.fileName());
    }
}

void Module1::choosePreferredScratchFolder() {
    ScratchFolder.clear();
    m_privateFolder.clear();
    if (Files->canWriteIn(ProgramFolder))
        return;
    // An installed editor cannot write beside itself: its scratch files go to a folder of the user's.
    const QString own = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (!own.isEmpty() && QDir().mkpath(own) && Files->canWriteIn(own)) {
        ScratchFolder = own;
        return;
    }
    // Else to the user's private folder, where the next start looks for what a crash left.
    ScratchFolder = privateFolder(true);
    if (ScratchFolder.isEmpty() || !Files->canWriteIn(ScratchFolder)) {
        // Refused: a folder made afresh in the system's temporary folder, so that nobody else can have put
        // files or links there first. Nothing a crash leaves there is found again.
        QTemporaryDir temporary(QDir(QDir::tempPath()).filePath(QStringLiteral("tavrin-editor-XXXXXX")));
        ScratchFolder.clear();
        if (temporary.isValid()) {
            temporary.setAutoRemove(false);
            ScratchFolder = temporary.path();
        }
    }
    m_privateFolder = ScratchFolder;
}

// --- Sessions -------------------------------------------------------------------------------------------

void Module1::writeSession(bool unsaved, Integer lastScreen) {
    if (m_session.folder().isEmpty())
        return;
    SessionState state;
    state.levelFile = LevelFileName;
    state.unsaved = unsaved;
    state.lastEdit = LastEdit;
    state.properties = {LevelName,
                        LevelAuthor,
                        LevelDateMade,
                        LevelDescription,
                        LevelComments,
                        QString::number(LevelStartTile),
                        QString::number(lastScreen)};
    const auto& scratch = m_scratch.byScreen();
    for (auto it = scratch.cbegin(); it != scratch.cend(); ++it)
        state.scratchFiles.insert(it.key(), it->path);
    // A session that names unsaved work names scratch files that are on the disk.
    if (unsaved && m_scratch.unsynced())
        SyncScratchFiles();
    // Each write waits for the disk; a change of screen that left the session as it was writes nothing.
    if (m_writtenSession && m_writtenSession->sameContent(state))
        return;
    m_session.write(*Files, state);
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
    return false;
}
} // namespace

void Module1::SetAsideLeftovers() {
    // The files that the folder's session offers for recovery stay for the question.
    const std::optional<SessionState> session = Session::read(scratchFolder());
    QSet<QString> offered;
    if (worthTelling(session))
        for (const QString& scratch : session->scratchFiles)
            offered.insert(QFileInfo(scratch).fileName());
    const QDir folder(scratchFolder());
    QStringList leftovers;
    for (const QString& name : folder.entryList(QDir::Files | QDir::System | QDir::Hidden))
        if (ScreenOfScratchName(name) && !offered.contains(name) && isRegularFile(folder.filePath(name)))
            leftovers << folder.filePath(name);
    SetAside(scratchFolder(), leftovers);
}

QString Module1::SetAsideSession(const SessionState& session) {
    QStringList files;
    for (const QString& scratch : session.scratchFiles)
        if (isRegularFile(scratch))
            files << scratch;
    const QString sessionFile = QDir(session.folder).filePath(Session::FileName);
    if (isRegularFile(sessionFile))
        files << sessionFile;
    m_writtenSession.reset();
    return SetAside(session.folder, files);
}

std::optional<SessionState> Module1::RecoverableSession() const {
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

void Module1::RecoverSession(const SessionState& session) {
    // The files stay where they are; this editor takes over their folder.
    m_writtenSession.reset();
    if (session.folder != scratchFolder() && m_session.claim(session.folder)) {
        if (!m_ownSessionFolder.isEmpty())
            QDir().rmdir(m_ownSessionFolder);
        ScratchFolder = session.folder;
        m_ownSessionFolder = session.folder;
    }
    LastEdit = session.lastEdit;
    std::optional<Failure> trouble;
    if (!session.levelFile.isEmpty() && Files->exists(session.levelFile)) {
        try {
            LoadLevelSequence(session.levelFile, QStringLiteral("Form_Load"));
        } catch (const Failure& failure) {
            trouble = failure;
        }
    } else if (!session.levelFile.isEmpty()) {
        LevelFileName = session.levelFile;
        LevelFileIsNew = true;
    }
    for (auto it = session.scratchFiles.cbegin(); it != session.scratchFiles.cend(); ++it)
        if (isRegularFile(it.value()))
            m_scratch.take(static_cast<Integer>(it.key()), it.value());
    // The properties as they were edited, when they read as properties.
    if (session.properties.size() == 7) {
        PropertyValues values{session.properties[0], session.properties[1], session.properties[2],
                              session.properties[3], session.properties[4]};
        bool startRead = false;
        bool lastRead = false;
        const int start = session.properties[5].toInt(&startRead);
        const int last = session.properties[6].toInt(&lastRead);
        if (startRead && lastRead && start >= FirstGridTile && start <= LastGridTile && last >= 0 &&
            last <= 32767) {
            values.startTile = static_cast<Integer>(start);
            values.lastScreen = static_cast<Integer>(last);
            SetProperties(values);
        }
    }
    CurrentScreen = 0;
    WalkerTile = LevelStartTile;
    LoadScreen();
    if (trouble)
        throw *trouble;
}

void Module1::DiscardSession(const SessionState& session) {
    for (const QString& scratch : session.scratchFiles)
        if (isRegularFile(scratch))
            Files->remove(scratch);
    Files->remove(QDir(session.folder).filePath(Session::FileName));
    m_writtenSession.reset();
    if (session.folder != scratchFolder() &&
        QDir(session.folder).dirName().startsWith(QStringLiteral("session-"))) {
        Files->remove(QDir(session.folder).filePath(QStringLiteral("TavrinEditor.lock")));
        QDir().rmdir(session.folder);
    }
}

void Module1::EndSession() {
    m_session.removeFile(*Files);
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
