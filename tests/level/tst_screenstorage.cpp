// Scratch files, the screen block, LoadLevel and LoadScreen against a fake grid.
#include "levelfixture.h"

#include <QtTest>

using namespace tavrin;

namespace {
FieldValue num(double v) {
    return FieldValue::number(v);
}
FieldValue txt(const QString& t) {
    return FieldValue::text(t);
}

// A level file of one screen whose tile t has colour 1000 + t and the given picture, and whose side
// links are 20..27.
QByteArray oneScreenLevel(int screen, const QByteArray& picture = "0") {
    QByteArray bytes;
    for (int t = 1; t <= 300; ++t)
        bytes += TileLine(screen, t, QByteArray::number(1000 + t) + ',' + picture + ",0,1,0,0,1,1,1,1");
    const QByteArray key = "\"Screen" + QByteArray::number(screen) + "\"";
    bytes += key + ",\"ScreenInfo\",20,21,22,23,24,25,26,27,0,0\r\n";
    for (int k = 2; k <= 9; ++k)
        bytes += key + ",\"Side" + QByteArray::number(k) + "\"," + QByteArray::number(18 + k) +
                 ",0,0,0,0,0,0,0,0,0\r\n";
    return bytes;
}
} // namespace

class TestScreenStorage : public QObject {
    Q_OBJECT
private slots:
    void untouchedScreenZeroScratchFile();
    void secondSaveReplaces();
    void screenRoundTrip();
    void leavingAndComingBackReadsTheScratchFile();
    void blankScreen();
    void otherRecordsChangeNothing();
    void missingPictureFile();
    void pictureReferences_data();
    void pictureReferences();
    void missingFileIsSilent();
    void emptyScratchFileCountsAsPresent();
    void sideLinksTravelWithTheirScreen();
    void unloadDeletesOnlyScratchFiles();
    void noLevelLoadedGivesBlankScreen();
    void unwritableTextLeavesScratchFileAlone();
    void badFilesGiveAtMostOneMessage_data();
    void badFilesGiveAtMostOneMessage();
};

void TestScreenStorage::untouchedScreenZeroScratchFile() {
    LevelFixture f;
    f.module->SaveScreenTmp();
    QFile expected(QStringLiteral(TAVRIN_TEST_DATA "/screen0_untouched.tmp"));
    QVERIFY(expected.open(QIODevice::ReadOnly));
    QCOMPARE(f.readFile("Screen0.tmp"), expected.readAll());
    QVERIFY(f.module->ScreenTmpExists());
}

void TestScreenStorage::secondSaveReplaces() {
    LevelFixture f;
    f.module->SaveScreenTmp();
    f.grid.setBackColour(5, Rgb(1, 2, 3));
    f.module->SaveScreenTmp();
    const QByteArray bytes = f.readFile("Screen0.tmp");
    QCOMPARE(bytes.count("\r\n"), 309);
    QVERIFY(bytes.contains("\"Screen0\",5,197121,"));
}

void TestScreenStorage::screenRoundTrip() {
    LevelFixture f;
    f.writePicture("grass.bmp", Qt::green);
    Module1& m = *f.module;
    m.CurrentScreen = 4;
    f.grid.setBackColour(1, -2147483633);
    f.grid.setBackColour(2, Rgb(255, 0, 128));
    m.TilePicture(1) = txt("\\grass.bmp");
    m.TilePicture(2) = txt("997");
    m.TilePicture(3) = num(997);
    m.TilePropLeft(3) = -5;
    m.TilePropDown(3) = 32767;
    m.TilePropUpOps(3) = txt("a, text\r\nwith a line break");
    m.TilePropRightOps(3) = FieldValue();
    m.TilePropDownOps(3) = num(-60);
    m.SideScreen(3) = -1;
    m.SaveScreenTmp();
    const QByteArray saved = f.readFile("Screen4.tmp");

    // Another screen in between, then back: every field comes back with its kind.
    Module1 other(&f.grid, f.folder.path());
    other.CurrentScreen = 4;
    other.LoadScreen();
    QVERIFY(other.TileBackColor == m.TileBackColor);
    QVERIFY(other.TilePicture == m.TilePicture);
    QVERIFY(other.TilePropLeft == m.TilePropLeft);
    QVERIFY(other.TilePropDown == m.TilePropDown);
    QVERIFY(other.TilePropUpOps == m.TilePropUpOps);
    QVERIFY(other.TilePropRightOps == m.TilePropRightOps);
    QVERIFY(other.TilePropDownOps == m.TilePropDownOps);
    QCOMPARE(other.SideScreen(3), Integer(-1));
    QCOMPARE(f.grid.picture(1), FakeGrid::solidImage(Qt::green, 25, 25));
    QCOMPARE(f.grid.picture(2), f.grid.picture(997));
    QCOMPARE(f.grid.picture(3), f.grid.picture(997));
    QCOMPARE(f.grid.backColour(1), Long(-2147483633));
    other.SaveScreenTmp();
    QCOMPARE(f.readFile("Screen4.tmp"), saved);
    QVERIFY(f.messages.isEmpty());
}

void TestScreenStorage::leavingAndComingBackReadsTheScratchFile() {
    LevelFixture f;
    f.writeFile("level.txt", oneScreenLevel(0) + oneScreenLevel(1));
    Module1& m = *f.module;
    m.LevelFileName = f.path("level.txt");
    m.LoadScreen();
    f.grid.setBackColour(7, Rgb(9, 9, 9));
    m.ChangeScreen(1);
    QCOMPARE(f.grid.backColour(7), Long(1007));
    m.ChangeScreen(0);
    QCOMPARE(f.grid.backColour(7), Rgb(9, 9, 9));
    QCOMPARE(m.TileBackColor(7), num(Rgb(9, 9, 9)));
}

void TestScreenStorage::blankScreen() {
    LevelFixture f;
    Module1& m = *f.module;
    f.grid.brush = Rgb(10, 20, 30);
    m.TilePropUpOps(8) = txt("kept");
    m.WalkerTile = 8;
    f.grid.setPicture(8, FakeGrid::solidImage(Qt::yellow));
    m.CurrentScreen = 3;
    m.LoadScreen();
    for (int i : {1, 150, 300}) {
        QCOMPARE(f.grid.backColour(i), Rgb(10, 20, 30));
        QCOMPARE(m.TileBackColor(i), num(Rgb(10, 20, 30)));
        QCOMPARE(m.TilePicture(i), num(0));
        QVERIFY(f.grid.picture(i).isNull());
        QCOMPARE(m.TilePropRight(i), Integer(0));
    }
    QCOMPARE(m.TilePropUpOps(8), txt("kept"));
    // The walk preview shows the blank look of the walker's tile, not the screen shown before.
    QCOMPARE(f.grid.backColour(PreviewTile), Rgb(10, 20, 30));
    QVERIFY(f.grid.picture(PreviewTile).isNull());
    QCOMPARE(f.grid.sideLinks.value(2), QString("2"));
    QCOMPARE(f.grid.sideLinks.value(5), QString("5"));
}

void TestScreenStorage::otherRecordsChangeNothing() {
    LevelFixture f;
    QByteArray level = oneScreenLevel(1);
    level += "\"LevelProp\",\"n\",\"a\",\"d\",\"e\",\"c\",1,3,0,0,0,0\r\n";
    f.writeFile("level.txt", level);
    f.module->LoadLevel(f.path("level.txt"), "test");
    QCOMPARE(f.module->FileRunning, False);
    QCOMPARE(f.grid.backColour(5), SysWindowBackground);
    QVERIFY(f.module->TileBackColor(5).isEmpty());
    QVERIFY(f.messages.isEmpty());
}

void TestScreenStorage::missingPictureFile() {
    LevelFixture f;
    f.writePicture("grass.bmp", Qt::green);
    QByteArray level;
    level += TileLine(0, 1, "1,\"\\gone.bmp\",0,0,0,0,1,1,1,1");
    level += TileLine(0, 2, "2,\"\\grass.bmp\",0,0,0,0,1,1,1,1");
    f.writeFile("level.txt", level);
    f.module->LoadLevel(f.path("level.txt"), "test");
    QVERIFY(f.messages.isEmpty());
    QVERIFY(f.grid.picture(1).isNull());
    QVERIFY(!f.grid.picture(2).isNull());
    QCOMPARE(f.module->TilePicture(1), txt("\\gone.bmp"));
    // The walker stands on tile 1: its preview shows no picture either.
    QVERIFY(f.grid.picture(PreviewTile).isNull());
    QCOMPARE(f.module->FileRunning, True);
}

void TestScreenStorage::pictureReferences_data() {
    QTest::addColumn<QByteArray>("reference");
    QTest::addColumn<int>("shows");
    QTest::newRow("empty shows Tile(0)") << QByteArray("") << 0;
    QTest::newRow("number 0") << QByteArray("0") << 0;
    QTest::newRow("number 997") << QByteArray("997") << 997;
    QTest::newRow("text 997") << QByteArray("\"997\"") << 997;
    QTest::newRow("walk marker") << QByteArray("999") << 999;
}

void TestScreenStorage::pictureReferences() {
    QFETCH(QByteArray, reference);
    QFETCH(int, shows);
    LevelFixture f;
    f.grid.setPicture(10, FakeGrid::solidImage(Qt::cyan));
    f.writeFile("level.txt", TileLine(0, 10, "5," + reference + ",0,0,0,0,1,1,1,1"));
    f.module->LoadLevel(f.path("level.txt"), "test");
    QCOMPARE(f.grid.picture(10), f.grid.picture(shows));
    QVERIFY(f.messages.isEmpty());
}

void TestScreenStorage::missingFileIsSilent() {
    LevelFixture f;
    f.module->FileRunning = True;
    f.module->LoadLevel(f.path("nothing.txt"), "test");
    QCOMPARE(f.module->FileRunning, False);
    QVERIFY(f.messages.isEmpty());
    QCOMPARE(f.grid.backColour(5), SysWindowBackground);
}

void TestScreenStorage::emptyScratchFileCountsAsPresent() {
    LevelFixture f;
    f.writeFile("level.txt", oneScreenLevel(2));
    f.writeFile("Screen2.tmp", QByteArray());
    f.module->LevelFileName = f.path("level.txt");
    f.grid.setBackColour(5, Rgb(1, 1, 1));
    f.module->CurrentScreen = 2;
    f.module->LoadScreen();
    QCOMPARE(f.grid.backColour(5), Rgb(1, 1, 1));
    QVERIFY(f.messages.isEmpty());
}

void TestScreenStorage::sideLinksTravelWithTheirScreen() {
    LevelFixture f;
    f.writeFile("level.txt", oneScreenLevel(0) + oneScreenLevel(1));
    Module1& m = *f.module;
    m.LevelFileName = f.path("level.txt");
    m.SideScreen(4) = 40; // screen 0's links as edited
    m.ChangeScreen(1);    // from the level file: screen 1's own links
    QCOMPARE(m.SideScreen(4), Integer(22));
    QCOMPARE(f.grid.sideLinks.value(4), QString("22"));
    m.ChangeScreen(0); // from its scratch file: the edited links
    QCOMPARE(m.SideScreen(4), Integer(40));
    m.SideScreen(9) = 90;
    m.ChangeScreen(7); // blank: the links in force stay
    QCOMPARE(m.SideScreen(9), Integer(90));
    QCOMPARE(m.SideScreen(4), Integer(40));
}

void TestScreenStorage::unloadDeletesOnlyScratchFiles() {
    LevelFixture f;
    for (const char* name : {"Screen0.tmp", "Screen12.tmp", "Screen-3.tmp", "notes.tmp", "Screenshot.tmp",
                             "Screen1.tmp.bak", "Screen1.txt"})
        f.writeFile(name, "x");
    f.module->DeleteScratchFiles();
    const QStringList left = QDir(f.folder.path()).entryList(QDir::Files, QDir::Name);
    QCOMPARE(left, QStringList({"Screen1.tmp.bak", "Screen1.txt", "Screenshot.tmp", "notes.tmp"}));
}

void TestScreenStorage::noLevelLoadedGivesBlankScreen() {
    LevelFixture f;
    f.module->LevelFileName.clear();
    f.module->CurrentScreen = 1;
    f.module->LoadScreen();
    QVERIFY(f.messages.isEmpty());
    QCOMPARE(f.module->TilePicture(1), num(0));
    QCOMPARE(f.module->FileRunning, False);
}

void TestScreenStorage::unwritableTextLeavesScratchFileAlone() {
    LevelFixture f;
    f.module->SaveScreenTmp();
    const QByteArray before = f.readFile("Screen0.tmp");
    f.module->TilePropLeftOps(20) = txt("say \"hi\"");
    try {
        f.module->SaveScreenTmp();
        QFAIL("a text with a double quote was written");
    } catch (const Failure& failure) {
        QCOMPARE(failure.code(), int(ErrInvalidCall));
        QVERIFY(failure.description().contains("double quote"));
    }
    QCOMPARE(f.readFile("Screen0.tmp"), before);
}

void TestScreenStorage::badFilesGiveAtMostOneMessage_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("title");
    const QByteArray good = TileLine(0, 1, "5,0,0,0,0,0,1,1,1,1");
    QTest::newRow("empty file") << QByteArray() << QString();
    QTest::newRow("truncated record") << QByteArray(good + "\"Screen0\",2,5,0") << "62, LoadLevel - test";
    QTest::newRow("unterminated quote") << QByteArray(good + "\"Screen0\",2,\"abc") << "62, LoadLevel - test";
    QTest::newRow("property not a number") << TileLine(0, 2, "5,0,x,0,0,0,1,1,1,1") << "13, LoadLevel - test";
    QTest::newRow("property too large") << TileLine(0, 2, "5,0,40000,0,0,0,1,1,1,1") << "6, LoadLevel - test";
    QTest::newRow("colour too large")
        << TileLine(0, 2, "99999999999,0,0,0,0,0,1,1,1,1") << "6, LoadLevel - test";
    QTest::newRow("tile 301") << TileLine(0, 301, "5,0,0,0,0,0,1,1,1,1") << "9, LoadLevel - test";
    QTest::newRow("negative tile") << TileLine(0, -1, "5,0,0,0,0,0,1,1,1,1") << "9, LoadLevel - test";
    QTest::newRow("tile number too large")
        << TileLine(0, 99999, "5,0,0,0,0,0,1,1,1,1") << "6, LoadLevel - test";
    QTest::newRow("picture names no box")
        << TileLine(0, 2, "5,500,0,0,0,0,1,1,1,1") << "340, LoadLevel - test";
    QTest::newRow("picture file not a picture")
        << TileLine(0, 2, "5,\"\\junk.bmp\",0,0,0,0,1,1,1,1") << "481, LoadLevel - test";
    QTest::newRow("binary junk") << QByteArray("\x89PNG\r\n\x1a\n\x00\x00\xff,,\"", 15)
                                 << "62, LoadLevel - test";
}

void TestScreenStorage::badFilesGiveAtMostOneMessage() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, title);
    LevelFixture f;
    f.writeFile("Pics/junk.bmp", "this is not a picture");
    f.writeFile("bad.txt", bytes);
    f.module->LoadLevel(f.path("bad.txt"), "test");
    if (title.isEmpty()) {
        QVERIFY(f.messages.isEmpty());
        return;
    }
    QCOMPARE(f.messages.size(), 1);
    QCOMPARE(f.messages[0].section(u'|', 0, 0), title);
}

QTEST_MAIN(TestScreenStorage)
#include "tst_screenstorage.moc"
