// Screens as units: New Screen beside the screen on display, Delete Screen and Move Screen To (with
// Duplicate Screen on the way), each one step to undo.
#include "editorfixture.h"
#include "level/tools/directions.h"
#include "mainwindow/directionscontroller.h"
#include "mainwindow/messagebox.h"

#include <QtTest>
#include <QtWidgets>

using namespace tavrin;

class TestScreens : public QObject, EditorAccess {
    Q_OBJECT

private slots:
    void init() {
        m_f = std::make_unique<EditorFixture>();
        QVERIFY(m_f->show());
        TileState tile = document().tile(7);
        tile.colour = FieldValue::number(255);
        tile.directions[SideUp] = 1;
        document().editTile(7, tile);
    }
    void cleanup() { m_f.reset(); }

    // Ctrl+Alt+arrow: the next screen, blank, linked both ways through the links shown on those sides (its
    // other links lead to no screen), and shown; undoing the one step takes it all back and shows screen 0.
    void newScreenBeside_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("link");
        QTest::addColumn<int>("back");
        QTest::newRow("left") << int(Qt::Key_Left) << 3 << 4;
        QTest::newRow("down") << int(Qt::Key_Down) << 5 << 2;
    }
    void newScreenBeside() {
        QFETCH(int, key);
        QFETCH(int, link);
        QFETCH(int, back);
        const Screen before = level().ScreenOnDisplay();
        const int steps = document().undoStack().count();
        QTest::keyClick(&form(), Qt::Key(key), Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(document().undoStack().count(), steps + 1);
        QCOMPARE(level().LevelLastScreen(), Integer(1));
        QCOMPARE(level().CurrentScreen(), Integer(1));
        for (Integer k = 2; k <= 9; ++k)
            QCOMPARE(level().SideScreen(k), Integer(k == back ? 0 : -1));
        QCOMPARE(level().TileBackColor(7).toLong(), level().BrushColour());
        QCOMPARE(level().TilePropUp(7), Integer(0));
        QCOMPARE(document().readScreen(0).links[size_t(link)], Integer(1));

        document().undo();
        QCOMPARE(level().CurrentScreen(), Integer(0));
        QCOMPARE(level().LevelLastScreen(), Integer(0));
        QCOMPARE(level().ScreenOnDisplay(), before);
    }

    // A new screen on a side whose link leads to a screen of the level asks first, from the Screen menu
    // and from the exit tool; Enter (Cancel) keeps the link and makes no screen.
    void newScreenOverALink_data() {
        QTest::addColumn<bool>("exitTool");
        QTest::addColumn<QString>("answer");
        QTest::newRow("kept") << false << "Enter";
        QTest::newRow("replaced") << false << "Replace";
        QTest::newRow("exit tool, replaced") << true << "Replace";
    }
    void newScreenOverALink() {
        QFETCH(bool, exitTool);
        QFETCH(QString, answer);
        QTest::keyClick(&form(), Qt::Key_Left, Qt::ControlModifier | Qt::AltModifier); // screen 1
        document().changeScreen(0);
        EditLink(document(), 4, 1);
        const int steps = document().undoStack().count();
        m_f->answers = {answer};
        if (exitTool) {
            m_f->answers.prepend("New Screen");
            form().directions().makeExit(60, SideRight, false);
        } else {
            QTest::keyClick(&form(), Qt::Key_Right, Qt::ControlModifier | Qt::AltModifier);
        }
        QCOMPARE(m_f->questions.last(), exitTool ? "Make Exit" : "New Screen");
        QVERIFY(m_f->questionTexts.last().startsWith("Link 4 of screen 0 leads to screen 1."));
        const bool replaced = answer == "Replace";
        QCOMPARE(document().undoStack().count(), steps + (replaced ? 1 : 0));
        QCOMPARE(level().LevelLastScreen(), Integer(replaced ? 2 : 1));
        QCOMPARE(document().readSideLinks(0)[4], Integer(replaced ? 2 : 1));
    }

    // Delete Screen asks first, naming the links that lead to the screen; Cancel changes nothing.
    void deleteScreen_data() {
        QTest::addColumn<QString>("answer");
        QTest::newRow("deleted") << "Delete";
        QTest::newRow("cancelled") << "Cancel";
    }
    void deleteScreen() {
        QFETCH(QString, answer);
        QTest::keyClick(&form(), Qt::Key_Right, Qt::ControlModifier | Qt::AltModifier); // screen 1, shown
        QTest::keyClick(&form(), Qt::Key_D, Qt::ControlModifier);                       // screen 2, a copy
        QString asked;
        const QuestionSink previous = SetQuestionSink([&](const Question& question) {
            asked = question.text;
            return int(question.buttons.indexOf(answer));
        });
        document().changeScreen(1);
        control("mnuDeleteScreen")->trigger();
        SetQuestionSink(previous);
        QVERIFY2(asked.contains(QStringLiteral("1 side link(s) on 1 screen(s)")), qPrintable(asked));
        const bool deleted = answer == "Delete";
        QCOMPARE(level().LevelLastScreen(), Integer(deleted ? 1 : 2));
        QCOMPARE(document().undoStack().undoText(), deleted ? "Delete Screen" : "Duplicate Screen");
    }

    // Move Screen To asks for a number, then whether to move the screen there or swap the two (how the
    // screens and their links follow: tst_renumber).
    void moveScreen_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QList<bool>>("red"); // tile 7 of screens 0 and 2 afterwards
        QTest::newRow("move") << "Move" << QList<bool>{true, true};
        QTest::newRow("swap") << "Swap" << QList<bool>{false, true};
        QTest::newRow("cancel") << "Cancel" << QList<bool>{true, false};
    }
    void moveScreen() {
        QFETCH(QString, answer);
        QFETCH(QList<bool>, red);
        QTest::keyClick(&form(), Qt::Key_D, Qt::ControlModifier);                       // 1: screen 0 copied
        QTest::keyClick(&form(), Qt::Key_Right, Qt::ControlModifier | Qt::AltModifier); // 2: blank
        document().changeScreen(0);
        m_f->answers << answer;
        const NumberSink previous = SetNumberSink([](const NumberQuestion& question) {
            return question.maximum == 2 ? std::optional<int>(2) : std::nullopt;
        });
        control("mnuMoveScreen")->trigger();
        SetNumberSink(previous);
        for (const int n : {0, 2})
            QCOMPARE(document().readScreen(n).tile(7).colour == FieldValue::number(255), red[n / 2]);
    }

    // After a delete the level file still holds a block under the old last number; a new screen that
    // takes that number is blank all the same, not what the file held there.
    void newScreenAfterDelete() {
        QVERIFY(WriteFile(m_f->path("level.txt"), NumberedLevel(5)));
        document().loadLevel(m_f->path("level.txt"), QStringLiteral("test"));
        const QuestionSink previous = SetQuestionSink(
            [](const Question& question) { return int(question.buttons.indexOf(QStringLiteral("Delete"))); });
        control("mnuDeleteScreen")->trigger();
        SetQuestionSink(previous);
        QCOMPARE(level().LevelLastScreen(), Integer(3));
        m_f->answers = {"Replace"}; // link 4 of screen 0 leads to a screen of the level
        QTest::keyClick(&form(), Qt::Key_Right, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(m_f->questions, QStringList{"New Screen"});
        QCOMPARE(level().CurrentScreen(), Integer(4));
        QCOMPARE(level().ScreenOnDisplay(), [this] {
            Screen blank = document().blankScreen();
            blank.links = level().ScreenOnDisplay().links;
            return blank;
        }());
    }
};

QTEST_MAIN(TestScreens)
#include "tst_screens.moc"
