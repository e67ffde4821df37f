// Load Level, Save Level, Pelmar Level, the level named on the command line and Compare With..., through
// the window; faults from outside met through these commands, each with one clear message, the editor going
// on and the screen on display whole; and long tasks: input while a save runs, which reaches nothing, Cancel
// on the progress of an edit, a renumbering or an undo of many screens, and what a task's piece throws.
#include "editorfixture.h"
#include "faultyfiles.h"
#include "level/core/messages.h"
#include "level/core/task.h"
#include "leveltool.h"
#include "mainwindow/comparewindow.h"
#include "mainwindow/longtask.h"
#include "mainwindow/messagebox.h"
#include "mainwindow/resolveconflicts.h"

#include <QCryptographicHash>
#include <QtTest>
#include <QtWidgets>

using namespace tavrin;

namespace {
// Tile `index` of the screen on display in `colour`, as one edit.
// The window shown with a level of `screens` screens loaded through Load Level.
bool showBigLevel(EditorFixture& f, int screens) {
    if (!f.show() || !WriteFile(f.path("big.txt"), NumberedLevel(screens)))
        return false;
    f.dialog.files << f.path("big.txt");
    f.form->mnuLoad_Click();
    return f.module->LevelLastScreen() == screens - 1;
}

void PaintTile(EditorFixture& f, int index, Long colour) {
    EditTile(*f.document, index, [&](tavrin::TileState& t) { t.colour = FieldValue::number(colour); });
}

// git run in `folder` without the user's settings; its exit code.
int Git(const QString& folder, const QStringList& arguments) {
    QProcess git;
    git.setWorkingDirectory(folder);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("GIT_CONFIG_GLOBAL", "/dev/null");
    environment.insert("GIT_CONFIG_NOSYSTEM", "1");
    git.setProcessEnvironment(environment);
    git.start("git", QStringList{"-c", "user.name=Tester", "-c", "user.email=t@example.org"} + arguments);
    return git.waitForFinished(60000) && git.exitStatus() == QProcess::NormalExit ? git.exitCode() : -1;
}

QByteArray Hash(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}
} // namespace

class TestLevelCommands : public QObject {
    Q_OBJECT
private slots:
    void freshEditorSavesExactly() {
        EditorFixture f;
        QCOMPARE(f.saveAs("new.txt"), ReadFile(TAVRIN_TEST_DATA "/new_level_saved.txt"));
    }
    void loadLevel_data() {
        QTest::addColumn<bool>("commandLine");
        QTest::addColumn<QStringList>("messages"); // with a message, the file is missing
        QTest::newRow("Load Level") << false << QStringList();
        QTest::newRow("Load Level, missing file") << false << QStringList{"53, mnuLoad_Click"};
        QTest::newRow("command line") << true << QStringList();
        QTest::newRow("command line, missing file") << true << QStringList{"53, Form1_Load"};
    }
    void loadLevel() { // the command-line rows run the load step again, with the level named
        QFETCH(bool, commandLine);
        QFETCH(QStringList, messages);
        EditorFixture f;
        QVERIFY(WriteFile(
            f.path("start level.txt"), // a fresh level whose start tile is 57
            ReadFile(TAVRIN_TEST_DATA "/new_level_saved.txt").replace("\"\",1,0,0", "\"\",57,0,0")));
        const QString file = f.path(messages.isEmpty() ? "start level.txt" : "gone.txt");
        f.dialog.files << file;
        f.form->CommandLineArguments = file.split(u' ');
        commandLine ? f.form->Form_Load() : f.form->mnuLoad_Click();
        QCOMPARE(f.titles(), messages);
        // A file that cannot be loaded leaves the caption as it was; one named on the command line that is
        // not there yet is a new level, named in the caption.
        QCOMPARE(f.form->windowTitle(),
                 messages.isEmpty() || commandLine ? "TavrinEditor (" + file + ")" : "TavrinEditor");
        QCOMPARE(f.form->Tile(messages.isEmpty() ? 57 : 1)->picture(), f.form->Tile(999)->picture());
    }
    void refusedAndCancelledCommandsChangeNothing() {
        EditorFixture f;
        f.dialog.files << std::nullopt << std::nullopt << f.path("never.txt");
        f.form->mnuLoad_Click(); // cancelled: silent
        f.form->mnuSave_Click(); // cancelled: silent
        SetLastScreen(*f.document, -1);
        f.form->mnuSave_Click();
        f.document->undo(); // the level as it started again: nothing unsaved, nothing to ask about
        QFile::remove(f.path("PelmarLevel.txt"));
        f.form->MnuPLtemp_Click();
        QCOMPARE(f.titles(), (QStringList{"380, mnuSave_Click", "53, MnuPLtemp"}));
        // The two cancelled dialogs only: the refused save asks for no file.
        QCOMPARE(f.dialog.titles, (QStringList{"Load Level", "Save Level"}));
        QVERIFY(f.module->LevelFileName().isEmpty());
        QCOMPARE(f.form->windowTitle(), QString("TavrinEditor"));
    }
    void saveOverLoadedLevelKeepsItsScreens() {
        EditorFixture f;
        QFile::copy(TAVRIN_TEST_DATA "/screen0_untouched.tmp", f.path("Screen2.tmp")); // another level's
        f.form->MnuPLtemp_Click();
        QVERIFY(QFile::exists(f.path("Screen2.tmp"))); // not the editor's own, so not deleted, but ...
        const QByteArray before = ReadFile(f.path("PelmarLevel.txt"));
        TileState tile = f.document->tile(150);
        tile.colour = FieldValue::number(197121); // red 1, green 2, blue 3
        f.document->editTile(150, tile);
        const QByteArray after = f.saveAs("PelmarLevel.txt");
        QVERIFY(after.contains("\"Screen0\",150,197121,"));
        // ... screens of another level never come back into this one
        QCOMPARE(after.mid(after.indexOf("\"Screen1\"")), before.mid(before.indexOf("\"Screen1\"")));
    }
    // The template level is where a new level starts: the caption names no file, whatever level was on
    // display before, and Save proposes a file not there yet (Level.txt is taken), never the template itself.
    void templateLevelIsANewLevel() {
        EditorFixture f;
        f.saveAs("Level.txt");
        f.form->MnuPLtemp_Click();
        QCOMPARE(f.form->windowTitle(), QString("TavrinEditor"));
        f.dialog.proposed.clear();
        f.form->mnuSave_Click(); // cancelled
        QCOMPARE(f.dialog.proposed, QStringList{QDir::toNativeSeparators(f.path("Level2.txt"))});
        f.paint(1, 255);
        f.form->mnuNew_Click(); // asked, and cancelled
        QCOMPARE(f.questionTexts.last(), Text(Msg::UnsavedNewLevel));
    }

    // The level as it is edited against its file, an edit not saved yet included; a double click on the
    // change shows its screen.
    void compareWithListsUnsavedEdits() {
        EditorFixture f;
        QVERIFY(WriteFile(f.path("level.txt"), NumberedLevel(3)));
        f.document->loadLevel(f.path("level.txt"), QStringLiteral("test"));
        f.document->changeScreen(2);
        PaintTile(f, 45, 255);
        f.document->changeScreen(0);
        f.dialog.files << f.path("level.txt");
        f.control("mnuCompare")->trigger();
        auto* window = f.form->findChild<CompareWindow*>();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->ChangeList->topLevelItemCount(), 1);
        QTreeWidgetItem* row = window->ChangeList->topLevelItem(0);
        QCOMPARE(row->text(CompareWindow::ChangeColumn), "screen 2 tile 45: colour 255 -> 2045");
        emit window->ChangeList->itemActivated(row, 0);
        QCOMPARE(f.module->CurrentScreen(), Integer(2));
        // After a renumbering the row would name another screen.
        QVERIFY(f.document->renumberScreens(ScreenRenumbering::deleting(0, 2)));
        QCOMPARE(window->ChangeList->topLevelItemCount(), 0);
    }

    void writesFail() {
        FaultyFiles files; // outlives the editor, which writes its session file as it goes
        EditorFixture f;
        f.document->setFiles(&files);
        f.form->MnuPLtemp_Click();
        PaintTile(f, 30, 9);
        files.failOpenWriteWith = ErrPermission; // scratch files cannot be written
        f.goTo("2");                             // refused: screen 0 stays on display
        QCOMPARE(f.form->backColour(30), Long(9));
        files.failOpenWriteWith = 0;
        files.diskFullAfter = 40000; // the disk fills up during a save
        f.dialog.files << f.path("PelmarLevel.txt");
        f.form->mnuSave_Click();
        QCOMPARE(f.titles(), (QStringList{"70, Command1_Click (Change Screen)", "61, mnuSave_Click"}));
    }
    void filesVanish() {
        EditorFixture f;
        f.form->MnuPLtemp_Click();
        const Long original = f.form->backColour(30);
        PaintTile(f, 30, 9);
        f.goTo("1");
        QFile::remove(f.path("Screen0.tmp")); // a scratch file vanishes: the screen comes from the level
        f.goTo("0");
        QCOMPARE(f.form->backColour(30), original);
        QFile::remove(f.path("PelmarLevel.txt")); // the level file is removed while in use
        f.goTo("3");
        QCOMPARE(f.module->CurrentScreen(), Integer(3));
        QCOMPARE(f.titles(), QStringList(2, "75, Command1_Click (Change Screen)"));
    }
    void picsFolderMissing() {
        EditorFixture f;
        QDir(f.path("Pics")).removeRecursively();
        f.form->MnuPLtemp_Click();
        QCOMPARE(f.titles(), QStringList{"75, MnuPLtemp"});
        QVERIFY(f.module->LevelLastScreen() >= 3); // the level itself is loaded
    }

    // Save Level on a level of 2,000 edited screens while the user goes on: undo, the arrow keys, a paint
    // and New Level sent while the save runs reach nothing, and the file holds the level as it stood when
    // the save began. Afterwards the window answers again.
    void inputDuringTheSaveReachesNothing() {
        constexpr int Screens = 2000;
        EditorFixture f;
        QVERIFY(showBigLevel(f, Screens));
        // Every screen edited into a scratch file of its own: the save reads each one, which takes a while.
        f.document->setLevelCopyFrom(0);
        f.answers << "Block";
        f.control("mnuBlockEdgesEverywhere")->trigger();
        f.paint(1, 255);
        f.paint(2, 255);
        f.control<QLineEdit>("PropLeft")->setText("1");
        QTest::mouseClick(f.control<QCheckBox>("UseApplyProp"),
                          Qt::LeftButton); // a click would now paint properties
        const Integer walker = f.module->WalkerTile();
        const TileState tile5 = f.module->TileOnDisplay(5);

        // The user's keys and clicks arrive while the save writes its screens.
        int sentDuringTheSave = 0;
        QTimer::singleShot(0, f.form.get(), [&] {
            if (!f.document->isSaving())
                return;
            QTest::keyClick(f.form.get(), Qt::Key_Z, Qt::ControlModifier);
            QTest::keyClick(f.form.get(), Qt::Key_Right);
            QTest::mouseClick(f.form->Tile(5), Qt::LeftButton);
            QTest::keyClick(f.form.get(), Qt::Key_N, Qt::ControlModifier);
            QTest::mouseClick(f.control<QPushButton>("Command1"), Qt::LeftButton); // Go To Screen
            const bool closed = f.form->close(); // the close box waits for the save
            sentDuringTheSave = f.document->isSaving() && !closed ? 1 : 0;
        });
        f.control<QLineEdit>("ScreenToGoTo")->setText("typed");
        f.dialog.files << f.path("saved.txt");
        f.form->mnuSave_Click();
        QCOMPARE(sentDuringTheSave, 1);

        QCOMPARE(f.titles(), QStringList());
        QCOMPARE(f.questions, QStringList{"Block Screen Edges"});
        QCOMPARE(int(f.module->CurrentScreen()), 0);
        QCOMPARE(f.module->WalkerTile(), walker);
        QVERIFY(f.module->TileOnDisplay(5) == tile5);
        QCOMPARE(f.form->Tile(2)->backColour(), Long(255));
        QCOMPARE(f.form->Document().undoStack().index(), 3);
        QVERIFY(!f.document->isModified());
        QCOMPARE(f.control<QLineEdit>("ScreenToGoTo")->text(), QString("typed"));
        QCOMPARE(Hash(f.saveAs("again.txt")), Hash(ReadFile(f.path("saved.txt"))));

        // Once the save is over, the same keys act again.
        QTest::keyClick(f.form.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.form->Tile(2)->backColour(), Long(2));
        QVERIFY(f.document->isModified());
    }

    // The progress shows after half a second, and its Cancel leaves the level, the files and the undo
    // stack as they were.
    void cancelChangesNothing_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("asked"); // the task runs once this question was answered
        QTest::newRow("edit") << "block"
                              << "Block Screen Edges";
        QTest::newRow("renumbering") << "delete"
                                     << "Delete Screen";
        QTest::newRow("undo") << "undo"
                              << "";
    }
    void cancelChangesNothing() {
        QFETCH(QString, command);
        QFETCH(QString, asked);
        constexpr int screens = 3000;
        FaultyFiles slowDisk; // outlives the editor
        EditorFixture f;
        QVERIFY(showBigLevel(f, screens));
        f.document->setLevelCopyFrom(0); // a scratch file a screen, each write of which the disk delays
        f.paint(1, 255);
        if (command == "undo") {
            f.answers << "Block";
            f.control("mnuBlockEdgesEverywhere")->trigger();
            QVERIFY(f.titles().isEmpty());
        }
        // Each screen's write waits a little, so that the task outlasts the half second however fast the
        // machine is.
        slowDisk.writeDelayMs = 1;
        f.document->setFiles(&slowDisk);
        const int steps = f.document->undoStack().index();
        const QByteArray before = f.saveAs("before.txt");
        const QStringList files = QDir(f.root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        QElapsedTimer time;
        qint64 shownAfter = -1;
        bool closedDuringTheTask = true;
        QTimer look;
        look.setInterval(10);
        QObject::connect(&look, &QTimer::timeout, [&] {
            auto* progress = f.form->findChild<QProgressDialog*>("LongTaskProgress");
            if (!progress || !progress->isVisible() || !(asked.isEmpty() || f.questions.endsWith(asked)) ||
                shownAfter >= 0)
                return;
            shownAfter = time.elapsed();
            // The close box waits for the task: it neither closes nor asks.
            const qsizetype questions = f.questions.size();
            closedDuringTheTask = f.form->close() || f.questions.size() != questions;
            QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
        });
        look.start();
        time.start();
        f.answers << (command == "block" ? "Block" : "Delete");
        if (command == "block")
            f.control("mnuBlockEdgesEverywhere")->trigger();
        else if (command == "delete")
            f.control("mnuDeleteScreen")->trigger();
        else
            f.form->mnuUndo_Click();
        look.stop();

        QVERIFY2(shownAfter >= 500, qPrintable(QString::number(shownAfter)));
        QVERIFY(!closedDuringTheTask);
        QCOMPARE(f.titles(), QStringList());
        QCOMPARE(f.document->undoStack().index(), steps);
        QCOMPARE(int(f.module->LevelLastScreen()), screens - 1);
        QCOMPARE(QDir(f.root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), files);
        QCOMPARE(f.saveAs("after.txt"), before);
    }

    // What a piece throws, here or on the thread of its own, reaches the caller, and the task ends there;
    // the window's timers go on while a piece runs aside.
    void piecesThatFail_data() {
        QTest::addColumn<bool>("aside");
        QTest::newRow("piece") << false;
        QTest::newRow("aside") << true;
    }
    void piecesThatFail() {
        QFETCH(bool, aside);
        QWidget window;
        Task task;
        int ended = 0;
        bool timerRan = false;
        bool otherThread = false;
        task.then(3, [](int) {});
        if (aside) {
            QTimer::singleShot(20, &window, [&] { timerRan = true; });
            task.thenAside([&] {
                otherThread = QThread::currentThread() != qApp->thread();
                QThread::msleep(300);
                if (!timerRan)
                    return;
                throw Failure(ErrPathAccess, QStringLiteral("gone"));
            });
        } else {
            task.then(2, [](int piece) {
                if (piece == 1)
                    throw Failure(ErrPathAccess, QStringLiteral("gone"));
            });
        }
        task.then(0, {}, [&] { ++ended; });
        QCOMPARE(CodeOfFailure([&] { RunLongTask(&window, task); }), int(ErrPathAccess));
        QCOMPARE(ended, 0);
        QCOMPARE(otherThread, aside);
    }

    // A merge that stopped on conflicts: the level loaded opens Resolve Conflicts; each Take is one step
    // of Undo, and once every row is settled the conflicts file goes.
    void resolveConflicts() {
        EditorFixture f;
        QVERIFY(WriteFile(f.path("base.txt"), NumberedLevel(3)) &&
                WriteFile(f.path("level.txt"), MergeSide3("255", "\"Vale\"", 2)) &&
                WriteFile(f.path("theirs.txt"), MergeSide3("65280", "\"Dale\"", 0)));
        QCOMPARE(RunTool({"merge", f.path("base.txt"), f.path("level.txt"), f.path("theirs.txt"), "-o",
                          f.path("level.txt")})
                     .code,
                 1);
        f.dialog.files << f.path("level.txt");
        f.form->mnuLoad_Click();
        auto* window = f.form->findChild<ResolveConflicts*>();
        QVERIFY(window && window->isVisible());
        QTreeWidget* list = window->ConflictList;
        QCOMPARE(list->topLevelItemCount(), 3);
        QTreeWidgetItem* tile = list->topLevelItem(1);
        QCOMPARE(tile->text(ResolveConflicts::TileColumn), "col 5, row 1");
        QCOMPARE(tile->data(ResolveConflicts::TheirsColumn, Qt::DecorationRole).value<QColor>(),
                 QColor(0, 255, 0));
        const auto click = [&](int row, const char* button) {
            QWidget* cell = list->itemWidget(list->topLevelItem(row), ResolveConflicts::TakeColumn);
            QTest::mouseClick(cell->findChild<QAbstractButton*>(button), Qt::LeftButton);
        };
        const auto state = [&] {
            return std::tuple(f.document->readScreen(1).tile(5).colour.toLong(), f.module->Properties().name,
                              f.document->readSideLinks(1)[4], f.document->undoStack().count());
        };
        const QString conflicts = f.path("level.txt.conflicts.json");
        click(1, "TakeTheirs");
        QCOMPARE(state(), std::tuple(Long(65280), QString("Vale"), Integer(2), 1));
        QVERIFY(QFile::exists(conflicts));
        QTest::mouseClick(window->TakeAllTheirs, Qt::LeftButton);
        QCOMPARE(state(), std::tuple(Long(65280), QString("Dale"), Integer(0), 2));
        QVERIFY(!QFile::exists(conflicts));
        QVERIFY(window->Summary->text().contains("git add level.txt"));
        f.document->undo();
        QCOMPARE(state(), std::tuple(Long(65280), QString("Vale"), Integer(2), 2));
        click(1, "TakeOurs");
        QCOMPARE(state(), std::tuple(Long(255), QString("Vale"), Integer(2), 2));
    }

    // In a git work tree Compare With offers a revision of the level's file; a revision git does not know
    // is told, and nothing else happens.
    void compareWithGitRevision() {
        EditorFixture f({"A Git Revision...", "A Git Revision..."});
        const QString repo = f.path("repo");
        QVERIFY(QDir().mkpath(repo) && WriteFile(repo + "/level.txt", NumberedLevel(3)));
        QCOMPARE(Git(repo, {"init", "-q"}), 0);
        QCOMPARE(Git(repo, {"add", "level.txt"}), 0);
        QCOMPARE(Git(repo, {"commit", "-q", "-m", "base"}), 0);
        QVERIFY(WriteFile(
            repo + "/level.txt",
            NumberedLevel(3, {{1005, NumberedTile(1, 5, "0,0,0,0,0,1,1,1,1").replace("1005", "255")}})));
        f.dialog.files << repo + "/level.txt";
        f.form->mnuLoad_Click();
        QStringList revisions{"HEAD", "no-such-branch"};
        const TextSink before =
            SetTextSink([&](const TextQuestion&) { return std::optional(revisions.takeFirst()); });
        f.control("mnuCompare")->trigger();
        auto* window = f.form->findChild<CompareWindow*>();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), "Compare With level.txt at HEAD");
        QCOMPARE(window->ChangeList->topLevelItem(0)->text(CompareWindow::ChangeColumn),
                 "screen 1 tile 5: colour 255 -> 1005");
        f.control("mnuCompare")->trigger();
        SetTextSink(before);
        QCOMPARE(f.titles(), QStringList{"53, mnuCompare_Click"});
        QCOMPARE(window->windowTitle(), "Compare With level.txt at HEAD");
        QCOMPARE(f.questions.size(), 2);
    }
};

QTEST_MAIN(TestLevelCommands)
#include "tst_levelcommands.moc"
