#include "testtools/testcommand.h"

#include "level/core/failure.h"
#include "level/core/messages.h"
#include "widgets/loaddialog.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QUrl>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace tavrin {

const QString TestCommand::PlayerPrefix =
    QStringLiteral("C:\\WINDOWS\\rundll32.exe C:\\WINDOWS\\SYSTEM\\amovie.ocx,RunDll /play /close ");

TestCommand::TestCommand(QObject* parent)
    : QObject(parent), startDetached(&TestCommand::startMinimised),
      openWithDesktop(&TestCommand::openWithDefaultApplication) {}

void TestCommand::Run(QLabel& label, LoadDialog& dialog, const QString& programFolder) {
    // A label starts a new line only at a line feed, so the caption's carriage return is shown as one.
    QString caption = FoldersCaption(programFolder, QDir::currentPath());
    caption.replace(u'\r', u'\n');
    label.setTextFormat(Qt::PlainText);
    label.setText(caption);
    try {
        dialog.ShowOpen();
    } catch (const Failure& failure) {
        if (failure.code() == ErrCancel)
            return;
        throw;
    }
    Play(dialog.FileName);
}

QString TestCommand::CommandLine(const QString& file) {
    return PlayerPrefix + file;
}

QStringList TestCommand::SplitCommandLine(const QString& commandLine) {
    return commandLine.split(u' ', Qt::SkipEmptyParts);
}

QString TestCommand::FolderText(const QString& folder) {
    return QDir::toNativeSeparators(QDir::cleanPath(QDir(folder).absolutePath()));
}

QString TestCommand::FoldersCaption(const QString& programFolder, const QString& currentFolder) {
    return FolderText(programFolder) + u'\r' + FolderText(currentFolder);
}

void TestCommand::Play(const QString& file) {
    QStringList arguments = SplitCommandLine(CommandLine(file));
    const QString program = arguments.takeFirst();
    if (startDetached(program, arguments))
        return;

    const QString shown = QDir::toNativeSeparators(file);
    if (!QFileInfo::exists(file))
        throw Failure(ErrFileNotFound, Text(Msg::CannotPlayMissing).arg(shown));
    if (openWithDesktop(file))
        return;
    throw Failure(ErrFileNotFound, Text(Msg::CannotPlayNoPlayer).arg(shown, program));
}

// The player's window comes up minimised and leaves the focus where it is. Only Windows lets a caller
// ask for that; elsewhere the program starts as it would from a terminal.
bool TestCommand::startMinimised(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProgram(program);
#ifdef Q_OS_WIN
    process.setNativeArguments(arguments.join(u' '));
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments* call) {
        call->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        call->startupInfo->wShowWindow = SW_SHOWMINNOACTIVE;
    });
#else
    process.setArguments(arguments);
#endif
    return process.startDetached();
}

bool TestCommand::openWithDefaultApplication(const QString& file) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()));
}

} // namespace tavrin
