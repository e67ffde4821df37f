// Walls and exits in the main window: the layer that shows them over the grid, the wall brush's stroke, the
// exit tool's drag and keys, and Block Screen Edges, each one step to undo.
#include "editorfixture.h"
#include "level/document/walker.h"
#include "level/tools/directions.h"
#include "mainwindow/checklevel.h"
#include "mainwindow/directionscontroller.h"
#include "mainwindow/messagebox.h"
#include "mainwindow/worldoverview.h"

#include <QtTest>
#include <QtWidgets>

using namespace tavrin;

class TestDirections : public QObject, EditorAccess {
    Q_OBJECT

    void setSide(int tile, int side, Integer value, int operand = 1) {
        TileState state = document().tile(tile);
        state.directions[size_t(side)] = value;
        state.operands[size_t(side)] = FieldValue::number(operand);
        document().editTile(tile, state);
    }
    // The grid as the window shows it.
    QImage grid() {
        QWidget* layer = form().directions().layer();
        return layer->parentWidget()->grab(layer->geometry()).toImage();
    }
    // The tiles whose pixels differ between two pictures of the grid.
    static QList<int> tilesThatDiffer(const QImage& a, const QImage& b) {
        QList<int> tiles;
        const int w = a.width() / GridColumns, h = a.height() / GridRows;
        for (int t = FirstGridTile; t <= LastGridTile; ++t) {
            const QRect cell(((t - 1) % GridColumns) * w + 2, ((t - 1) / GridColumns) * h + 2, w - 4, h - 4);
            if (a.copy(cell) != b.copy(cell))
                tiles << t;
        }
        return tiles;
    }

    // Screens 0 and 1, linked both ways: link 4 of screen 0 (right) and link 3 of screen 1 (left).
    void linkScreens0And1() {
        SetLastScreen(document(), 1);
        document().changeScreen(1);
        EditLink(document(), 3, 0);
        document().changeScreen(0);
        EditLink(document(), 4, 1);
    }

    // The marker walks from tile 40 through its exit and back again.
    void walkToTile40AndBack() {
        const Module1& m = *m_f->module;
        for (int i = 0; i < 19; ++i)
            document().walk(KeyRight);
        document().walk(KeyDown);
        QCOMPARE(m.WalkerTile(), Integer(40));
        QCOMPARE(document().walk(KeyRight).kind, WalkStep::Exit);
        QVERIFY(m.CurrentScreen() == 1 && m.WalkerTile() == 21);
        QCOMPARE(document().walk(KeyLeft).kind, WalkStep::Exit);
        QVERIFY(m.CurrentScreen() == 0 && m.WalkerTile() == 40);
    }

private slots:
    void init() { QVERIFY((m_f = std::make_unique<EditorFixture>())->show()); }
    void cleanup() { m_f.reset(); }

    // The layer draws over the tiles with a blocked or exit side and nowhere else, follows an undo at
    // once, and leaves the level's values alone. Show Directions is kept in the settings.
    void layerShowsBlockedAndExitSidesOnly() {
        setSide(45, SideRight, 1);
        setSide(120, SideLeft, 1);
        setSide(200, SideUp, 3, 180);
        setSide(300, SideDown, 9, 7); // link 9 leads to screen 9, beyond the last screen: drawn red
        const Screen values = m_f->module->ScreenOnDisplay();
        const QImage plain = grid();
        control("mnuShowDirections")->trigger();
        QVERIFY(form().directions().layer()->isVisible());
        const QImage shown = grid();
        QCOMPARE(tilesThatDiffer(plain, shown), (QList<int>{45, 120, 200, 300}));
        QCOMPARE(m_f->module->ScreenOnDisplay(), values);

        document().undo();
        QCOMPARE(tilesThatDiffer(plain, grid()), (QList<int>{45, 120, 200}));
        QVERIFY(
            QSettings(m_f->path("settings.ini"), QSettings::IniFormat).value("View/ShowDirections").toBool());
    }

    // One stroke of the wall brush is one step; exits met are kept unless the user says to block them,
    // asked once per stroke; Shift opens the walls again. The walls each tile makes: tst_directionedits.
    void wallBrushStroke_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<Integer>("exitAfter");
        QTest::newRow("keep the exit") << "Keep Them" << Integer(4);
        QTest::newRow("block it") << "Block Them" << Integer(1);
    }
    void wallBrushStroke() {
        QFETCH(QString, answer);
        QFETCH(Integer, exitAfter);
        setSide(21, SideRight, 4, 30); // an exit into tile 22
        const int steps = document().undoStack().count();
        control<QCheckBox>("WallBrush")->click();
        QCOMPARE(form().directions().gridTool(), GridTool::Wall);
        m_f->answers = {answer};
        QTest::mousePress(form().Tile(2), Qt::LeftButton);
        for (const int tile : {2, 22, 23})
            QTest::mouseMove(form().Tile(tile));
        QTest::mouseRelease(form().Tile(23), Qt::LeftButton);
        QCOMPARE(m_f->questions, QStringList{"Wall Brush"});
        QCOMPARE(document().undoStack().count(), steps + 1);
        const Module1& m = *m_f->module;
        QCOMPARE(m.TilePropRight(1), Integer(1)); // into 2
        QCOMPARE(m.TilePropUp(42), Integer(1));   // into 22
        QCOMPARE(m.TilePropRight(21), exitAfter); // the exit into 22

        QTest::mousePress(form().Tile(22), Qt::LeftButton, Qt::ShiftModifier);
        QTest::mouseRelease(form().Tile(22), Qt::LeftButton, Qt::ShiftModifier);
        QCOMPARE(m.TilePropUp(42), Integer(0));
        QCOMPARE(m.TilePropRight(21), exitAfter == 1 ? Integer(0) : Integer(4));
        QCOMPARE(document().undoStack().count(), steps + 2);
    }

    // A drag from a border tile out across the border makes the exit into the screen chosen, a new one
    // blank with no link but the way back; Alt+arrow does it from the picked tile, Shift+Alt+arrow for the
    // whole border. The way back itself: tst_directionedits.
    void exitTool_data() {
        QTest::addColumn<bool>("byKeys");
        QTest::addColumn<bool>("wholeEdge");
        QTest::newRow("drag") << false << false;
        QTest::newRow("Alt+Right") << true << false;
        QTest::newRow("Shift+Alt+Right") << true << true;
    }
    void exitTool() {
        QFETCH(bool, byKeys);
        QFETCH(bool, wholeEdge);
        const Module1& m = *m_f->module;
        control<QCheckBox>("ExitTool")->click();
        m_f->answers = {"New Screen"};
        const int steps = document().undoStack().count();
        if (byKeys) {
            QTest::mouseClick(form().Tile(60), Qt::LeftButton);
            QCOMPARE(form().directions().pickedExitTile(), 60);
            QTest::keyClick(&form(), Qt::Key_Right,
                            wholeEdge ? Qt::ShiftModifier | Qt::AltModifier : Qt::AltModifier);
        } else {
            const QPoint beyond(form().Tile(60)->width() + 30, 5); // past the grid's right border
            QTest::mousePress(form().Tile(60), Qt::LeftButton);
            QTest::mouseMove(form().Tile(60), beyond);
            QTest::mouseRelease(form().Tile(60), Qt::LeftButton, {}, beyond);
        }
        QCOMPARE(m_f->questions, QStringList{"Make Exit"});
        QCOMPARE(document().undoStack().count(), steps + 1);
        QCOMPARE(m.LevelLastScreen(), Integer(1));
        QCOMPARE(m.CurrentScreen(), Integer(0));
        const Integer link = m.TilePropRight(60);
        QVERIFY(IsExit(link));
        QCOMPARE(m.SideScreen(link), Integer(1));
        QCOMPARE(m.TilePropRight(40), wholeEdge ? link : Integer(0));
        const Screen target = document().readScreen(1); // blank, and its one link is the way back
        for (Integer k = 2; k <= 9; ++k)
            QCOMPARE(target.links[size_t(k)], Integer(k == target.tile(41).directions[SideLeft] ? 0 : -1));
    }

    // The World Overview follows an edit of a screen not on display: the way back made there is an arrow.
    void overviewFollowsTheWayBack() {
        linkScreens0And1(); // the link back is there already: only the tile of screen 1 changes
        control("mnuWorldOverview")->trigger();
        WorldMap& map = *form().findChild<WorldOverviewWindow*>()->Map;
        QVERIFY(map.arrowsFrom(1).empty());
        m_f->answers = {"Screen 1"};
        form().directions().makeExit(40, SideRight, false);
        const std::vector<WorldArrow> back = map.arrowsFrom(1);
        QCOMPARE(back.size(), size_t(1));
        QVERIFY(back.front().to == 0 && !back.front().warning);
    }

    // From a tile that is not on that border nothing is asked and nothing changes.
    void exitNeedsABorderTile() {
        form().directions().makeExit(45, SideRight, false);
        QVERIFY(m_f->questions.isEmpty());
        QCOMPARE(document().undoStack().count(), 0);
    }

    // On every screen as one step, after asking (which edges, exits kept, and the undo: tst_directionedits).
    void blockScreenEdgesOnEveryScreen() {
        SetLastScreen(document(), 2);
        m_f->answers = {"Block"};
        control("mnuBlockEdgesEverywhere")->trigger();
        QCOMPARE(m_f->questions, QStringList{"Block Screen Edges"});
        QCOMPARE(document().readScreen(2).tile(20).directions[SideRight], Integer(1));
        QCOMPARE(document().undoStack().undoText(), "Block Screen Edges");
    }

    // Check Level's Fix mends an exit without its way back as one step, and checks again; the window says
    // what it will change before. (Its other fixes, on the rows' buttons: tst_checklevel.)
    void checkLevelFixes() {
        linkScreens0And1(); // screen 1 leads back to screen 0, but tile 21 has no exit there
        setSide(40, SideRight, 4, 21);
        control("mnuCheckLevel")->trigger();
        auto* window = form().findChild<CheckLevelWindow*>();
        QVERIFY(window);
        const auto rowOf = [window] {
            const std::vector<LevelProblem>& problems = window->problems();
            for (size_t i = 0; i < problems.size(); ++i)
                if (problems[i].code == "exit-no-way-back" && problems[i].screen == 0 &&
                    problems[i].tile == 40)
                    return int(i);
            return -1;
        };
        const int row = rowOf();
        QVERIFY(row >= 0);
        window->ProblemList->setCurrentItem(window->rowOfProblem(size_t(row)));
        QVERIFY(window->Fix->isVisible());
        QCOMPARE(window->Fix->text(), "Add the way back");
        QCOMPARE(window->FixPlan->text(),
                 "Fix will make the left side of tile 21 of screen 1 an exit through "
                 "link 3 onto tile 40 of screen 0.");
        const int steps = document().undoStack().count();
        window->Fix->click();
        QCOMPARE(document().undoStack().count(), steps + 1);
        QCOMPARE(rowOf(), -1);
        walkToTile40AndBack(); // through the way back made
    }

    // A door of screens 0 and 1 (tile 160 right and tile 141 left) is copied with screen 0: the copy's exit
    // has no way back, but the only way back would take the door's place on screen 1 (through the link 2
    // that a screen starts with). Fix is disabled and says why, and nothing changes.
    void fixNeverBreaksADoor() {
        linkScreens0And1();
        setSide(160, SideRight, 4, 141);
        document().changeScreen(1);
        setSide(141, SideLeft, 3, 160);
        document().changeScreen(0);
        QTest::keyClick(&form(), Qt::Key_D, Qt::ControlModifier);
        control("mnuCheckLevel")->trigger();
        auto* window = form().findChild<CheckLevelWindow*>();
        const std::vector<LevelProblem>& problems = window->problems();
        const auto copy = std::find_if(problems.begin(), problems.end(), [](const LevelProblem& problem) {
            return problem.code == "exit-no-way-back" && problem.screen == 2 && problem.tile == 160;
        });
        QVERIFY(copy != problems.end());
        window->ProblemList->setCurrentItem(window->rowOfProblem(size_t(copy - problems.begin())));
        const QString why =
            "Fix cannot add this way back: tile 141 of screen 1 already leads left to screen 0 "
            "and back, and the way back to screen 2 would take that exit's place. Nothing is "
            "changed.";
        QVERIFY(window->Fix->isVisible() && !window->Fix->isEnabled());
        QCOMPARE(window->Fix->toolTip(), why);
        QCOMPARE(window->FixPlan->text(), why);
        const int steps = document().undoStack().count();
        window->Fix->click();
        form().directions().fixProblem(*copy, LevelFixKind::AddWayBack);
        QCOMPARE(document().undoStack().count(), steps);
        QCOMPARE(document().readScreen(1).tile(141).directions[SideLeft], Integer(3));
    }

    // The picker beside the brush's boxes fills the box of its side; the boxes keep working as typed.
    void directionPickerFillsTheBrushBoxes() {
        QMenu* menu = control<QToolButton>(QStringLiteral("DirectionPicker%1").arg(SideUp))->menu();
        emit menu->aboutToShow();
        const QList<QAction*> items = menu->actions();
        QCOMPARE(items.last()->text(), "Exit through link 9 (screen 9)");
        items.at(1)->trigger();
        QCOMPARE(control<QLineEdit>("PropUp")->text(), "1");
        items.at(5)->trigger(); // link 4
        QCOMPARE(control<QLineEdit>("PropUp")->text(), "4");
        QCOMPARE(control<QLineEdit>("PropLeft")->text(), "1");
    }

    // Over an exit's arrow the status bar tells where it leads; elsewhere the tile's sentence stays.
    void hoverOverAnExitArrow() {
        setSide(200, SideUp, 3, 180);
        control("mnuShowDirections")->trigger();
        auto* status = form().findChild<QLabel*>("StatusTile");
        PictureBox* tile = form().Tile(200);
        QTest::mouseMove(tile, QPoint(tile->width() / 2, 2));
        QCOMPARE(status->text(), "Tile 200 up: exit to screen 3, tile 180 (link 3)");
        QTest::mouseMove(tile, QPoint(tile->width() / 2, tile->height() / 2));
        QVERIFY(status->text().startsWith("Tile 200: left free, up exit 3"));
    }

    // An exit with no way back is drawn apart from the same exit once its way back is made on the other
    // screen.
    void oneWayExitDrawnApart() {
        linkScreens0And1();
        setSide(40, SideRight, 4, 21);
        control("mnuShowDirections")->trigger();
        const QImage oneWay = grid();
        m_f->answers = {"Screen 1"};
        form().directions().makeExit(40, SideRight, false); // the same exit, and now the way back
        QCOMPARE(tilesThatDiffer(oneWay, grid()), QList<int>{40});
    }

    // The Wall Brush and Block Screen Edges turn Show Directions on, and the status bar says what they did.
    void wallCommandsShowWhatTheyDid_data() {
        QTest::addColumn<bool>("brush");
        QTest::addColumn<QString>("said");
        QTest::newRow("Wall Brush") << true << "Wall Brush: 4 step(s) into 1 tile(s) blocked.";
        QTest::newRow("Block Screen Edges")
            << false << "Block Screen Edges: 69 step(s) off the border of screen 0 blocked, exits kept.";
    }
    void wallCommandsShowWhatTheyDid() {
        QFETCH(bool, brush);
        QFETCH(QString, said);
        setSide(20, SideRight, 1);
        if (brush)
            control<QCheckBox>("WallBrush")->click();
        for (const QString turnedOn : {" Show Directions turned on.", ""}) {
            brush ? QTest::mouseClick(form().Tile(45), Qt::LeftButton) : control("mnuBlockEdges")->trigger();
            QVERIFY(control("mnuShowDirections")->isChecked() && form().directions().layer()->isVisible());
            QCOMPARE(form().statusBar()->currentMessage(), said + turnedOn);
            document().undo();
        }
    }

    // Another Screen... takes any screen by its number, and the one past the last makes it as New Screen.
    void exitToAnotherScreen_data() {
        QTest::addColumn<int>("target");
        QTest::newRow("screen 1") << 1;
        QTest::newRow("past the last") << 3;
    }
    void exitToAnotherScreen() {
        QFETCH(int, target);
        SetLastScreen(document(), 2); // link 4 leads to screen 4: not offered
        int highest = -1;
        const NumberSink previous = SetNumberSink([&](const NumberQuestion& question) {
            highest = question.maximum;
            return std::optional<int>(target);
        });
        m_f->answers = {"Another Screen..."};
        form().directions().makeExit(40, SideRight, false);
        SetNumberSink(previous);
        QCOMPARE(highest, 3);
        QCOMPARE(m_f->module->LevelLastScreen(), Integer(std::max(2, target)));
        QCOMPARE(m_f->module->SideScreen(m_f->module->TilePropRight(40)), Integer(target));
        const Screen there = document().readScreen(target);
        QCOMPARE(there.links[size_t(there.tile(21).directions[SideLeft])], Integer(0));
    }

    // Show Reachable shades the tiles a wall stroke cuts off from the start tile, and no more once it is
    // undone. Ctrl+click walks the marker to a tile and says how far, or names the nearest tile it reaches.
    void showReachableAndWalkToHere() {
        form().findChild<QAction*>("mnuShowReachable")->trigger();
        QWidget* layer = form().findChild<QWidget*>("ReachableLayer");
        QVERIFY(layer->isVisible());
        const auto shaded = [&] {
            const QImage on = grid();
            layer->hide();
            const QImage off = grid();
            layer->show();
            return tilesThatDiffer(off, on);
        };
        QCOMPARE(shaded(), QList<int>{});
        control<QCheckBox>("WallBrush")->click();
        QTest::mousePress(form().Tile(2), Qt::LeftButton);
        for (const int tile : {2, 22, 23})
            QTest::mouseMove(form().Tile(tile));
        QTest::mouseRelease(form().Tile(23), Qt::LeftButton);
        QTRY_COMPARE(shaded(), (QList<int>{2, 22, 23}));
        const auto walkTo = [&](int tile, const QString& said) {
            QTest::mouseClick(form().Tile(tile), Qt::LeftButton, Qt::ControlModifier);
            QCOMPARE(form().statusBar()->currentMessage(), said);
        };
        walkTo(45, "Walk To Here: 6 step(s) through 1 screen(s) to tile 45");
        QCOMPARE(m_f->module->WalkerTile(), Integer(45));
        walkTo(22, "Walk To Here: no walk leads to tile 22; nearest reachable: tile 21");
        QCOMPARE(m_f->module->WalkerTile(), Integer(45));
        document().undo();
        QTRY_COMPARE(shaded(), QList<int>{});
    }
};

QTEST_MAIN(TestDirections)
#include "tst_directions.moc"
