// Files the editor did not write the way it writes them: damaged records, foreign files in the scratch
// folder, links. None of them may cost the user a screen, a level or a file of their own.
#include "faultyfiles.h"
#include "levelfixture.h"

#include <QtTest>

using namespace tavrin;

namespace {

// The colours of the tiles of the screen on display, Tile(0) included, as the level holds them.
QStringList tileColours(const Module1& m) {
    QStringList colours;
    for (int t = 0; t <= 300; ++t)
        colours << m.TileBackColor(t).toText();
    return colours;
}

} // namespace

class TestDamagedFiles : public QObject {
    Q_OBJECT
private slots:
    void saveKeepsWhatItCannotRead_data() {
        QTest::addColumn<int>("screen");
        QTest::addColumn<QByteArray>("record"); // what replaces tile 150 of the screen
        QTest::addColumn<int>("code");          // of the notice the save gives, 0 for none
        QTest::newRow("colour beyond a Long")
            << 2 << QByteArray("4294967296,0,0,0,0,0,1,1,1,1") << int(ErrOverflow);
        QTest::newRow("property that is no number")
            << 1 << QByteArray("1150,0,0,\"up\",0,0,1,1,1,1") << int(ErrTypeMismatch);
        QTest::newRow("picture of a box that does not exist")
            << 1 << QByteArray("1150,500,0,0,0,0,1,1,1,1") << int(ErrNoSuchControl);
        QTest::newRow("empty picture file") << 1 << QByteArray("1150,\"\\empty.bmp\",0,0,0,0,1,1,1,1") << 0;
        QTest::newRow("picture file that is no picture")
            << 2 << QByteArray("2150,\"\\text.bmp\",0,0,0,0,1,1,1,1") << 0;
        QTest::newRow("operands a double cannot hold")
            << 1 << QByteArray("1150,0,0,0,0,0,12345678901234567,99999999999999999999,1,1") << 0;
    }

    // The level is saved over its own file after the damaged screen was visited and left: the file comes out
    // byte for byte as it was, the damaged screen copied through unread and named once, after the save.
    void saveKeepsWhatItCannotRead() {
        QFETCH(int, screen);
        QFETCH(QByteArray, record);
        QFETCH(int, code);
        LevelFixture f;
        f.writeFile("Pics/empty.bmp", "");
        f.writeFile("Pics/text.bmp", "not a picture");
        const QByteArray level = NumberedLevel(3, {{screen * 1000 + 150, record}});
        f.load("level.txt", level);
        f.document->changeScreen(Integer(screen));
        QCOMPARE(f.messages.size(), code ? 1 : 0); // shown when the screen is visited
        if (code)
            QVERIFY2(f.messages.front().contains(QString("line %1 of").arg(309 * screen + 150)),
                     qPrintable(f.messages.front()));
        f.document->changeScreen(0);
        f.messages.clear();
        std::optional<Failure> notice = f.document->saveLevel(f.path("level.txt"));
        QVERIFY(f.messages.isEmpty());
        QCOMPARE(notice ? notice->code() : 0, code);
        if (notice)
            QVERIFY(notice->description().contains(QString("screen %1 ").arg(screen)));
        QCOMPARE(f.readFile("level.txt"), level);
    }

    void levelLoadIsAllOrNothing_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("line"); // named in the message; 0 for none
        const int propLine = 3 * 309 + 1;
        QTest::newRow("start tile beyond an Integer")
            << NumberedLevel(3, {}, "\"B\",\"\",\"\",\"\",\"\",70000,2") << int(ErrOverflow) << propLine;
        QTest::newRow("last screen beyond a double")
            << NumberedLevel(3, {}, "\"B\",\"\",\"\",\"\",\"\",1,1e309") << int(ErrTypeMismatch) << propLine;
        QTest::newRow("start tile a word")
            << NumberedLevel(3, {}, "\"B\",\"\",\"\",\"\",\"\",abc,2") << int(ErrTypeMismatch) << propLine;
        for (const char* tile : {"0", "", "301", "-1"})
            QTest::newRow(qPrintable(QString("start tile '%1'").arg(tile)))
                << NumberedLevel(3, {}, "\"B\",\"\",\"\",\"\",\"\"," + QByteArray(tile) + ",2")
                << int(ErrSubscript) << propLine;
        QTest::newRow("colour of twenty nines on screen 0")
            << NumberedLevel(3, {{1, "99999999999999999999,0,0,0,0,0,1,1,1,1"}}) << int(ErrOverflow) << 1;
        QByteArray badLink = NumberedLevel(3);
        badLink.replace("\"Screen0\",\"Side4\",4,", "\"Screen0\",\"Side4\",x4,");
        QTest::newRow("side link of screen 0 a word") << badLink << int(ErrTypeMismatch) << 304;
        QTest::newRow("no such file") << QByteArray() << int(ErrFileNotFound) << 0;
    }

    // A file that cannot be loaded leaves the level on display exactly as it was: state, tiles, scratch
    // files.
    void levelLoadIsAllOrNothing() {
        QFETCH(QByteArray, file);
        QFETCH(int, code);
        QFETCH(int, line);
        LevelFixture f;
        f.load("a.txt", NumberedLevel(3, {}, "\"A\",\"Ann\",\"\",\"\",\"\",57,2"));
        f.document->changeScreen(1);
        f.paintColour(5, Rgb(1, 2, 3)); // painted, not yet written anywhere
        SideLinks links = f.document->links();
        links[4] = 40;
        f.document->editLinks(links);
        const QStringList colours = tileColours(*f.module);
        const QByteArray scratch = f.readFile("Screen0.tmp");
        if (!file.isEmpty())
            f.writeFile("b.txt", file);

        QSignalSpy replaced(f.document.get(), &LevelDocument::levelReplaced);
        QSignalSpy shown(f.document.get(), &LevelDocument::screenShown);
        Failure failure(0);
        try {
            f.document->loadLevel(f.path("b.txt"), "test");
        } catch (const Failure& caught) {
            failure = caught;
        }
        QCOMPARE(failure.code(), code);
        if (line)
            QVERIFY2(failure.description().contains(QString("line %1 of %2").arg(line).arg(f.path("b.txt"))),
                     qPrintable(failure.description()));
        const Module1& m = *f.module;
        QCOMPARE(m.LevelFileName, f.path("a.txt"));
        QVERIFY(m.LevelName == "A" && m.LevelAuthor == "Ann" && m.LevelStartTile == 57 &&
                m.LevelLastScreen == 2);
        QVERIFY(m.CurrentScreen == 1 && m.SideScreen(4) == 40 && m.WalkerTile == 57);
        QCOMPARE(tileColours(m), colours);
        QVERIFY(replaced.isEmpty() && shown.isEmpty()); // nothing for the windows to redraw
        QCOMPARE(f.readFile("Screen0.tmp"), scratch);
    }

    // After a level with properties, a file without them has the properties of a new level.
    void levelWithoutPropertiesIsANewLevel() {
        LevelFixture f;
        f.load("a.txt", NumberedLevel(3, {}, "\"A\",\"Ann\",\"May\",\"D\",\"C\",57,2"));
        QByteArray bare = NumberedLevel(3);
        bare.truncate(bare.indexOf("\"LevelProp\""));
        f.load("b.txt", bare);
        const Module1& m = *f.module;
        QVERIFY(m.LevelName.isEmpty() && m.LevelAuthor.isEmpty() && m.LevelDateMade.isEmpty());
        QVERIFY(m.LevelDescription.isEmpty() && m.LevelComments.isEmpty());
        QVERIFY(m.LevelStartTile == 1 && m.LevelLastScreen == 0 && m.WalkerTile == 1);
    }

    // Links and files the editor did not write are never written through, read as scratch files or deleted.
    void scratchFilesLeaveForeignFilesAlone() {
        LevelFixture f;
        QByteArray mine; // a file of the user's that happens to hold a block of screen 2
        for (int t = 1; t <= 300; ++t)
            mine += TileLine(2, t, QByteArray::number(77000 + t) + ",0,0,0,0,0,1,1,1,1");
        mine += LinkRecords(2);
        f.writeFile("mine.txt", mine);
        const QStringList foreign{"Screen007.tmp", "Screen-0.tmp", "Screen99999.tmp", "Screen12.tmp",
                                  "Screen3.tmp"};
        for (const QString& name : foreign)
            f.writeFile(name, name.toLatin1());
        f.writeFile("Screen3.tmp", NumberedLevel(3));
        QVERIFY(QFile::link(f.path("mine.txt"), f.path("Screen0.tmp")));
        QVERIFY(QFile::link(f.path("mine.txt"), f.path("Screen2.tmp")));

        f.document->changeScreen(2); // a link is no scratch file: before any level, screen 2 comes out blank
        QCOMPARE(f.module->TileBackColor(7), FieldValue::number(f.module->BrushColour));
        f.load("level.txt", NumberedLevel(3));
        f.document->changeScreen(2);
        QCOMPARE(f.module->TileBackColor(7), FieldValue::number(2007));
        f.paintColour(7, Rgb(9, 9, 9));
        f.document->changeScreen(0);
        QCOMPARE(f.module->TileBackColor(7), FieldValue::number(7));
        f.document->changeScreen(2);
        QCOMPARE(f.module->TileBackColor(7),
                 FieldValue::number(Rgb(9, 9, 9))); // kept in a regular file of its own
        QVERIFY(QFileInfo(f.path("Screen0.tmp")).isSymLink() && QFileInfo(f.path("Screen2.tmp")).isSymLink());
        QCOMPARE(f.readFile("mine.txt"), mine);

        // A level the user keeps under a scratch file's name loads and stays; so does one saved over a
        // scratch file of the editor's.
        f.document->loadLevel(f.path("Screen3.tmp"), "test");
        QCOMPARE(f.module->LevelFileName, f.path("Screen3.tmp"));
        f.document->changeScreen(1);
        f.document->changeScreen(2);
        QVERIFY(QFile::exists(f.path("Screen1.tmp")));
        f.document->saveLevel(f.path("Screen1.tmp"));
        const QByteArray saved = f.readFile("Screen1.tmp");
        f.document->end(); // the scratch files go, as at the end of the editor
        QStringList left = QDir(f.folder.path()).entryList(QDir::Files | QDir::System);
        left.sort();
        QStringList expected =
            foreign + QStringList{"Screen0.tmp", "Screen1.tmp", "Screen2.tmp", "level.txt", "mine.txt"};
        expected.sort();
        QCOMPARE(left, expected);
        QCOMPARE(f.readFile("Screen3.tmp"), NumberedLevel(3));
        QCOMPARE(f.readFile("Screen1.tmp"), saved);
        QCOMPARE(f.readFile("mine.txt"), mine);

        // Even a scratch file of the editor's own is the user's once loaded as a level.
        f.document->changeScreen(1);
        const QString own = f.module->ScratchFileName(2);
        f.document->loadLevel(own, "test");
        QVERIFY(QFile::exists(own));
    }
};

QTEST_MAIN(TestDamagedFiles)
#include "tst_damagedfiles.moc"
