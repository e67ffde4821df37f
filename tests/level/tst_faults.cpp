// Faults from outside that level storage meets itself: scratch files that vanish or are cut short, a level
// file removed while in use, picture references that reach outside the Pics folder. Each gives one clear
// failure, and the screen on display is always a whole screen.
#include "fileaccess.h"
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
    return f.module->CurrentScreen == screen;
}

// The picture a reference gives, as the grid would show it: none when the reference names no picture.
QImage ReferencedPicture(const Module1& m, const QString& reference) {
    try {
        return m.LoadPictureReference(reference);
    } catch (const Failure&) {
        return QImage();
    }
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
    // user's.
    void programFolderNotWritable() {
        QStandardPaths::setTestModeEnabled(true);
        LevelFixture f;
        f.document->start();
        QVERIFY(f.module->ScratchFolder.isEmpty()); // a writable program folder keeps them
        f.document->end();
        LevelDocument installed(f.path("not-there"));
        const Module1& m = installed.state();
        installed.start();
        QVERIFY(!m.ScratchFolder.isEmpty());
        installed.keepScreenOnDisplay();
        QVERIFY(QFile::exists(m.ScratchFolder + "/Screen0.tmp"));
        installed.end();
        QVERIFY(!QFile::exists(m.ScratchFolder + "/Screen0.tmp"));
        // Nor the user's data folder (here below a file): the user's private folder, in the runtime folder
        // or else in the system's temporary folder.
        QStandardPaths::setTestModeEnabled(false);
        f.writeFile("a-file", "");
        const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", f.path("a-file/data").toLocal8Bit());
        installed.start();
        qputenv("XDG_DATA_HOME", dataHome);
        const QString folder = m.ScratchFolder;
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        QVERIFY2(runtime.isEmpty()
                     ? folder == QDir::tempPath() + "/tavrin-editor-" + QString::number(::geteuid())
                     : folder == runtime + "/tavrin-editor",
                 qPrintable(folder));
        installed.keepScreenOnDisplay();
        QVERIFY(QFile::exists(folder + "/Screen0.tmp"));
        installed.end(); // leaves no empty folder behind
        QVERIFY(!QFileInfo::exists(folder));
    }

    void referencesStayInsidePics_data() {
        QTest::addColumn<QString>("reference");
        QTest::addColumn<bool>("shown");
        QTest::newRow("a file in Pics") << "\\grass.bmp" << true;
        QTest::newRow("a subfolder of Pics") << "\\sub\\rock.bmp" << true;
        QTest::newRow("up and back in") << "\\..\\Pics\\grass.bmp" << true;
        QTest::newRow("up out of Pics") << "\\..\\secret.bmp" << false;
        QTest::newRow("far up") << "\\..\\..\\..\\..\\..\\..\\tmp\\secret.bmp" << false;
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
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
