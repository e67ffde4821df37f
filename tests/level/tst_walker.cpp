// The walk of the marker from tile 1, against a fake grid whose tile i is in colour 5000 + i, so that a
// tile taking on another's look is seen at once. The step left from tile 1 is blocked or an exit.
#include "levelfixture.h"
#include "walker.h"

#include <QtTest>

using namespace tavrin;

class TestWalker : public QObject {
    Q_OBJECT
private slots:
    void steps_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<FieldValue>("operand"); // of the exit left, if any
        QTest::addColumn<int>("to");
        QTest::newRow("right") << KeyRight << FieldValue() << 2;
        QTest::newRow("down") << KeyDown << FieldValue() << 21;
        QTest::newRow("up off the grid") << KeyUp << FieldValue() << 1;
        QTest::newRow("blocked") << KeyLeft << FieldValue() << 1;
        for (const char* bad : {"0", "997", "998", "999", "-1", "301", "sixty"})
            QTest::newRow(bad) << KeyLeft << FieldValue::text(bad) << 1;
    }

    // A step not taken changes nothing; off the grid the marker comes off. The preview stays in line.
    void steps() {
        QFETCH(int, key);
        QFETCH(FieldValue, operand);
        QFETCH(int, to);
        LevelFixture f;
        for (int i = 0; i <= 300; ++i)
            f.grid.setBackColour(i, 5000 + i);
        f.grid.setBackColour(PreviewTile, 5001);
        f.module->TilePropLeft(1) = operand.isEmpty() ? 1 : 5;
        f.module->TilePropLeftOps(1) = operand;
        Walker(*f.module).KeyDown(key);
        QVERIFY(f.module->WalkerTile == to && f.grid.picture(to).isNull() == (key == KeyUp));
        QCOMPARE(f.grid.backColour(PreviewTile), Long(5000 + to));
        for (int i = 0; i <= 300; ++i)
            QCOMPARE(f.grid.backColour(i), Long(5000 + i));
    }

    // No level file loaded: the screen walked out of keeps its paint, the one entered brings its links.
    void exitsKeepTilesAndLinks() {
        LevelFixture f;
        f.module->ChangeScreen(2);
        f.module->SideScreen(3) = 7;
        f.module->ChangeScreen(0);
        f.module->TileBackColor(150) = FieldValue::number(Rgb(1, 2, 3));
        f.module->TilePropRight(1) = 2;
        f.module->TilePropRightOps(1) = FieldValue::number(21);
        Walker(*f.module).KeyDown(KeyRight);
        QVERIFY(f.module->CurrentScreen == 2 && f.module->WalkerTile == 21 && f.module->SideScreen(3) == 7);
        f.module->ChangeScreen(0);
        QCOMPARE(f.grid.backColour(150), Rgb(1, 2, 3));
    }
};

QTEST_MAIN(TestWalker)
#include "tst_walker.moc"
