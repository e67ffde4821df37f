// The display styles of the grid, the test commands, the two property dialogs, the Check Level and World
// Overview windows.
#include "mainwindow/form1.h"

#include "dialogs/levelprop.h"
#include "dialogs/screenprop.h"
#include "level/core/failure.h"
#include "level/document/module1.h"
#include "level/tools/levelcheckfix.h"
#include "mainwindow/checklevel.h"
#include "mainwindow/directionscontroller.h"
#include "mainwindow/longtask.h"
#include "mainwindow/picturebox.h"
#include "mainwindow/reachview.h"
#include "mainwindow/screencontroller.h"
#include "mainwindow/worldoverview.h"
#include "testtools/testcommand.h"

namespace tavrin {

// --- The grid tool, which the walls and exits controller holds ----------------------------------------

GridTool Form1::gridTool() const {
    return m_directions->gridTool();
}

void Form1::setGridTool(GridTool tool) {
    m_directions->setGridTool(tool);
}

// --- Property dialogs -----------------------------------------------------------------------------------

// The dialogs return the values the user chose; the document makes the change.
void Form1::mnuScreenProp_Click() {
    if (const std::optional<SideLinks> links = ScreenProp::Edit(m_document.links(), this))
        m_document.editLinks(*links);
    showSideLinks();
}

void Form1::mnuLevelProp_Click() {
    if (const std::optional<PropertyValues> properties = LevelProp::Edit(m_level.Properties(), this))
        m_document.editProperties(*properties);
}

// --- Check Level -----------------------------------------------------------------------------------------

// One window, owned by the main window; opening it again brings it up and checks the level again.
void Form1::mnuCheckLevel_Click() {
    if (!m_checkLevel) {
        m_checkLevel = new CheckLevelWindow(m_document, this);
        connect(m_checkLevel, &CheckLevelWindow::problemChosen, this, &Form1::showProblemPlace);
        // A fix is one step; the list is checked again.
        connect(m_checkLevel, &CheckLevelWindow::fixChosen, this,
                [this](const LevelProblem& problem, LevelFixKind kind) {
                    m_directions->fixProblem(problem, kind);
                    if (m_checkLevel)
                        m_checkLevel->CheckLevel(FixName(kind));
                });
        connect(&m_document, &LevelDocument::levelReplaced, m_checkLevel, &CheckLevelWindow::LevelReplaced);
        connect(&m_document, &LevelDocument::screensRenumbered, m_checkLevel,
                &CheckLevelWindow::ScreensRenumbered);
        for (const auto changed : {&LevelDocument::screenEdited, &LevelDocument::linksChanged})
            connect(&m_document, changed, m_checkLevel, &CheckLevelWindow::LevelChanged);
        connect(&m_document, &LevelDocument::tileChanged, m_checkLevel, &CheckLevelWindow::LevelChanged);
        connect(&m_document, &LevelDocument::propertiesChanged, m_checkLevel,
                &CheckLevelWindow::LevelChanged);
    }
    m_checkLevel->CheckLevel(QStringLiteral("mnuCheckLevel_Click"));
    m_checkLevel->show();
    m_checkLevel->raise();
    m_checkLevel->activateWindow();
}

// --- World Overview -------------------------------------------------------------------------------------

// One window, owned by the main window; a click on a screen changes to it the ordinary way.
void Form1::mnuWorldOverview_Click() {
    if (!m_worldOverview) {
        m_worldOverview = new WorldOverviewWindow(m_document, Dialog, SettingsFile, this);
        m_reach->attach(m_worldOverview->Map);
        connect(m_worldOverview, &WorldOverviewWindow::swapAsked, this, [this](int screen, int other) {
            m_screens->renumberScreens(ScreenRenumbering::swapping(screen, other, m_level.LevelLastScreen()));
        });
        connect(m_worldOverview, &WorldOverviewWindow::duplicateAsked, m_screens.get(),
                &ScreenController::duplicateScreenOf);
        connect(m_worldOverview, &WorldOverviewWindow::deleteAsked, m_screens.get(),
                &ScreenController::deleteScreen);
        connect(m_worldOverview, &WorldOverviewWindow::moveAsked, m_screens.get(),
                &ScreenController::moveScreen);
        connect(m_worldOverview, &WorldOverviewWindow::screenChosen, this, [this](int screen) {
            goToScreen(QString::number(screen), QStringLiteral("WorldOverview_Click"));
        });
    }
    m_worldOverview->show();
    m_worldOverview->raise();
    m_worldOverview->activateWindow();
}

// --- Undo and redo --------------------------------------------------------------------------------------

void Form1::mnuUndo_Click() {
    const Integer screen = m_level.CurrentScreen();
    try {
        RunLongTask(this, *m_document.undoTask());
    } catch (const Failure& failure) {
        ShowFailure(failure, QStringLiteral("mnuUndo_Click"));
    }
    if (m_level.CurrentScreen() != screen)
        showMarker();
}

void Form1::mnuRedo_Click() {
    const Integer screen = m_level.CurrentScreen();
    try {
        RunLongTask(this, *m_document.redoTask());
    } catch (const Failure& failure) {
        ShowFailure(failure, QStringLiteral("mnuRedo_Click"));
    }
    if (m_level.CurrentScreen() != screen)
        showMarker();
}

// --- Test tools -----------------------------------------------------------------------------------------

TestCommand& Form1::testCommand() {
    if (!m_testCommand)
        m_testCommand = new TestCommand(this);
    return *m_testCommand;
}

void Form1::Command2_Click() {
    try {
        testCommand().Run(*Label1, *Dialog, m_level.ProgramFolder());
    } catch (const Failure& failure) {
        ShowFailure(failure, QStringLiteral("Command2_Click"));
    }
}

void Form1::Command3_Click() {
    // Each tile shows its four direction properties, up and right over left and down, until it is drawn
    // again.
    for (int i = FirstGridTile; i <= LastGridTile; ++i) {
        Tile(i)->setPicture(Tile(BlankTile)->picture());
        Tile(i)->printText(QStringLiteral("%1,%2\r%3,%4")
                               .arg(m_level.TilePropUp(i))
                               .arg(m_level.TilePropRight(i))
                               .arg(m_level.TilePropLeft(i))
                               .arg(m_level.TilePropDown(i)));
    }
}

// --- Display styles -------------------------------------------------------------------------------------

void Form1::restyleGrid(const std::function<void(PictureBox&)>& setStyle, const QString& place) {
    try {
        if (setStyle) {
            for (int index = FirstGridTile; index <= LastGridTile; ++index)
                setStyle(*Tile(index));
        }
        redrawGrid();
    } catch (const Failure& failure) {
        ShowFailure(failure, place);
    }
}

void Form1::Command4_Click() {
    restyleGrid([](PictureBox& tile) { tile.setAppearance3D(true); }, QStringLiteral("Command4_Click"));
}

void Form1::Command5_Click() {
    restyleGrid([](PictureBox& tile) { tile.setAppearance3D(false); }, QStringLiteral("Command5_Click"));
}

void Form1::Command6_Click() {
    restyleGrid({}, QStringLiteral("Command6_Click"));
}

void Form1::Command9_Click() {
    restyleGrid([](PictureBox& tile) { tile.setBorder(true); }, QStringLiteral("Command9_Click"));
}

void Form1::Command10_Click() {
    restyleGrid([](PictureBox& tile) { tile.setBorder(false); }, QStringLiteral("Command10_Click"));
}

} // namespace tavrin
