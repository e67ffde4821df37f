// Level files: the level readers, Save Level and the command-line level.
#include "faultyfiles.h"
#include "level/document/leveldocument.h"
#include "level/document/walker.h"
#include "level/storage/commandline.h"
#include "levelfixture.h"

#include <QSignalSpy>
#include <QtTest>

using namespace tavrin;

namespace {
QByteArray sideRecords(int screen, const QList<int>& links) {
    return LinkRecords(screen, links, "0,0,0,0,0,0,0,0");
}

// Texts with commas and line breaks, both kinds of picture reference, records out of order, a block
// above the last screen, and screen 1 without any record.
QByteArray richLevel() {
    QByteArray bytes = "\"LevelProp\",\"Old\",\"x\",\"y\",\"z\",\"w\",9,9,0,0,0,0\r\n";
    for (int t = 300; t >= 1; --t)
        bytes += TileLine(0, t,
                          QByteArray::number(t * 1000) + (t % 2 ? ",\"\\grass.bmp\"" : ",997") + ",0," +
                              QByteArray::number(t % 10) + ",1,-1,\"a, b\r\nc\"," + QByteArray::number(t) +
                              ",,\"60\"");
    bytes += sideRecords(0, {2, 1, 3, 4, 5, 6, 7, -1}) + sideRecords(5, {9, 9, 9, 9, 9, 9, 9, 9});
    for (int t = 1; t <= 300; ++t)
        bytes += TileLine(5, t, "255,0,0,0,0,0,1,1,1,1") +
                 TileLine(2, t, "-2147483633,\"\\gone.bmp\",2,3,4,5,\"41\",7,8,9");
    return bytes + sideRecords(2, {0, 0, 1, 1, 2, 2, 3, 3}) +
           "\"LevelProp\",\"Rich, level\",\"Ann\",\"May\",\"One\r\nTwo, three\",\"\",57,2,0,0,0,0\r\n";
}

// What screen n of a level file puts into a fresh editor that loads the level and changes to it.
QList<FieldValue> screenOf(const QString& file, Integer screen) {
    LevelFixture f;
    f.document->loadLevel(file, QStringLiteral("test"));
    f.document->changeScreen(screen);
    const Module1& m = *f.module;
    QList<FieldValue> data;
    for (int i = 1; i <= 300; ++i)
        data << m.TileBackColor(i) << m.TilePicture(i) << FieldValue::number(m.TilePropUp(i))
             << m.TilePropLeftOps(i) << m.TilePropRightOps(i) << m.TilePropDownOps(i);
    for (int k = 2; k <= 9; ++k)
        data << FieldValue::number(m.SideScreen(k));
    return data;
}

} // namespace

class TestLevelFile : public QObject {
    Q_OBJECT
private slots:
    void richLevelLoadsAndSavesFieldForField() {
        LevelFixture f;
        f.writePicture("grass.bmp", Qt::green);
        f.load("rich.txt", richLevel());
        QCOMPARE(f.module->LevelDescription(), QString("One\r\nTwo, three"));
        f.document->keepScreenOnDisplay();
        f.saveTo(f.path("saved.txt"));
        f.document->keepScreenOnDisplay();
        f.saveTo(f.path("again.txt"));
        const QByteArray saved = f.readFile("saved.txt");
        QCOMPARE(f.readFile("again.txt"), saved);
        QVERIFY(!saved.contains("\"Screen5\""));
        QVERIFY(saved.endsWith(
            "\"LevelProp\",\"Rich, level\",\"Ann\",\"May\",\"One\r\nTwo, three\",\"\",57,2,0,0,0,0\r\n"));
        // Screen 1 has no records: it is saved blank, with the values in force, so only 0 and 2 compare.
        for (Integer screen : {0, 2})
            QVERIFY(screenOf(f.path("rich.txt"), screen) == screenOf(f.path("saved.txt"), screen));
        QVERIFY(f.messages.isEmpty());
    }

    void sideLinkReading_data() {
        QTest::addColumn<QByteArray>("records");
        QTest::addColumn<QList<int>>("links");
        const QByteArray key = "\"Screen0\"";
        QTest::newRow("no records keep the links")
            << QByteArray() << QList<int>{12, 13, 14, 15, 16, 17, 18, 19};
        QTest::newRow("screen info alone resets")
            << QByteArray(key + ",\"ScreenInfo\",7,7,7,7,7,7,7,7,0,0\r\n")
            << QList<int>{2, 3, 4, 5, 6, 7, 8, 9};
        QTest::newRow("all eight") << sideRecords(0, {20, 21, 22, 23, 24, 25, 26, 27})
                                   << QList<int>{20, 21, 22, 23, 24, 25, 26, 27};
        QTest::newRow("out of order stops")
            << QByteArray(key + ",\"Side2\",30,0,0,0,0,0,0,0,0,0\r\n" + key +
                          ",\"Side4\",31,0,0,0,0,0,0,0,0,0\r\n" + key + ",\"Side3\",32,0,0,0,0,0,0,0,0,0\r\n")
            << QList<int>{30, 32, 14, 15, 16, 17, 18, 19};
    }
    void sideLinkReading() {
        QFETCH(QByteArray, records);
        QFETCH(QList<int>, links);
        LevelFixture f;
        // LoadSideScreens works on the screen on display, which only a level of its own can offer: its
        // links are set to 12..19 by reading them from a file first.
        Module1 level(f.folder.path());
        level.SetDefaults();
        f.writeFile("before.txt", sideRecords(0, {12, 13, 14, 15, 16, 17, 18, 19}));
        level.LoadSideScreens(f.path("before.txt"));
        f.writeFile("level.txt", records + sideRecords(1, {1, 1, 1, 1, 1, 1, 1, 1}));
        level.LoadSideScreens(f.path("level.txt"));
        for (int k = 2; k <= 9; ++k)
            QCOMPARE(int(level.SideScreen(k)), links[k - 2]);
    }

    // Screens 0 and 1 come from their scratch files, 2 from the level file, 3 is blank with the links in
    // force; an edited screen above the last one is not written; each screen keeps its own links.
    void saveGathersScratchFilesLevelFileAndBlanks() {
        LevelFixture f;
        QByteArray level = sideRecords(2, {31, 32, 33, 34, 35, 36, 37, 38});
        for (int t = 1; t <= 300; ++t)
            level += TileLine(2, t, "222,0,0,0,0,0,1,1,1,1");
        f.load("level.txt", level);
        LevelDocument& document = *f.document;
        SetLastScreen(document, 3);
        EditLink(document, 2, 20);
        f.paintColour(1, 100);
        document.changeScreen(1);
        f.paintColour(1, 111);
        document.changeScreen(9);
        document.changeScreen(1);
        document.keepScreenOnDisplay();
        f.saveTo(f.path("out.txt"));
        const QByteArray out = f.readFile("out.txt");
        QCOMPARE(out.count("\r\n"), 4 * 309 + 1);
        QVERIFY(out.indexOf("\"Screen0\",1,100,") < out.indexOf("\"Screen1\",1,111,"));
        QVERIFY(out.indexOf("\"Screen1\",1,111,") < out.indexOf("\"Screen2\",1,222,"));
        QVERIFY(out.contains("\"Screen0\",\"Side2\",20,") && out.contains("\"Screen2\",\"Side2\",31,"));
        QVERIFY(out.contains("\"Screen3\",\"Side2\",31,") && !out.contains("\"Screen9\""));
        QCOMPARE(f.module->CurrentScreen(), Integer(1));
    }

    // Whether the save copies screens or loads each one, and even when it fails midway, the screen on
    // display stays on display with its unsaved tiles and the walk marker where it stood: nothing on
    // display changes, and nothing is announced. A save that fails while copying a screen it never loaded
    // leaves CurrentScreen naming the screen on display, not the one it was writing.
    void saveKeepsTheScreenOnDisplay_data() {
        QTest::addColumn<bool>("useIndex");
        QTest::addColumn<int>("diskFullAfter"); // bytes; -1: the disk does not fill
        QTest::newRow("through the level index") << true << -1;
        QTest::newRow("without the index") << false << -1;
        QTest::newRow("disk full midway") << false << 30000;
        QTest::newRow("disk full copying screen 1 through the index") << true << 15000;
    }
    void saveKeepsTheScreenOnDisplay() {
        QFETCH(bool, useIndex);
        QFETCH(int, diskFullAfter);
        LevelFixture f;
        f.load("level.txt", NumberedLevel(4, {{2001, "2001,0,0,0,0,0,0,0,0,0"}}));
        LevelDocument& document = *f.document;
        const Module1& m = *f.module;
        document.setUseIndex(useIndex);
        document.changeScreen(2);
        f.paintColour(7, 4242);
        document.walk(KeyRight);
        QCOMPARE(m.WalkerTile(), Integer(2));
        document.keepScreenOnDisplay();
        FaultyFiles files;
        files.diskFullAfter = diskFullAfter;
        document.setFiles(&files);
        const Screen shown = m.ScreenOnDisplay();
        QSignalSpy tiles(&document, &LevelDocument::tileChanged);
        QSignalSpy screens(&document, &LevelDocument::screenShown);
        QSignalSpy moved(&document, &LevelDocument::walkerMoved);
        QCOMPARE(CodeOfFailure([&] { f.saveTo(f.path("out.txt")); }),
                 diskFullAfter < 0 ? 0 : int(ErrDiskFull));
        QCOMPARE(m.CurrentScreen(), Integer(2));
        QCOMPARE(m.WalkerTile(), Integer(2));
        QVERIFY(m.ScreenOnDisplay() == shown);
        QVERIFY(tiles.isEmpty() && screens.isEmpty() && moved.isEmpty());
    }

    void failedSavesLeaveTheOldFile_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("code");
        QTest::newRow("disk fills up midway") << "disk full" << int(ErrDiskFull);
        QTest::newRow("folder without write permission") << "no permission" << int(ErrPermission);
        QTest::newRow("name with a double quote") << "quote" << int(ErrInvalidCall);
        QTest::newRow("last screen below 0") << "negative" << int(ErrInvalidValue);
    }
    void failedSavesLeaveTheOldFile() {
        QFETCH(QString, fault);
        QFETCH(int, code);
        LevelFixture f;
        FaultyFiles files;
        f.document->setFiles(&files);
        f.writeFile("old.txt", "the old level\r\n");
        const QStringList files0 = QDir(f.folder.path()).entryList(QDir::Files);
        PropertyValues properties = f.module->Properties();
        properties.lastScreen = fault == "negative" ? -1 : 3;
        if (fault == "quote")
            properties.name = "The \"best\" level";
        f.document->editProperties(properties);
        files.diskFullAfter = fault == "disk full" ? 30000 : -1;
        files.failOpenWriteWith = fault == "no permission" ? ErrPermission : 0;
        QCOMPARE(CodeOfFailure([&] { f.saveTo(f.path("old.txt")); }), code);
        QCOMPARE(f.readFile("old.txt"), QByteArray("the old level\r\n"));
        QCOMPARE(QDir(f.folder.path()).entryList(QDir::Files), files0);
    }

    // Records that belong to no screen of the level and are not its properties are the user's data: a save
    // keeps them, in their order, each after the screen it came after.
    void foreignRecordsSurviveASave_data() {
        QTest::addColumn<QByteArray>("before"); // the line they go before; empty for the end
        QTest::addColumn<QByteArrayList>("records");
        const QByteArray foo = "\"Foo\",1,2,3,4,5,6,7,8,9,10,11\r\n";
        QTest::newRow("between blocks") << QByteArray("\"Screen1\",1,") << QByteArrayList{foo};
        QTest::newRow("first in the file") << QByteArray("\"Screen0\",1,") << QByteArrayList{foo};
        QTest::newRow("inside a block") << QByteArray("\"Screen1\",150,") << QByteArrayList{foo};
        QTest::newRow("last in the file") << QByteArray() << QByteArrayList{foo};
        QTest::newRow("several, of keys like a screen's")
            << QByteArray("\"Screen2\",1,")
            << QByteArrayList{foo, "\"Screen007\",1,2,3,4,5,6,7,8,9,10,11\r\n",
                              "\"Screen-1\",1,2,3,4,5,6,7,8,9,10,11\r\n",
                              "5,\"no text key\",2,3,4,5,6,7,8,9,10,11\r\n"};
    }
    void foreignRecordsSurviveASave() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArrayList, records);
        QByteArray level = NumberedLevel(3);
        const qsizetype at = before.isEmpty() ? level.size() : level.indexOf(before);
        QVERIFY(at >= 0);
        level.insert(at, records.join());
        const QByteArray second = "\"Bar\",1,2,3,4,5,6,7,8,9,10,11\r\n";
        level.insert(level.indexOf("\"Screen2\",1,"), second);
        const QByteArrayList foreign = [&] {
            QByteArrayList lines;
            for (const QByteArray& line : level.split('\n'))
                if (records.contains(line + '\n') || line + '\n' == second)
                    lines << line;
            return lines;
        }();
        for (const bool edited : {false, true}) {
            LevelFixture f;
            f.load("level.txt", level);
            if (edited) {
                f.document->changeScreen(1);
                f.paintColour(150, 255);
            }
            QVERIFY(!f.saveTo(f.path("saved.txt")));
            QByteArrayList kept;
            for (const QByteArray& line : f.readFile("saved.txt").split('\n'))
                if (foreign.contains(line))
                    kept << line;
            QCOMPARE(kept, foreign);
        }
    }

    void commandLinePath_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("path");
        QTest::newRow("drive-letter path with blanks")
            << QStringList{"C:\\my", "levels\\one.txt"} << "C:\\my levels\\one.txt";
        QTest::newRow("absolute path") << QStringList{"/home/ann/level.txt"} << "/home/ann/level.txt";
        QTest::newRow("quoted path") << QStringList{"\"C:\\levels\\one.txt\""} << QString();
        QTest::newRow("relative path, from the start folder")
            << QStringList{"levels/one.txt"} << "/home/ann/levels/one.txt";
        QTest::newRow("nothing") << QStringList{} << QString();
    }
    void commandLinePath() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, path);
        QCOMPARE(CommandLineLevelPath(JoinCommandLine(arguments), "/home/ann"), path);
    }
};

QTEST_MAIN(TestLevelFile)
#include "tst_levelfile.moc"
