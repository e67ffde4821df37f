// Level files: the level-load sequence, its readers, Save Level and the command-line level.
#include "commandline.h"
#include "faultyfiles.h"
#include "levelfixture.h"

#include <QtTest>

using namespace tavrin;

namespace {
FieldValue num(double v) {
    return FieldValue::number(v);
}

QByteArray sideRecords(int screen, const QList<int>& links) {
    const QByteArray key = "\"Screen" + QByteArray::number(screen) + "\"";
    QByteArray bytes = key + ",\"ScreenInfo\",0,0,0,0,0,0,0,0,0,0\r\n";
    for (int k = 2; k <= 9; ++k)
        bytes += key + ",\"Side" + QByteArray::number(k) + "\"," + QByteArray::number(links[k - 2]) +
                 ",0,0,0,0,0,0,0,0,0\r\n";
    return bytes;
}

// A hand-made level: texts with commas and line breaks, both kinds of picture reference, records out of
// order, a block above the last screen, and screen 1 without any tile record.
QByteArray richLevel() {
    QByteArray bytes;
    bytes += "\"LevelProp\",\"Old, name\",\"x\",\"y\",\"z\",\"w\",9,9,0,0,0,0\r\n"; // overridden below
    for (int t = 300; t >= 1; --t) {
        QByteArray picture = t % 3 == 0 ? "\"\\grass.bmp\"" : (t % 3 == 1 ? "997" : "\"0\"");
        bytes += TileLine(0, t,
                          QByteArray::number(t * 1000) + ',' + picture + ",0," + QByteArray::number(t % 10) +
                              ",1,-1,\"a, b\r\nc\"," + QByteArray::number(t) + ",,\"60\"");
    }
    bytes += sideRecords(0, {2, 1, 3, 4, 5, 6, 7, -1});
    bytes += sideRecords(5, {9, 9, 9, 9, 9, 9, 9, 9});
    for (int t = 1; t <= 300; ++t)
        bytes += TileLine(5, t, "255,0,0,0,0,0,1,1,1,1"); // above the last screen: not saved again
    for (int t = 1; t <= 300; ++t)
        bytes += TileLine(2, t, "-2147483633,\"\\gone.bmp\",2,3,4,5,\"41\",7,8,9");
    bytes += sideRecords(2, {0, 0, 1, 1, 2, 2, 3, 3});
    bytes += "\"LevelProp\",\"Rich, level\",\"Ann\",\"May 2026\",\"Line one\r\nLine two, with a comma\",\"\","
             "57,2,0,0,0,0\r\n";
    return bytes;
}

struct ScreenData {
    QList<FieldValue> fields;
    QList<Integer> links;
    bool operator==(const ScreenData& other) const { return fields == other.fields && links == other.links; }
};

// Everything that screen n of a level file puts into a fresh editor.
ScreenData screenOf(const QString& file, Integer screen) {
    LevelFixture f;
    f.module->LevelFileName = file;
    f.module->CurrentScreen = screen;
    f.module->LoadScreen();
    ScreenData data;
    const Module1& m = *f.module;
    for (int i = 1; i <= 300; ++i)
        data.fields << m.TileBackColor(i) << m.TilePicture(i) << num(m.TilePropLeft(i))
                    << num(m.TilePropUp(i)) << num(m.TilePropRight(i)) << num(m.TilePropDown(i))
                    << m.TilePropLeftOps(i) << m.TilePropUpOps(i) << m.TilePropRightOps(i)
                    << m.TilePropDownOps(i);
    for (int k = 2; k <= 9; ++k)
        data.links << m.SideScreen(k);
    return data;
}

int failureCode(const std::function<void()>& action) {
    try {
        action();
    } catch (const Failure& failure) {
        return failure.code();
    }
    return 0;
}
} // namespace

class TestLevelFile : public QObject {
    Q_OBJECT
private slots:
    void freshLevelSavesExactly();
    void richLevelLoadsAndSavesFieldForField();
    void loadSequenceShowsScreenZeroWithTheMarker();
    void loadingDeletesScratchFiles();
    void sideLinkReading_data();
    void sideLinkReading();
    void levelPropWithoutRecordKeepsProperties();
    void saveGathersScratchFilesAndLevelFile();
    void eachScreenIsSavedWithItsOwnLinks();
    void savingOverTheLoadedFileKeepsUnvisitedScreens();
    void savingTwiceGivesTheSameFile();
    void failedSavesLeaveTheOldFile_data();
    void failedSavesLeaveTheOldFile();
    void commandLinePath_data();
    void commandLinePath();
};

void TestLevelFile::freshLevelSavesExactly() {
    LevelFixture f;
    f.module->SaveScreenTmp();
    QList<int> counted;
    f.module->SaveLevel(f.path("new.txt"), [&](int screen) { counted << screen; });
    QFile expected(QStringLiteral(TAVRIN_TEST_DATA "/new_level_saved.txt"));
    QVERIFY(expected.open(QIODevice::ReadOnly));
    QCOMPARE(f.readFile("new.txt"), expected.readAll());
    QCOMPARE(counted, QList<int>({0, 1}));
}

void TestLevelFile::richLevelLoadsAndSavesFieldForField() {
    LevelFixture f;
    f.writePicture("grass.bmp", Qt::green);
    f.writeFile("rich.txt", richLevel());
    Module1& m = *f.module;
    m.LevelFileName = f.path("rich.txt");
    m.LoadLevelSequence(m.LevelFileName, "test");
    QCOMPARE(m.LevelName, QString("Rich, level"));
    QCOMPARE(m.LevelDescription, QString("Line one\r\nLine two, with a comma"));
    QCOMPARE(m.LevelLastScreen, Integer(2));
    m.SaveScreenTmp();
    m.SaveLevel(f.path("saved.txt"));
    const QByteArray saved = f.readFile("saved.txt");
    QCOMPARE(saved.count("\"Screen5\""), 0);
    QVERIFY(
        saved.endsWith("\"LevelProp\",\"Rich, level\",\"Ann\",\"May 2026\",\"Line one\r\nLine two, with a "
                       "comma\",\"\",57,2,0,0,0,0\r\n"));
    // Screen 1 has no records: it was saved blank, with the operands and links in force, so only the
    // screens with records compare one to one.
    for (Integer screen : {0, 2})
        QVERIFY2(screenOf(f.path("rich.txt"), screen) == screenOf(f.path("saved.txt"), screen),
                 qPrintable(QString("screen %1").arg(screen)));
    QVERIFY(f.messages.isEmpty());
}

void TestLevelFile::loadSequenceShowsScreenZeroWithTheMarker() {
    LevelFixture f;
    f.writePicture("grass.bmp", Qt::green);
    f.writeFile("rich.txt", richLevel());
    Module1& m = *f.module;
    m.CurrentScreen = 3;
    m.LoadLevelSequence(f.path("rich.txt"), "test");
    QCOMPARE(m.CurrentScreen, Integer(0));
    QCOMPARE(m.WalkerTile, Integer(57));
    QCOMPARE(f.grid.picture(57), f.grid.picture(MarkerTile));
    QCOMPARE(f.grid.picture(PreviewTile), FakeGrid::solidImage(Qt::green, 25, 25)); // 57 is a multiple of 3
    QCOMPARE(f.grid.backColour(PreviewTile), Long(57000));
    QCOMPARE(m.SideScreen(9), Integer(-1));
}

void TestLevelFile::loadingDeletesScratchFiles() {
    LevelFixture f;
    f.writeFile("rich.txt", richLevel());
    f.writeFile("Screen2.tmp", QByteArray());
    f.writeFile("keep.tmp", "another program's");
    f.module->LoadLevelSequence(f.path("rich.txt"), "test");
    QVERIFY(!QFile::exists(f.path("Screen2.tmp")));
    QVERIFY(QFile::exists(f.path("keep.tmp")));
}

void TestLevelFile::sideLinkReading_data() {
    QTest::addColumn<QByteArray>("records");
    QTest::addColumn<QList<int>>("links");
    const QByteArray key = "\"Screen0\"";
    QTest::newRow("no records keep the links") << QByteArray() << QList<int>{12, 13, 14, 15, 16, 17, 18, 19};
    QTest::newRow("screen info alone resets")
        << QByteArray(key + ",\"ScreenInfo\",7,7,7,7,7,7,7,7,0,0\r\n") << QList<int>{2, 3, 4, 5, 6, 7, 8, 9};
    QTest::newRow("all eight") << sideRecords(0, {20, 21, 22, 23, 24, 25, 26, 27})
                               << QList<int>{20, 21, 22, 23, 24, 25, 26, 27};
    QTest::newRow("out of order stops")
        << QByteArray(key + ",\"Side2\",30,0,0,0,0,0,0,0,0,0\r\n" + key +
                      ",\"Side4\",31,0,0,0,0,0,0,0,0,0\r\n" + key + ",\"Side3\",32,0,0,0,0,0,0,0,0,0\r\n")
        << QList<int>{30, 32, 14, 15, 16, 17, 18, 19};
    QTest::newRow("another screen's links")
        << sideRecords(1, {1, 1, 1, 1, 1, 1, 1, 1}) << QList<int>{12, 13, 14, 15, 16, 17, 18, 19};
}

void TestLevelFile::sideLinkReading() {
    QFETCH(QByteArray, records);
    QFETCH(QList<int>, links);
    LevelFixture f;
    for (int k = 2; k <= 9; ++k)
        f.module->SideScreen(k) = Integer(10 + k);
    f.writeFile("level.txt", records);
    f.module->LoadSideScreens(f.path("level.txt"));
    for (int k = 2; k <= 9; ++k)
        QCOMPARE(int(f.module->SideScreen(k)), links[k - 2]);
}

void TestLevelFile::levelPropWithoutRecordKeepsProperties() {
    LevelFixture f;
    f.module->LevelName = "kept";
    f.module->LevelLastScreen = 4;
    f.writeFile("level.txt", TileLine(0, 1, "1,0,0,0,0,0,1,1,1,1"));
    f.module->LoadLevelProp(f.path("level.txt"));
    QCOMPARE(f.module->LevelName, QString("kept"));
    QCOMPARE(f.module->LevelLastScreen, Integer(4));
    QCOMPARE(failureCode([&] { f.module->LoadLevelProp(f.path("missing.txt")); }), int(ErrFileNotFound));
}

void TestLevelFile::saveGathersScratchFilesAndLevelFile() {
    LevelFixture f;
    QByteArray level;
    for (int t = 1; t <= 300; ++t)
        level += TileLine(2, t, "222,0,0,0,0,0,1,1,1,1");
    f.writeFile("level.txt", level);
    Module1& m = *f.module;
    m.LevelFileName = f.path("level.txt");
    m.LevelLastScreen = 2;
    f.grid.setBackColour(1, 100);
    m.ChangeScreen(1);
    f.grid.setBackColour(1, 111);
    m.ChangeScreen(9);
    f.grid.setBackColour(1, 999); // an edited screen above the last one is not written
    m.CurrentScreen = 1;
    m.LoadScreen();
    m.SaveScreenTmp();
    m.SaveLevel(f.path("out.txt"));
    const QByteArray out = f.readFile("out.txt");
    QCOMPARE(out.count("\r\n"), 3 * 309 + 1);
    QVERIFY(out.indexOf("\"Screen0\",1,100,") < out.indexOf("\"Screen1\",1,111,"));
    QVERIFY(out.indexOf("\"Screen1\",1,111,") < out.indexOf("\"Screen2\",1,222,"));
    QVERIFY(!out.contains("\"Screen9\""));
    QCOMPARE(m.CurrentScreen, Integer(2));
}

void TestLevelFile::eachScreenIsSavedWithItsOwnLinks() {
    LevelFixture f;
    QByteArray level = sideRecords(1, {31, 32, 33, 34, 35, 36, 37, 38});
    for (int t = 1; t <= 300; ++t)
        level += TileLine(1, t, "1,0,0,0,0,0,1,1,1,1");
    f.writeFile("level.txt", level);
    Module1& m = *f.module;
    m.LevelFileName = f.path("level.txt");
    m.LevelLastScreen = 2;
    m.SideScreen(2) = 20;
    m.SaveScreenTmp();
    m.SaveLevel(f.path("out.txt"));
    const QByteArray out = f.readFile("out.txt");
    QVERIFY(out.contains("\"Screen0\",\"Side2\",20,"));
    QVERIFY(out.contains("\"Screen1\",\"Side2\",31,"));
    QVERIFY(out.contains("\"Screen2\",\"Side2\",31,")); // blank: the links in force
}

void TestLevelFile::savingOverTheLoadedFileKeepsUnvisitedScreens() {
    LevelFixture f;
    f.writePicture("grass.bmp", Qt::green);
    f.writeFile("rich.txt", richLevel());
    Module1& m = *f.module;
    m.LevelFileName = f.path("rich.txt");
    m.LoadLevelSequence(m.LevelFileName, "test");
    const ScreenData before = screenOf(f.path("rich.txt"), 2);
    m.SaveScreenTmp();
    m.SaveLevel(m.LevelFileName);
    QVERIFY(screenOf(f.path("rich.txt"), 2) == before);
    QCOMPARE(f.readFile("rich.txt").count("\"Screen2\""), 309);
}

void TestLevelFile::savingTwiceGivesTheSameFile() {
    LevelFixture f;
    f.writePicture("grass.bmp", Qt::green);
    f.writeFile("rich.txt", richLevel());
    Module1& m = *f.module;
    m.LevelFileName = f.path("rich.txt");
    m.LoadLevelSequence(m.LevelFileName, "test");
    m.SaveScreenTmp();
    m.SaveLevel(f.path("a.txt"));
    m.SaveScreenTmp();
    m.SaveLevel(f.path("a2.txt"));
    QCOMPARE(f.readFile("a.txt"), f.readFile("a2.txt"));
}

void TestLevelFile::failedSavesLeaveTheOldFile_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("code");
    QTest::newRow("disk fills up midway") << "disk full" << int(ErrDiskFull);
    QTest::newRow("folder without write permission") << "no permission" << int(ErrPermission);
    QTest::newRow("name with a double quote") << "quote" << int(ErrInvalidCall);
    QTest::newRow("last screen below 0") << "negative" << int(ErrInvalidValue);
}

void TestLevelFile::failedSavesLeaveTheOldFile() {
    QFETCH(QString, fault);
    QFETCH(int, code);
    LevelFixture f;
    FaultyFiles files;
    f.module->Files = &files;
    f.writeFile("old.txt", "the old level\r\n");
    f.module->LevelLastScreen = 3;
    if (fault == "disk full")
        files.diskFullAfter = 30000;
    else if (fault == "no permission")
        files.failOpenWriteWith = ErrPermission;
    else if (fault == "quote")
        f.module->LevelName = "The \"best\" level";
    else
        f.module->LevelLastScreen = -1;
    QCOMPARE(failureCode([&] { f.module->SaveLevel(f.path("old.txt")); }), code);
    QCOMPARE(f.readFile("old.txt"), QByteArray("the old level\r\n"));
    const QStringList left = QDir(f.folder.path()).entryList(QDir::Files);
    for (const QString& name : left)
        QVERIFY2(name == "old.txt" || name.startsWith("Screen"), qPrintable(name));
}

void TestLevelFile::commandLinePath_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("path");
    QTest::newRow("drive-letter path") << QStringList{"C:\\levels\\one.txt"} << "C:\\levels\\one.txt";
    QTest::newRow("path with blanks") << QStringList{"C:\\my", "levels\\one.txt"} << "C:\\my levels\\one.txt";
    QTest::newRow("absolute path") << QStringList{"/home/ann/level.txt"} << "/home/ann/level.txt";
    QTest::newRow("quoted path") << QStringList{"\"C:\\levels\\one.txt\""} << QString();
    QTest::newRow("relative path") << QStringList{"levels/one.txt"} << QString();
    QTest::newRow("nothing") << QStringList{} << QString();
}

void TestLevelFile::commandLinePath() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, path);
    QCOMPARE(CommandLineLevelPath(JoinCommandLine(arguments)), path);
}

QTEST_MAIN(TestLevelFile)
#include "tst_levelfile.moc"
