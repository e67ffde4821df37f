// Unsaved changes: the caption, the question before each command that would drop them and what each
// answer leaves on disk, New Level, Recent Levels, the level file changed by another program, and the
// traps that used to lose edits.
#include "editorfixture.h"
#include "level/core/colour.h"
#include "mainwindow/diskwatch.h"
#include "mainwindow/inputonlyto.h"
#include "mainwindow/messagebox.h"

#include <QtTest>
#include <QtWidgets>

using namespace tavrin;

class TestUnsaved : public QObject, EditorAccess {
    Q_OBJECT
    const Module1& module() { return *m_f->module; }
    QString level() const { return m_f->path("level.txt"); }
    DiskWatch& watch() { return *form().findChild<DiskWatch*>(); }
    // The level file as another branch has it, named differently.
    QByteArray otherBranch() {
        return ReadFile(level()).replace("\"LevelProp\",\"", "\"LevelProp\",\"Other ");
    }
    // Questions asked once the watch has looked twice at the file, as it does before it asks.
    qsizetype askedAfterTwoLooks() {
        watch().check();
        watch().check();
        return m_f->questions.size();
    }
    // Another program writes the level file: over it, or as a checkout does, a new file after the old one
    // was removed.
    void writeOnDisk(const QByteArray& bytes, bool replace) {
        if (replace) {
            QFile::remove(level());
            QTest::qWait(30);
        }
        QVERIFY(WriteFile(level(), bytes));
    }

private slots:
    void init() {
        m_f = std::make_unique<EditorFixture>();
        QFile::copy(m_f->path("PelmarLevel.txt"), level());
        m_f->dialog.files << level();
        form().mnuLoad_Click();
        m_f->dialog.titles.clear();
        m_f->dialog.proposed.clear();
    }
    void cleanup() { m_f.reset(); }

    void caption() {
        QCOMPARE(form().windowTitle(), "TavrinEditor (" + level() + ")");
        m_f->paint(150, 255);
        QCOMPARE(form().windowTitle(), "TavrinEditor (" + level() + ")*");
        control("mnuUndo")->trigger();
        QCOMPARE(form().windowTitle(), "TavrinEditor (" + level() + ")");
        form().mnuNew_Click();
        m_f->paint(150, 255);
        QCOMPARE(form().windowTitle(), "TavrinEditor*");
    }

    void questionBeforeDroppingChanges_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("answer");
        for (const char* command : {"close box", "Exit", "Load Level", "Pelmar Level", "New Level", "recent"})
            for (const char* answer : {"Save", "Save, dialog cancelled", "Discard", "Cancel"})
                QTest::addRow("%s, %s", command, answer) << QString(command) << QString(answer);
    }
    void questionBeforeDroppingChanges() {
        QFETCH(QString, command);
        QFETCH(QString, answer);
        m_f->paint(150, 255);
        const QByteArray onDisk = ReadFile(level());
        m_f->answers << answer.section(',', 0, 0);
        if (answer.startsWith("Save"))
            m_f->dialog.files << (answer == "Save" ? std::optional<QString>(level()) : std::nullopt);
        m_f->dialog.files << std::nullopt; // Load Level's own dialog, cancelled
        bool wentOn = false;
        if (command == "close box") {
            wentOn = form().close();
        } else if (command == "Exit") {
            form().mnuExit_Click();
            wentOn = m_f->quits == 1;
        } else if (command == "Load Level") {
            form().mnuLoad_Click();
            wentOn = m_f->dialog.titles.contains("Load Level");
        } else {
            if (command == "Pelmar Level")
                form().MnuPLtemp_Click();
            else if (command == "New Level")
                form().mnuNew_Click();
            else
                form().OpenRecentLevel(level());
            wentOn = form().Document().undoStack().count() == 0;
        }
        QCOMPARE(m_f->questions, QStringList{"Unsaved Changes"});
        QCOMPARE(wentOn, answer == "Save" || answer == "Discard");
        const bool saved = ReadFile(level()).contains("\"Screen0\",150,255,");
        QCOMPARE(saved, answer == "Save");
        if (!saved)
            QCOMPARE(ReadFile(level()), onDisk);
        if (!wentOn)
            QVERIFY(form().Document().isModified() && module().TileBackColor(150) == FieldValue::number(255));
    }

    void newLevel() {
        m_f->paint(150, 255);
        m_f->document->changeScreen(2);
        m_f->answers << "Discard";
        form().mnuNew_Click();
        QCOMPARE(form().windowTitle(), "TavrinEditor");
        QVERIFY(module().LevelFileName().isEmpty() && module().CurrentScreen() == 0 &&
                !m_f->hasScratchFiles());
        QCOMPARE(form().Tile(150)->backColour(), SysWindowBackground);
        QVERIFY(form().Tile(150)->picture().isNull());
        QCOMPARE(form().SideText(3)->text(), "-1"); // it links to no screen
        QVERIFY(!control("mnuUndo")->isEnabled());
        QCOMPARE(m_f->dialog.proposed, QStringList());
        form().mnuSave_Click(); // a new level is proposed a new file in the program folder
        QCOMPARE(m_f->dialog.proposed.value(0), QDir::toNativeSeparators(m_f->path("Level.txt")));
    }

    // Loaded and saved levels, newest first, eight at most; the file saved to becomes the level's file
    // and the one the next save proposes; a file that is gone is shown disabled.
    void recentLevelsAndSaveAs() {
        m_f->dialog.files << m_f->path("other.txt") << m_f->path("other.txt");
        form().mnuSave_Click();
        QCOMPARE(form().RecentLevels(), (QStringList{m_f->path("other.txt"), level()}));
        QVERIFY(module().LevelFileName() == m_f->path("other.txt") &&
                form().windowTitle() == "TavrinEditor (" + m_f->path("other.txt") + ")");
        form().mnuSave_Click();
        QCOMPARE(m_f->dialog.proposed, (QStringList{level(), m_f->path("other.txt")}));
        QFile::remove(level());
        emit control<QMenu>("mnuRecent")->aboutToShow();
        const QList<QAction*> items = control<QMenu>("mnuRecent")->actions();
        QVERIFY(items.size() == 2 && items[0]->isEnabled() && !items[1]->isEnabled());
        for (int i = 0; i < 9; ++i) {
            m_f->dialog.files << m_f->path(QString("copy%1.txt").arg(i));
            form().mnuSave_Click();
        }
        QCOMPARE(form().RecentLevels().size(), 8);
        QCOMPARE(form().RecentLevels().first(), m_f->path("copy8.txt"));
    }

    // The side boxes show the links of the screen on display after a load and after Screen Properties.
    void sideBoxesShowTheLinks() {
        for (int k = 2; k <= 5; ++k)
            QCOMPARE(form().SideText(k)->text(), QString::number(module().SideScreen(k)));
        QVERIFY(m_f->editSideLink(3, "7"));
        QCOMPARE(form().SideText(3)->text(), "7");
    }

    void screensBeyondTheLastScreen_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QByteArray>("lastScreenSaved"); // empty: nothing saved
        QTest::newRow("raise") << "Raise and Save" << QByteArray("9");
        QTest::newRow("without") << "Save Without Them" << QByteArray("4");
        QTest::newRow("cancel") << "Cancel" << QByteArray();
    }
    void screensBeyondTheLastScreen() {
        QFETCH(QString, answer);
        QFETCH(QByteArray, lastScreenSaved);
        m_f->document->changeScreen(9);
        m_f->paint(150, 255);
        m_f->answers << answer;
        const QByteArray out = m_f->saveAs("out.txt");
        QCOMPARE(m_f->questions, QStringList{"Screens Beyond the Last Screen"});
        QCOMPARE(out.contains(",145," + lastScreenSaved + ",0,0,0,0\r\n"), !lastScreenSaved.isEmpty());
        QCOMPARE(out.contains("\"Screen9\",150,255,"), answer == "Raise and Save");
    }

    // Load Level of a file that is no level: one message naming it, and the level on display, its
    // scratch files and the caption stay as they were.
    void fileThatIsNoLevel_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("picture") << ReadFile(TAVRIN_SOURCE_DIR "/data/Pics/tree.bmp");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("other records") << QByteArray("\"Name\",\"Value\"\r\n1,2,3\r\n");
    }
    void fileThatIsNoLevel() {
        QFETCH(QByteArray, bytes);
        m_f->document->changeScreen(1);
        m_f->paint(150, 255);
        m_f->document->changeScreen(0);
        const QString file = m_f->path("picture.bmp");
        QVERIFY(WriteFile(file, bytes));
        m_f->answers << "Discard";
        m_f->dialog.files << file;
        form().mnuLoad_Click();
        QCOMPARE(m_f->titles(), QStringList{"321, mnuLoad_Click"});
        QVERIFY(m_f->messages.messages().first().text.contains(QDir::toNativeSeparators(file)));
        QVERIFY(module().LevelFileName() == level() &&
                form().windowTitle().startsWith("TavrinEditor (" + level()));
        m_f->document->changeScreen(1);
        QCOMPARE(form().Tile(150)->backColour(), 255);
    }

    // The box itself: Save, Discard and Cancel are the standard buttons, Save the default, Esc cancels.
    void theQuestionBox() {
        const QuestionSink scripted = SetQuestionSink({});
        const Question question{"Unsaved Changes", "Text", {"Save", "Discard", "Cancel"}, 0, 2};
        int answer = -1;
        QVERIFY(DriveModalDialog([&] { answer = Ask(question); },
                                 [](QDialog* dialog) {
                                     auto* box = qobject_cast<QMessageBox*>(dialog);
                                     QVERIFY(box && box->defaultButton() == box->button(QMessageBox::Save));
                                     box->button(QMessageBox::Discard)->click();
                                 }));
        QCOMPARE(answer, 1);
        QVERIFY(DriveModalDialog([&] { answer = Ask(question); },
                                 [](QDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); }));
        QCOMPARE(answer, 2);
        SetQuestionSink(scripted);
    }

    // Another program changes the level file: the editor asks whether to load it again, found by the
    // system's notice or by its own look alone. Reload is the default unless there are unsaved edits,
    // which it would lose. Each change is asked about once; the file kept is known, and a save over it asks
    // nothing.
    void changedOnDisk_data() {
        QTest::addColumn<bool>("replaced"); // else written in place
        QTest::addColumn<bool>("notice");   // else the look every few seconds
        QTest::addColumn<bool>("edited");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("linked"); // the level loaded through a link in another folder
        QTest::newRow("replaced, Enter") << true << true << false << "Enter" << false;
        QTest::newRow("written, Keep Mine") << false << false << false << "Keep Mine" << false;
        QTest::newRow("edited, replaced, Enter") << true << false << true << "Enter" << false;
        QTest::newRow("edited, written, Reload") << false << true << true << "Reload" << false;
        QTest::newRow("written through a link") << false << true << false << "Enter" << true;
    }
    void changedOnDisk() {
        QFETCH(bool, replaced);
        QFETCH(bool, notice);
        QFETCH(bool, edited);
        QFETCH(QString, answer);
        QFETCH(bool, linked);
        QTemporaryDir elsewhere;
        if (linked) {
            const QString link = QDir(elsewhere.path()).filePath("level.txt");
            QVERIFY(QFile::link(level(), link));
            m_f->dialog.files << link;
            form().mnuLoad_Click();
        }
        watch().setIntervals(notice ? 3600000 : 10, 10);
        watch().findChild<QFileSystemWatcher*>()->blockSignals(!notice);
        if (edited)
            m_f->paint(150, 255);
        writeOnDisk(otherBranch(), replaced);
        m_f->answers << answer;
        QTRY_COMPARE(m_f->questions, QStringList{"Level Changed on Disk"});
        QCOMPARE(m_f->questionTexts[0].contains("would lose"), edited);
        const bool reloaded = answer == "Reload" || (answer == "Enter" && !edited);
        QCOMPARE(module().LevelName().startsWith("Other "), reloaded);
        QCOMPARE(form().Document().isModified(), edited && !reloaded);
        QCOMPARE(form().Document().undoStack().count(), reloaded ? 0 : int(edited));
        QCOMPARE(askedAfterTwoLooks(), 1);
        m_f->saveAs("level.txt"); // the file as it is now is known: a save asks nothing
        QCOMPARE(m_f->questions.size(), 1);
    }

    // The editor's own saves change nothing to ask about.
    void ownSave() {
        m_f->paint(150, 255);
        m_f->saveAs("level.txt");
        QCOMPARE(askedAfterTwoLooks(), 0);
    }

    // Save Level onto a level file another program changed asks first; Cancel leaves it alone.
    void saveOverAChangedFile_data() {
        QTest::addColumn<QString>("answer");
        QTest::newRow("replace") << "Replace";
        QTest::newRow("cancel") << "Cancel";
    }
    void saveOverAChangedFile() {
        QFETCH(QString, answer);
        m_f->paint(150, 255);
        const QByteArray other = otherBranch();
        writeOnDisk(other, false);
        m_f->answers << answer;
        const QByteArray saved = m_f->saveAs("level.txt");
        QCOMPARE(m_f->questions, QStringList{"Level Changed on Disk"});
        QCOMPARE(saved == other, answer == "Cancel");
        QCOMPARE(askedAfterTwoLooks(), 1);
    }

    // Not while a dialog or a long task runs: the question waits for its end.
    void changedWhileBusy_data() {
        QTest::addColumn<bool>("dialog"); // else a long task
        QTest::newRow("dialog") << true;
        QTest::newRow("long task") << false;
    }
    void changedWhileBusy() {
        QFETCH(bool, dialog);
        watch().setIntervals(10, 10);
        const auto meanwhile = [this] {
            writeOnDisk(otherBranch(), true);
            QTest::qWait(100);
            QCOMPARE(m_f->questions, QStringList());
        };
        if (dialog)
            QVERIFY(DriveModalDialog([this] { form().mnuLevelProp_Click(); },
                                     [&](QDialog* box) {
                                         meanwhile();
                                         box->reject();
                                     }));
        else {
            const InputOnlyTo task(&form());
            meanwhile();
        }
        QTRY_COMPARE(m_f->questions, QStringList{"Level Changed on Disk"});
    }

    // Started with a level file that is not there yet: a new level, saved under that name.
    void newLevelNamedOnTheCommandLine() {
        EditorFixture f;
        const QString path = f.path("newlevel.txt");
        f.form->CommandLineArguments = {path};
        f.form->Form_Load();
        QCOMPARE(f.titles(), QStringList{"53, Form1_Load"});
        QCOMPARE(f.form->windowTitle(), "TavrinEditor (" + path + ")");
        f.document->changeScreen(1);
        QCOMPARE(f.titles().size(), 1);
        QVERIFY(f.saveAs("newlevel.txt").contains("\"LevelProp\""));
        QCOMPARE(f.titles().size(), 1);
        QCOMPARE(f.dialog.proposed, QStringList{path});
    }
};

QTEST_MAIN(TestUnsaved)
#include "tst_unsaved.moc"
