// Crash recovery: an editor killed after an edit leaves its work to the next one, which offers to recover
// it (every edited screen back, the level modified) or to discard it; two editors in one folder keep their
// scratch files apart.
#include "editorfixture.h"
#include "faultyfiles.h"
#include "level/storage/session.h"
#include "mainwindow/inputonlyto.h"

#include <QProcess>
#include <QtTest>
#include <QtWidgets>
#include <cstdio>
#include <sys/stat.h>

using namespace tavrin;

namespace {
// Where a file of the program folder is now: in its place, or in a folder of files set aside.
QString FoundIn(const QString& root, const QString& name) {
    if (QFileInfo(QDir(root).filePath(name)).exists())
        return QStringLiteral(".");
    for (const QString& aside : QDir(root).entryList({"Set aside*"}, QDir::Dirs))
        if (QFileInfo(QDir(root).filePath(aside + '/' + name)).exists())
            return QStringLiteral("set aside");
    return QString();
}

// What a killed editor leaves: its scratch files and session file, put into the program folder `to`.
void CopySessionFiles(const QString& from, const QString& to) {
    for (const QString& name : QDir(from).entryList({"Screen*.tmp", "TavrinSession.json"}, QDir::Files))
        QVERIFY(QFile::copy(QDir(from).filePath(name), QDir(to).filePath(name)));
}
} // namespace

class TestRecovery : public QObject {
    Q_OBJECT
private slots:
    // The child process of killedEditorLeavesItsWork: edits two screens and the level properties, waits
    // past the autosave, and waits to be killed.
    void childEdits() {
        const QString folder = qEnvironmentVariable("TAVRIN_CHILD_FOLDER");
        if (folder.isEmpty())
            QSKIP("runs as the child of killedEditorLeavesItsWork");
        EditorFixture f({}, folder);
        f.form->MnuPLtemp_Click();
        f.document->changeScreen(2);
        f.paint(150, 255);
        f.document->changeScreen(0);
        f.paint(7, 4660);
        PropertyValues renamed = f.module->Properties();
        renamed.name = "Renamed";
        f.document->editProperties(renamed);
        QTest::qWait(2500);
        std::printf("edited\n");
        std::fflush(stdout);
        QTest::qWait(60000);
    }

    void killedEditorLeavesItsWork_data() {
        QTest::addColumn<QString>("answer");
        QTest::newRow("recover") << "Recover";
        QTest::newRow("discard") << "Discard";
    }
    void killedEditorLeavesItsWork() {
        QFETCH(QString, answer);
        QTemporaryDir folder;
        EditorFixture::PrepareProgramFolder(folder.path());
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TAVRIN_CHILD_FOLDER", folder.path());
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {"childEdits"});
        QString output;
        while (!output.contains("edited") && child.waitForReadyRead(20000))
            output += child.readAllStandardOutput();
        QVERIFY2(output.contains("edited"), qPrintable(output + child.readAllStandardError()));
        child.kill();
        child.waitForFinished();

        auto editor = std::make_unique<EditorFixture>(QStringList{answer}, folder.path());
        EditorFixture& f = *editor;
        QCOMPARE(f.questions, QStringList{"Recover Unsaved Work"});
        if (answer == "Recover") {
            QVERIFY(f.form->Document().isModified() && f.form->windowTitle().endsWith('*'));
            QCOMPARE(f.form->Tile(7)->backColour(), 4660);
            QCOMPARE(f.module->LevelName(), "Renamed");
            f.document->changeScreen(2);
            QCOMPARE(f.form->Tile(150)->backColour(), 255);
            const QByteArray saved = f.saveAs("recovered.txt");
            QVERIFY(saved.contains("\"Screen0\",7,4660,") && saved.contains("\"Screen2\",150,255,"));
            QVERIFY(!f.form->Document().isModified());
        } else {
            QVERIFY(!f.hasScratchFiles() && !f.form->Document().isModified());
            f.form->MnuPLtemp_Click();
            QVERIFY(f.form->Tile(7)->backColour() != 4660);
        }
        f.paint(8, 1); // given up on Exit: nothing unsaved is left, so no question next time
        f.answers << "Discard";
        f.form->mnuExit_Click();
        editor.reset(); // the program ends
        EditorFixture again({}, folder.path());
        QCOMPARE(again.questions, QStringList());
    }

    // A session file is data, not orders: whatever it names that is not a scratch file of the folder for
    // its own screen makes it damaged. It is told once; nothing is deleted, recovered or read as a screen.
    void damagedSessionFile_data() {
        QTest::addColumn<QByteArray>("scratchFiles");
        QTest::newRow("the template level") << QByteArray(R"({"0": "PelmarLevel.txt"})");
        QTest::newRow("a path out of the folder") << QByteArray(R"({"0": "/etc/../tavrin-level"})");
        QTest::newRow("a screen beyond 32767") << QByteArray(R"({"65536": "Screen0.tmp"})");
        QTest::newRow("a screen with a sign") << QByteArray(R"({"+0": "Screen0.tmp"})");
        QTest::newRow("another screen's file") << QByteArray(R"({"1": "Screen0.tmp"})");
        QTest::newRow("a name with a line end") << QByteArray(R"({"0": "Screen0.tmp\n"})");
        QTest::newRow("no session at all") << QByteArray(R"(["Screen0.tmp"])");
        QTest::newRow("a level copy that is a level file")
            << QByteArray(R"({}, "levelCopy": "PelmarLevel.txt")");
        QTest::newRow("a level copy that is not there") << QByteArray(R"({}, "levelCopy": "Level~1.tmp")");
    }
    void damagedSessionFile() {
        QFETCH(QByteArray, scratchFiles);
        QTemporaryDir folder;
        EditorFixture::PrepareProgramFolder(folder.path());
        const QStringList precious{"PelmarLevel.txt", "MyLevel.txt", "tavrin-level", "Screen0.tmp"};
        for (const QString& name : precious)
            QVERIFY(WriteFile(QDir(folder.path()).filePath(name), "\"Screen0\",7,255,0,0,0,0,0,1,1,1,1\r\n"));
        const QByteArray session =
            scratchFiles.startsWith('[')
                ? scratchFiles
                : R"({"levelFile": "", "unsaved": true, "scratchFiles": )" + scratchFiles + "}";
        QVERIFY(WriteFile(QDir(folder.path()).filePath("TavrinSession.json"), session));

        auto editor = std::make_unique<EditorFixture>(QStringList{"OK"}, folder.path());
        QCOMPARE(editor->questions, QStringList{"Recover Unsaved Work"});
        QVERIFY(!editor->form->Document().isModified());
        QVERIFY(editor->form->Tile(7)->backColour() != 255);
        editor.reset();
        for (const QString& name : precious + QStringList{"Pics", "TavrinSession.json"})
            QVERIFY2(!FoundIn(folder.path(), name).isEmpty(), qPrintable(name));
        QVERIFY(QFileInfo(QDir(folder.path()).filePath("Pics")).isDir());
        EditorFixture again({}, folder.path()); // told once
        QCOMPARE(again.questions, QStringList());
    }

    // A pipe in place of the session file is not opened: opening it would wait for a writer for ever.
    void sessionFileThatIsAPipe() {
        QTemporaryDir folder;
        EditorFixture::PrepareProgramFolder(folder.path());
        QCOMPARE(
            ::mkfifo(QFile::encodeName(QDir(folder.path()).filePath("TavrinSession.json")).constData(), 0600),
            0);
        EditorFixture f({}, folder.path());
        QCOMPARE(f.questions, QStringList());
    }

    // Screens a killed editor kept, above the last screen or not, come back as edited screens: the save asks
    // for those above the last screen as it does for screens edited in this run.
    void recoveredScreensAboveTheLast_data() {
        QTest::addColumn<bool>("templateLevel");
        QTest::newRow("the template level") << true;
        QTest::newRow("a level never saved") << false;
    }
    void recoveredScreensAboveTheLast() {
        QFETCH(bool, templateLevel);
        QTemporaryDir folder;
        EditorFixture::PrepareProgramFolder(folder.path());
        EditorFixture killed; // its level file stays
        if (templateLevel)
            killed.form->MnuPLtemp_Click();
        killed.paint(7, 4660);
        killed.goTo("7");
        killed.paint(150, 255);
        killed.document->keepScreenOnDisplay();
        killed.document->keepSession(true);
        CopySessionFiles(killed.root, folder.path());
        EditorFixture f({"Recover"}, folder.path());
        QCOMPARE(f.questions, QStringList{"Recover Unsaved Work"});
        f.answers << "Raise and Save";
        const QByteArray saved = f.saveAs("recovered.txt");
        QCOMPARE(f.questions.last(), "Screens Beyond the Last Screen");
        QVERIFY(saved.contains("\"Screen0\",7,4660,") && saved.contains("\"Screen7\",150,255,"));
        QCOMPARE(f.module->LevelLastScreen(), 7);
    }

    // Exit with the changes discarded leaves nothing behind; scratch files that no session offers are set
    // aside at the start. Either way they are never read as screens of the level on display.
    void editsNotKeptStayGone_data() {
        QTest::addColumn<bool>("exited");
        QTest::newRow("discarded on Exit") << true;
        QTest::newRow("left without a session file") << false;
    }
    void editsNotKeptStayGone() {
        QFETCH(bool, exited);
        QTemporaryDir folder;
        EditorFixture::PrepareProgramFolder(folder.path());
        {
            EditorFixture other({}, exited ? folder.path() : QString());
            other.goTo("7");
            other.paint(150, 255);
            other.goTo("0");
            QVERIFY(other.hasScratchFiles());
            if (exited) {
                other.answers << "Discard";
                other.form->mnuExit_Click();
                QVERIFY(!other.hasScratchFiles());
            } else {
                CopySessionFiles(other.root, folder.path());
                QFile::remove(QDir(folder.path()).filePath("TavrinSession.json"));
            }
        }
        EditorFixture f({}, folder.path());
        QCOMPARE(f.questions, QStringList());
        if (!exited)
            QCOMPARE(FoundIn(folder.path(), "Screen7.tmp"), "set aside");
        f.goTo("7");
        QVERIFY(f.form->Tile(150)->backColour() != 255);
    }

    // A start keeps the newest three folders of files set aside and removes an older one, as long as it is
    // a folder the editor made and holds only files the editor puts there.
    void oldSetAsideFolders_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("extra"); // beside a scratch file: a file, a folder "/", a link "@"
        QTest::addColumn<bool>("removed");
        const QString old = "Set aside 2020-01-01 10.00.00";
        const auto row = [](const char* tag, const QString& name, const char* extra, bool removed) {
            QTest::newRow(tag) << name << QString(extra) << removed;
        };
        row("the editor's own", old, "", true);
        row("with a session file", old + " (2)", "TavrinSession.json", true);
        row("a file of the user's", old, "notes.txt", false);
        row("a folder inside", old, "Screen2.tmp/", false);
        row("a link inside", old, "Screen2.tmp@", false);
        row("a link to a folder", old + "@", "", false);
        row("another name", "Set aside old things", "", false);
        row("no such date", "Set aside 2020-13-01 10.00.00", "", false);
    }
    void oldSetAsideFolders() {
        QFETCH(QString, name);
        QFETCH(QString, extra);
        QFETCH(bool, removed);
        QTemporaryDir folder, elsewhere;
        EditorFixture::PrepareProgramFolder(folder.path());
        const QDir root(folder.path());
        const QStringList newest{"Set aside 2021-01-01 10.00.00", "Set aside 2021-01-01 10.00.00 (2)",
                                 "Set aside 2021-01-01 10.00.00 (10)"};
        for (const QString& aside : newest)
            QVERIFY(root.mkdir(aside) && WriteFile(root.filePath(aside + "/Screen0.tmp"), "0"));
        const bool linked = name.endsWith('@');
        const QString old = linked ? elsewhere.path() : root.filePath(name);
        QVERIFY(QDir().mkpath(old) && WriteFile(old + "/Screen1.tmp", "1"));
        if (linked)
            QVERIFY(QFile::link(old, root.filePath(name.chopped(1))));
        if (extra.endsWith('/'))
            QVERIFY(root.mkpath(old + '/' + extra));
        else if (extra.endsWith('@'))
            QVERIFY(QFile::link(root.filePath("PelmarLevel.txt"), old + '/' + extra.chopped(1)));
        else if (!extra.isEmpty())
            QVERIFY(WriteFile(old + '/' + extra, "x"));
        EditorFixture f({}, folder.path());
        for (const QString& aside : newest)
            QVERIFY(QFileInfo::exists(root.filePath(aside + "/Screen0.tmp")));
        QCOMPARE(!QFileInfo::exists(old + "/Screen1.tmp"), removed);
        QCOMPARE(!QFileInfo::exists(old), removed);
    }

    // A scratch folder on a full disk stops no save: the screen on display is saved from memory and the
    // failure is told once, by the autosave that met it first.
    void saveWithTheScratchDiskFull() {
        FaultyFiles files;
        EditorFixture f;
        f.form->MnuPLtemp_Click();
        for (int screen = 0; screen <= 3; ++screen) {
            f.goTo(QString::number(screen));
            f.paint(100 + screen, 255);
        }
        files.fullFolder = f.root;
        f.document->setFiles(&files);
        QTest::qWait(2500); // the autosave fails
        QCOMPARE(f.messages.count(), 1);
        QTemporaryDir elsewhere;
        const QString target = QDir(elsewhere.path()).filePath("saved.txt");
        f.dialog.files << target;
        f.form->mnuSave_Click();
        const QByteArray saved = ReadFile(target);
        for (int screen = 0; screen <= 3; ++screen)
            QVERIFY(saved.contains(
                QStringLiteral("\"Screen%1\",%2,255,").arg(screen).arg(100 + screen).toLatin1()));
        QCOMPARE(f.messages.count(), 1);
    }

    // The autosave waits while a long task runs, and comes once it has ended.
    void autosaveWaitsForALongTask() {
        EditorFixture f;
        f.form->MnuPLtemp_Click();
        f.paint(7, 4660);
        auto task = std::make_unique<InputOnlyTo>(f.form->Tile(1));
        QTest::qWait(2000);
        QVERIFY(!ReadFile(f.module->ScratchFileName(0)).contains("\"Screen0\",7,4660,"));
        task.reset();
        QTRY_VERIFY_WITH_TIMEOUT(ReadFile(f.module->ScratchFileName(0)).contains("\"Screen0\",7,4660,"),
                                 3000);
    }

    void twoEditorsSideBySide() {
        EditorFixture a;
        EditorFixture b({}, a.root);
        QVERIFY(a.questions.isEmpty() && b.questions.isEmpty());
        QVERIFY(QFileInfo(a.module->ScratchFileName(1)).dir() !=
                QFileInfo(b.module->ScratchFileName(1)).dir());
        a.form->MnuPLtemp_Click();
        b.form->MnuPLtemp_Click();
        a.document->changeScreen(1);
        a.paint(150, 255);
        a.document->changeScreen(0);
        b.document->changeScreen(1);
        QVERIFY(b.form->Tile(150)->backColour() != 255);
        b.answers << "Discard";
        QVERIFY(b.form->close());
        a.document->changeScreen(1);
        QCOMPARE(a.form->Tile(150)->backColour(), 255);
    }
};

QTEST_MAIN(TestRecovery)
#include "tst_recovery.moc"
