#pragma once

#include "level/core/boxes.h"
#include "level/core/failure.h"
#include "level/document/leveldocument.h"
#include "level/tools/tileblock.h"
#include "mainwindow/gridtool.h"
#include "mainwindow/levelfilecontroller.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;
class QTimer;

namespace tavrin {

class CheckLevelWindow;
class DirectionsController;
class LevelFileController;
class ScreenController;
class SelectionController;
class WorldOverviewWindow;
class KeyPreview;
class LoadDialog;
class PicturesWindow;
struct PictureChoice;
class Module1;
class PictureBox;
class Splash;
struct LevelProblem;
enum class LevelFixKind;

// The main window: the 20 x 15 grid of tiles, the special tiles below it, the side links around it, the
// tool column on the right and the menu bar. It draws the level of its document and redraws it when the
// document announces a change; every change it makes goes through the document.
class Form1 : public QMainWindow, private SelectionView, private LevelFileView {
    Q_OBJECT
public:
    explicit Form1(LevelDocument& document, QWidget* parent = nullptr);
    ~Form1() override;

    // --- Control arrays; an index naming no control is failure 340 ------------------------------------
    // 0..300 and 997..999.
    PictureBox* Tile(int index) const;
    // 2..5.
    QLineEdit* SideText(int k) const;
    QPushButton* Command11(int k) const;
    // 0..3.
    QPushButton* MoveCom(int k) const;

    // --- What the boxes show ---------------------------------------------------------------------------
    bool hasBox(int index) const;
    Long backColour(int index) const;
    QImage picture(int index) const;

    // The program's arguments; the level they name is loaded by the load step.
    QStringList CommandLineArguments;
    // The folder the editor was started from: a relative path on the command line is taken from there,
    // before the load step makes the program folder the current folder.
    QString StartFolder;
    // Ends the program at once. Tests put a recorder here so that the test process lives on.
    std::function<void()> quitProgram;
    // The file and colour dialog every command shares; tests put a scripted one here.
    LoadDialog* Dialog;

    // The level being edited and the steps that can be undone.
    LevelDocument& Document() { return m_document; }
    // Whether the walk marker is drawn on the grid: it is taken off when it walks off the edge, and a
    // change of screen other than through an exit leaves it off until the next step.
    bool MarkerOnGrid() const { return m_markerOnGrid; }

    // --- The controllers of the window's commands ----------------------------------------------------
    // The Screen menu: new, duplicated, deleted and moved screens.
    ScreenController& screens() { return *m_screens; }
    // Selecting, the clipboard and the stamp.
    SelectionController& selection() { return *m_selection; }
    // Walls and exits: the grid tool, the wall brush, the exit tool, Block Screen Edges, Check Level's fixes.
    DirectionsController& directions() { return *m_directions; }
    // Load, save, reload and compare the level's file.
    LevelFileController& levelFile() { return *m_levelFile; }

public slots:
    void Form_Load();
    void Form_Unload();
    void Form_KeyDown(int keyCode, int shift);
    void StatusTimer_Timer();

    void mnuLoad_Click();
    void mnuSave_Click();
    void mnuScreenProp_Click();
    void mnuLevelProp_Click();
    void MnuPLtemp_Click();
    void mnuExit_Click();
    void mnuAbout_Click();
    void mnuUndo_Click();
    void mnuRedo_Click();
    void mnuNew_Click();
    void mnuCheckLevel_Click();
    void mnuWorldOverview_Click();
    void mnuPictures_Click();
    void OpenRecentLevel(const QString& path);

    void Tile_Click(int index);
    void Command1_Click();
    void Command11_Click(int k);
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void Command10_Click();
    void UsePropBox_Click();
    void UseColor_Click();
    void UsePicture_Click();
    void UseApplyProp_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Loads the level named on the command line, if there is one.
    void LoadCommandLineLevel();

private:
    // --- Controls; outside the window they are found by their object names ------------------------------
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
    QPushButton* Command5;
    QPushButton* Command6;
    QPushButton* Command7;
    QPushButton* Command8;
    QPushButton* Command9;
    QPushButton* Command10;
    QLineEdit* ScreenToGoTo;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* TimeRunning;
    QCheckBox* UsePropBox;
    QCheckBox* UseColor;
    QCheckBox* UsePicture;
    QCheckBox* UseApplyProp;
    PictureBox* NewColor;
    PictureBox* NewPicture;
    PictureBox* ErrPic;
    QLineEdit* PropUp;
    QLineEdit* PropUpOps;
    QLineEdit* PropLeft;
    QLineEdit* PropLeftOps;
    QLineEdit* PropRight;
    QLineEdit* PropRightOps;
    QLineEdit* PropDown;
    QLineEdit* PropDownOps;
    QTimer* StatusTimer;

    QMenu* mnuFile;
    QAction* mnuLoad;
    QAction* mnuSave;
    QAction* mnuDash4;
    QAction* mnuScreenProp;
    QAction* mnuLevelProp;
    QAction* mnuDash2;
    QAction* MnuPLtemp;
    QAction* mnuDash3;
    QAction* mnuNew;
    QMenu* mnuRecent;
    QAction* mnuDash5;
    QAction* mnuExit;
    QMenu* mnuEdit;
    QAction* mnuUndo;
    QAction* mnuRedo;
    QMenu* mnuLevel;
    QAction* mnuCheckLevel;
    QAction* mnuWorldOverview;
    QAction* mnuPictures;
    QMenu* mnuView;
    QMenu* mnuScale;
    QAction* mnuShortcuts;
    QAction* mnuFileFormat;
    QAction* mnuAbout;

    // Construction of the window, in the order the controls are created.
    void createClientArea();
    void createSideLinks();
    void createGrid();
    void createSpecialTiles();
    void createButtonsBelowGrid();
    void createToolColumn();
    void createPropertyCross();
    void createStatusControls();
    void createMenus();
    void createViewMenu();
    void connectControls();

    QPushButton* addButton(const char* name, const QString& text, const QRect& geometry);
    QLineEdit* addTextBox(const char* name, const QString& text, const QRect& geometry);
    QLabel* addLabel(const char* name, const QString& text, const QRect& geometry);
    QCheckBox* addCheckBox(const char* name, const QString& text, const QRect& geometry);
    PictureBox* addPictureBox(const char* name, const QRect& geometry);
    PictureBox* addTile(int index, const QRect& geometry);
    QAction* addMenuItem(const char* name, const QString& text, const QKeySequence& shortcut);
    QAction* addMenuSeparator(const char* name);

    PictureBox* boxOrFailure(int index) const;
    QString statusLine() const;
    // Label2 shows the walk marker's tile and its directions.
    void showStatus();
    void endProgram();

    // --- Drawing the level (form1_view.cpp) ---------------------------------------------------------------
    // Every tile of the screen on display, the marker and the look under it, the side links.
    void redrawGrid();
    // The same without the side links.
    void redrawTiles();
    // The back colour tile `index` shows.
    Long shownColour(int index) const;
    // One tile of the grid as the level holds it, with the marker when it stands there.
    void redrawTile(int index);
    // Tile(998), the look of the tile under the marker.
    void redrawPreview();
    // Side-link boxes 2..5.
    void showSideLinks();
    // A tile was changed: it, the tiles that show its picture, and the look under the marker.
    void tileChanged(int tile);
    // The walk marker moved to `tile`, or was taken off the grid.
    void walkerMoved(int tile, bool onGrid);
    void showMarker();
    // The picture a reference shows, from the level's values: a text the file in the pictures folders, a
    // number the picture of the box it names (a tile's own picture, the look under the marker for 998).
    QImage referencedPicture(const FieldValue& reference) const override;

    LevelDocument& m_document;
    const Module1& m_level;
    bool m_markerOnGrid = true;
    int m_markerDrawnOn = 0; // the tile the marker was last drawn on
    QWidget* m_clientArea = nullptr;
    std::array<PictureBox*, 301> m_gridTiles{};
    PictureBox* m_builtinTile = nullptr;
    PictureBox* m_previewTile = nullptr;
    PictureBox* m_markerTile = nullptr;
    std::array<QLineEdit*, 4> m_sideTexts{};
    std::array<QPushButton*, 4> m_goButtons{};
    std::array<QPushButton*, 4> m_moveButtons{};
    KeyPreview* m_keyPreview = nullptr;
    QPointer<Splash> m_splash;
    bool m_ending = false;
    std::unique_ptr<LoadDialog> m_ownDialog;
    std::unique_ptr<ScreenController> m_screens;
    std::unique_ptr<SelectionController> m_selection;
    std::unique_ptr<DirectionsController> m_directions;
    std::unique_ptr<LevelFileController> m_levelFile;

    // --- Unsaved changes, recent levels and recovery (form1_session.cpp) ------------------------------
public:
    // Where the window keeps its settings (the recent levels); empty for the user's settings.
    QString SettingsFile;
    // The level files loaded or saved last, newest first, at most eight.
    QStringList RecentLevels() const;

private:
    // Before a command sets the level on display aside: asks whether to save unsaved changes. True when
    // the command may go on (saved, or the user chose to discard them).
    bool mayDropChanges() override;
    // The caption names the level's file and ends with "*" while there are unsaved changes.
    void showCaption();
    // Unsaved work left by an editor that stopped: asks to recover it; true when it was recovered.
    bool recoverUnsavedWork();
    class SessionKeeper* m_session = nullptr;
    void rememberLevel(const QString& path);
    void fillRecentMenu();
    QString m_captionPath;

    // --- What the level file's commands ask of the window (form1_session.cpp) ------------------------------
    LoadDialog& fileDialog() override { return *Dialog; }
    void levelFileNamed(const QString& path, bool remember) override;
    void levelSaved() override;

    // --- Navigation and the walk (form1_navigation.cpp) -------------------------------------------------
    // The change of screen to the number a box holds; every failure but a missing file is shown.
    void goToScreenInBox(const QLineEdit* box);
    // The same change of screen to the number `text` holds; a failure is shown under `place`.
    void goToScreen(const QString& text, const QString& place);
    // Where a problem of the Check Level window is: its screen on display, its tile in the tile property
    // window. A screen no Integer of 0 or more can name is none to go to.
    void showProblemPlace(const LevelProblem& problem);
    // One key through the walk of the marker; a failure is shown and the program goes on.
    void walkMarker(int keyCode);

    // --- Painting and the tile property window (form1_painting.cpp) ------------------------------------
    // Checking one mode box unchecks the other three; unchecking a box changes nothing else.
    void keepOnlyModeChecked(QCheckBox* checked);
    // The tile property window; made hidden, at the top-left corner of the screen, when there is none.
    class TileProp& tilePropWindow();
    // Brings the property window up modelessly as the active window.
    void showTilePropWindow();
    // The steps of DisplayTileProp without its failure handling.
    void fillTileProp(TileProp& window, Integer index);
    // Enter in a direction or operand box of the tile property window: the tile it shows takes the boxes'
    // values, as one step.
    void applyTileProp();
    Integer m_tilePropScreen = -1; // the screen whose tile the window shows
    // Painting with the brush. Each checks everything it needs before it changes anything, and fails with
    // a description that tells the user what to do.
    void paintBrushColour(int index, TileState& tile);
    void paintBrushPicture(int index, TileState& tile);
    void applyBrushProperties(int index, TileState& tile);

    QPointer<TileProp> m_tileProp;
    class PaintGestures* m_gestures = nullptr;

public:
    // What Tile_Click does; false when it met a failure, which it has shown. The grid's gestures paint
    // through it.
    bool paintTile(int index);
    // The brush takes the colour, picture and properties of tile `index`; the tile stays as it is.
    void pickIntoBrush(int index);
    // Fills the tile property window with tile `index` of the current screen, making the window (hidden)
    // when there is none. It never shows the window: an open window follows, a closed one stays closed.
    void DisplayTileProp(Integer index);
    // The property window as it stands, null when there is none.
    TileProp* TilePropWindow() const;

private:
    // --- The Pictures window (form1_pictures.cpp) -------------------------------------------------------
    // The reference a picture file chosen for the brush is given. A file outside the pictures folders is
    // offered for copying into the level's Pics folder; none when the user cancels.
    std::optional<QString> referenceOfChosenPicture(const QString& path);
    // Asks before a copy replaces another picture of the same name in the level's Pics folder.
    bool mayReplacePicture(const PictureChoice& choice, const QString& path);
    // The brush takes a picture reference, as Change Pic gives it.
    void takePictureIntoBrush(const QString& reference);
    // Import Pictures: copies the files chosen into the level's Pics folder.
    void importPictures();
    // The window shows the folders of the level now loaded.
    void refreshPictureFolders();
    // After a save: the pictures imported while the level's Pics folder was the program's are copied into
    // the level's own, asking before one replaces another picture there.
    void carryImportedPictures(const QString& place);
    QPointer<PicturesWindow> m_pictures;

    // --- The status bar ----------------------------------------------------------------------------------
    // Tells for a few seconds what a command just did.
    void confirm(const QString& text) override;
    QWidget* dialogParent() override { return this; }
    class LevelStatusBar* m_statusBar = nullptr;

    // --- Display styles, test tools and property dialogs (form1_tools.cpp) -----------------------------
public:
    // The Test command, made at its first use; tests replace the ways it starts the player.
    class TestCommand& testCommand();

private:
    // Sets one style of every grid tile 1..300 in turn (none for a plain redisplay), then redraws the grid
    // from the screen's data. A failure is shown under `place`; the program goes on.
    void restyleGrid(const std::function<void(PictureBox&)>& setStyle, const QString& place);

    TestCommand* m_testCommand = nullptr;

    // --- The grid tool, which the walls and exits controller holds ---------------------------------------
private:
    GridTool gridTool() const override;
    void setGridTool(GridTool tool) override;

    QAction* mnuCompare = nullptr; // File, Compare With...
    // Screen `screen` on display and, unless `tile` is 0, its tile in the tile property window.
    void showPlace(int screen, int tile) override;

    // View, Show Reachable and Walk To Here.
    class ReachView* m_reach = nullptr;
    QPointer<CheckLevelWindow> m_checkLevel;
    QPointer<WorldOverviewWindow> m_worldOverview;
};

} // namespace tavrin
