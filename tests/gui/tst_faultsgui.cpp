// Faults from outside, met through the window's commands: each gives one clear message, the editor goes
// on working, and the screen on display stays whole.
#include "editorfixture.h"
#include "faultyfiles.h"

#include <QLineEdit>
#include <QtTest>

namespace {
// Tile 30 of the screen on display in colour 9, as one edit.
void PaintTile30(EditorFixture& f) {
    tavrin::TileState tile = f.document->tile(30);
    tile.colour = tavrin::FieldValue::number(9);
    f.document->editTile(30, tile);
}
} // namespace

class TestFaultsGui : public QObject {
    Q_OBJECT
private slots:
    void writesFail() {
        FaultyFiles files; // outlives the editor, which writes its session file as it goes
        EditorFixture f;
        f.document->setFiles(&files);
        f.form->MnuPLtemp_Click();
        PaintTile30(f);
        files.failOpenWriteWith = tavrin::ErrPermission; // scratch files cannot be written
        f.goTo("2");                                     // refused: screen 0 stays on display
        QCOMPARE(f.form->backColour(30), tavrin::Long(9));
        files.failOpenWriteWith = 0;
        files.diskFullAfter = 40000; // the disk fills up during a save
        f.dialog.files << f.path("PelmarLevel.txt");
        f.form->mnuSave_Click();
        QCOMPARE(f.titles(), (QStringList{"70, Command1_Click (Change Screen)", "61, mnuSave_Click"}));
    }
    void filesVanish() {
        EditorFixture f;
        f.form->MnuPLtemp_Click();
        const tavrin::Long original = f.form->backColour(30);
        PaintTile30(f);
        f.goTo("1");
        QFile::remove(f.path("Screen0.tmp")); // a scratch file vanishes: the screen comes from the level
        f.goTo("0");
        QCOMPARE(f.form->backColour(30), original);
        QFile::remove(f.path("PelmarLevel.txt")); // the level file is removed while in use
        f.goTo("3");
        QCOMPARE(f.module->CurrentScreen, tavrin::Integer(3));
        QCOMPARE(f.titles(), QStringList(2, "75, Command1_Click (Change Screen)"));
    }
    void picsFolderMissing() {
        EditorFixture f;
        QDir(f.path("Pics")).removeRecursively();
        f.form->MnuPLtemp_Click();
        QCOMPARE(f.titles(), QStringList{"75, MnuPLtemp"});
        QVERIFY(f.module->LevelLastScreen >= 3); // the level itself is loaded
    }
};

QTEST_MAIN(TestFaultsGui)
#include "tst_faultsgui.moc"
