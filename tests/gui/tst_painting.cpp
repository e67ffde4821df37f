// Painting through the main window's controls: colour, picture and properties painting, which reach the
// screen's data only when the screen is written (colour 255 is red, -2147483643 the window background);
// Change Pic's cancel; and the four kinds of refused click, each with its message and no change to the tile
// or to the screen's data.

#include "editorfixture.h"
#include "mainwindow/directionscontroller.h"
#include "mainwindow/selectioncontroller.h"

#include <QtTest>
#include <QtWidgets>

using namespace tavrin;

class TestPainting : public QObject, EditorAccess {
    Q_OBJECT
    void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    QByteArray scratch() {
        m_f->document->keepScreenOnDisplay();
        return ReadFile(m_f->path("Screen0.tmp"));
    }

private slots:
    void init() { QVERIFY((m_f = std::make_unique<EditorFixture>())->show()); }
    void cleanup() { m_f.reset(); }

    void paintedTilesReachDataWhenWritten() {
        m_f->dialog.colours = {255};
        m_f->dialog.files = {m_f->path("Pics/water.bmp")};
        click(control<QPushButton>("Command7"));
        click(control<QPushButton>("Command8"));
        click(control<QCheckBox>("UseColor"));
        click(form().Tile(7));
        click(control<QCheckBox>("UsePicture"));
        click(form().Tile(9));
        int k = 0;
        for (QLineEdit* box : {control<QLineEdit>("PropLeft"), control<QLineEdit>("PropUp"),
                               control<QLineEdit>("PropRight"), control<QLineEdit>("PropDown"),
                               control<QLineEdit>("PropLeftOps"), control<QLineEdit>("PropUpOps"),
                               control<QLineEdit>("PropRightOps"), control<QLineEdit>("PropDownOps")})
            box->setText(QStringList{"2.5", "1", "0", "3", "41", "", "a,b", "7"}[k++]);
        click(control<QCheckBox>("UseApplyProp"));
        click(form().Tile(21));
        QCOMPARE(m_f->module->TileBackColor(7), FieldValue::number(255)); // painted, not yet written
        click(control<QPushButton>("Command6"));                          // a redraw keeps it
        QCOMPARE(form().Tile(7)->backColour(), 255);
        const QByteArray text = scratch();
        QVERIFY(text.contains("\"Screen0\",9,-2147483643,\"\\water.bmp\",0,0,0,0,1,1,1,1\r\n"));
        QVERIFY(text.contains("\"Screen0\",21,-2147483643,,2,1,0,3,\"41\",\"\",\"a,b\",\"7\"\r\n"));
        m_f->document->changeScreen(1);
        QVERIFY(form().Tile(9)->picture().isNull());
        m_f->document->changeScreen(0);
        QCOMPARE(form().Tile(7)->backColour(), 255);
        QCOMPARE(form().Tile(8)->backColour(), -2147483643);
        QCOMPARE(form().Tile(9)->picture(), QImage(m_f->path("Pics/water.bmp")));
    }

    // A fast pointer crosses several tiles between two of its positions: every stroking tool takes each
    // tile on the line between them, and only those, as one step.
    void fastStrokeTakesEveryTilePassed_data() {
        QTest::addColumn<int>("tool");
        QTest::newRow("paint") << int(GridTool::Paint);
        QTest::newRow("wall brush") << int(GridTool::Wall);
        QTest::newRow("stamp") << int(GridTool::Stamp);
    }
    void fastStrokeTakesEveryTilePassed() {
        QFETCH(int, tool);
        LevelDocument& document = form().Document();
        EditTile(document, 300, [&](tavrin::TileState& t) { t.colour = FieldValue::number(255); });
        if (tool == int(GridTool::Stamp)) { // a stamp of tile 300 alone
            form().directions().setGridTool(GridTool::Select);
            QTest::mouseClick(form().Tile(300), Qt::LeftButton);
            form().selection().copyTiles();
            form().selection().useAsStamp();
        } else if (tool == int(GridTool::Wall)) {
            click(control<QCheckBox>("WallBrush"));
        } else {
            m_f->dialog.colours = {255};
            click(control<QPushButton>("Command7"));
            click(control<QCheckBox>("UseColor"));
        }
        QCOMPARE(int(form().directions().gridTool()), tool);
        const int steps = document.undoStack().count();
        QTest::mousePress(form().Tile(2), Qt::LeftButton);
        QTest::mouseMove(form().Tile(142)); // seven rows down in one move
        QTest::mouseMove(form().Tile(282)); // and on to the bottom row
        QTest::mouseRelease(form().Tile(282), Qt::LeftButton);
        QCOMPARE(document.undoStack().count(), steps + 1);
        const Module1& m = *m_f->module;
        for (int tile = 2; tile <= 282; tile += GridColumns) {
            if (tool == int(GridTool::Wall))
                QCOMPARE(m.TilePropRight(tile - 1), Integer(1)); // the step into it from the left
            else
                QCOMPARE(m.TileBackColor(tile), FieldValue::number(255));
        }
        QCOMPARE(m.TilePropLeft(4), Integer(0)); // tile 3, beside the stroke, is not walled
        QVERIFY(!(m.TileBackColor(3) == FieldValue::number(255)));
    }

    // Shift+click fills the tiles joined to the clicked one that look like it, and no others.
    void shiftClickFillsTheRegion() {
        LevelDocument& document = form().Document();
        document.beginStroke("Set up");
        for (int tile = 1; tile <= 300; ++tile) {
            TileState state = document.tile(tile);
            state.colour = FieldValue::number((tile - 1) % 20 == 4 ? 2 : 1); // a wall down column 5
            state.picture = FieldValue::number(0);
            document.editTile(tile, state);
        }
        TileState odd = document.tile(42);
        odd.picture = FieldValue::text("\\water.bmp"); // same colour, another picture: not filled
        document.editTile(42, odd);
        document.endStroke();
        m_f->dialog.colours = {255};
        click(control<QPushButton>("Command7"));
        click(control<QCheckBox>("UseColor"));
        QTest::mouseClick(form().Tile(1), Qt::LeftButton, Qt::ShiftModifier);
        int filled = 0;
        for (int tile = 1; tile <= 300; ++tile)
            filled += form().Tile(tile)->backColour() == 255;
        QCOMPARE(filled, 4 * 15 - 1);
        QCOMPARE(form().Tile(42)->backColour(), 1);
        QCOMPARE(form().Tile(6)->backColour(), 1);
        QCOMPARE(document.undoStack().count(), 2); // the set-up and the fill
    }

    // A right-click takes a tile's colour, picture and properties into the brush and changes no tile.
    void rightClickPicksTheTile() {
        TileState state = form().Document().tile(21);
        state.colour = FieldValue::number(0x123456);
        state.picture = FieldValue::text("\\water.bmp");
        state.directions = {2, 1, 0, 3};
        state.operands = {FieldValue::text("41"), FieldValue(), FieldValue::text("a,b"),
                          FieldValue::number(7)};
        form().Document().editTile(21, state);
        const int steps = form().Document().undoStack().count();
        QTest::mouseClick(form().Tile(21), Qt::RightButton);
        QCOMPARE(control<PictureBox>("NewColor")->backColour(), 0x123456);
        QCOMPARE(m_f->module->PictureName(), "\\water.bmp");
        QCOMPARE(control<PictureBox>("NewPicture")->picture(), QImage(m_f->path("Pics/water.bmp")));
        QStringList brush;
        for (QLineEdit* box : {control<QLineEdit>("PropLeft"), control<QLineEdit>("PropUp"),
                               control<QLineEdit>("PropRight"), control<QLineEdit>("PropDown"),
                               control<QLineEdit>("PropLeftOps"), control<QLineEdit>("PropUpOps"),
                               control<QLineEdit>("PropRightOps"), control<QLineEdit>("PropDownOps")})
            brush << box->text();
        QCOMPARE(brush, (QStringList{"2", "1", "0", "3", "41", "", "a,b", "7"}));
        QCOMPARE(form().Document().tile(21), state);
        QCOMPARE(form().Document().undoStack().count(), steps);
    }

    void changePicCancelled() {
        m_f->dialog.files = {m_f->path("Pics/grass.bmp"), std::nullopt};
        click(control<QPushButton>("Command8"));
        click(control<QPushButton>("Command8"));
        QCOMPARE(m_f->module->PictureName(), "0");
        QCOMPARE(m_f->titles(), QStringList{"32755, Command8_Click (Change Picture)"});
    }

    void refusedClicksChangeNothing() {
        const QByteArray before = scratch();
        const QImage builtin = form().Tile(997)->picture();
        click(control<QCheckBox>("UsePicture"));
        click(form().Tile(25));
        m_f->document->setBrushPicture("\\grass.bmp");
        click(form().Tile(997));
        click(control<QCheckBox>("UseApplyProp"));
        control<QLineEdit>("PropDown")->setText("40000");
        click(form().Tile(25));
        control<QLineEdit>("PropDown")->setText("1");
        control<QLineEdit>("PropDownOps")->setText("say \"hi\"");
        click(form().Tile(25));
        QCOMPARE(m_f->titles().join(';'), "53, Tile_Click;9, Tile_Click;6, Tile_Click;5, Tile_Click");
        QCOMPARE(form().Tile(997)->picture(), builtin);
        QCOMPARE(scratch(), before);
    }
};

QTEST_MAIN(TestPainting)
#include "tst_painting.moc"
