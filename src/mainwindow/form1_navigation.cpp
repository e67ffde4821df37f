// Moving between screens: Go To Screen, the four Go buttons and the walk of the marker with the arrow
// keys.
#include "form1.h"

#include "failure.h"
#include "module1.h"
#include "walker.h"

#include <QLineEdit>

namespace tavrin {

namespace {
// Go To Screen and every Go button report under the one title.
const QString ChangeScreenPlace = QStringLiteral("Command1_Click (Change Screen)");
const QString KeyDownPlace = QStringLiteral("Form_KeyDown");

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
    try {
        m_module.GoToScreen(box->text());
    } catch (const Failure& failure) {
        ShowUnlessFileNotFound(failure, ChangeScreenPlace);
    }
}

// The walker keeps WalkerTile on a tile of 0..300 and Tile(998) in line with it, so the number needs no
// correction afterwards.
void Form1::walkMarker(int keyCode) {
    Walker walker(m_module);
    walker.displayTileProp = [this](Integer tile) { DisplayTileProp(tile); };
    try {
        walker.KeyDown(keyCode);
    } catch (const Failure& failure) {
        ShowUnlessFileNotFound(failure, KeyDownPlace);
    }
    showStatus();
}

} // namespace tavrin
