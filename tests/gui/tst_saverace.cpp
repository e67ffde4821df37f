// Save Level on a level of 10,000 screens while the user goes on: undo, the arrow keys, a paint and New
// Level sent while the save runs reach nothing, and the file holds the level as it stood when the save
// began. Afterwards the window answers again.
#include "editorfixture.h"
#include "levelfixture.h"

#include <QCryptographicHash>
#include <QtTest>
#include <QtWidgets>

using namespace tavrin;

namespace {
constexpr int Screens = 10000;

QByteArray Hash(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}
} // namespace

class TestSaveRace : public QObject {
    Q_OBJECT
private slots:
    void inputDuringTheSaveReachesNothing() {
        EditorFixture f;
        QVERIFY(f.show());
        QVERIFY(WriteFile(f.path("big.txt"), NumberedLevel(Screens)));
        f.dialog.files << f.path("big.txt");
        f.form->mnuLoad_Click();
        QCOMPARE(int(f.module->LevelLastScreen), Screens - 1);
        f.paint(1, 255);
        f.paint(2, 255);
        const QByteArray expected =
            Hash(NumberedLevel(Screens, {{1, "255,0,0,0,0,0,1,1,1,1"}, {2, "255,0,0,0,0,0,1,1,1,1"}}));
        f.form->PropLeft->setText("1");
        QTest::mouseClick(f.form->UseApplyProp, Qt::LeftButton); // a click would now paint properties
        const Integer walker = f.module->WalkerTile;
        const TileState tile5 = f.module->TileOnDisplay(5);

        // The user's keys and clicks arrive while the save writes its screens.
        int sentDuringTheSave = 0;
        QTimer::singleShot(0, f.form.get(), [&] {
            if (!f.document->isSaving())
                return;
            QTest::keyClick(f.form.get(), Qt::Key_Z, Qt::ControlModifier);
            QTest::keyClick(f.form.get(), Qt::Key_Right);
            QTest::mouseClick(f.form->Tile(5), Qt::LeftButton);
            QTest::keyClick(f.form.get(), Qt::Key_N, Qt::ControlModifier);
            QTest::mouseClick(f.form->Command1, Qt::LeftButton); // Go To Screen
            const bool closed = f.form->close();                 // the close box waits for the save
            sentDuringTheSave = f.document->isSaving() && !closed ? 1 : 0;
        });
        f.form->ScreenToGoTo->setText("typed");
        f.dialog.files << f.path("saved.txt");
        f.form->mnuSave_Click();
        QCOMPARE(sentDuringTheSave, 1);

        QCOMPARE(Hash(ReadFile(f.path("saved.txt"))), expected);
        QCOMPARE(f.titles(), QStringList());
        QCOMPARE(f.questions, QStringList());
        QCOMPARE(int(f.module->CurrentScreen), 0);
        QCOMPARE(f.module->WalkerTile, walker);
        QVERIFY(f.module->TileOnDisplay(5) == tile5);
        QCOMPARE(f.form->Tile(2)->backColour(), Long(255));
        QCOMPARE(f.form->Document().undoStack().index(), 2);
        QVERIFY(!f.document->isModified());
        QCOMPARE(f.form->ScreenToGoTo->text(), QString("typed"));

        // Once the save is over, the same keys act again.
        QTest::keyClick(f.form.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.form->Tile(2)->backColour(), Long(2));
        QVERIFY(f.document->isModified());
    }
};

QTEST_MAIN(TestSaveRace)
#include "tst_saverace.moc"
