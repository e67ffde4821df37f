// Unsaved changes: the caption that shows them, the question before they would be dropped, New Level, the
// recent levels, and the level file's commands as the window hands them to its LevelFileController.
#include "mainwindow/form1.h"

#include "level/storage/commandline.h"
#include "level/tools/levelproblem.h"

#include "mainwindow/centring.h"

#include "level/core/messages.h"
#include "level/document/module1.h"
#include "mainwindow/messagebox.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMenu>
#include <QSettings>

namespace tavrin {

namespace {
const QString RecentKey = QStringLiteral("recentLevels");
constexpr int RecentCount = 8;
} // namespace

void Form1::showCaption() {
    QString caption = QStringLiteral("TavrinEditor");
    if (!m_captionPath.isEmpty())
        caption += QStringLiteral(" (") + m_captionPath + u')';
    if (m_document.isModified())
        caption += u'*';
    setWindowTitle(caption);
}

bool Form1::mayDropChanges() {
    if (!m_document.isModified())
        return true;
    const QString file = m_levelFile->ownLevelFile();
    const QString text = file.isEmpty() ? Text(Msg::UnsavedNewLevel)
                                        : Text(Msg::UnsavedLevel).arg(QDir::toNativeSeparators(file));
    enum { Save, Discard, Cancel };
    const int answer = Ask({Text(Msg::UnsavedChangesTitle),
                            text,
                            {Text(Msg::ButtonSave), Text(Msg::ButtonDiscard), Text(Msg::ButtonCancel)},
                            Save,
                            Cancel});
    if (answer == Save)
        return m_levelFile->saveLevel();
    return answer == Discard;
}

bool Form1::recoverUnsavedWork() {
    const std::optional<SessionState> session = m_document.recoverableSession();
    if (!session)
        return false;
    if (session->damaged) {
        const QString aside = m_document.setAsideSession(*session);
        Ask({Text(Msg::RecoverTitle),
             Text(Msg::SessionDamaged)
                 .arg(QDir::toNativeSeparators(QDir(session->folder).filePath(Session::FileName)),
                      QDir::toNativeSeparators(aside.isEmpty() ? session->folder : aside)),
             {QStringLiteral("OK")}});
        return false;
    }
    const QString when = session->lastEdit.isValid()
                             ? QLocale().toString(session->lastEdit.toLocalTime(), QLocale::ShortFormat)
                             : Text(Msg::UnknownTime);
    const QString text =
        session->levelFile.isEmpty()
            ? Text(Msg::RecoverNewLevel).arg(when)
            : Text(Msg::RecoverLevel).arg(QDir::toNativeSeparators(session->levelFile), when);
    enum { Recover, Discard };
    const int answer = Ask({Text(Msg::RecoverTitle),
                            text,
                            {Text(Msg::ButtonRecover), Text(Msg::ButtonDiscard)},
                            Recover,
                            Discard});
    if (answer != Recover) {
        m_document.discardSession(*session);
        return false;
    }
    try {
        m_document.recoverSession(*session);
    } catch (const Failure& failure) {
        ShowFailure(failure, QStringLiteral("Form1_Load"));
    }
    m_captionPath = m_levelFile->ownLevelFile();
    showCaption();
    return true;
}

void Form1::mnuNew_Click() {
    if (!mayDropChanges())
        return;
    try {
        m_document.newLevel();
    } catch (const Failure& failure) {
        ShowFailure(failure, QStringLiteral("mnuNew_Click"));
    }
    m_captionPath.clear();
    showCaption();
}

QStringList Form1::RecentLevels() const {
    return OpenSettings(SettingsFile)->value(RecentKey).toStringList();
}

void Form1::rememberLevel(const QString& path) {
    const QString file = QFileInfo(path).absoluteFilePath();
    QStringList recent = RecentLevels();
    recent.removeAll(file);
    recent.prepend(file);
    while (recent.size() > RecentCount)
        recent.removeLast();
    OpenSettings(SettingsFile)->setValue(RecentKey, recent);
}

// A file that is gone stays in the list, shown disabled: it may come back (a drive plugged in again).
void Form1::fillRecentMenu() {
    mnuRecent->clear();
    const QStringList recent = RecentLevels();
    for (int i = 0; i < recent.size(); ++i) {
        const QString path = recent[i];
        QAction* item =
            mnuRecent->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(path)));
        item->setEnabled(QFileInfo(path).isFile());
        connect(item, &QAction::triggered, this, [this, path] { OpenRecentLevel(path); });
    }
    if (recent.isEmpty())
        mnuRecent->addAction(QStringLiteral("(none)"))->setEnabled(false);
}

void Form1::OpenRecentLevel(const QString& path) {
    if (!mayDropChanges())
        return;
    try {
        m_levelFile->loadLevel(path, QStringLiteral("mnuRecent_Click"), true);
    } catch (const Failure& failure) {
        ShowFailure(failure, QStringLiteral("mnuRecent_Click"));
    }
}

// --- The level file's commands --------------------------------------------------------------------------

void Form1::mnuLoad_Click() {
    m_levelFile->loadChosenLevel();
}

void Form1::MnuPLtemp_Click() {
    m_levelFile->loadTemplateLevel();
}

void Form1::mnuSave_Click() {
    m_levelFile->saveLevel();
}

void Form1::LoadCommandLineLevel() {
    m_levelFile->loadCommandLineLevel(
        CommandLineLevelPath(JoinCommandLine(CommandLineArguments), StartFolder));
}

void Form1::levelFileNamed(const QString& path, bool remember) {
    m_captionPath = path;
    if (remember)
        rememberLevel(path);
    showCaption();
}

void Form1::levelSaved() {
    refreshPictureFolders();
    carryImportedPictures(QStringLiteral("mnuSave_Click"));
}

void Form1::showPlace(int screen, int tile) {
    LevelProblem problem;
    if (screen >= 0)
        problem.screen = screen;
    if (tile > 0)
        problem.tile = tile;
    showProblemPlace(problem);
}

} // namespace tavrin
