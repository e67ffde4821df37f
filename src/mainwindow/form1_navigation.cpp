// Moving between screens: Go To Screen, the four Go buttons, the walk of the marker with the arrow
// keys and the way to a problem of the Check Level window.
#include "mainwindow/form1.h"

#include "level/core/failure.h"
#include "level/document/module1.h"
#include "level/document/walker.h"
#include "level/tools/levelcheck.h"
#include "mainwindow/worldoverview.h"

#include <QLineEdit>
#include <limits>

namespace tavrin {

namespace {
// Go To Screen and every Go button report under the one title.
const QString ChangeScreenPlace = QStringLiteral("Command1_Click (Change Screen)");
const QString KeyDownPlace = QStringLiteral("Form_KeyDown");
const QString ProblemPlace = QStringLiteral("ProblemList_DblClick (Change Screen)");

// A missing file is passed over silently; anything else is shown.
void ShowUnlessFileNotFound(const Failure& failure, const QString& place) {
    if (failure.code() != ErrFileNotFound)
        ShowFailure(failure, place);
}
} // namespace

void Form1::Form_KeyDown(int keyCode, int) {
    walkMarker(keyCode);
}

void Form1::Command1_Click() {
    goToScreenInBox(ScreenToGoTo);
}

void Form1::Command11_Click(int k) {
    goToScreenInBox(SideText(k));
}

// Every file the storage procedures open closes itself when they return or fail, so nothing is left
// open whatever happened.
void Form1::goToScreenInBox(const QLineEdit* box) {
    goToScreen(box->text(), ChangeScreenPlace);
}

void Form1::goToScreen(const QString& text, const QString& place) {
    try {
        if (const std::optional<QString> why = m_document.goToScreen(text))
            confirm(*why);
    } catch (const Failure& failure) {
        ShowUnlessFileNotFound(failure, place);
    }
}

// The tile is shown only once its screen is the one on display, as a tile click shows it.
void Form1::showProblemPlace(const LevelProblem& problem) {
    if (!problem.screen || *problem.screen < 0 || *problem.screen > std::numeric_limits<Integer>::max())
        return;
    const auto screen = static_cast<Integer>(*problem.screen);
    goToScreen(QString::number(screen), ProblemPlace);
    if (m_level.CurrentScreen() != screen || !problem.tile || *problem.tile < FirstGridTile ||
        *problem.tile > LastGridTile)
        return;
    showTilePropWindow();
    DisplayTileProp(static_cast<Integer>(*problem.tile));
}

// The walk keeps WalkerTile on a tile of 0..300; the grid and Tile(998) follow it.
void Form1::walkMarker(int keyCode) {
    try {
        if (const WalkStep step = m_document.walk(keyCode); step.kind == WalkStep::NoScreen)
            confirm(Text(Msg::NoSuchScreen).arg(step.screen));
    } catch (const Failure& failure) {
        ShowUnlessFileNotFound(failure, KeyDownPlace);
    }
    if (m_worldOverview) // the marker on the map follows
        m_worldOverview->Map->update();
}

} // namespace tavrin
