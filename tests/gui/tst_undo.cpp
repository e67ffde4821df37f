// Undo and redo through the Edit menu: each kind of step on the screen it was made on and from another
// screen, the saved file after an undo equal to the one saved before the edit; the redo branch, the
// clean state, and clicks that add no step.
#include "editorfixture.h"
#include "mainwindow/tileprop.h"

#include <QtTest>
#include <QtWidgets>

using namespace tavrin;

class TestUndo : public QObject, EditorAccess {
    Q_OBJECT
    // Makes one edit of the kind named on the screen on display, through the window.
    void edit(const QString& kind) {
        if (kind == "colour") {
            control<PictureBox>("NewColor")->setBackColour(255);
            QTest::mouseClick(control<QCheckBox>("UseColor"), Qt::LeftButton);
        } else if (kind == "picture") {
            m_f->document->setBrushPicture("\\water.bmp");
            QTest::mouseClick(control<QCheckBox>("UsePicture"), Qt::LeftButton);
        } else if (kind == "properties") {
            control<QLineEdit>("PropLeft")->setText("1");
            QTest::mouseClick(control<QCheckBox>("UseApplyProp"), Qt::LeftButton);
        } else if (kind == "screen links") {
            QVERIFY(m_f->editSideLink(3, "7"));
            return;
        } else {
            QVERIFY(DriveModalDialog([this] { form().mnuLevelProp_Click(); },
                                     [](QDialog* dialog) {
                                         dialog->findChild<QLineEdit*>("AuthorText")->setText("Someone else");
                                         QTest::mouseClick(dialog->findChild<QPushButton*>("Command1"),
                                                           Qt::LeftButton);
                                     }));
            return;
        }
        QTest::mouseClick(form().Tile(150), Qt::LeftButton);
    }

private slots:
    void init() {
        m_f = std::make_unique<EditorFixture>();
        form().MnuPLtemp_Click();
    }
    void cleanup() { m_f.reset(); }

    void eachKindOfStep_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("fromAnotherScreen");
        QTest::addColumn<QString>("name");
        const QStringList kinds{"colour", "picture", "properties", "screen links", "level properties"};
        const QStringList names{"Paint Colour", "Paint Picture", "Apply Properties", "Screen Properties",
                                "Level Properties"};
        for (int i = 0; i < kinds.size(); ++i)
            for (const bool away : {false, true})
                QTest::addRow("%s%s", qPrintable(kinds[i]), away ? ", from another screen" : "")
                    << kinds[i] << away << names[i];
    }
    void eachKindOfStep() {
        QFETCH(QString, kind);
        QFETCH(bool, fromAnotherScreen);
        QFETCH(QString, name);
        const QByteArray before = m_f->saveAs("before.txt");
        const Integer screen = m_f->module->CurrentScreen(); // the last one, after the save
        edit(kind);
        QCOMPARE(control("mnuUndo")->text(), "Undo " + name);
        if (fromAnotherScreen)
            m_f->document->changeScreen(0);
        control("mnuUndo")->trigger();
        if (kind != "level properties")
            QCOMPARE(m_f->module->CurrentScreen(), screen);
        QCOMPARE(control("mnuRedo")->text(), "Redo " + name);
        QCOMPARE(m_f->saveAs("undone.txt"), before);
        QVERIFY(form().Document().undoStack().isClean());
        control("mnuRedo")->trigger();
        QVERIFY(m_f->saveAs("redone.txt") != before);
        QCOMPARE(m_f->titles(), QStringList());
    }

    // A step whose screen cannot be read back (its scratch file damaged or gone since) is neither undone
    // nor redone, and one message says why; that nothing changes is tst_directionedits'.
    void stepOfAnUnreadableScreen_data() {
        QTest::addColumn<bool>("redo");
        QTest::addColumn<bool>("removed");
        QTest::newRow("undo, scratch file damaged") << false << false;
        QTest::newRow("redo, scratch file gone") << true << true;
    }
    void stepOfAnUnreadableScreen() {
        QFETCH(bool, redo);
        QFETCH(bool, removed);
        m_f->goTo("2");
        edit("colour");
        edit(
            "properties"); // with a redo, screen 2 has a step either way: the message names the one asked for
        if (redo)
            control("mnuUndo")->trigger();
        m_f->goTo("1");
        const QString scratch = m_f->module->ScratchFileName(2);
        QVERIFY(QFile::exists(scratch));
        if (removed)
            QVERIFY(QFile::remove(scratch));
        else
            QVERIFY(WriteFile(scratch, "\"Screen2\",1,255,,0,0,0,0,1,1,1,1\r\n"));
        const int index = form().Document().undoStack().index();
        QAction* item = redo ? control("mnuRedo") : control("mnuUndo");
        const QString text = item->text();
        item->trigger();
        QCOMPARE(m_f->titles(), QStringList{redo ? "75, mnuRedo_Click" : "75, mnuUndo_Click"});
        const QString said = m_f->messages.messages().value(0).text;
        QVERIFY(said.contains("Screen 2 cannot be read whole"));
        QVERIFY(said.contains(redo ? "\"Apply Properties\" was not redone"
                                   : "\"Apply Properties\" was not undone"));
        QCOMPARE(int(m_f->module->CurrentScreen()), 1);
        QCOMPARE(form().Document().undoStack().index(), index);
        QCOMPARE(item->text(), text);
    }

    // A new edit after an undo drops what could be redone; undoing back to the saved state is clean; a
    // click that changes nothing, or is refused, adds no step; loading a level leaves nothing to undo.
    void stackAndCleanState() {
        const QUndoStack& steps = form().Document().undoStack();
        QVERIFY(steps.isClean() && !control("mnuUndo")->isEnabled());
        edit("colour");
        QVERIFY(!steps.isClean());
        QTest::mouseClick(form().Tile(150), Qt::LeftButton); // the same colour again
        QTest::mouseClick(control<QCheckBox>("UsePicture"), Qt::LeftButton);
        QTest::mouseClick(form().Tile(151), Qt::LeftButton); // refused: no brush picture yet
        QCOMPARE(m_f->titles().size(), 1);
        QCOMPARE(steps.count(), 1);
        control("mnuUndo")->trigger();
        QVERIFY(steps.isClean() && control("mnuRedo")->isEnabled());
        edit("properties");
        QVERIFY(!control("mnuRedo")->isEnabled());
        QCOMPARE(steps.count(), 1);
        m_f->answers << "Discard";
        form().MnuPLtemp_Click();
        QCOMPARE(steps.count(), 0);
    }

    // Ctrl+Z in a text box undoes the typing there, not a step of the level; the status line and the
    // tile property window show the walker tile's properties as soon as an undo changes them.
    void keysInTextBoxAndStatusLine() {
        QVERIFY(m_f->show());
        const int walker = m_f->module->WalkerTile();
        control<QLineEdit>("PropLeft")->setText("7");
        QTest::mouseClick(control<QCheckBox>("UseApplyProp"), Qt::LeftButton);
        const QString before = control<QLabel>("Label2")->text();
        QTest::mouseClick(form().Tile(walker), Qt::LeftButton);
        QVERIFY(control<QLabel>("Label2")->text().startsWith(QString::number(walker) + ", 7, "));
        QLineEdit* box = control<QLineEdit>("ScreenToGoTo");
        box->setFocus();
        box->clear();
        QTest::keyClicks(box, "12");
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(box->text() != "12");
        QCOMPARE(form().Document().undoStack().count(), 1);
        QVERIFY(form().Document().undoStack().canUndo());
        QTest::mouseClick(control<QCheckBox>("UsePropBox"), Qt::LeftButton);
        QTest::mouseClick(form().Tile(walker), Qt::LeftButton);
        QCOMPARE(form().TilePropWindow()->PropLeft->text(), "7");
        control("mnuUndo")->trigger();
        QCOMPARE(control<QLabel>("Label2")->text(), before);
        QVERIFY(form().TilePropWindow()->PropLeft->text() != "7");
    }
};

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"
