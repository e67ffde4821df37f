#pragma once

#include "level/core/failure.h"
#include "level/document/leveldocument.h"
#include "mainwindow/windowview.h"

#include <QObject>
#include <QPointer>
#include <memory>
#include <optional>

class QLineEdit;

namespace tavrin {

class CompareWindow;
class DiskWatch;
class LoadDialog;
class SessionKeeper;

// A file not there yet in the user's level folder, proposed for saving a level that has no file of its own.
QString NewLevelFile(const QString& programFolder);

// What the level file's commands ask of the main window besides a controller's needs.
class LevelFileView : public virtual WindowView {
public:
    // The file dialog every command shares.
    virtual LoadDialog& fileDialog() = 0;
    // Before a command sets the level on display aside: asks whether to save unsaved changes. True when
    // the command may go on.
    virtual bool mayDropChanges() = 0;
    // The level on display is the one of file `path` (empty: a level with no file of its own); with
    // `remember`, the recent levels name it first.
    virtual void levelFileNamed(const QString& path, bool remember) = 0;
    // After a save: the pictures folders are the level's, and the pictures imported before it go there.
    virtual void levelSaved() = 0;
    // Screen `screen` on display and, unless `tile` is 0, its tile in the tile property window.
    virtual void showPlace(int screen, int tile) = 0;

protected:
    ~LevelFileView() = default;
};

// The level file commands: Load Level, Save Level, Pelmar Level, a level of the recent list or the
// command line, the level's file loaded again after another program changed it, and Compare With.
class LevelFileController : public QObject {
    Q_OBJECT
public:
    // `screenCount` is the box the save counts its screens in; `session` keeps what a crash would leave.
    LevelFileController(LevelDocument& document, LevelFileView& view, QLineEdit* screenCount,
                        SessionKeeper& session);
    ~LevelFileController() override;

    // Load Level, Pelmar Level and Save Level as their menu items run them.
    void loadChosenLevel();
    void loadTemplateLevel();
    // Save Level: true when the level was written.
    bool saveLevel();
    // A level is loaded whole or not at all; a failure is thrown.
    void loadLevel(const QString& path, const QString& callerName, bool showPath);
    // The level named on the command line (`path`, empty for none).
    void loadCommandLineLevel(const QString& path);
    // The file the level on display is saved to; empty for a new level and for the template level, which a
    // new level starts from.
    QString ownLevelFile() const;
    // File, Compare With...: what differs between the level as it is edited and a level file the user
    // chooses, listed in a window of its own; a double click on a change shows its screen and tile.
    void compareWith();

private:
    // The file the Load and Save dialogs propose: the level's own, else Level.txt in the program folder.
    QString proposedLevelFile() const;
    // Asks about edited screens above the last screen; false when the user cancels the save.
    bool includeScreensBeyondLast();
    // Writes the level to `path`, counting the screens in the box, with a progress dialog once the save
    // takes a while.
    std::optional<Failure> saveLevelWithProgress(const QString& path);
    // Adds to `task` the pieces of a save into `path`; its last piece tells `notice` what the save noticed.
    std::shared_ptr<LevelSave> addSave(Task& task, const QString& path, std::optional<Failure>* notice);
    // The level's file, changed on disk, loaded again as Load Level loads it.
    void reloadLevel(const QString& path);
    // The level file compared with as `revision` holds it (git show), in `folder`; empty when cancelled.
    QString levelOfRevision(const QString& folder);

    LevelDocument& m_document;
    const Module1& m_level;
    LevelFileView& m_view;
    QLineEdit* m_screenCount;
    SessionKeeper& m_session;
    DiskWatch* m_diskWatch = nullptr;
    QPointer<CompareWindow> m_compare;
};

} // namespace tavrin
