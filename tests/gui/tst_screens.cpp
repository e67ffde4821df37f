// Screens as units: New Screen beside the screen on display and Duplicate Screen, each one step to undo.
#include "directions.h"
#include "editorfixture.h"

#include <QtTest>
#include <QtWidgets>

using namespace tavrin;

class TestScreens : public QObject {
    Q_OBJECT
    std::unique_ptr<EditorFixture> m_f;
    Form1& form() { return *m_f->form; }
    LevelDocument& document() { return *m_f->document; }
    const Module1& level() { return *m_f->module; }

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

    // Ctrl+Alt+arrow: the next screen, blank, linked both ways through the links shown on those sides, and
    // shown; undoing the one step takes it all back and shows screen 0 again.
    void newScreenBeside_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("link");
        QTest::addColumn<int>("back");
        QTest::newRow("left") << int(Qt::Key_Left) << 3 << 4;
        QTest::newRow("up") << int(Qt::Key_Up) << 2 << 5;
        QTest::newRow("right") << int(Qt::Key_Right) << 4 << 3;
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
        QCOMPARE(level().LevelLastScreen, Integer(1));
        QCOMPARE(level().CurrentScreen, Integer(1));
        QCOMPARE(level().SideScreen(back), Integer(0));
        QCOMPARE(level().TileBackColor(7).toLong(), level().BrushColour);
        QCOMPARE(level().TilePropUp(7), Integer(0));
        QCOMPARE(document().readScreen(0).links[size_t(link)], Integer(1));

        document().undo();
        QCOMPARE(level().CurrentScreen, Integer(0));
        QCOMPARE(level().LevelLastScreen, Integer(0));
        QCOMPARE(level().ScreenOnDisplay(), before);
    }

    // Ctrl+D: the next screen holds the tiles and links of the screen on display, and is shown.
    void duplicateScreen() {
        SideLinks links = document().links();
        links[6] = 0;
        document().editLinks(links);
        const Screen original = level().ScreenOnDisplay();
        QTest::keyClick(&form(), Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(level().CurrentScreen, Integer(1));
        QCOMPARE(level().LevelLastScreen, Integer(1));
        QCOMPARE(level().ScreenOnDisplay(), original);
        QCOMPARE(document().undoStack().undoText(), "Duplicate Screen");
        document().undo();
        QCOMPARE(level().LevelLastScreen, Integer(0));
        QVERIFY(!(document().readScreen(1).tile(7).colour == original.tile(7).colour));
    }
};

QTEST_MAIN(TestScreens)
#include "tst_screens.moc"
