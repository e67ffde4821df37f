// Faults from outside that level storage meets itself: scratch files that vanish or are cut short, a level
// file removed while in use, picture references that reach outside the Pics folder. Each gives one clear
// failure, and the grid always shows a whole screen.
#include "levelfixture.h"

#include <QStandardPaths>
#include <QtTest>

using namespace tavrin;

namespace {

bool showsLevelScreen(LevelFixture& f, int screen) {
    for (int t = 1; t <= 300; ++t)
        if (f.grid.backColour(t) != screen * 1000 + t ||
            f.module->TileBackColor(t).toLong() != screen * 1000 + t)
            return false;
    return f.module->CurrentScreen == screen;
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
        f.module->ChangeScreen(1);
        f.module->ChangeScreen(2);
        QFile scratch(f.path("Screen1.tmp"));
        QVERIFY(vanishes ? scratch.remove()
                         : scratch.open(QIODevice::ReadWrite) && scratch.resize(scratch.size() / 3));
        scratch.close();
        QCOMPARE(CodeOfFailure([&] { f.module->ChangeScreen(1); }), int(ErrPathAccess));
        QVERIFY(showsLevelScreen(f, 1)); // not part of screen 1 over screen 2
        f.module->ChangeScreen(0);
        QCOMPARE(f.readFile("Screen1.tmp").count("\r\n"), 309);
    }

    void levelFileRemovedWhileInUse() {
        LevelFixture f;
        f.load("level.txt", NumberedLevel(3));
        const QByteArray before = f.readFile("level.txt");
        QFile::remove(f.path("level.txt"));
        QCOMPARE(CodeOfFailure([&] { f.module->ChangeScreen(2); }), int(ErrPathAccess));
        QCOMPARE(f.module->TilePicture(5), FieldValue::number(0)); // a whole blank screen
        // Saving would write blank screens where the level had real ones: refused, nothing written.
        QCOMPARE(CodeOfFailure([&] { f.module->SaveLevel(f.path("copy.txt")); }), int(ErrPathAccess));
        QVERIFY(!QFile::exists(f.path("copy.txt")));
        f.writeFile("level.txt", before);
        f.module->ChangeScreen(1);
        QVERIFY(showsLevelScreen(f, 1));
    }

    // An editor installed for all users cannot write beside itself: scratch files go to a folder of the
    // user's.
    void programFolderNotWritable() {
        QStandardPaths::setTestModeEnabled(true);
        LevelFixture f;
        f.module->ChooseScratchFolder();
        QVERIFY(f.module->ScratchFolder.isEmpty()); // a writable program folder keeps them
        f.module->ProgramFolder = f.path("not-there");
        f.module->ChooseScratchFolder();
        QVERIFY(!f.module->ScratchFolder.isEmpty());
        f.module->SaveScreenTmp();
        QVERIFY(QFile::exists(f.module->ScratchFolder + "/Screen0.tmp"));
        f.module->DeleteScratchFiles();
        QVERIFY(!QFile::exists(f.module->ScratchFolder + "/Screen0.tmp"));
        // Nor the user's data folder (here below a file): a private folder in the system's temporary folder.
        QStandardPaths::setTestModeEnabled(false);
        f.writeFile("a-file", "");
        const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", f.path("a-file/data").toLocal8Bit());
        f.module->ChooseScratchFolder();
        qputenv("XDG_DATA_HOME", dataHome);
        const QString folder = f.module->ScratchFolder;
        QVERIFY2(folder.startsWith(QDir::tempPath() + "/tavrin-editor-"), qPrintable(folder));
        f.module->SaveScreenTmp();
        QVERIFY(QFile::exists(folder + "/Screen0.tmp"));
        QDir(folder).removeRecursively();
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
        FakeGrid::solidImage(Qt::red).save(f.path("secret.bmp"), "BMP");
        FakeGrid::solidImage(Qt::red).save(f.path("Pics2/grass.bmp"), "BMP");
        f.writeFile("level.txt", TileLine(0, 7, "5,\"" + reference.toLatin1() + "\",0,0,0,0,1,1,1,1"));
        f.module->LoadLevel(f.path("level.txt"), "test");
        QVERIFY(f.messages.isEmpty());
        QCOMPARE(!f.grid.picture(7).isNull(), shown);
        QVERIFY(f.grid.picture(7) != FakeGrid::solidImage(Qt::red));
        QCOMPARE(f.module->TilePicture(7).toText(), reference); // kept as written
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
