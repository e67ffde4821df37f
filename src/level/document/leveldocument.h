#pragma once

#include "level/core/task.h"
#include "level/document/levelsave.h"
#include "level/document/module1.h"
#include "level/document/renumbering.h"
#include "level/document/walker.h"
#include "level/storage/knownfile.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QUndoStack>

#include <functional>
#include <memory>

namespace tavrin {

class ScreensStage;

// The level as the user edits it. The document owns the level state (Module1: the file name, the
// properties, the screen on display, the scratch files that hold the other screens) and the steps that can
// be undone, and it is the only way to change them: the windows read the state through state() and ask
// the document for every change. Each change is announced by a signal, so that the windows showing the
// level redraw when it changes and only then.
//
// An edit of a tile or of the side links is a step of its screen. Undoing or redoing it brings that
// screen on display first; a screen that cannot be read whole leaves everything as it was, the step
// included, and the failure says why.
class LevelDocument : public QObject {
    Q_OBJECT
public:
    // A fresh screen 0 of a level without a file, as the editor starts with it.
    explicit LevelDocument(QString programFolder = QString(), QObject* parent = nullptr);
    ~LevelDocument() override;

    const Module1& state() const { return m_level; }
    const QUndoStack& undoStack() const { return m_stack; }

    // --- The editor's run --------------------------------------------------------------------------------
    // The start of the editor: the scratch folder is chosen and a fresh screen 0 is on display.
    void start();
    // The end of the editor: the scratch files it wrote and its session file go.
    void end();
    std::optional<SessionState> recoverableSession() const;
    void discardSession(const SessionState& session);
    // A damaged session is neither recovered nor deleted: its files are moved into a folder of their own.
    QString setAsideSession(const SessionState& session);
    // Loads the level `session` left with its edited screens; it counts as modified until it is saved. A
    // failure is thrown once the level is on display as far as it could be recovered.
    void recoverSession(const SessionState& session);
    // Writes the session file: the level file, whether there are unsaved edits, the scratch files.
    void keepSession(bool unsaved);
    // The screen on display goes to its scratch file, so that a crash cannot take its edits.
    void keepScreenOnDisplay();
    // Every file goes through `files`; tests hand in one that injects faults.
    void setFiles(FileAccess* files);
    // Reading the level file through its index, or (off) by reading the whole file each time.
    void setUseIndex(bool useIndex);

    // --- Level files -------------------------------------------------------------------------------------
    // The level-load sequence: all or nothing. Nothing is left to undo afterwards.
    void loadLevel(const QString& path, const QString& callerName);
    // An empty level without a file. Nothing is left to undo afterwards.
    void newLevel();
    // A level file named that does not exist yet: the level on display is saved there.
    void nameNewLevelFile(const QString& path);
    // Starts a Save Level into `path`; the level on display stays as it is while it runs. Once it has
    // finished, levelSavedAs() makes the file the level's own.
    std::unique_ptr<LevelSave> beginSave(const QString& path);
    void levelSavedAs(const QString& path);
    // A whole Save Level at once: beginSave, every screen, levelSavedAs. A notice names screens copied
    // through unread.
    std::optional<Failure> saveLevel(const QString& path);
    // The level's file as it was when the level was last loaded from it or saved to it. Another program
    // may change it since (a checkout of another branch writes a new file under its name): levelFileChange
    // gives the file as it is then, until the level is loaded or saved again, or that file is accepted as
    // known.
    const QString& levelFile() const { return m_levelFile.path(); }
    std::optional<FileStamp> levelFileChange() const { return m_levelFile.change(); }
    void acceptLevelFile(const FileStamp& onDisk) { m_levelFile.accept(onDisk); }

    // --- Screens and the walk ------------------------------------------------------------------------------
    // Go To Screen with the text of a box. A number below 0 names no screen: nothing changes, and the
    // answer says why; a text that is no screen number at all is thrown.
    std::optional<QString> goToScreen(const QString& text);
    // Throws, having changed nothing, for a number below 0.
    void changeScreen(Integer screen);
    // One key press of the walk: the marker moves, is taken off the grid, or passes through an exit into
    // the linked screen, which is then on display.
    WalkStep walk(int keyCode);
    Screen readScreen(Integer screen, std::optional<Failure>* trouble = nullptr) const {
        return m_level.ReadScreen(screen, trouble);
    }
    SideLinks readSideLinks(Integer screen) const { return m_level.ReadSideLinks(screen); }

    // --- Edits ---------------------------------------------------------------------------------------------
    TileState tile(int index) const { return m_level.TileOnDisplay(index); }
    SideLinks links() const { return m_level.LinksOnDisplay(); }
    // Tile `index` of the screen on display becomes `state`, as one step; nothing when it is already so.
    void editTile(int index, const TileState& state);
    // The tile edits from beginStroke() to endStroke() are one step, named `name`, of the screen on display
    // (a drag across tiles, a fill); a stroke that changed nothing leaves no step.
    void beginStroke(const QString& name);
    void endStroke();
    // Tile(0), below the grid, keeps what is painted on it; it is no tile of the level and no step.
    void paintBlankTile(const TileState& state);
    // The side links of the screen on display, as one step.
    void editLinks(const SideLinks& links);
    // The level properties, as one step.
    void editProperties(const PropertyValues& properties);
    // Edits of several screens at once, as one step named `name`: whole tiles, single direction
    // properties (applied after the tiles), side links, the level properties and its last screen. The screen
    // on display stays on display; the others are read as changing to them would show them and go to their
    // scratch files. Throws, having changed nothing, when a screen it touches cannot be read whole; leaves no
    // step when nothing changes.
    struct LevelEdit {
        struct Tile {
            int screen;
            int index;
            TileState state;
        };
        struct Direction {
            int screen;
            int index;
            int side;
            Integer value;
            bool keepExit = false; // an exit there stays as it is
        };
        struct Links {
            int screen;
            SideLinks links;
        };
        std::vector<Tile> tiles;
        std::vector<Direction> directions;
        std::vector<Links> links;
        std::optional<Integer> lastScreen;
        // The level properties, all but the last screen, which lastScreen sets.
        std::optional<PropertyValues> properties;
    };
    void editLevel(const QString& name, const LevelEdit& edit);
    // The same as a task to run: nothing changes before its last piece. Throws at once for a screen
    // numbered outside the level's numbers.
    std::unique_ptr<Task> editLevelTask(const QString& name, LevelEdit edit);
    // Deletes, moves or swaps screens as one step (see ScreenRenumbering): every screen takes its new
    // number, and every side link to a screen that moved follows it; a link to a deleted screen becomes
    // -1. The screen on display keeps showing, under its new number (after a delete of it, the screen that
    // took its number). `goOn` is told the progress, screen by screen; when it answers false the work is
    // given up with nothing changed, and so is it when a screen cannot be read whole (thrown). False when
    // given up or when there is nothing to do.
    bool renumberScreens(const ScreenRenumbering& renumbering,
                         const std::function<bool(int done, int total)>& goOn = {});
    // The same as a task to run; a finished one when there is nothing to do.
    std::unique_ptr<Task> renumberScreensTask(const ScreenRenumbering& renumbering);
    // A new last screen with the tiles and side links of screen `screen`, as one step; its number. The
    // screen on display stays. Throws when the level has no room for another screen.
    int duplicateScreen(int screen);
    std::unique_ptr<Task> duplicateScreenTask(int screen, int* number);
    // A screen as a new screen starts: the brush colour, no picture, every step free, every operand 1, and
    // side link k leading to screen k.
    Screen blankScreen() const;
    // How many side links of the level lead to screen `screen`, and on how many screens. `goOn` is told
    // the progress; none when it answers false.
    std::optional<std::pair<int, int>>
    linksTo(int screen, const std::function<bool(int done, int total)>& goOn = {}) const;
    // The same as a task that tells `counted` the links and the screens at its end.
    std::unique_ptr<Task> linksToTask(int screen, std::function<void(int links, int screens)> counted) const;
    // Screen `screen` as a value: the one on display, or as Save Level would write it; throws when it cannot
    // be read whole: the failure says that step `step` was not `done` ("made", "undone").
    Screen screenValue(int screen, const QString& step = QString(), const char* done = "made") const;
    // The brush: its colour (which a blank screen takes) and its picture reference.
    void setBrushColour(Long colour);
    void setBrushPicture(const QString& reference);
    // Copies a picture file into the level's Pics folder; the reference of the copy. For a level whose Pics
    // folder is the program's (a level without a file), the document remembers the picture, to carry it
    // into the level's own Pics folder once the level is saved beside one.
    QString importPicture(const QString& path);
    // A picture imported into the program's Pics folder for this level, and where it goes now that the
    // level has a Pics folder of its own (`copy.copyTarget`, and whether another file stands there).
    struct PictureToCarry {
        QString source;
        PictureChoice copy;
    };
    // None while the level's Pics folder is the program's. A level loaded or a new level has none.
    std::vector<PictureToCarry> picturesToCarry() const;
    // The picture is copied (replacing the file there) or, `copy` false, left where it is; either way it is
    // carried no more. A copy that fails is thrown, and the picture is still to carry at the next save.
    void carryPicture(const PictureToCarry& picture, bool copy);

    // --- Undo ----------------------------------------------------------------------------------------------
    // Throw the failure of bringing the step's screen on display; then nothing has changed.
    void undo();
    void redo();
    // The same as tasks to run: a step of several screens is staged a screen a piece, and the stack moves
    // with the last piece.
    std::unique_ptr<Task> undoTask() { return stepTask(false); }
    std::unique_ptr<Task> redoTask() { return stepTask(true); }
    // The screen the next step to undo (or to redo) belongs to; -1 when there is none or it is level-wide.
    int undoScreen() const;
    int redoScreen() const;

    // An edit of many screens that writes at least `screens` of them, and at least a fifth of the level, is
    // written as a new copy of the level instead of a scratch file for each (see LevelCopyStage); 0: never.
    void setLevelCopyFrom(int screens) { m_levelCopyFrom = screens; }

    bool isModified() const { return m_recovered || !m_stack.isClean(); }
    bool isSaving() const { return m_level.Saving(); }
    // The screens above `lastScreen` edited since the level was loaded and not saved since, in order.
    QList<int> editedScreensAbove(int lastScreen) const;

signals:
    void tileChanged(int screen, int tile);
    void linksChanged(int screen);
    // Tiles or links of `screen`, which is not on display, changed (an edit of several screens); when its
    // links changed, linksChanged(screen) follows.
    void screenEdited(int screen);
    void propertiesChanged();
    // Screens took new numbers: every view of several screens reads them again.
    void screensRenumbered();
    // Another screen is on display, or the one on display was read again.
    void screenShown(int screen);
    // Another level was loaded (or the template level, or none): everything may differ.
    void levelReplaced();
    void modifiedChanged(bool modified);
    // The walk marker stands on `tile` of the screen on display; `onGrid` false: it was taken off.
    void walkerMoved(int tile, bool onGrid);

private:
    class Step;
    class TileStep;
    class LinksStep;
    class PropertiesStep;
    class LevelStep;
    class RenumberStep;
    struct Renumbered;

    Module1::ScratchSync scratchSync() const;
    // Where an edit that writes `screens` screens, none above `last`, stages them.
    std::unique_ptr<ScreensStage> stageFor(int screens, Integer last);
    struct ScreenChanges;

    // Puts `screen` on display for a step of it, unless it already is; throws when it cannot be read whole,
    // having changed nothing. `undoing` tells which step the failure names.
    void showScreenOfStep(int screen, bool undoing);
    void storeTile(int screen, int index, const TileState& state);
    void storeLinks(int screen, const SideLinks& links);
    void storeProperties(const PropertyValues& properties);
    // Adds to `task` the pieces that make `changes` (or undo them) on every screen they touch: each is
    // staged a piece at a time, and the last piece puts them all on the disk together with `lastScreen` as
    // the level's last screen, changes memory, tells the windows and calls `then`. A screen that cannot be
    // read whole stops it with nothing changed, the failure naming `step` as not `done`. `changes` lives
    // as long as the task. With `staged`, the changes were staged already as they were worked out, and only
    // the last piece is added.
    struct Staging;
    void stageLevelChanges(Task& task, const std::vector<ScreenChanges>& changes, bool forward,
                           Integer lastScreen, const QString& step, const char* done,
                           std::function<void()> then, std::shared_ptr<Staging> staged = nullptr);
    // Stages screen `screen` as `value`; the screen on display is kept for memory as well.
    void stageValue(Staging& staging, int screen, Screen value);
    const Step& stepAt(int index) const;
    // Undoes (`forward` false) or redoes the next step of the stack.
    std::unique_ptr<Task> stepTask(bool forward);
    // Adds to `task` the pieces that renumber the screens forward (as `renumbered` asks) or back; see
    // renumberScreens. `renumbered` lives as long as the task.
    void renumberTask(Task& task, Renumbered& renumbered, bool forward, const char* done,
                      std::function<void()> then);
    // editLevelTask on `edit`, which `kept` keeps (none: the caller keeps it until the task is gone).
    std::unique_ptr<Task> editLevelTask(const QString& name, const LevelEdit& edit,
                                        std::shared_ptr<const LevelEdit> kept);
    void edited(int screen);
    void levelLoaded();
    void levelSaved();

    Module1 m_level;
    QUndoStack m_stack;
    int m_stroke = 0; // the stroke being made (none: 0), numbered from 1
    int m_strokes = 0;
    QString m_strokeName;
    QSet<int> m_editedScreens;
    bool m_recovered = false;
    QStringList m_picturesToCarry; // their references
    KnownFile m_levelFile;
    int m_levelCopyFrom = 256;
};

} // namespace tavrin
