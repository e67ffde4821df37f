// Faults from outside that level storage meets itself: scratch files that vanish or are cut short, a level
// file removed while in use, picture references that reach outside the Pics folder. Each gives one clear
// failure, and the screen on display is always a whole screen. And files the editor did not write the way
// it writes them: damaged records, foreign files in the scratch folder, links. None of them may cost the
// user a screen, a level or a file of their own.
#include "faultyfiles.h"
#include "level/storage/fileaccess.h"
#include "levelfixture.h"

#include <QStandardPaths>
#include <QtTest>
#include <unistd.h>

using namespace tavrin;

namespace {

bool showsLevelScreen(const LevelFixture& f, int screen) {
    for (int t = 1; t <= 300; ++t)
        if (f.module->TileBackColor(t) != FieldValue::number(screen * 1000 + t))
            return false;
    return f.module->CurrentScreen() == screen;
}

// The picture a reference gives, as the grid would show it: none when the reference names no picture.
QImage ReferencedPicture(const Module1& m, const QString& reference) {
    try {
        return m.Pictures().load(reference);
    } catch (const Failure&) {
        return QImage();
    }
}
// The colours of the tiles of the screen on display, Tile(0) included, as the level holds them.
QStringList tileColours(const Module1& m) {
    QStringList colours;
    for (int t = 0; t <= 300; ++t)
        colours << m.TileBackColor(t).toText();
    return colours;
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT
private slots:
    void damagedScratchFile_data() {
        QTest::addColumn<bool>("vanishes");
        QTest::newRow("scratch file vanishes") << true;
        QTest::newRow("scratch file cut short") << false;
    }
    void damagedScratchFile() {
        QFETCH(bool, vanishes);
        LevelFixture f;
        f.load("level.txt", NumberedLevel(3));
        f.document->changeScreen(1);
        f.document->changeScreen(2);
        QFile scratch(f.path("Screen1.tmp"));
        QVERIFY(vanishes ? scratch.remove()
                         : scratch.open(QIODevice::ReadWrite) && scratch.resize(scratch.size() / 3));
        scratch.close();
        QCOMPARE(CodeOfFailure([&] { f.document->changeScreen(1); }), int(ErrPathAccess));
        QVERIFY(showsLevelScreen(f, 1)); // not part of screen 1 over screen 2
        f.document->changeScreen(0);
        QCOMPARE(f.readFile("Screen1.tmp").count("\r\n"), 309);
    }

    void levelFileRemovedWhileInUse() {
        LevelFixture f;
        f.load("level.txt", NumberedLevel(3));
        const QByteArray before = f.readFile("level.txt");
        QFile::remove(f.path("level.txt"));
        QCOMPARE(CodeOfFailure([&] { f.document->changeScreen(2); }), int(ErrPathAccess));
        QCOMPARE(f.module->TilePicture(5), FieldValue::number(0)); // a whole blank screen
        // Saving would write blank screens where the level had real ones: refused, nothing written.
        QCOMPARE(CodeOfFailure([&] { f.saveTo(f.path("copy.txt")); }), int(ErrPathAccess));
        QVERIFY(!QFile::exists(f.path("copy.txt")));
        f.writeFile("level.txt", before);
        f.document->changeScreen(1);
        QVERIFY(showsLevelScreen(f, 1));
    }

    // An editor installed for all users cannot write beside itself: scratch files go to a folder of the
    // user's (where, when that cannot be written either: privateScratchFolder in tst_screenstorage).
    void programFolderNotWritable() {
        QStandardPaths::setTestModeEnabled(true);
        LevelFixture f;
        f.document->start();
        QVERIFY(f.module->Sessions().chosenFolder().isEmpty()); // a writable program folder keeps them
        f.document->end();
        LevelDocument installed(f.path("not-there"));
        const Module1& m = installed.state();
        installed.start();
        QVERIFY(!m.Sessions().chosenFolder().isEmpty());
        installed.keepScreenOnDisplay();
        QVERIFY(QFile::exists(m.Sessions().chosenFolder() + "/Screen0.tmp"));
        installed.end();
        QVERIFY(!QFile::exists(m.Sessions().chosenFolder() + "/Screen0.tmp"));
    }

    void referencesStayInsidePics_data() {
        QTest::addColumn<QString>("reference");
        QTest::addColumn<bool>("shown");
        QTest::newRow("a file in Pics") << "\\grass.bmp" << true;
        QTest::newRow("a subfolder of Pics") << "\\sub\\rock.bmp" << true;
        QTest::newRow("up and back in") << "\\..\\Pics\\grass.bmp" << true;
        QTest::newRow("up out of Pics") << "\\..\\secret.bmp" << false;
        QTest::newRow("drive-letter path") << "C:\\secret.bmp" << false;
        QTest::newRow("into a sibling folder") << "\\..\\Pics2\\grass.bmp" << false;
    }
    void referencesStayInsidePics() {
        QFETCH(QString, reference);
        QFETCH(bool, shown);
        LevelFixture f;
        f.writePicture("grass.bmp", Qt::green);
        QDir(f.folder.path()).mkpath("Pics/sub");
        QDir(f.folder.path()).mkpath("Pics2");
        f.writePicture("sub/rock.bmp", Qt::gray);
        SolidImage(Qt::red).save(f.path("secret.bmp"), "BMP");
        SolidImage(Qt::red).save(f.path("Pics2/grass.bmp"), "BMP");
        f.load("level.txt", TileLine(0, 7, "5,\"" + reference.toLatin1() + "\",0,0,0,0,1,1,1,1"));
        QVERIFY(f.messages.isEmpty());
        const QImage picture = ReferencedPicture(*f.module, f.module->TilePicture(7).textValue());
        QCOMPARE(!picture.isNull(), shown);
        QVERIFY(picture != SolidImage(Qt::red));
        QCOMPARE(f.module->TilePicture(7).toText(), reference); // kept as written
    }

    // A level file cut short after its index was made: a read gives what is left of the range, or nothing.
    // A sync that the system cannot make is a failure: the files written since may not be on the disk.
    void syncThatCannotBeMade() {
        QTemporaryDir folder;
        QVERIFY(CodeOfFailure([&] { SyncFileSystem(folder.filePath("gone")); }) == ErrPathAccess);
        QCOMPARE(CodeOfFailure([&] { SyncFileSystem(folder.path()); }), 0);
    }

    void readAheadOnFileCutShort_data() {
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("size"); // of the file once cut
        QTest::addColumn<int>("begin");
        QTest::addColumn<int>("end");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("backwards, cut inside the range")
            << int(ReadAhead::Backwards) << 4 << 2 << 8 << QByteArray("23");
        QTest::newRow("backwards, cut before the range")
            << int(ReadAhead::Backwards) << 4 << 6 << 9 << QByteArray();
        QTest::newRow("backwards, cut to nothing")
            << int(ReadAhead::Backwards) << 0 << 3 << 10 << QByteArray();
        QTest::newRow("forwards, cut before the range")
            << int(ReadAhead::Forwards) << 4 << 6 << 9 << QByteArray();
    }
    void readAheadOnFileCutShort() {
        QFETCH(int, direction);
        QFETCH(int, size);
        QFETCH(int, begin);
        QFETCH(int, end);
        QFETCH(QByteArray, expected);
        LevelFixture f;
        f.writeFile("level.txt", "0123456789");
        auto file = std::make_unique<QFile>(f.path("level.txt"));
        QVERIFY(file->open(QIODevice::ReadOnly));
        ReadAhead reader(std::move(file), ReadAhead::Direction(direction));
        QVERIFY(QFile::resize(f.path("level.txt"), size));
        const QByteArrayView bytes = reader.bytes(begin, end);
        QCOMPARE(bytes.size(), expected.size());
        QCOMPARE(bytes.toByteArray(), expected);
    }

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
        EditLink(*f.document, 4, 40);
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
        QCOMPARE(m.LevelFileName(), f.path("a.txt"));
        QVERIFY(m.LevelName() == "A" && m.LevelAuthor() == "Ann" && m.LevelStartTile() == 57 &&
                m.LevelLastScreen() == 2);
        QVERIFY(m.CurrentScreen() == 1 && m.SideScreen(4) == 40 && m.WalkerTile() == 57);
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
        QVERIFY(m.LevelName().isEmpty() && m.LevelAuthor().isEmpty() && m.LevelDateMade().isEmpty());
        QVERIFY(m.LevelDescription().isEmpty() && m.LevelComments().isEmpty());
        QVERIFY(m.LevelStartTile() == 1 && m.LevelLastScreen() == 0 && m.WalkerTile() == 1);
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
        QCOMPARE(f.module->TileBackColor(7), FieldValue::number(f.module->BrushColour()));
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
        QCOMPARE(f.module->LevelFileName(), f.path("Screen3.tmp"));
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

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
