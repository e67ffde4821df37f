#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QLabel;

namespace tavrin {

class LoadDialog;

// The Test command of the main window: shows the program folder and the current folder, lets the user
// pick a file with the shared file dialog and plays it with the system's media player.
//
// The player's command line is fixed and names a Windows player. Where it cannot be started the chosen
// file is opened with the desktop's own application for it instead; where that fails too the command
// reports it. Both ways of starting something are replaceable, so tests start nothing.
class TestCommand : public QObject {
public:
    // The player and its arguments, up to the file name. It ends in one blank.
    static const QString PlayerPrefix;

    explicit TestCommand(QObject* parent = nullptr);

    // Starts `program` with `arguments` as a process of its own, without a shell, without waiting for it;
    // false when it could not be started.
    std::function<bool(const QString& program, const QStringList& arguments)> startDetached;
    // Opens `file` with the desktop's default application for it; false when that could not be done.
    std::function<bool(const QString& file)> openWithDesktop;

    // The whole command: the folders go to `label` on two lines, then `dialog` is opened as it stands and the
    // file it gives is played. A cancel ends the command quietly; a file that can be played in no way is a
    // failure.
    void Run(QLabel& label, LoadDialog& dialog, const QString& programFolder);

    // The command line that plays `file`: the prefix and the file name as it is, without quotes.
    static QString CommandLine(const QString& file);
    // The program and its arguments, split at blanks as the system splits an unquoted command line.
    static QStringList SplitCommandLine(const QString& commandLine);
    // A folder as the label shows it: absolute, native separators, no trailing separator but at a root.
    static QString FolderText(const QString& folder);
    // The program folder, a carriage return, the current folder.
    static QString FoldersCaption(const QString& programFolder, const QString& currentFolder);

    // Plays `file`: through the player's command line, else with the desktop's application.
    void Play(const QString& file);

private:
    static bool startMinimised(const QString& program, const QStringList& arguments);
    static bool openWithDefaultApplication(const QString& file);
};

} // namespace tavrin
