#pragma once

#include "tilegrid.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;

namespace tavrin {

class KeyPreview;
class LoadDialog;
class Module1;
class PictureBox;
class Splash;

// The main window: the 20 x 15 grid of tiles, the special tiles below it, the side links around it, the
// tool column on the right and the menu bar. It shows the level state of `Module1` and is the grid that
// level storage reads and writes.
class Form1 : public QMainWindow, public TileGrid {
    Q_OBJECT
public:
    explicit Form1(Module1& module, QWidget* parent = nullptr);
    ~Form1() override;

    // --- Control arrays; an index naming no control is failure 340 ------------------------------------
    // 0..300 and 997..999.
    PictureBox* Tile(int index) const;
    // 2..5.
    QLineEdit* SideText(int k) const;
    QPushButton* Command11(int k) const;
    // 0..3.
    QPushButton* MoveCom(int k) const;

    // --- The grid as level storage sees it -----------------------------------------------------------
    bool hasBox(int index) const override;
    Long backColour(int index) const override;
    void setBackColour(int index, Long colour) override;
    QImage picture(int index) const override;
    void setPicture(int index, const QImage& picture) override;
    Long brushColour() const override;
    void showSideLink(int k, const QString& text) override;
    void printText(int index, const QString& text) override;

    // Ends the program at once. Tests put a recorder here so that the test process lives on.
    std::function<void()> quitProgram;
    // The file and colour dialog every command shares; tests put a scripted one here.
    LoadDialog* Dialog;

    // --- Controls -----------------------------------------------------------------------------------------
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
    QAction* mnuExit;
    QAction* mnuAbout;

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
    void endProgram();

    Module1& m_module;
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

    // --- Level file commands (form1_levelfile.cpp) ------------------------------------------------------

    // --- Navigation and the walk (form1_navigation.cpp) -------------------------------------------------

    // --- Painting and the tile property window (form1_painting.cpp) ------------------------------------

    // --- Display styles, test tools and property dialogs (form1_tools.cpp) -----------------------------
};

} // namespace tavrin
