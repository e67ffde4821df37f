// Long tasks: Save Level on a level of 2,000 edited screens while the user goes on (undo, the arrow keys, a
// paint and New Level sent while the save runs reach nothing, and the file holds the level as it stood when
// the save began); Cancel on the progress of an edit, a renumbering or an undo of many screens; what a task's
// piece throws.
#include "editorfixture.h"
#include "levelfixture.h"
#include "longtask.h"
#include "task.h"

#include <QCryptographicHash>
#include <QtTest>
#include <QtWidgets>

using namespace tavrin;

namespace {
constexpr int Screens = 2000;

QByteArray Hash(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}
} // namespace

class TestLongTask : public QObject {
    Q_OBJECT
private slots:
    void inputDuringTheSaveReachesNothing() {
        EditorFixture f;
        QVERIFY(f.show());
        QVERIFY(WriteFile(f.path("big.txt"), NumberedLevel(Screens)));
        f.dialog.files << f.path("big.txt");
        f.form->mnuLoad_Click();
        QCOMPARE(int(f.module->LevelLastScreen), Screens - 1);
        // Every screen edited: the save writes each one, which takes a while.
        f.answers << "Block";
        f.form->mnuBlockEdgesEverywhere->trigger();
        f.paint(1, 255);
        f.paint(2, 255);
        f.form->PropLeft->setText("1");
        QTest::mouseClick(f.form->UseApplyProp, Qt::LeftButton); // a click would now paint properties
        const Integer walker = f.module->WalkerTile;
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
            QTest::mouseClick(f.form->Command1, Qt::LeftButton); // Go To Screen
            const bool closed = f.form->close();                 // the close box waits for the save
            sentDuringTheSave = f.document->isSaving() && !closed ? 1 : 0;
        });
        f.form->ScreenToGoTo->setText("typed");
        f.dialog.files << f.path("saved.txt");
        f.form->mnuSave_Click();
        QCOMPARE(sentDuringTheSave, 1);

        QCOMPARE(f.titles(), QStringList());
        QCOMPARE(f.questions, QStringList{"Block Screen Edges"});
        QCOMPARE(int(f.module->CurrentScreen), 0);
        QCOMPARE(f.module->WalkerTile, walker);
        QVERIFY(f.module->TileOnDisplay(5) == tile5);
        QCOMPARE(f.form->Tile(2)->backColour(), Long(255));
        QCOMPARE(f.form->Document().undoStack().index(), 3);
        QVERIFY(!f.document->isModified());
        QCOMPARE(f.form->ScreenToGoTo->text(), QString("typed"));
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
        EditorFixture f;
        QVERIFY(f.show());
        QVERIFY(WriteFile(f.path("big.txt"), NumberedLevel(screens)));
        f.dialog.files << f.path("big.txt");
        f.form->mnuLoad_Click();
        f.paint(1, 255);
        if (command == "undo") {
            f.answers << "Block";
            f.form->mnuBlockEdgesEverywhere->trigger();
            QVERIFY(f.titles().isEmpty());
        }
        const int steps = f.document->undoStack().index();
        const QByteArray before = f.saveAs("before.txt");
        const QStringList files = QDir(f.root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        QElapsedTimer time;
        qint64 shownAfter = -1;
        QTimer look;
        look.setInterval(10);
        QObject::connect(&look, &QTimer::timeout, [&] {
            auto* progress = f.form->findChild<QProgressDialog*>("LongTaskProgress");
            if (!progress || !progress->isVisible() || !(asked.isEmpty() || f.questions.endsWith(asked)) ||
                shownAfter >= 0)
                return;
            shownAfter = time.elapsed();
            QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
        });
        look.start();
        time.start();
        f.answers << (command == "block" ? "Block" : "Delete");
        if (command == "block")
            f.form->mnuBlockEdgesEverywhere->trigger();
        else if (command == "delete")
            f.form->mnuDeleteScreen->trigger();
        else
            f.form->mnuUndo_Click();
        look.stop();

        QVERIFY2(shownAfter >= 500, qPrintable(QString::number(shownAfter)));
        QCOMPARE(f.titles(), QStringList());
        QCOMPARE(f.document->undoStack().index(), steps);
        QCOMPARE(int(f.module->LevelLastScreen), screens - 1);
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
};

QTEST_MAIN(TestLongTask)
#include "tst_longtask.moc"
