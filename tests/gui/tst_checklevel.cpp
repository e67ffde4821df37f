// The Check Level window: its place in the menus, the problems it lists of a level file and of edits not
// saved yet, and where a double click on a problem leads.
#include "editorfixture.h"
#include "mainwindow/checklevel.h"
#include "mainwindow/picturebox.h"
#include "mainwindow/tileprop.h"

#include <QtTest>
#include <QtWidgets>

using namespace tavrin;

// The template level with one exit broken: tile 145 of screen 0 leads right through link 6, and link 6
// names screen 40, beyond the level's last screen 4.
static QByteArray BrokenTemplate() {
    QByteArray level = ReadFile(QStringLiteral(TAVRIN_SOURCE_DIR "/data/PelmarLevel.txt"));
    level.replace(R"("Screen0",145,2923572,"\grass.bmp",0,0,0,0,0,0,0,0)",
                  R"("Screen0",145,2923572,"\grass.bmp",0,0,6,0,0,0,126,0)");
    return level.replace(R"("Screen0","Side6",0,)", R"("Screen0","Side6",40,)");
}
static const QString BrokenExit =
    "the exit through link 6 leads to screen 40, outside the level's screens 0..4";

class TestCheckLevel : public QObject, EditorAccess {
    Q_OBJECT
    CheckLevelWindow* window() { return form().findChild<CheckLevelWindow*>(); }
    QStringList rows() { // each problem's row, its cells up to the message joined by "|"
        QStringList result;
        for (size_t i = 0; i < window()->problems().size(); ++i) {
            QStringList cells;
            for (int column = 0; column <= CheckLevelWindow::MessageColumn; ++column)
                cells << window()->rowOfProblem(i)->text(column);
            result << cells.join('|');
        }
        return result;
    }
    void loadBrokenLevel() {
        QFile file(m_f->path("broken.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(BrokenTemplate()) > 0);
        file.close();
        m_f->dialog.files << file.fileName();
        form().mnuLoad_Click();
        control("mnuCheckLevel")->trigger();
    }

private slots:
    void init() {
        m_f = std::make_unique<EditorFixture>();
        m_f->messages.clear(); // a test named on the command line is no level to load
    }
    void cleanup() { m_f.reset(); }

    void menuAndTheWindow() {
        QStringList items;
        for (const QAction* item : form().menuBar()->actions() + control<QMenu>("mnuLevel")->actions())
            items << item->objectName() + '|' + item->text() + '|' + item->shortcut().toString();
        QCOMPARE(items,
                 (QStringList{"|File|", "|Edit|", "|Level|", "|Screen|", "|View|", "mnuAbout|&About|",
                              "mnuCheckLevel|Check Level|F4", "mnuWorldOverview|World Overview|F5",
                              "mnuPictures|Pictures|F6", "||", "mnuBlockEdges|Block Screen Edges|",
                              "mnuBlockEdgesEverywhere|Block Screen Edges on Every Screen|", "|Make Exit|"}));
        QCOMPARE(control<QMenu>("mnuLevel")->objectName(), "mnuLevel");
        form().MnuPLtemp_Click();
        form().show();
        QVERIFY(QTest::qWaitForWindowActive(&form()));
        QTest::keyClick(&form(), Qt::Key_F4);
        QVERIFY(window() && window()->isVisible()); // once, not modal: tst_controlhelp
        QCOMPARE(window()->windowTitle(), "Check Level");
        QCOMPARE(window()->Summary->text(), "no problems");
        QCOMPARE(rows(), QStringList());
    }

    // An edit or an undo is checked again by itself a moment later, a stroke over several tiles once; the
    // check reads the screen on display from memory, writing nothing.
    void fileProblemsThenEditsCheckedAgain() {
        QVERIFY(m_f->show());
        loadBrokenLevel();
        // Unedited, the screen on display is checked as its file holds it, with the lines of the file.
        QCOMPARE(rows(), QStringList{"error|0|145|right|145|" + BrokenExit});
        const QImage icon = window()->rowOfProblem(0)->icon(0).pixmap(16).toImage();
        QVERIFY(!icon.isNull());
        QCOMPARE(icon, window()->style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(16).toImage());
        for (QLineEdit* box : {control<QLineEdit>("PropLeft"), control<QLineEdit>("PropUp"),
                               control<QLineEdit>("PropRight"), control<QLineEdit>("PropDown")})
            box->setText(box == control<QLineEdit>("PropRight") ? "6" : "0");
        QTest::mouseClick(control<QCheckBox>("UseApplyProp"), Qt::LeftButton);
        QSignalSpy checks(window(), &CheckLevelWindow::checked);
        QTest::mousePress(form().Tile(146), Qt::LeftButton);
        QTest::mouseMove(form().Tile(148));
        QTest::mouseRelease(form().Tile(148), Qt::LeftButton);
        QCOMPARE(rows().size(), 1);
        QTRY_COMPARE(rows().size(), 4);
        QCOMPARE(rows()[1], "error|0|146|right||" + BrokenExit);
        QCOMPARE(window()->Summary->text(), "4 errors, 0 warnings");
        QTest::qWait(2 * CheckLevelWindow::RecheckAfter);
        QCOMPARE(checks.count(), 1);
        QVERIFY(!m_f->module->ScreenTmpExists());
        QCOMPARE(ReadFile(m_f->path("broken.txt")), BrokenTemplate());
        m_f->document->undo();
        QTRY_COMPARE(rows().size(), 1);
    }

    // The screen left goes to its scratch file, as at every change of screen.
    void doubleClickGoesToScreenAndTile() {
        loadBrokenLevel();
        m_f->document->changeScreen(2);
        control<PictureBox>("NewColor")->setBackColour(255);
        QTest::mouseClick(control<QCheckBox>("UseColor"), Qt::LeftButton);
        QTest::mouseClick(form().Tile(1), Qt::LeftButton);
        QTest::mouseClick(window()->Refresh, Qt::LeftButton);
        QVERIFY(QTest::qWaitForWindowExposed(window()));
        QTreeWidget* list = window()->ProblemList;
        const QPoint row = list->visualItemRect(window()->rowOfProblem(0)).center();
        // As the mouse makes it: a click, then a second press that is the double click.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);
        QCOMPARE(m_f->module->CurrentScreen(), 0);
        QVERIFY(form().TilePropWindow() && form().TilePropWindow()->isVisible());
        QCOMPARE(form().TilePropWindow()->TileIndex->text(), "145");
        QCOMPARE(form().TilePropWindow()->PropRight->text(), "6");
        QCOMPARE(m_f->module->ReadScreen(2).tile(1).colour.toLong(), 255);
        QCOMPARE(m_f->titles(), QStringList());
    }

    void levelReplaced_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("lastScreen"); // of the level loaded
        QTest::newRow("Load Level") << "load" << 3;
        QTest::newRow("New Level") << "new" << 0;
        QTest::newRow("Pelmar Level") << "template" << 4;
        QTest::newRow("Load Level, too many screens to check at once")
            << "load" << CheckLevelWindow::CheckAtOnceBelow;
    }
    // The problems listed are never those of the level before: the level that replaced it is checked, or,
    // when that would hold up the load, the window asks for Refresh.
    void levelReplaced() {
        QFETCH(QString, command);
        QFETCH(int, lastScreen);
        SetLastScreen(*m_f->document, lastScreen);
        m_f->saveAs("other.txt");
        loadBrokenLevel();
        QCOMPARE(rows().size(), 1);
        if (command == "load") {
            m_f->dialog.files << m_f->path("other.txt");
            form().mnuLoad_Click();
        } else {
            command == "new" ? form().mnuNew_Click() : form().MnuPLtemp_Click();
        }
        QCOMPARE(m_f->module->LevelLastScreen(), lastScreen);
        const QStringList shown = rows();
        if (lastScreen >= CheckLevelWindow::CheckAtOnceBelow) {
            QCOMPARE(window()->Summary->text(), "Refresh to check");
            QCOMPARE(shown, QStringList());
            return;
        }
        QVERIFY(!shown.join('\n').contains(BrokenExit));
        const QString summary = window()->Summary->text();
        window()->Refresh_Click();
        QCOMPARE(rows(), shown);
        QCOMPARE(window()->Summary->text(), summary);
        QCOMPARE(m_f->titles(), QStringList());
    }

    // Rows never act on a level they were not checked against: screens renumbered, the level is checked
    // again (a row naming an old number goes), and a Fix after an edit checks again first and mends only
    // a problem still there.
    void rowsFollowTheLevel() {
        loadBrokenLevel();
        QVERIFY(m_f->document->renumberScreens(ScreenRenumbering::deleting(0, 4)));
        QVERIFY(!rows().join('\n').contains(BrokenExit));

        const int tile = 21; // on the left border
        EditTile(*m_f->document, tile, [](TileState& t) { t.directions[0] = 0; });
        window()->Refresh_Click();
        const std::vector<LevelProblem>& problems = window()->problems();
        const auto wrap = std::find_if(problems.begin(), problems.end(), [&](const LevelProblem& problem) {
            return problem.code == "edge-wrap" && problem.screen == 0 && problem.tile == tile;
        });
        QVERIFY(wrap != problems.end());
        window()->ProblemList->setCurrentItem(window()->rowOfProblem(size_t(wrap - problems.begin())));
        EditTile(*m_f->document, tile, [](TileState& t) {
            t.directions[0] = 2; // now an exit: blocking the step would take it away
            t.operands[0] = FieldValue::number(40);
        });
        const int steps = m_f->document->undoStack().count();
        window()->Fix->click();
        QCOMPARE(m_f->document->tile(tile).directions[0], Integer(2));
        QCOMPARE(m_f->document->undoStack().count(), steps);
    }

    void placesGoneToNowhere_data() {
        QTest::addColumn<QVariant>("screen");
        QTest::addColumn<QVariant>("tile");
        QTest::addColumn<int>("shownScreen");
        QTest::newRow("no screen") << QVariant() << QVariant(5) << 1;
        QTest::newRow("screen below 0") << QVariant(qint64(-1)) << QVariant(5) << 1;
        QTest::newRow("screen beyond the Integer range") << QVariant(qint64(32768)) << QVariant(5) << 1;
        QTest::newRow("tile beside the grid") << QVariant(qint64(3)) << QVariant(0) << 3;
    }
    // Nothing is shown in the tile property window, and nothing fails.
    void placesGoneToNowhere() {
        QFETCH(QVariant, screen);
        QFETCH(QVariant, tile);
        QFETCH(int, shownScreen);
        form().MnuPLtemp_Click();
        m_f->document->changeScreen(1);
        control("mnuCheckLevel")->trigger();
        LevelProblem problem;
        if (screen.isValid())
            problem.screen = screen.toLongLong();
        problem.tile = tile.toInt();
        emit window()->problemChosen(problem);
        QCOMPARE(m_f->module->CurrentScreen(), shownScreen);
        QVERIFY(!form().TilePropWindow() || !form().TilePropWindow()->isVisible());
        QCOMPARE(m_f->titles(), QStringList());
    }

    // The broken template with screens 5 and 6 blank: 28 edge-wraps each, and no exit reaches them.
    void loadBrokenLevelOfSevenScreens() {
        loadBrokenLevel();
        SetLastScreen(*m_f->document, 6);
        window()->Refresh_Click();
    }
    QStringList groupRows() { // each group's row: severity, message, rows under it
        QStringList result;
        for (int i = 0; i < window()->ProblemList->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* group = window()->ProblemList->topLevelItem(i);
            result << QStringLiteral("%1 %2 %3").arg(group->text(0), group->text(5)).arg(group->childCount());
        }
        return result;
    }

    // Kinds under rows that count them, errors first; the edge-wraps of a screen make one row.
    void groupedListAndFilters() {
        loadBrokenLevelOfSevenScreens();
        QCOMPARE(groupRows(), (QStringList{"error link-out-of-range (1) 1",
                                           "warning unreachable-screen (2) 2", "warning edge-wrap (56) 2"}));
        const QTreeWidgetItem* screen6 = window()->ProblemList->topLevelItem(2)->child(1);
        QCOMPARE(screen6->text(1) + '|' + screen6->text(5) + '|' + QString::number(screen6->childCount()),
                 "6|28 free steps off the left and right borders wrap onto the next row|28");
        window()->KindFilter->setCurrentIndex(window()->KindFilter->findText("edge-wrap"));
        QCOMPARE(groupRows(), QStringList{"warning edge-wrap (56) 2"});
        window()->ScreenFilter->setCurrentIndex(window()->ScreenFilter->findText("5"));
        QCOMPARE(groupRows(), QStringList{"warning edge-wrap (28) 1"});
        window()->KindFilter->setCurrentIndex(0);
        QCOMPARE(groupRows(), (QStringList{"warning unreachable-screen (1) 1", "warning edge-wrap (28) 1"}));
    }

    void rowFixButtons_data() {
        QTest::addColumn<int>(
            "group"); // the row: the group's, that of its first screen, or its first problem's
        QTest::addColumn<QString>("row");
        QTest::addColumn<int>("fix");
        QTest::addColumn<QString>("step");
        QTest::addColumn<int>("linksOut"); // link-out-of-range problems after
        QTest::addColumn<int>("wraps");    // edge-wrap problems after
        QTest::newRow("make the screen") << 0 << "problem" << 0 << "Make the screen" << 0 << 84;
        QTest::newRow("block the step") << 0 << "problem" << 1 << "Block this step" << 0 << 56;
        QTest::newRow("edges of a screen") << 2 << "screen" << 0 << "Block Screen Edges" << 1 << 28;
        QTest::newRow("edges of every screen")
            << 2 << "group" << 0 << "Block Screen Edges on Every Screen" << 1 << 0;
    }
    // Each row's own button, clicked without the row selected first, makes its fix as one step.
    void rowFixButtons() {
        QFETCH(int, group);
        QFETCH(QString, row);
        QFETCH(int, fix);
        QFETCH(QString, step);
        QVERIFY(m_f->show());
        loadBrokenLevelOfSevenScreens();
        QVERIFY(QTest::qWaitForWindowExposed(window()));
        QTreeWidgetItem* item = window()->ProblemList->topLevelItem(group);
        if (row != "group")
            item = item->child(0);
        QTest::mouseClick(window()->ProblemList->viewport(), Qt::LeftButton, {},
                          window()->fixButtonRect(item, fix).center());
        QTRY_COMPARE(m_f->document->undoStack().undoText(), step);
        const auto count = [this](const char* code) {
            const std::vector<LevelProblem>& problems = window()->problems();
            return int(
                std::count_if(problems.begin(), problems.end(), [&](auto& p) { return p.code == code; }));
        };
        QTEST(count("link-out-of-range"), "linksOut");
        QTEST(count("edge-wrap"), "wraps");
    }
};

QTEST_MAIN(TestCheckLevel)
#include "tst_checklevel.moc"
