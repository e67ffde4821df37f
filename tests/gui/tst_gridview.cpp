// What the main window's grid shows, drawn from the level's values: the walk marker and the look under it
// in Tile(998), picture references that name another box, and a blank screen in the brush colour.
#include "editorfixture.h"

#include <QtTest>
#include <QtWidgets>
#include <numeric>

using namespace tavrin;

class TestGridView : public QObject, EditorAccess {
    Q_OBJECT
    QImage shown(int box) { return form().Tile(box)->picture(); }
    QImage file(const char* name) { return QImage(m_f->path(QStringLiteral("Pics/") + name)); }
    void setPicture(int tile, const FieldValue& picture) {
        EditTile(*m_f->document, tile, [&](tavrin::TileState& t) { t.picture = picture; });
    }

private slots:
    void init() { QVERIFY((m_f = std::make_unique<EditorFixture>())->show()); }
    void cleanup() { m_f.reset(); }

    // The marker stands on its tile; Tile(998) shows that tile's own look, and follows a paint of it.
    void markerAndTheLookUnderIt() {
        const QImage marker = shown(MarkerTile);
        QVERIFY(!marker.isNull());
        QCOMPARE(shown(1), marker);
        setPicture(2, FieldValue::text("\\grass.bmp"));
        QTest::keyClick(&form(), Qt::Key_Right);
        QCOMPARE(int(m_f->module->WalkerTile()), 2);
        QCOMPARE(shown(2), marker);
        QVERIFY(shown(1).isNull());
        QCOMPARE(shown(PreviewTile), file("grass.bmp"));
        // Painted under the marker: the marker stays on top, the look under it changes.
        TileState under = m_f->document->tile(2);
        under.colour = FieldValue::number(255);
        under.picture = FieldValue::text("\\water.bmp");
        m_f->document->editTile(2, under);
        QCOMPARE(shown(2), marker);
        QCOMPARE(shown(PreviewTile), file("water.bmp"));
        QCOMPARE(form().Tile(PreviewTile)->backColour(), Long(255));
        // Off the grid the marker comes off and its tile shows itself.
        QTest::keyClick(&form(), Qt::Key_Up);
        QVERIFY(!form().MarkerOnGrid());
        QCOMPARE(shown(2), file("water.bmp"));
        QTest::keyClick(&form(), Qt::Key_Down);
        QCOMPARE(shown(22), marker);
        QCOMPARE(shown(2), file("water.bmp"));
    }

    void paintedUnderTheMarker_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("key"); // that walks the marker off the tile
        QTest::newRow("a click, marker right") << "click" << int(Qt::Key_Right);
        QTest::newRow("a drag, marker down") << "drag" << int(Qt::Key_Down);
        QTest::newRow("a fill, marker right") << "fill" << int(Qt::Key_Right);
        QTest::newRow("a click, marker off the grid") << "click" << int(Qt::Key_Up);
    }
    // The tile the marker leaves shows what was painted on it while the marker stood there.
    void paintedUnderTheMarker() {
        QFETCH(QString, how);
        QFETCH(int, key);
        m_f->dialog.colours = {255};
        QTest::mouseClick(control<QPushButton>("Command7"), Qt::LeftButton);
        QTest::mouseClick(control<QCheckBox>("UseColor"), Qt::LeftButton);
        QCOMPARE(int(m_f->module->WalkerTile()), 1);
        if (how == "drag") {
            QTest::mousePress(form().Tile(1), Qt::LeftButton);
            QTest::mouseMove(form().Tile(2));
            QTest::mouseRelease(form().Tile(2), Qt::LeftButton);
        } else {
            QTest::mouseClick(form().Tile(1), Qt::LeftButton,
                              how == "fill" ? Qt::ShiftModifier : Qt::NoModifier);
        }
        QCOMPARE(shown(1), shown(MarkerTile));
        QTest::keyClick(&form(), Qt::Key(key));
        QVERIFY(shown(1).isNull());
        QCOMPARE(form().Tile(1)->backColour(), Long(255));
        QCOMPARE(form().Tile(2)->backColour(), how == "click" ? SysWindowBackground : Long(255));
    }

    // The marker stays where the walk left it when an undo brings back the screen of its step, and when
    // Go To Screen is undone by hand.
    void undoThatChangesScreenShowsTheMarker() {
        QTest::keyClick(&form(), Qt::Key_Right);
        QTest::keyClick(&form(), Qt::Key_Right);
        m_f->paint(50, 255);
        m_f->goTo("1");
        QVERIFY(!form().MarkerOnGrid());
        control("mnuUndo")->trigger();
        QCOMPARE(int(m_f->module->CurrentScreen()), 0);
        QVERIFY(form().MarkerOnGrid());
        QCOMPARE(shown(3), shown(MarkerTile));
        QCOMPARE(form().Tile(50)->backColour(), SysWindowBackground);
        m_f->goTo("1");
        control("mnuRedo")->trigger();
        QVERIFY(form().MarkerOnGrid());
        QCOMPARE(shown(3), shown(MarkerTile));
        QCOMPARE(form().Tile(50)->backColour(), Long(255));
    }

    // A number names a box: its picture is that box's own, whatever is drawn over it and whichever tile
    // was read first.
    void referencesToOtherBoxes_data() {
        QTest::addColumn<QList<int>>("chain"); // tile 50 names the first, each names the next
        QTest::addColumn<QString>("expected"); // "grass", "none", "builtin", "marker", "water"
        QTest::newRow("through two tiles") << QList<int>{40, 30} << "grass";
        QTest::newRow("a loop shows none") << QList<int>{40, 50} << "none";
        QTest::newRow("itself") << QList<int>{50} << "none";
        QTest::newRow("the built-in figure") << QList<int>{997} << "builtin";
        QTest::newRow("the marker") << QList<int>{999} << "marker";
        QTest::newRow("the look under the marker") << QList<int>{998} << "water";
        QTest::newRow("the tile under the marker, not the marker on it") << QList<int>{1} << "water";
        QTest::newRow("Tile(0), unpainted") << QList<int>{0} << "none";
    }
    void referencesToOtherBoxes() {
        QFETCH(QList<int>, chain);
        QFETCH(QString, expected);
        setPicture(30, FieldValue::text("\\grass.bmp"));
        setPicture(1, FieldValue::text("\\water.bmp")); // the marker stands on tile 1
        setPicture(50, FieldValue::number(chain[0]));
        for (int i = 0; i + 1 < chain.size(); ++i)
            setPicture(chain[i], FieldValue::number(chain[i + 1]));
        const QMap<QString, QImage> pictures{{"grass", file("grass.bmp")},
                                             {"none", QImage()},
                                             {"builtin", shown(BuiltinTile)},
                                             {"marker", shown(MarkerTile)},
                                             {"water", file("water.bmp")}};
        QCOMPARE(shown(50), pictures[expected]);
        // The screen read again from its scratch file shows the same.
        m_f->goTo("1");
        m_f->goTo("0");
        QCOMPARE(shown(50), pictures[expected]);
    }

    // A tile showing another's picture follows when that one is painted.
    void referenceFollowsThePaint() {
        setPicture(30, FieldValue::text("\\grass.bmp"));
        setPicture(50, FieldValue::number(30));
        QCOMPARE(shown(50), file("grass.bmp"));
        setPicture(30, FieldValue::text("\\water.bmp"));
        QCOMPARE(shown(50), file("water.bmp"));
        control("mnuUndo")->trigger();
        QCOMPARE(shown(50), file("grass.bmp"));
    }

    // A screen found nowhere is drawn in the brush colour, Tile(998) too.
    void blankScreenInTheBrushColour() {
        control<PictureBox>("NewColor")->setBackColour(Rgb(10, 20, 30));
        m_f->goTo("7");
        for (int tile : {1, 150, 300})
            QCOMPARE(form().Tile(tile)->backColour(), Rgb(10, 20, 30));
        QCOMPARE(form().Tile(PreviewTile)->backColour(), Rgb(10, 20, 30));
    }
};

QTEST_MAIN(TestGridView)
#include "tst_gridview.moc"
