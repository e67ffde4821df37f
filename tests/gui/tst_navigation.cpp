// Moving between screens from the main window: Go To Screen, the Go buttons beside the grid and the walk
// of the marker with the arrow keys, through exits into the linked screens.
#include "editorfixture.h"
#include "faultyfiles.h"
#include "level/core/colour.h"

#include <QtTest>
#include <QtWidgets>

using namespace tavrin;

class TestNavigation : public QObject {
    Q_OBJECT
    std::unique_ptr<EditorFixture> f;

    void press(Qt::Key key, int times = 1) {
        for (int i = 0; i < times; ++i)
            QTest::keyClick(f->form.get(), key);
    }
    // The marker stands on `tile`, and the tile and Tile(998) hold the tile's own colour.
    bool markerOn(int tile, Long own) const {
        return f->module->WalkerTile() == tile && f->form->Tile(998)->backColour() == own &&
               f->form->Tile(tile)->backColour() == own &&
               f->form->Tile(tile)->picture() == f->form->Tile(999)->picture();
    }

private slots:
    void init() { QVERIFY((f = std::make_unique<EditorFixture>())->show()); }
    void cleanup() { f.reset(); } // before the next fixture, whose message catcher it would undo

    // No level file: screen 7 comes out blank. The first try cannot write the screen walked out of.
    void exitFromTile41LandsOnTile60() {
        FaultyFiles faulty;
        faulty.failOpenWriteWith = 75;
        TileState exit = f->document->tile(41);
        exit.directions[0] = 3; // left, through link 3
        exit.operands[0] = FieldValue::number(60);
        f->document->editTile(41, exit);
        EditLink(*f->document, 3, 7);
        press(Qt::Key_Down, 2);
        FileAccess* const files = f->module->Files();
        f->document->setFiles(&faulty);
        press(Qt::Key_Left);
        f->document->setFiles(files);
        QCOMPARE(f->titles(), QStringList{"75, Form_KeyDown"});
        QVERIFY(f->module->CurrentScreen() == 0 && markerOn(41, SysWindowBackground));
        press(Qt::Key_Left);
        QVERIFY(f->module->CurrentScreen() == 7 &&
                markerOn(60, f->control<PictureBox>("NewColor")->backColour()));
    }

    // Onto the spare tile 0, then to tile 300 over a row end and off the grid to its right.
    void spareTileAndGridEdge() {
        press(Qt::Key_Left);
        QVERIFY(markerOn(0, f->form->Tile(0)->backColour()));
        press(Qt::Key_Down, 14);
        press(Qt::Key_Right, 21); // the last one from tile 300
        QVERIFY(f->module->WalkerTile() == 300 && f->form->Tile(300)->picture().isNull());
        press(Qt::Key_Up);
        QVERIFY(markerOn(280, SysWindowBackground));
    }

    // A text box gets the arrow key too.
    void arrowsFromTextBoxes() {
        f->control<QLineEdit>("ScreenToGoTo")->setText("12");
        f->control<QLineEdit>("ScreenToGoTo")->setCursorPosition(1);
        QTest::keyClick(f->control<QLineEdit>("ScreenToGoTo"), Qt::Key_Right);
        QVERIFY(markerOn(2, SysWindowBackground) &&
                f->control<QLineEdit>("ScreenToGoTo")->cursorPosition() == 2);
    }

    // Each Go button takes its own box (the other boxes still say "Text1", the link says 4), and the
    // number of the screen shown, however written, changes nothing.
    void goButtonsAndGoToScreen() {
        f->messages.clear(); // a test named on the command line is no level to load
        f->form->SideText(4)->setText("1");
        QTest::mouseClick(f->form->Command11(4), Qt::LeftButton);
        QCOMPARE(f->module->CurrentScreen(), Integer(1));
        f->goTo("1.0");
        QVERIFY(!QFile::exists(f->path("Screen1.tmp")) && f->messages.count() == 0);
    }

    // A text that is no screen number says so in words, under the code of what is wrong with it, and the
    // screen stays.
    void noScreenNumber_data() {
        QTest::addColumn<int>("go"); // the Go button, 0 for Go To Screen
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code");
        QTest::newRow("Go To Screen, a word") << 0 << "abc" << 13;
        QTest::newRow("Go To Screen, too large") << 0 << "40000" << 6;
        QTest::newRow("Go button, its start-up text") << 2 << "Text1" << 13;
    }
    void noScreenNumber() {
        QFETCH(int, go);
        QFETCH(QString, text);
        QFETCH(int, code);
        f->messages.clear(); // a test named on the command line is no level to load
        (go ? f->form->SideText(go) : f->control<QLineEdit>("ScreenToGoTo"))->setText(text);
        QTest::mouseClick(go ? f->form->Command11(go) : f->control<QPushButton>("Command1"), Qt::LeftButton);
        QCOMPARE(f->messages.count(), 1);
        QCOMPARE(f->messages.messages()[0].title, QString("%1, Command1_Click (Change Screen)").arg(code));
        QCOMPARE(f->messages.messages()[0].text,
                 QString("'%1' is not a screen number: type a whole number from 0 to 32767.").arg(text));
        QCOMPARE(f->module->CurrentScreen(), Integer(0));
    }

    // From the meadow into the lake, the forest and the castle and back each time, by the keys (that the
    // screens walked out of keep their edits: tst_walker).
    void walkOverTemplateLevel() {
        press(Qt::Key_F1);
        f->goTo("2");
        f->goTo("0"); // the marker keeps its number and is drawn again by the next key
        const std::tuple<Qt::Key, int, int, int> legs[] = {
            {Qt::Key_Right, 16, 1, 141}, {Qt::Key_Left, 11, 0, 150}, {Qt::Key_Down, 8, 2, 10},
            {Qt::Key_Up, 15, 0, 10},     {Qt::Key_Up, 1, 3, 290},    {Qt::Key_Down, 1, 0, 10}};
        for (const auto& [key, times, screen, tile] : legs) {
            press(key, times);
            QVERIFY(f->module->CurrentScreen() == screen &&
                    markerOn(tile, f->module->TileBackColor(tile).toLong()));
        }
    }
};

QTEST_MAIN(TestNavigation)
#include "tst_navigation.moc"
