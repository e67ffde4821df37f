// Selecting tiles on the grid, the clipboard, moving, flipping and turning the selection, and the stamp:
// each change one step, and the keys left to a text box that has the focus.
#include "editorfixture.h"
#include "level/tools/directions.h"
#include "level/tools/tileblock.h"
#include "mainwindow/blockplacer.h"
#include "mainwindow/directionscontroller.h"
#include "mainwindow/selectioncontroller.h"

#include <QtTest>
#include <QtWidgets>

using namespace tavrin;

class TestSelection : public QObject, EditorAccess {
    Q_OBJECT
    int steps() { return document().undoStack().count(); }
    QString status() { return form().statusBar()->currentMessage(); }

    // Tile `tile` in colour `colour`, a picture, a wall on the left and an exit up with a text operand.
    void paint(int tile, Long colour) {
        TileState state = document().tile(tile);
        state.colour = FieldValue::number(colour);
        state.picture = FieldValue::text("\\tree.bmp");
        state.directions = {1, 2, 0, 0};
        state.operands = {FieldValue::number(0), FieldValue::text("290"), FieldValue::number(3),
                          FieldValue()};
        document().editTile(tile, state);
    }
    // The grid has the focus: no text box takes the keys.
    void focusGrid() {
        if (QWidget* focused = QApplication::focusWidget())
            focused->clearFocus();
    }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&form(), Qt::Key(key), modifiers);
    }
    // A drag of the mouse from tile `from` to tile `to`, over the tiles between, as the user makes it.
    void drag(int from, int to, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mousePress(form().Tile(from), Qt::LeftButton, modifiers);
        QTest::mouseMove(form().Tile(from));
        QTest::mouseMove(form().Tile(to));
        QTest::mouseRelease(form().Tile(to), Qt::LeftButton, modifiers);
    }
    void select(int from, int to) {
        form().directions().setGridTool(GridTool::Select);
        drag(from, to);
    }

private slots:
    void init() {
        m_f = std::make_unique<EditorFixture>();
        QVERIFY(m_f->show());
        focusGrid();
        QGuiApplication::clipboard()->clear();
    }
    void cleanup() { m_f.reset(); }

    // S takes the select tool, checked in the menu and the tool column and nowhere else; a drag selects the
    // rectangle between its ends, Shift+drag one more, Esc none. Selecting changes no tile.
    void selectByDrag_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<bool>("add");
        QTest::addColumn<QList<int>>("tiles");
        QTest::newRow("down and right") << 22 << 43 << false << QList<int>{22, 23, 42, 43};
        QTest::newRow("up and left") << 43 << 22 << false << QList<int>{22, 23, 42, 43};
        QTest::newRow("one tile") << 300 << 300 << false << QList<int>{300};
        QTest::newRow("Shift adds") << 45 << 65 << true << QList<int>{1, 2, 45, 65};
    }
    void selectByDrag() {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(bool, add);
        QFETCH(QList<int>, tiles);
        key(Qt::Key_S);
        QCOMPARE(form().directions().gridTool(), GridTool::Select);
        QVERIFY(control<QCheckBox>("SelectTool")->isChecked() && control("mnuSelect")->isChecked());
        const Screen before = level().ScreenOnDisplay();
        if (add)
            drag(1, 2);
        drag(from, to, add ? Qt::ShiftModifier : Qt::NoModifier);
        const std::vector<int> selected = form().selection().selectedTiles();
        QCOMPARE(QList<int>(selected.begin(), selected.end()), tiles);
        QCOMPARE(level().ScreenOnDisplay(), before);
        QCOMPARE(steps(), 0);

        key(Qt::Key_Escape);
        QVERIFY(form().selection().selectedTiles().empty());
        control<QCheckBox>("UseColor")->click(); // a painting mode leaves the select tool
        QCOMPARE(form().directions().gridTool(), GridTool::Paint);
        QVERIFY(!control<QCheckBox>("SelectTool")->isChecked() && !control("mnuSelect")->isChecked());
    }

    // Ctrl+A, Ctrl+C, Ctrl+X, Ctrl+V, Del and S act on the grid, unless a text box has the focus: then they
    // are the text box's, and the tiles and the clipboard's tiles stay as they were.
    void keysOfAFocusedTextBox_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("textAfter"); // the box held "123" with "2" selected
        QTest::newRow("Ctrl+A") << int(Qt::Key_A) << int(Qt::ControlModifier) << "123";
        QTest::newRow("Ctrl+C") << int(Qt::Key_C) << int(Qt::ControlModifier) << "123";
        QTest::newRow("Ctrl+X") << int(Qt::Key_X) << int(Qt::ControlModifier) << "13";
        QTest::newRow("Ctrl+V") << int(Qt::Key_V) << int(Qt::ControlModifier) << "1pasted3";
        QTest::newRow("Del") << int(Qt::Key_Delete) << 0 << "13";
        QTest::newRow("X") << int(Qt::Key_X) << 0 << "1x3";
    }
    void keysOfAFocusedTextBox() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, textAfter);
        paint(22, 255);
        select(22, 43);
        const int stepsBefore = steps();
        const Screen before = level().ScreenOnDisplay();
        QGuiApplication::clipboard()->setText("pasted");
        QLineEdit* box = control<QLineEdit>("ScreenToGoTo");
        box->setText("123");
        box->setFocus();
        QTRY_VERIFY(box->hasFocus());
        box->setSelection(1, 1);
        QTest::keyClick(box, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(box->text(), textAfter);
        QCOMPARE(level().ScreenOnDisplay(), before);
        QCOMPARE(steps(), stepsBefore);
        QCOMPARE(form().selection().selectedTiles().size(), size_t(4));
        QVERIFY(!QGuiApplication::clipboard()->mimeData()->hasFormat(TileBlockMimeType));
        if (key != Qt::Key_A)
            return;
        QCOMPARE(box->selectedText(), QString("123"));
        focusGrid(); // now Ctrl+A is the grid's
        this->key(key, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(form().selection().selectedTiles().size(), size_t(LastGridTile));
    }

    // Cut and Delete leave blank tiles (the brush colour, no picture, every direction free, the operands
    // kept), one step each; Cut takes the tiles to the clipboard, and Paste puts them back where they were
    // and selects them, one step. With nothing selected, Copy takes the tile under the pointer.
    void cutOrDeleteThenPaste_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Ctrl+X") << int(Qt::Key_X) << int(Qt::ControlModifier);
        QTest::newRow("Del") << int(Qt::Key_Delete) << 0;
    }
    void cutOrDeleteThenPaste() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        paint(22, 255);
        paint(43, 65280);
        const Screen original = level().ScreenOnDisplay();
        QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
        QCoreApplication::sendEvent(form().Tile(43), &enter);
        this->key(Qt::Key_C, Qt::ControlModifier);
        select(22, 43);
        this->key(key, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(steps(), 3);
        const TileState blank = document().tile(43);
        QCOMPARE(blank.colour.toLong(), level().BrushColour());
        QCOMPARE(blank.picture, FieldValue::number(0));
        QCOMPARE(blank.directions, (std::array<Integer, 4>{}));
        QCOMPARE(blank.operands, original.tile(43).operands);

        this->key(Qt::Key_Escape);
        QTest::mouseMove(
            control<QLineEdit>("ScreenToGoTo")); // off the grid: the tiles go back where they came from
        this->key(Qt::Key_V, Qt::ControlModifier);
        this->key(Qt::Key_Return);
        QCOMPARE(steps(), 4);
        const std::vector<int> pasted =
            key == Qt::Key_X ? std::vector<int>{22, 23, 42, 43} : std::vector<int>{43};
        QCOMPARE(form().selection().selectedTiles(), pasted);
        QCOMPARE(document().tile(43), original.tile(43));
        QCOMPARE(document().tile(22) == original.tile(22), key == Qt::Key_X);
    }

    // Dragging the selection moves it, as one step: the tiles left become blank, the selection follows, and
    // it stays whole on the grid however far the pointer goes.
    void moveByDrag_data() {
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("landing"); // where tile 22 goes
        QTest::newRow("down and right") << 65 << 65;
        QTest::newRow("beyond the right border") << 40 << 39;
    }
    void moveByDrag() {
        QFETCH(int, to);
        QFETCH(int, landing);
        paint(22, 255);
        paint(43, 65280);
        const Screen original = level().ScreenOnDisplay();
        select(22, 43);
        drag(22, to);
        QCOMPARE(steps(), 3);
        QCOMPARE(document().tile(landing), original.tile(22));
        QCOMPARE(document().tile(landing + 21), original.tile(43));
        QCOMPARE(form().selection().selectedTiles(),
                 (std::vector<int>{landing, landing + 1, landing + 20, landing + 21}));
        QCOMPARE(document().tile(22), BlankedTile(original.tile(22), level().BrushColour()));
    }

    // Flips and turns move the selected tiles and turn their sides (how: tst_tileblock), one step each; a
    // turn that would stick out of the grid is refused with a word in the status bar.
    void transform() {
        paint(281, 255); // bottom-left corner: left wall, exit up
        const Screen before = level().ScreenOnDisplay();
        select(281, 283);
        key(Qt::Key_X); // Flip Horizontal
        QCOMPARE(steps(), 2);
        QCOMPARE(document().tile(283).directions, (std::array<Integer, 4>{0, 2, 1, 0}));
        QCOMPARE(document().tile(281), before.tile(283));

        control("mnuRotate")->trigger();
        QCOMPARE(steps(), 2);
        QVERIFY(status().startsWith("Not rotated"));

        select(263, 283);
        control("mnuRotate")->trigger();
        QCOMPARE(document().tile(263).directions, (std::array<Integer, 4>{0, 0, 2, 1}));
    }

    // A text that is no tiles pastes nothing and says why; an exit pasted that leads outside the level is
    // named in the status bar.
    void pastedText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("stepsAfter");
        QTest::addColumn<QString>("said");
        QTest::newRow("prose") << "Dear diary," << 0 << "Nothing pasted: line 1";
        QTest::newRow("an exit beyond the last screen")
            << "\"Screen0\",8,255,0,0,0,4,0,1,1,301,1\r\n"
            << 1 << "exits of tile(s) 8 now lead outside the level";
    }
    void pastedText() {
        QFETCH(QString, text);
        QFETCH(int, stepsAfter);
        QFETCH(QString, said);
        QGuiApplication::clipboard()->setText(text);
        key(Qt::Key_V, Qt::ControlModifier);
        key(Qt::Key_Return);
        QCOMPARE(steps(), stepsAfter);
        QVERIFY2(status().contains(said), qPrintable(status()));
    }

    // Ctrl+B takes the selection as the stamp, shown under the pointer as it moves; the tiles pasted float
    // there too. X, Y and Z flip and turn what is held; Esc puts it away with the level as it was.
    void heldBlock_data() {
        QTest::addColumn<bool>("pasted");
        QTest::addColumn<int>("key");
        QTest::newRow("stamp, X") << false << int(Qt::Key_X);
        QTest::newRow("stamp, Y") << false << int(Qt::Key_Y);
        QTest::newRow("stamp, Z") << false << int(Qt::Key_Z);
        QTest::newRow("pasted, Z") << true << int(Qt::Key_Z);
    }
    void heldBlock() {
        QFETCH(bool, pasted);
        QFETCH(int, key);
        paint(1, 255);
        paint(22, 65280);
        select(1, 22);
        const Screen original = level().ScreenOnDisplay();
        const TileBlock taken = TileBlock::take(original, {1, 2, 21, 22});
        this->key(pasted ? Qt::Key_C : Qt::Key_B, Qt::ControlModifier);
        QTest::mouseMove(form().Tile(pasted ? 102 : 200));
        if (pasted)
            this->key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(form().selection().hasStamp(), !pasted);
        QVERIFY(form().selection().selectedTiles().empty());
        const BlockPlacer& placer = form().selection().blockPlacer();
        QTest::mouseMove(form().Tile(102)); // the stamp follows the pointer; the pasted tiles stay
        QCOMPARE(placer.previewOn(102), original.tile(1));
        QCOMPARE(placer.previewOn(123), original.tile(22));
        QVERIFY(!placer.previewOn(101) && !placer.previewOn(200));
        this->key(key);
        QCOMPARE(placer.block(), key == Qt::Key_X   ? taken.flippedHorizontally()
                                 : key == Qt::Key_Y ? taken.flippedVertically()
                                                    : taken.rotatedClockwise());
        this->key(Qt::Key_Escape);
        QCOMPARE(placer.held(), BlockPlacer::Held::Nothing);
        QCOMPARE(level().ScreenOnDisplay(), original);
        QCOMPARE(steps(), 2);
    }

    // Paste floats the tiles at the pointer, or where they were copied from with the pointer off the grid;
    // dragged from inside, they move; Enter or a click beside them puts them down, as one step.
    void pasteFloats_data() {
        QTest::addColumn<int>("pointer"); // 0: off the grid
        QTest::addColumn<int>("dragTo");  // from tile 122, the pasted block's bottom-left; 0: no drag
        QTest::addColumn<int>("landing"); // where tile 2 goes
        QTest::newRow("at the pointer") << 102 << 0 << 102;
        QTest::newRow("where copied from") << 0 << 0 << 2;
        QTest::newRow("dragged, then a click beside") << 102 << 145 << 125;
    }
    void pasteFloats() {
        QFETCH(int, pointer);
        QFETCH(int, dragTo);
        QFETCH(int, landing);
        paint(2, 255);
        paint(23, 65280);
        const Screen original = level().ScreenOnDisplay();
        select(2, 23);
        key(Qt::Key_X, Qt::ControlModifier);
        QTest::mouseMove(pointer ? form().Tile(pointer)
                                 : static_cast<QWidget*>(control<QLineEdit>("ScreenToGoTo")));
        key(Qt::Key_V, Qt::ControlModifier);
        if (dragTo)
            drag(122, dragTo);
        QCOMPARE(steps(), 3);
        if (dragTo)
            QTest::mouseClick(form().Tile(300), Qt::LeftButton);
        else
            key(Qt::Key_Return);
        QCOMPARE(steps(), 4);
        QCOMPARE(document().tile(landing), original.tile(2));
        QCOMPARE(document().tile(landing + 21), original.tile(23));
        QCOMPARE(form().selection().selectedTiles(),
                 (std::vector<int>{landing, landing + 1, landing + 20, landing + 21}));
        document().undo();
        document().undo();
        QCOMPARE(level().ScreenOnDisplay(), original);
    }
};

QTEST_MAIN(TestSelection)
#include "tst_selection.moc"
