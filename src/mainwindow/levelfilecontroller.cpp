// The level file commands of the main window: Load Level, Save Level, Pelmar Level, the level named on
// the command line, and Compare With.
#include "mainwindow/levelfilecontroller.h"

#include "level/tools/levelcheck.h"
#include "level/tools/leveldiff.h"
#include "mainwindow/comparewindow.h"
#include "mainwindow/diskwatch.h"
#include "mainwindow/gitrevision.h"
#include "mainwindow/sessionkeeper.h"

#include "mainwindow/longtask.h"

#include "level/core/failure.h"
#include "level/core/messages.h"
#include "level/document/module1.h"
#include "mainwindow/messagebox.h"
#include "mainwindow/resolveconflicts.h"
#include "widgets/loaddialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace tavrin {

namespace {
const QStringList LevelFilters = {QStringLiteral("Level files (*.txt)"), QStringLiteral("All files (*)")};
} // namespace

LevelFileController::LevelFileController(LevelDocument& document, LevelFileView& view, QLineEdit* screenCount,
                                         SessionKeeper& session)
    : m_document(document), m_level(document.state()), m_view(view), m_screenCount(screenCount),
      m_session(session) {
    // Another program may change the level's file (a checkout of another branch): the user is asked. The
    // watch belongs to the window, and goes with the controller whose reload it calls.
    m_diskWatch = new DiskWatch(
        m_document, [this](const QString& path) { reloadLevel(path); }, m_view.dialogParent());
}

LevelFileController::~LevelFileController() {
    delete m_diskWatch;
}

// A level is loaded whole or not at all: the caption names the file only once it is the level on display.
// A level loaded without its path shown (the template) is a new level that has no file of its own yet.
void LevelFileController::loadLevel(const QString& path, const QString& callerName, bool showPath) {
    m_document.loadLevel(path, callerName);
    m_view.levelFileNamed(showPath ? path : QString(), showPath);
    m_view.confirm(QStringLiteral("Loaded %1").arg(QFileInfo(path).fileName()));
    m_level.Pictures().checkFolder();
    // A merge that stopped on conflicts left them beside the level.
    if (showPath)
        if (auto* resolve = ResolveConflicts::openFor(m_view.dialogParent(), m_document, path))
            connect(resolve, &ResolveConflicts::placeChosen, this,
                    [this](int screen, int tile) { m_view.showPlace(screen, tile); });
}

void LevelFileController::loadCommandLineLevel(const QString& path) {
    if (path.isEmpty())
        return;
    try {
        loadLevel(path, QStringLiteral("Form_Load"), true);
    } catch (const Failure& failure) {
        ShowFailure(failure, QStringLiteral("Form1_Load"));
        // A level file that is not there yet is a new level, to be saved under that name.
        if (failure.code() == ErrFileNotFound && !QFileInfo::exists(path) && QFileInfo(path).dir().exists()) {
            m_document.nameNewLevelFile(path);
            m_view.levelFileNamed(path, false);
        }
    }
}

void LevelFileController::loadChosenLevel() {
    LoadDialog& dialog = m_view.fileDialog();
    if (!m_view.mayDropChanges())
        return;
    try {
        dialog.DialogTitle = QStringLiteral("Load Level");
        dialog.Filters = LevelFilters;
        dialog.FileName = proposedLevelFile();
        dialog.ShowOpen();
        loadLevel(dialog.FileName, QStringLiteral("mnuLoad_Click"), true);
    } catch (const Failure& failure) {
        if (failure.code() != ErrCancel)
            ShowFailure(failure, QStringLiteral("mnuLoad_Click"));
    }
}

void LevelFileController::loadTemplateLevel() {
    if (!m_view.mayDropChanges())
        return;
    const QString path = m_level.TemplateLevelFileName();
    try {
        // Without its file the command changes nothing, not even the scratch files.
        if (!QFileInfo(path).isFile())
            throw Failure(ErrFileNotFound, Text(Msg::TemplateMissing).arg(QDir::toNativeSeparators(path)));
        loadLevel(path, QStringLiteral("MnuPLtemp"), false);
    } catch (const Failure& failure) {
        ShowFailure(failure, QStringLiteral("MnuPLtemp"));
    }
}

void LevelFileController::reloadLevel(const QString& path) {
    try {
        loadLevel(path, QStringLiteral("mnuLoad_Click"), !ownLevelFile().isEmpty());
    } catch (const Failure& failure) {
        ShowFailure(failure, QStringLiteral("mnuLoad_Click"));
    }
}

bool LevelFileController::saveLevel() {
    LoadDialog& dialog = m_view.fileDialog();
    try {
        m_level.CheckSavable();
        if (!includeScreensBeyondLast())
            return false;
        dialog.DialogTitle = QStringLiteral("Save Level");
        dialog.Filters = LevelFilters;
        dialog.FileName = proposedLevelFile();
        // The box counts the screens while the save runs and then holds what the user typed again.
        const auto keepBox =
            qScopeGuard([this, typed = m_screenCount->text()] { m_screenCount->setText(typed); });
        m_screenCount->setText(QStringLiteral("0"));
        // A scratch folder that is full or gone does not stop the save: the screen is taken from memory.
        m_session.keepScreenNow();
        dialog.ShowSave();
        const QString path = dialog.FileName;
        if (!m_diskWatch->maySaveOver(path))
            return false;
        // A save that had to copy damaged screens through unread still saved the level; it says which.
        const std::optional<Failure> notice = saveLevelWithProgress(path);
        // The file written holds every screen: from now on it is the level's file.
        m_document.levelSavedAs(path);
        m_view.levelFileNamed(path, true);
        m_view.levelSaved();
        const int screens = m_level.LevelLastScreen() + 1;
        m_view.confirm(QStringLiteral("Saved %1 (%2 %3)")
                           .arg(QFileInfo(path).fileName())
                           .arg(screens)
                           .arg(screens == 1 ? QStringLiteral("screen") : QStringLiteral("screens")));
        if (notice)
            ShowFailure(*notice, QStringLiteral("mnuSave_Click"));
        return true;
    } catch (const Failure& failure) {
        if (failure.code() != ErrCancel)
            ShowFailure(failure, QStringLiteral("mnuSave_Click"));
    }
    return false;
}

// The template level is where a new level starts from, never where it is saved: like a level without a
// file, it is proposed a new file.
QString LevelFileController::proposedLevelFile() const {
    const QString file = ownLevelFile();
    return file.isEmpty() ? QDir::toNativeSeparators(NewLevelFile(m_level.ProgramFolder())) : file;
}

QString LevelFileController::ownLevelFile() const {
    const QString& file = m_level.LevelFileName();
    return file.isEmpty() || QFileInfo(file) == QFileInfo(m_level.TemplateLevelFileName()) ? QString() : file;
}

// A file that does not exist yet in the user's level folder: the program's folder when it can be written
// (the editor kept in a folder of its own), else the user's documents.
QString NewLevelFile(const QString& programFolder) {
    QString folder = programFolder;
    if (!QFileInfo(folder).isWritable()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty() || !QFileInfo(folder).isDir())
            folder = QDir::homePath();
    }
    const QDir dir(folder);
    QString name = QStringLiteral("Level.txt");
    for (int n = 2; QFileInfo::exists(dir.filePath(name)); ++n)
        name = QStringLiteral("Level%1.txt").arg(n);
    return dir.filePath(name);
}

// Screens above the last screen are not saved; edited ones are not left out without asking.
bool LevelFileController::includeScreensBeyondLast() {
    const QList<int> beyond = m_document.editedScreensAbove(m_level.LevelLastScreen());
    if (beyond.isEmpty())
        return true;
    QStringList numbers;
    for (const int screen : beyond)
        numbers << QString::number(screen);
    enum { Raise, Without, Cancel };
    const int answer =
        Ask({Text(Msg::BeyondLastTitle),
             Text(beyond.size() == 1 ? Msg::BeyondLastOne : Msg::BeyondLastMany)
                 .arg(numbers.join(QStringLiteral(", ")))
                 .arg(m_level.LevelLastScreen())
                 .arg(beyond.last()),
             {Text(Msg::ButtonRaiseAndSave), Text(Msg::ButtonSaveWithout), Text(Msg::ButtonCancel)},
             Raise,
             Cancel});
    if (answer == Raise) {
        PropertyValues raised = m_level.Properties();
        raised.lastScreen = static_cast<Integer>(beyond.last());
        m_document.editProperties(raised);
    }
    return answer != Cancel;
}

// The save is a long task of a screen a piece: until it ends, no input reaches any window but its progress
// dialog, so nothing the user does can change the level while it is written; Cancel leaves the file as it
// was.
std::optional<Failure> LevelFileController::saveLevelWithProgress(const QString& path) {
    std::optional<Failure> notice;
    Task task;
    std::shared_ptr<LevelSave> save = addSave(task, path, &notice);
    LongTaskLook look;
    look.title = QStringLiteral("Save Level");
    look.objectName = QStringLiteral("SaveProgress");
    look.text = [save](int, int) {
        return QStringLiteral("Saving screen %1 of %2").arg(save->nextScreen()).arg(save->screens());
    };
    look.shown = [this, save](int, int) { m_screenCount->setText(QString::number(save->nextScreen())); };
    if (!RunLongTask(m_view.dialogParent(), task, look))
        throw Failure(ErrCancel);
    return notice;
}

std::shared_ptr<LevelSave> LevelFileController::addSave(Task& task, const QString& path,
                                                        std::optional<Failure>* notice) {
    std::shared_ptr<LevelSave> save = m_document.beginSave(path);
    task.then(
        save->screens(),
        [save](int) {
            if (!save->screensWritten())
                save->writeScreen();
        },
        [save, notice] {
            while (!save->screensWritten())
                save->writeScreen();
            *notice = save->finish();
        });
    return save;
}

// The level as it is edited is written to a file of its own first, as Save Level would write it, so that
// edits not saved yet count; the level's own file stays as it is.
void LevelFileController::compareWith() {
    LoadDialog& dialog = m_view.fileDialog();
    const QString place = QStringLiteral("mnuCompare_Click");
    try {
        QTemporaryDir folder;
        if (!folder.isValid())
            throw Failure(ErrPathAccess, folder.errorString());
        // A level in a git work tree may be compared with a revision of its file as well.
        QString other = levelOfRevision(folder.path());
        QString shownAs = other.isEmpty() ? QString() : QFileInfo(other).fileName();
        if (other.isEmpty()) {
            dialog.DialogTitle = QStringLiteral("Compare With");
            dialog.Filters = LevelFilters;
            dialog.FileName = proposedLevelFile();
            dialog.ShowOpen();
            other = dialog.FileName;
        }
        const QString edited = folder.filePath(QStringLiteral("edited.txt"));
        Task task;
        std::optional<Failure> notice;
        addSave(task, edited, &notice);
        // The two files are compared on a thread of their own: they are no file the windows read.
        std::vector<LevelChange> changes;
        task.thenAside([&changes, edited, other] {
            FileAccess files;
            changes = DiffLevels(files, edited, other);
        });
        LongTaskLook look;
        look.title = QStringLiteral("Compare With");
        look.text = [](int done, int total) {
            return done < total - 1 ? QStringLiteral("Writing the level as it is edited...")
                                    : QStringLiteral("Comparing the levels...");
        };
        if (!RunLongTask(m_view.dialogParent(), task, look))
            return;
        if (!m_compare) {
            m_compare = new CompareWindow(m_view.dialogParent());
            connect(&m_document, &LevelDocument::screensRenumbered, m_compare,
                    &CompareWindow::levelRenumbered);
            connect(&m_document, &LevelDocument::levelReplaced, m_compare, &CompareWindow::levelRenumbered);
            connect(m_compare, &CompareWindow::placeChosen, this,
                    [this](int screen, int tile) { m_view.showPlace(screen, tile); });
        }
        m_compare->showChanges(changes, other, shownAs);
        m_compare->show();
        m_compare->raise();
        m_compare->activateWindow();
    } catch (const Failure& failure) {
        if (failure.code() != ErrCancel)
            ShowFailure(failure, place);
    }
}

// Asks whether to compare with a level file or a git revision, when the level's file stands in a git work
// tree; for a revision, asks which, and writes the file as it holds it into `folder`. Empty for a level
// file; a cancel or a revision git cannot show is thrown (ErrCancel for the cancel).
QString LevelFileController::levelOfRevision(const QString& folder) {
    const QString file = ownLevelFile();
    if (!InGitWorkTree(file))
        return QString();
    enum { LevelFile, Revision, Cancel };
    const QString name = QFileInfo(file).fileName();
    const int answer =
        Ask({QStringLiteral("Compare With"),
             Text(Msg::CompareWithWhat).arg(name),
             {Text(Msg::ButtonLevelFile), Text(Msg::ButtonGitRevision), Text(Msg::ButtonCancel)},
             LevelFile,
             Cancel});
    if (answer == LevelFile)
        return QString();
    const std::optional<QString> revision =
        answer == Cancel ? std::nullopt
                         : AskText({QStringLiteral("Compare With"), Text(Msg::GitRevisionQuestion).arg(name),
                                    QStringLiteral("HEAD")});
    if (!revision || revision->trimmed().isEmpty())
        throw Failure(ErrCancel);
    // The file is named after the revision, as the window shows it.
    QString shown = revision->trimmed();
    const QString target =
        QDir(folder).filePath(QStringLiteral("%1 at %2").arg(name, shown.replace(u'/', u'-')));
    WriteGitRevision(file, revision->trimmed(), target);
    return target;
}

} // namespace tavrin
