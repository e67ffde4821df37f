// Scratch files, the screen block, LoadLevel and LoadScreen.
#include "faultyfiles.h"
#include "level/document/leveldocument.h"
#include "level/storage/session.h"
#include "levelfixture.h"

#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace tavrin;

class TestScreenStorage : public QObject {
    Q_OBJECT
private slots:
    // With neither the program folder nor the user's data folder writable, the scratch files go to one
    // private folder of the user's that the next start looks in again, so a crash can be recovered; a
    // folder there that others may enter, or that is another user's, is not used. A normal end leaves no
    // empty folder behind.
    void privateScratchFolder_data() {
        QTest::addColumn<QString>("found"); // what is in the private folder's place at the start
        QTest::newRow("nothing") << "";
        QTest::newRow("this user's, left by a crash") << "own";
        QTest::newRow("open to others") << "open";
        QTest::newRow("another user's") << "foreign";
    }
    void privateScratchFolder() {
        QFETCH(QString, found);
        QTemporaryDir runtime;
        const QByteArray before = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        const auto restore = qScopeGuard([&] { qputenv("XDG_RUNTIME_DIR", before); });
        QStandardPaths::setTestModeEnabled(true);
        const QString own = QDir(runtime.path()).filePath("tavrin-editor");
        const QByteArray native = QFile::encodeName(own);
        if (!found.isEmpty())
            QCOMPARE(::mkdir(native.constData(), found == "open" ? 0755 : 0700), 0);
        ::chmod(native.constData(), found == "open" ? 0755 : 0700);
        if (found == "foreign" && (::geteuid() != 0 || ::chown(native.constData(), 65534, 65534) != 0))
            QSKIP("needs root, to give the folder to another user");
        const bool taken = found == "" || found == "own";

        LevelFixture f;
        FaultyFiles files;
        files.unwritableFolders = {
            f.folder.path(), QFileInfo(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
                                 .absoluteFilePath()};
        f.document->setFiles(&files);
        f.document->start();
        const QString scratch = QFileInfo(f.module->ScratchFileName(0)).absolutePath();
        QCOMPARE(scratch == own, taken);
        if (taken)
            QCOMPARE(QFileInfo(own).permissions() & 0x0077, QFileDevice::Permissions());
        f.paintColour(7, 255);
        f.document->keepScreenOnDisplay();
        f.document->keepSession(true);
        f.document.reset(); // killed: the files stay

        LevelDocument next(f.folder.path());
        next.setFiles(&files);
        next.start();
        const QString nextScratch = QFileInfo(next.state().ScratchFileName(0)).absolutePath();
        const std::optional<SessionState> session = next.recoverableSession();
        QCOMPARE(session.has_value(), taken);
        if (session)
            next.discardSession(*session);
        next.end();
        if (found != "foreign")
            QCOMPARE(QFileInfo::exists(own), found == "open");
        QVERIFY(!QFileInfo::exists(nextScratch) || nextScratch == own);
    }

    // The untouched screen 0 saved twice (replacing, not appending); then edited (a negative colour, text
    // and number picture references, texts, an empty field), read back into a second editor and written
    // again byte for byte; a text with a double quote is refused before anything is written.
    void scratchFileOfScreenZero() {
        LevelFixture f;
        QFile expected(QStringLiteral(TAVRIN_TEST_DATA "/screen0_untouched.tmp"));
        QVERIFY(expected.open(QIODevice::ReadOnly));
        LevelDocument& document = *f.document;
        document.keepScreenOnDisplay();
        document.keepScreenOnDisplay();
        QCOMPARE(f.readFile("Screen0.tmp"), expected.readAll());
        f.paintColour(1, -2147483633);
        EditTile(document, 2, [&](TileState& t) { t.picture = FieldValue::text("997"); });
        EditTile(document, 3, [](TileState& t) {
            t.picture = FieldValue::number(997);
            t.operands[1] = FieldValue::text("a, text\r\nwith a line break");
            t.operands[2] = FieldValue();
        });
        document.keepScreenOnDisplay();
        const QByteArray saved = f.readFile("Screen0.tmp");
        // The second editor is a level of its own that recovers the scratch file onto its display.
        Module1 other(f.folder.path());
        SessionState kept;
        kept.folder = f.folder.path();
        kept.unsaved = true;
        kept.scratchFiles.insert(0, f.path("Screen0.tmp"));
        other.RecoverSession(kept);
        QVERIFY(other.TilePicture(2) == FieldValue::text("997") &&
                other.TilePicture(3) == FieldValue::number(997));
        other.SaveScreenTmp();
        QCOMPARE(f.readFile("Screen0.tmp"), saved);
        TileState tile = other.TileOnDisplay(20);
        tile.operands[0] = FieldValue::text("say \"hi\"");
        other.StoreTile(20, tile);
        QVERIFY_THROWS_EXCEPTION(Failure, other.SaveScreenTmp());
        QCOMPARE(f.readFile("Screen0.tmp"), saved);
    }

    // With no level loaded, silently: screen 2 from a scratch file emptied since that changes nothing,
    // screen 1 blank, screen 0 from its scratch file with its own side links.
    void changeOfScreen() {
        LevelFixture f; // no level file
        LevelDocument& document = *f.document;
        document.changeScreen(2);
        document.changeScreen(0);
        document.setBrushColour(Rgb(10, 20, 30));
        EditLink(document, 4, 40);
        f.writeFile("Screen2.tmp", QByteArray());
        document.changeScreen(2);
        QCOMPARE(f.module->TileBackColor(1).toLong(), SysWindowBackground);
        document.changeScreen(1);
        for (int i : {1, 300})
            QCOMPARE(f.module->TileBackColor(i).toLong(), Rgb(10, 20, 30));
        QCOMPARE(f.module->SideScreen(4), Integer(40)); // a blank screen keeps the links in force
        EditLink(document, 4, 22);
        document.changeScreen(0);
        QCOMPARE(f.module->SideScreen(4), Integer(40));
        document.changeScreen(1);
        QCOMPARE(f.module->SideScreen(4), Integer(22));
        QVERIFY(f.messages.isEmpty());
    }

    // Browsing a level with nothing unsaved does not wait for the disk at each change of screen; once
    // there is unsaved work, the screens left so far are on the disk before the session file names them
    // as such, and every screen left after goes on the disk at once.
    void scratchFilesOnTheDiskBeforeTheSessionNamesThem() {
        LevelFixture f;
        FaultyFiles files;
        f.document->setFiles(&files);
        f.document->start();
        f.load("level.txt", NumberedLevel(3));
        files.commits.clear();
        f.document->changeScreen(1);
        f.document->changeScreen(2);
        f.paintColour(7, 255);
        f.document->keepSession(f.document->isModified());
        f.document->changeScreen(0);
        QCOMPARE(files.commits, QStringList({"Screen0.tmp later", "Screen1.tmp later", "sync",
                                             Session::FileName + " at once", "Screen2.tmp at once"}));
    }

    void unloadDeletesOnlyOwnScratchFiles() {
        LevelFixture f;
        for (const char* name : {"Screen12.tmp", "Screens.tmp", "x.tmp"})
            f.writeFile(name, "x");
        f.document->keepScreenOnDisplay();
        f.document->newLevel(); // the level is unloaded: the scratch files it wrote go
        QCOMPARE(QDir(f.folder.path()).entryList(QDir::Files),
                 QStringList({"Screen12.tmp", "Screens.tmp", "x.tmp"}));
    }

    // Tile 2 of screen 0 has colour 5 where the file says so; a bad file gives one message and stops.
    void loadLevel_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("code");
        QTest::addColumn<Long>("colour");
        const QByteArray good = TileLine(0, 2, "5,0,0,0,0,0,1,1,1,1");
        const QByteArray levelProp = "\"LevelProp\",\"n\",\"a\",\"d\",\"e\",\"c\",1,3,0,0,0,0\r\n";
        QTest::newRow("other records")
            << TileLine(1, 2, "5,0,0,0,0,0,1,1,1,1") + levelProp << 0 << SysWindowBackground;
        QTest::newRow("missing picture") << TileLine(0, 1, "1,\"\\no.bmp\",0,0,0,0,1,1,1,1") + good << 0 << 5;
        QTest::newRow("empty file") << QByteArray() << 0 << SysWindowBackground;
        QTest::newRow("truncated record") << good + "\"Screen0\",3,5,0" << 62 << 5;
        QTest::newRow("binary junk") << QByteArray("\x89PNG\r\n\x1a\n\x00\x00\xff,,\"", 15) << 62
                                     << SysWindowBackground;
        QTest::newRow("tile 301") << good + TileLine(0, 301, "5,0,0,0,0,0,1,1,1,1") << 9 << 5;
    }
    void loadLevel() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, code);
        QFETCH(Long, colour);
        LevelFixture f;
        f.writeFile("level.txt", bytes);
        // LoadLevel alone, which the document offers only inside the level-load sequence: a level of its own.
        Module1 level(f.folder.path());
        level.SetDefaults();
        level.LoadLevel(f.path("level.txt"), "test");
        QCOMPARE(f.messages.size(), code ? 1 : 0);
        QVERIFY(!code || f.messages.value(0).startsWith(QString("%1, LoadLevel - test|").arg(code)));
        QCOMPARE(level.TileBackColor(2).toLong(), colour);
    }
};

QTEST_MAIN(TestScreenStorage)
#include "tst_screenstorage.moc"
