// The walk of the marker over the grid and through exits, against a fake grid.
#include "levelfixture.h"
#include "walker.h"

#include <QtTest>

using namespace tavrin;

namespace {
FieldValue num(double v) {
    return FieldValue::number(v);
}
FieldValue txt(const QString& t) {
    return FieldValue::text(t);
}

// Every tile gets its own colour so that a tile showing another's look is seen at once.
void colourTiles(LevelFixture& f) {
    for (int i = 0; i <= 300; ++i)
        f.grid.setBackColour(i, 5000 + i);
}

QByteArray screenSeven() {
    QByteArray bytes;
    for (int t = 1; t <= 300; ++t)
        bytes += TileLine(7, t, QByteArray::number(7000 + t) + ",997,0,0,0,0,1,1,1,1");
    bytes += "\"Screen7\",\"ScreenInfo\",0,0,0,0,0,0,0,0,0,0\r\n";
    for (int k = 2; k <= 9; ++k)
        bytes += "\"Screen7\",\"Side" + QByteArray::number(k) + "\",70,0,0,0,0,0,0,0,0,0\r\n";
    return bytes;
}

// The marker invariant: the walker's tile shows the marker, and Tile(998) holds its own look.
void checkMarker(LevelFixture& f, int tile, Long ownColour) {
    QCOMPARE(int(f.module->WalkerTile), tile);
    QCOMPARE(f.grid.picture(tile), f.grid.picture(MarkerTile));
    QCOMPARE(f.grid.backColour(PreviewTile), ownColour);
    QCOMPARE(f.grid.backColour(tile), ownColour);
}
} // namespace

class TestWalker : public QObject {
    Q_OBJECT
private slots:
    void freeSteps_data();
    void freeSteps();
    void blockedStepChangesNothing();
    void offTheGridKeepsMarkerAndPreviewInLine_data();
    void offTheGridKeepsMarkerAndPreviewInLine();
    void exitLandsOnOperandTile();
    void exitWithBadOperandIsBlocked_data();
    void exitWithBadOperandIsBlocked();
    void walkingOutKeepsPaintedTiles();
    void linksComeWithTheScreenEntered();
    void otherKeysChangeNothing();
};

void TestWalker::freeSteps_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("to");
    QTest::newRow("up from 45") << 45 << KeyUp << 25;
    QTest::newRow("down from 45") << 45 << KeyDown << 65;
    QTest::newRow("left from 45") << 45 << KeyLeft << 44;
    QTest::newRow("right at a row end continues on the next row") << 20 << KeyRight << 21;
    QTest::newRow("left from 1 onto the spare tile 0") << 1 << KeyLeft << 0;
}

void TestWalker::freeSteps() {
    QFETCH(int, from);
    QFETCH(int, key);
    QFETCH(int, to);
    LevelFixture f;
    colourTiles(f);
    Walker walker(*f.module);
    QList<int> displayed;
    walker.displayTileProp = [&](Integer tile) { displayed << tile; };
    f.grid.setPicture(from, FakeGrid::solidImage(Qt::cyan));
    f.module->WalkerTile = Integer(from);
    f.grid.copyPicture(from, PreviewTile);
    f.grid.setBackColour(PreviewTile, 5000 + from);
    walker.KeyDown(key);
    checkMarker(f, to, 5000 + to);
    QCOMPARE(f.grid.picture(from), FakeGrid::solidImage(Qt::cyan)); // the tile left has its own look back
    QCOMPARE(f.grid.backColour(from), Long(5000 + from));
    QCOMPARE(displayed, QList<int>{to});
}

void TestWalker::blockedStepChangesNothing() {
    LevelFixture f;
    colourTiles(f);
    f.module->TilePropRight(1) = 1;
    Walker walker(*f.module);
    walker.KeyDown(KeyRight);
    QCOMPARE(f.module->WalkerTile, Integer(1));
    QCOMPARE(f.grid.picture(1), f.grid.picture(MarkerTile));
}

void TestWalker::offTheGridKeepsMarkerAndPreviewInLine_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::newRow("right from 300") << 300 << KeyRight;
    QTest::newRow("up from 5") << 5 << KeyUp;
    QTest::newRow("down from 281") << 281 << KeyDown;
    QTest::newRow("left from the spare tile") << 0 << KeyLeft;
}

void TestWalker::offTheGridKeepsMarkerAndPreviewInLine() {
    QFETCH(int, from);
    QFETCH(int, key);
    LevelFixture f;
    colourTiles(f);
    Walker walker(*f.module);
    f.module->WalkerTile = Integer(from);
    f.grid.copyPicture(from, PreviewTile);
    f.grid.setBackColour(PreviewTile, 5000 + from);
    f.grid.copyPicture(MarkerTile, from);
    walker.KeyDown(key);
    QCOMPARE(int(f.module->WalkerTile), from);
    QVERIFY(f.grid.picture(from).isNull()); // the marker is taken off
    // The next step starts from the same tile and gives every tile its own look.
    walker.KeyDown(key == KeyRight || key == KeyDown ? KeyLeft : KeyRight);
    for (int i = 0; i <= 300; ++i)
        QCOMPARE(f.grid.backColour(i), Long(5000 + i));
    QCOMPARE(f.grid.backColour(PreviewTile), Long(5000 + f.module->WalkerTile));
}

void TestWalker::exitLandsOnOperandTile() {
    LevelFixture f;
    f.writeFile("level.txt", screenSeven());
    Module1& m = *f.module;
    m.LevelFileName = f.path("level.txt");
    m.WalkerTile = 41;
    m.TilePropLeft(41) = 3;
    m.SideScreen(3) = 7;
    m.TilePropLeftOps(41) = num(60);
    Walker walker(m);
    walker.KeyDown(KeyLeft);
    QCOMPARE(m.CurrentScreen, Integer(7));
    checkMarker(f, 60, 7060);
    QCOMPARE(f.grid.picture(PreviewTile), f.grid.picture(BuiltinTile));
    QCOMPARE(m.SideScreen(3), Integer(70));
}

void TestWalker::exitWithBadOperandIsBlocked_data() {
    QTest::addColumn<FieldValue>("operand");
    QTest::newRow("997") << num(997);
    QTest::newRow("998 as text") << txt("998");
    QTest::newRow("999") << num(999);
    QTest::newRow("negative") << num(-1);
    QTest::newRow("301") << num(301);
    QTest::newRow("too large for an Integer") << num(70000);
    QTest::newRow("not a number") << txt("sixty");
}

void TestWalker::exitWithBadOperandIsBlocked() {
    QFETCH(FieldValue, operand);
    LevelFixture f;
    Module1& m = *f.module;
    m.TilePropUp(1) = 4;
    m.TilePropUpOps(1) = operand;
    Walker walker(m);
    walker.KeyDown(KeyUp);
    QCOMPARE(m.CurrentScreen, Integer(0));
    QCOMPARE(m.WalkerTile, Integer(1));
    QVERIFY(!QFile::exists(f.path("Screen0.tmp")));
}

void TestWalker::walkingOutKeepsPaintedTiles() {
    LevelFixture f;
    Module1& m = *f.module;
    m.TilePropRight(1) = 4;
    m.TilePropRightOps(1) = num(21);
    m.SideScreen(4) = 1;
    f.grid.setBackColour(150, Rgb(1, 2, 3)); // painted, not yet written
    Walker walker(m);
    walker.KeyDown(KeyRight);
    QCOMPARE(m.CurrentScreen, Integer(1));
    m.ChangeScreen(0);
    QCOMPARE(f.grid.backColour(150), Rgb(1, 2, 3));
}

void TestWalker::linksComeWithTheScreenEntered() {
    LevelFixture f; // no level file loaded
    Module1& m = *f.module;
    m.SideScreen(5) = 2;
    m.ChangeScreen(2);
    m.SideScreen(2) = 0; // screen 2 leads back up to screen 0
    m.TilePropUp(1) = 2;
    m.TilePropUpOps(1) = num(281);
    m.SideScreen(9) = 99; // an edit that must travel with screen 2
    Walker walker(m);
    walker.KeyDown(KeyUp);
    QCOMPARE(m.CurrentScreen, Integer(0));
    QCOMPARE(m.SideScreen(5), Integer(2));
    QCOMPARE(m.SideScreen(9), Integer(9));
    QCOMPARE(m.WalkerTile, Integer(281));
    m.ChangeScreen(2);
    QCOMPARE(m.SideScreen(9), Integer(99));
}

void TestWalker::otherKeysChangeNothing() {
    LevelFixture f;
    Walker walker(*f.module);
    walker.KeyDown(65);
    walker.KeyDown(36);
    QCOMPARE(f.module->WalkerTile, Integer(1));
    QCOMPARE(f.grid.picture(1), f.grid.picture(MarkerTile));
}

QTEST_MAIN(TestWalker)
#include "tst_walker.moc"
