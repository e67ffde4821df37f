// The level file commands of the main window: Load Level, Save Level, Pelmar Level and the level
// named on the command line.
#include "form1.h"

#include "commandline.h"
#include "failure.h"
#include "loaddialog.h"
#include "module1.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressDialog>

namespace tavrin {

namespace {
QString captionWithPath(const QString& path) {
    return QStringLiteral("TavrinEditor (") + path + u')';
}
} // namespace

// A level is loaded whole or not at all: the caption names the file only once it is the level on display.
void Form1::loadLevel(const QString& path, const QString& callerName, bool showPath) {
    m_module.LoadLevelSequence(path, callerName);
    m_document.levelLoaded();
    if (showPath)
        setWindowTitle(captionWithPath(path));
    m_module.CheckPicturesFolder();
}

void Form1::LoadCommandLineLevel() {
    const QString path = CommandLineLevelPath(JoinCommandLine(CommandLineArguments), StartFolder);
    if (path.isEmpty())
        return;
    try {
        loadLevel(path, QStringLiteral("Form_Load"), true);
    } catch (const Failure& failure) {
        ShowFailure(failure, QStringLiteral("Form1_Load"));
    }
}

void Form1::mnuLoad_Click() {
    try {
        Dialog->DialogTitle = QStringLiteral("Load Level");
        Dialog->ShowOpen();
        loadLevel(Dialog->FileName, QStringLiteral("mnuLoad_Click"), true);
    } catch (const Failure& failure) {
        if (failure.code() != ErrCancel)
            ShowFailure(failure, QStringLiteral("mnuLoad_Click"));
    }
}

void Form1::MnuPLtemp_Click() {
    const QString path = m_module.TemplateLevelFileName();
    try {
        // Without its file the command changes nothing, not even the scratch files.
        if (!QFileInfo(path).isFile())
            throw Failure(ErrFileNotFound, QStringLiteral("File not found: the template level %1 is missing.")
                                               .arg(QDir::toNativeSeparators(path)));
        loadLevel(path, QStringLiteral("MnuPLtemp"), false);
    } catch (const Failure& failure) {
        ShowFailure(failure, QStringLiteral("MnuPLtemp"));
    }
}

void Form1::mnuSave_Click() {
    try {
        m_module.CheckSavable();
        Dialog->DialogTitle = QStringLiteral("Save Level");
        ScreenToGoTo->setText(QStringLiteral("0"));
        m_module.SaveScreenTmp();
        Dialog->ShowSave();
        // A save that had to copy damaged screens through unread still saved the level; it says which.
        const std::optional<Failure> notice = saveLevelWithProgress(Dialog->FileName);
        m_document.levelSaved();
        if (notice)
            ShowFailure(*notice, QStringLiteral("mnuSave_Click"));
    } catch (const Failure& failure) {
        if (failure.code() != ErrCancel)
            ShowFailure(failure, QStringLiteral("mnuSave_Click"));
    }
}

std::optional<Failure> Form1::saveLevelWithProgress(const QString& path) {
    const int screens = m_module.LevelLastScreen + 1;
    QProgressDialog progress(QStringLiteral("Saving %1").arg(QFileInfo(path).fileName()),
                             QStringLiteral("Cancel"), 0, screens, this);
    progress.setObjectName(QStringLiteral("SaveProgress"));
    progress.setWindowTitle(QStringLiteral("Save Level"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    QElapsedTimer sinceRepaint;
    sinceRepaint.start();
    return m_module.SaveLevel(path, [&](int screen) {
        ScreenToGoTo->setText(QString::number(screen));
        // The window is repainted and the dialog updated a few times a second, not for every screen.
        if (sinceRepaint.elapsed() < 40 && screen < screens)
            return;
        sinceRepaint.restart();
        progress.setLabelText(QStringLiteral("Saving screen %1 of %2").arg(screen).arg(screens));
        progress.setValue(screen);
        QCoreApplication::processEvents();
        if (progress.wasCanceled())
            throw Failure(ErrCancel);
    });
}

} // namespace tavrin
