// The walk of the marker from tile 1 through the document, on a screen whose tile i is in colour 5000 + i,
// so that a tile taking on another's look is seen at once. The step left from tile 1 is blocked or an exit.
#include "leveldocument.h"
#include "levelfixture.h"
#include "walker.h"

#include <QSignalSpy>
#include <QtTest>

using namespace tavrin;

namespace {
// Direction d (0 left, 1 up, 2 right, 3 down) of tile `index` on display set to `property`, `operand`.
void setDirection(LevelDocument& document, int index, int d, Integer property, const FieldValue& operand) {
    TileState tile = document.tile(index);
    tile.directions[size_t(d)] = property;
    tile.operands[size_t(d)] = operand;
    document.editTile(index, tile);
}
} // namespace

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

    // A step not taken changes nothing and tells nothing; off the grid the marker comes off and stays on
    // its tile. No tile changes on the way.
    void steps() {
        QFETCH(int, key);
        QFETCH(FieldValue, operand);
        QFETCH(int, to);
        LevelFixture f;
        LevelDocument& document = *f.document;
        document.beginStroke(QStringLiteral("Colours"));
        for (int i = 1; i <= 300; ++i)
            f.paintColour(i, 5000 + i);
        document.endStroke();
        TileState blank = document.tile(BlankTile);
        blank.colour = FieldValue::number(5000);
        document.paintBlankTile(blank);
        setDirection(document, 1, 0, operand.isEmpty() ? 1 : 5, operand);
        QCOMPARE(f.module->WalkerTile, Integer(1));

        QSignalSpy moved(&document, &LevelDocument::walkerMoved);
        QSignalSpy shown(&document, &LevelDocument::screenShown);
        const WalkStep step = document.walk(key);
        const bool offGrid = key == KeyUp;
        QCOMPARE(step.kind, offGrid ? WalkStep::OffGrid : to != 1 ? WalkStep::Move : WalkStep::Stay);
        QCOMPARE(f.module->WalkerTile, Integer(to));
        QCOMPARE(f.module->CurrentScreen, Integer(0));
        QCOMPARE(shown.count(), 0);
        if (step.kind == WalkStep::Stay) {
            QCOMPARE(moved.count(), 0);
        } else {
            QCOMPARE(moved.count(), 1);
            QCOMPARE(moved.first(), (QVariantList{to, !offGrid}));
        }
        for (int i = 0; i <= 300; ++i)
            QCOMPARE(f.module->TileBackColor(i).toLong(), Long(5000 + i));
    }

    // No level file loaded: the screen walked out of keeps its paint, the one entered brings its links.
    void exitsKeepTilesAndLinks() {
        LevelFixture f;
        LevelDocument& document = *f.document;
        document.changeScreen(2);
        EditLink(document, 3, 7);
        document.changeScreen(0);
        f.paintColour(150, Rgb(1, 2, 3));
        setDirection(document, 1, 2, 2, FieldValue::number(21));

        QSignalSpy moved(&document, &LevelDocument::walkerMoved);
        QSignalSpy shown(&document, &LevelDocument::screenShown);
        const WalkStep step = document.walk(KeyRight);
        QVERIFY(step.kind == WalkStep::Exit && step.screen == 2 && step.tile == 21);
        QVERIFY(f.module->CurrentScreen == 2 && f.module->WalkerTile == 21 && f.module->SideScreen(3) == 7);
        QCOMPARE(shown.count(), 1);
        QCOMPARE(shown.first(), QVariantList{2});
        QCOMPARE(moved.count(), 1);
        QCOMPARE(moved.first(), (QVariantList{21, true}));
        document.changeScreen(0);
        QCOMPARE(f.module->TileBackColor(150).toLong(), Rgb(1, 2, 3));
    }

    // A number below 0 names no screen (a link to a deleted screen is -1): no step through it, no Go To
    // Screen, no change of screen and no edit reaches one, and no scratch file is written for it.
    void noScreenBelowZero() {
        LevelFixture f;
        LevelDocument& document = *f.document;
        EditLink(document, 2, -1);
        setDirection(document, 1, 2, 2, FieldValue::number(21));
        const WalkStep step = document.walk(KeyRight);
        QVERIFY(step.kind == WalkStep::NoScreen && step.screen == -1);
        QVERIFY(document.goToScreen(QStringLiteral("-1")).value_or(QString()).contains("-1"));
        QVERIFY(CodeOfFailure([&] { document.changeScreen(-3); }) != 0);
        LevelDocument::LevelEdit edit;
        edit.tiles.push_back({-1, 1, document.tile(5)});
        QVERIFY(CodeOfFailure([&] { document.editLevel(QStringLiteral("Paint"), edit); }) != 0);
        QVERIFY(f.module->CurrentScreen == 0 && f.module->WalkerTile == 1);
        document.keepScreenOnDisplay();
        QCOMPARE(QDir(f.folder.path()).entryList({QStringLiteral("Screen-*")}), QStringList());
    }
};

QTEST_MAIN(TestWalker)
#include "tst_walker.moc"
