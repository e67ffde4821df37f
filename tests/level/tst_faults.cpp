// Faults from outside: a disk that fills up, a folder that refuses scratch files, scratch files that
// vanish or are cut short, a level file removed while in use, a missing Pics folder, picture references
// that reach outside the Pics folder. Each gives one clear failure; the grid always shows a whole screen,
// and no level or scratch file is left corrupt.
#include "faultyfiles.h"
#include "levelfixture.h"

#include <QtTest>

using namespace tavrin;

namespace {
FieldValue num(double v) {
    return FieldValue::number(v);
}

QByteArray levelOf(int screens) {
    QByteArray bytes;
    for (int n = 0; n < screens; ++n)
        for (int t = 1; t <= 300; ++t)
            bytes += TileLine(n, t, QByteArray::number(n * 1000 + t) + ",0,0,0,0,0,1,1,1,1");
    return bytes + "\"LevelProp\",\"\",\"\",\"\",\"\",\"\",1," + QByteArray::number(screens - 1) +
           ",0,0,0,0\r\n";
}

int failureOf(const std::function<void()>& action, QString* description = nullptr) {
    try {
        action();
    } catch (const Failure& failure) {
        if (description)
            *description = failure.description();
        return failure.code();
    }
    return 0;
}

// The grid shows screen `screen` of levelOf() whole: every tile its own colour.
void checkShowsLevelScreen(LevelFixture& f, int screen) {
    QCOMPARE(int(f.module->CurrentScreen), screen);
    for (int t = 1; t <= 300; ++t) {
        QCOMPARE(f.grid.backColour(t), Long(screen * 1000 + t));
        QCOMPARE(f.module->TileBackColor(t), num(screen * 1000 + t));
    }
}

struct Loaded {
    LevelFixture f;
    Loaded() {
        f.writeFile("level.txt", levelOf(3));
        f.module->LevelFileName = f.path("level.txt");
        f.module->LoadLevelSequence(f.module->LevelFileName, "test");
    }
};
} // namespace

class TestFaults : public QObject {
    Q_OBJECT
private slots:
    void diskFillsUpDuringSave();
    void scratchFilesCannotBeWritten();
    void scratchFileVanishes();
    void scratchFileCutShort();
    void levelFileRemovedWhileInUse();
    void picsFolderMissing();
    void referencesStayInsidePics_data();
    void referencesStayInsidePics();
};

void TestFaults::diskFillsUpDuringSave() {
    Loaded l;
    FaultyFiles files;
    l.f.module->Files = &files;
    l.f.writeFile("old.txt", "old level\r\n");
    files.diskFullAfter = 20000;
    QString description;
    QCOMPARE(failureOf([&] { l.f.module->SaveLevel(l.f.path("old.txt")); }, &description), int(ErrDiskFull));
    QVERIFY(description.contains("space"));
    QCOMPARE(l.f.readFile("old.txt"), QByteArray("old level\r\n"));
    checkShowsLevelScreen(l.f, l.f.module->CurrentScreen);
    QCOMPARE(QDir(l.f.folder.path()).entryList({"*.txt*"}, QDir::Files),
             QStringList({"level.txt", "old.txt"}));
}

void TestFaults::scratchFilesCannotBeWritten() {
    Loaded l;
    FaultyFiles files;
    l.f.module->Files = &files;
    files.failOpenWriteWith = ErrPermission;
    l.f.grid.setBackColour(9, 77);
    QCOMPARE(failureOf([&] { l.f.module->GoToScreen("1"); }), int(ErrPermission));
    QCOMPARE(l.f.module->CurrentScreen, Integer(0));
    QCOMPARE(l.f.grid.backColour(9), Long(77)); // the edit is still on screen
    QCOMPARE(l.f.grid.backColour(10), Long(10));
}

void TestFaults::scratchFileVanishes() {
    Loaded l;
    l.f.grid.setBackColour(9, 77);
    l.f.module->ChangeScreen(1);
    QFile::remove(l.f.path("Screen0.tmp"));
    QString description;
    QCOMPARE(failureOf([&] { l.f.module->ChangeScreen(0); }, &description), int(ErrPathAccess));
    QVERIFY(description.contains("Screen0.tmp"));
    checkShowsLevelScreen(l.f, 0);
}

void TestFaults::scratchFileCutShort() {
    Loaded l;
    l.f.module->ChangeScreen(1);
    l.f.module->ChangeScreen(2);
    QFile cut(l.f.path("Screen1.tmp"));
    QVERIFY(cut.open(QIODevice::ReadWrite));
    cut.resize(cut.size() / 3);
    cut.close();
    QCOMPARE(failureOf([&] { l.f.module->ChangeScreen(1); }), int(ErrPathAccess));
    checkShowsLevelScreen(l.f, 1); // not half of screen 1 over screen 2
    QVERIFY(l.f.messages.isEmpty());
    // Leaving the screen writes a whole scratch file again.
    l.f.module->ChangeScreen(0);
    QCOMPARE(l.f.readFile("Screen1.tmp").count("\r\n"), 309);
}

void TestFaults::levelFileRemovedWhileInUse() {
    Loaded l;
    const QByteArray before = l.f.readFile("level.txt");
    QFile::remove(l.f.path("level.txt"));
    QString description;
    QCOMPARE(failureOf([&] { l.f.module->ChangeScreen(2); }, &description), int(ErrPathAccess));
    QVERIFY(description.contains("level.txt"));
    QCOMPARE(l.f.module->CurrentScreen, Integer(2));
    QCOMPARE(l.f.module->TilePicture(5), num(0)); // a whole blank screen
    QCOMPARE(l.f.grid.backColour(5), l.f.grid.brush);
    // Saving would write blank screens where the level had real ones: refused, nothing written.
    QCOMPARE(failureOf([&] { l.f.module->SaveLevel(l.f.path("copy.txt")); }), int(ErrPathAccess));
    QVERIFY(!QFile::exists(l.f.path("copy.txt")));
    // Back in place, everything works again.
    l.f.writeFile("level.txt", before);
    l.f.module->ChangeScreen(1);
    checkShowsLevelScreen(l.f, 1);
}

void TestFaults::picsFolderMissing() {
    LevelFixture f;
    QDir(f.path("Pics")).removeRecursively();
    f.writeFile("level.txt", TileLine(0, 1, "5,\"\\grass.bmp\",0,0,0,0,1,1,1,1") +
                                 "\"LevelProp\",\"\",\"\",\"\",\"\",\"\",2,0,0,0,0,0\r\n");
    QString description;
    QCOMPARE(failureOf([&] { f.module->LoadLevelSequence(f.path("level.txt"), "test"); }, &description),
             int(ErrPathAccess));
    QVERIFY(description.contains("Pics"));
    QVERIFY(f.messages.isEmpty()); // the missing picture itself is not a message of its own
    QCOMPARE(f.module->WalkerTile, Integer(2));
    QCOMPARE(f.grid.backColour(1), Long(5));
}

void TestFaults::referencesStayInsidePics_data() {
    QTest::addColumn<QString>("reference");
    QTest::addColumn<bool>("shown");
    QTest::newRow("a file in Pics") << "\\grass.bmp" << true;
    QTest::newRow("a subfolder of Pics") << "\\sub\\rock.bmp" << true;
    QTest::newRow("forward slashes") << "/sub/rock.bmp" << true;
    QTest::newRow("up out of Pics") << "\\..\\secret.bmp" << false;
    QTest::newRow("far up") << "\\..\\..\\..\\..\\..\\..\\tmp\\secret.bmp" << false;
    QTest::newRow("up and back in") << "\\..\\Pics\\grass.bmp" << true;
    QTest::newRow("drive-letter path") << "C:\\secret.bmp" << false;
    QTest::newRow("into a sibling folder") << "\\..\\Pics2\\grass.bmp" << false;
}

void TestFaults::referencesStayInsidePics() {
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
    if (shown)
        QVERIFY(f.grid.picture(7) != FakeGrid::solidImage(Qt::red));
    QCOMPARE(f.module->TilePicture(7).toText(), reference); // kept as written
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
