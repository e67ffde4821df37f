// Moving between screens from the main window: Go To Screen, the Go buttons beside the grid and the walk
// of the marker with the arrow keys, through exits into the linked screens.

#include "colour.h"
#include "editorfixture.h"
#include "faultyfiles.h"
#include "levelfixture.h"
#include "picturebox.h"
#include "record.h"
#include "tileprop.h"

#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSet>
#include <QtTest>

using namespace tavrin;

namespace {

FieldValue num(double value) {
    return FieldValue::number(value);
}

QString changeScreenTitle(int code) {
    return QStringLiteral("%1, Command1_Click (Change Screen)").arg(code);
}

// Screen 7 alone: tile t in colour 7000 + t, tile 60 with the grass picture, every way free; side link k
// leads to screen 70 + k.
QByteArray ScreenSevenLevel() {
    QByteArray bytes;
    for (int t = 1; t <= 300; ++t) {
        const QByteArray picture = t == 60 ? "\"\\grass.bmp\"" : "0";
        bytes += TileLine(7, t, QByteArray::number(7000 + t) + ',' + picture + ",0,0,0,0,1,1,1,1");
    }
    bytes += "\"Screen7\",\"ScreenInfo\",72,73,74,75,76,77,78,79,0,0\r\n";
    for (int k = 2; k <= 9; ++k)
        bytes += "\"Screen7\",\"Side" + QByteArray::number(k) + "\"," + QByteArray::number(70 + k) +
                 ",0,0,0,0,0,0,0,0,0\r\n";
    return bytes;
}

// The tile records of a level file, by screen key and tile number.
QHash<QPair<QString, int>, Record> TileRecords(const QString& path) {
    QFile file(path);
    QHash<QPair<QString, int>, Record> records;
    if (!file.open(QIODevice::ReadOnly))
        return records;
    RecordReader reader(&file);
    while (!reader.atEnd()) {
        const Record record = reader.read();
        if (record[1].isNumber())
            records.insert({record[0].textValue(), record[1].toInteger()}, record);
    }
    return records;
}

} // namespace

// A failed comparison inside the helper ends the test function too.
#define CHECK_MARKER_ON(tile, colour)                                                                        \
    do {                                                                                                     \
        checkMarkerOn(tile, colour);                                                                         \
        if (QTest::currentTestFailed())                                                                      \
            return;                                                                                          \
    } while (false)

class TestNavigation : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void exitLandsOnOperandTile();
    void stepOntoSpareTile_data();
    void stepOntoSpareTile();
    void stepOffTheGrid_data();
    void stepOffTheGrid();
    void blockedStepChangesNothing();
    void shiftIsIgnored_data();
    void shiftIsIgnored();
    void arrowsTypedIntoTextBoxWalk_data();
    void arrowsTypedIntoTextBoxWalk();
    void statusLineFollowsMarker();
    void propertyWindowFollowsMarker();

    void goToScreen_data();
    void goToScreen();
    void goToScreenShownDoesNothing_data();
    void goToScreenShownDoesNothing();
    void goRightAfterStartUp_data();
    void goRightAfterStartUp();
    void goUsesItsOwnBox_data();
    void goUsesItsOwnBox();
    void goToScreenNowhereIsBlank();
    void changeScreenFailures_data();
    void changeScreenFailures();
    void goToScreenKeepsMarkerNumber();

    void walkOutKeepsPaintedTiles();
    void walkWithoutLevelFile();
    void walkBringsLinksOfScreenEntered();
    void previewFollowsBlankScreen();
    void exitWithBadOperandIsBlocked_data();
    void exitWithBadOperandIsBlocked();
    void walkFailureIsShown_data();
    void walkFailureIsShown();

    void walkOverTemplateLevel();

private:
    Form1& form() { return *m_fixture->form; }
    Module1& module() { return *m_fixture->module; }
    QString path(const QString& name) const { return m_fixture->path(name); }

    void press(Qt::Key key, int times = 1, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void goToScreen(const QString& text);
    void loadTemplateLevel();
    void colourEveryTile();
    void putMarkerOn(int tile);
    void checkMarkerOn(int tile, Long ownColour);
    bool tileShowsItself(int tile, Long colour) const;

    std::unique_ptr<EditorFixture> m_fixture;
};

void TestNavigation::init() {
    m_fixture = std::make_unique<EditorFixture>();
    form().StatusTimer->stop();
    form().show();
    QVERIFY(QTest::qWaitForWindowActive(&form()));
}

void TestNavigation::cleanup() {
    m_fixture.reset();
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

void TestNavigation::press(Qt::Key key, int times, Qt::KeyboardModifiers modifiers) {
    for (int i = 0; i < times; ++i)
        QTest::keyClick(&form(), key, modifiers);
}

void TestNavigation::goToScreen(const QString& text) {
    form().ScreenToGoTo->setText(text);
    QTest::mouseClick(form().Command1, Qt::LeftButton);
}

// Pelmar Level, by its shortcut.
void TestNavigation::loadTemplateLevel() {
    press(Qt::Key_F1);
    QCOMPARE(module().LevelFileName, path(QStringLiteral("PelmarLevel.txt")));
}

// Tile i in colour 1000 + i, so that a tile showing another's look is seen at once. Tile(998) takes the
// new colour of the marker's tile.
void TestNavigation::colourEveryTile() {
    for (int i = 0; i <= 300; ++i)
        form().Tile(i)->setBackColour(1000 + i);
    form().Tile(998)->setBackColour(1000 + module().WalkerTile);
}

// Takes the marker off its tile and puts it on `tile` as a level load would.
void TestNavigation::putMarkerOn(int tile) {
    const int from = module().WalkerTile;
    form().Tile(from)->setPicture(form().Tile(998)->picture());
    form().Tile(from)->setBackColour(form().Tile(998)->backColour());
    form().Tile(998)->setPicture(form().Tile(tile)->picture());
    form().Tile(998)->setBackColour(form().Tile(tile)->backColour());
    form().Tile(tile)->setPicture(form().Tile(999)->picture());
    module().WalkerTile = Integer(tile);
}

// The marker stands on `tile`, and Tile(998) holds that tile's own colour.
void TestNavigation::checkMarkerOn(int tile, Long ownColour) {
    QCOMPARE(int(module().WalkerTile), tile);
    QCOMPARE(form().Tile(tile)->picture(), form().Tile(999)->picture());
    QCOMPARE(form().Tile(998)->backColour(), ownColour);
    QCOMPARE(form().Tile(tile)->backColour(), ownColour);
}

bool TestNavigation::tileShowsItself(int tile, Long colour) const {
    const PictureBox* box = m_fixture->form->Tile(tile);
    return box->backColour() == colour && box->picture() != m_fixture->form->Tile(999)->picture();
}

// --- The walk -------------------------------------------------------------------------------------------

void TestNavigation::exitLandsOnOperandTile() {
    QFile level(path(QStringLiteral("Level7.txt")));
    QVERIFY(level.open(QIODevice::WriteOnly));
    level.write(ScreenSevenLevel());
    level.close();
    module().LevelFileName = level.fileName();
    module().TilePropLeft(41) = 3;
    module().SideScreen(3) = 7;
    module().TilePropLeftOps(41) = num(60);
    putMarkerOn(41);

    press(Qt::Key_Left);
    QCOMPARE(module().CurrentScreen, Integer(7));
    CHECK_MARKER_ON(60, 7060);
    const QImage grass = module().LoadPictureReference(QStringLiteral("\\grass.bmp"));
    QVERIFY(!grass.isNull());
    QCOMPARE(form().Tile(998)->picture(), grass);
    QCOMPARE(module().SideScreen(3), Integer(73));
    QCOMPARE(form().SideText(3)->text(), QStringLiteral("73"));
    QCOMPARE(m_fixture->messages.count(), 0);
    const TileProp* window = form().TilePropWindow();
    QVERIFY(window);
    QCOMPARE(window->TileIndex->text(), QStringLiteral("60"));
    QCOMPARE(window->CurrentColor->backColour(), Long(7060));
    QCOMPARE(window->CurrentPicture->picture(), grass);

    // Walking on gives tile 60 its own look back.
    press(Qt::Key_Right);
    CHECK_MARKER_ON(61, 7061);
    QCOMPARE(form().Tile(60)->picture(), grass);
    QCOMPARE(form().Tile(60)->backColour(), Long(7060));
}

void TestNavigation::stepOntoSpareTile_data() {
    QTest::addColumn<int>("property");
    QTest::addColumn<int>("screen");
    QTest::newRow("free step left from tile 1") << 0 << 0;
    QTest::newRow("exit with an empty landing tile") << 3 << 2;
}

void TestNavigation::stepOntoSpareTile() {
    QFETCH(int, property);
    QFETCH(int, screen);
    const Long spareColour = form().Tile(0)->backColour();
    module().TilePropLeft(1) = Integer(property);
    module().TilePropLeftOps(1) = FieldValue();
    module().SideScreen(3) = 2;

    press(Qt::Key_Left);
    QCOMPARE(int(module().CurrentScreen), screen);
    CHECK_MARKER_ON(0, spareColour);
    QVERIFY(form().Tile(998)->picture().isNull());
    QVERIFY(form().Tile(1)->picture().isNull());

    press(Qt::Key_Right);
    QCOMPARE(int(module().WalkerTile), 1);
    QVERIFY(tileShowsItself(0, spareColour));
    QVERIFY(form().Tile(0)->picture().isNull());
}

void TestNavigation::stepOffTheGrid_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("nextKey");
    QTest::addColumn<int>("landing");
    QTest::newRow("right from 300") << 300 << int(Qt::Key_Right) << int(Qt::Key_Up) << 280;
    QTest::newRow("up from 5") << 5 << int(Qt::Key_Up) << int(Qt::Key_Down) << 25;
    QTest::newRow("down from 281") << 281 << int(Qt::Key_Down) << int(Qt::Key_Right) << 282;
    QTest::newRow("left from the spare tile") << 0 << int(Qt::Key_Left) << int(Qt::Key_Right) << 1;
}

// The marker comes off, the number stays, and the next key draws the marker again; no tile ever shows
// the colour of another, on screen or in the scratch file.
void TestNavigation::stepOffTheGrid() {
    QFETCH(int, from);
    QFETCH(int, key);
    QFETCH(int, nextKey);
    QFETCH(int, landing);
    colourEveryTile();
    putMarkerOn(from);

    press(Qt::Key(key));
    QCOMPARE(int(module().WalkerTile), from);
    QVERIFY(tileShowsItself(from, 1000 + from));

    press(Qt::Key(nextKey));
    CHECK_MARKER_ON(landing, 1000 + landing);
    for (int i = 0; i <= 300; ++i)
        QCOMPARE(form().Tile(i)->backColour(), Long(1000 + i));

    goToScreen(QStringLiteral("1"));
    goToScreen(QStringLiteral("0"));
    for (int i = 1; i <= 300; ++i)
        QCOMPARE(form().Tile(i)->backColour(), Long(1000 + i));
    QCOMPARE(m_fixture->messages.count(), 0);
}

void TestNavigation::blockedStepChangesNothing() {
    putMarkerOn(45);
    module().TilePropRight(45) = 1;
    press(Qt::Key_Right);
    CHECK_MARKER_ON(45, SysWindowBackground);
    QVERIFY(tileShowsItself(46, SysWindowBackground));
}

void TestNavigation::shiftIsIgnored_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("landing");
    QTest::newRow("left") << int(Qt::Key_Left) << 44;
    QTest::newRow("up") << int(Qt::Key_Up) << 25;
    QTest::newRow("right") << int(Qt::Key_Right) << 46;
    QTest::newRow("down") << int(Qt::Key_Down) << 65;
}

void TestNavigation::shiftIsIgnored() {
    QFETCH(int, key);
    QFETCH(int, landing);
    putMarkerOn(45);
    press(Qt::Key(key), 1, Qt::ShiftModifier);
    CHECK_MARKER_ON(landing, SysWindowBackground);
    QVERIFY(tileShowsItself(45, SysWindowBackground));
}

void TestNavigation::arrowsTypedIntoTextBoxWalk_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("landing");
    QTest::addColumn<int>("cursor");
    // The box holds "12" with the cursor after the 1.
    QTest::newRow("right, also moving the cursor") << "ScreenToGoTo" << int(Qt::Key_Right) << 2 << 2;
    QTest::newRow("down, passed on by the box") << "ScreenToGoTo" << int(Qt::Key_Down) << 21 << 1;
    QTest::newRow("down in a side box") << "SideText" << int(Qt::Key_Down) << 21 << 1;
}

void TestNavigation::arrowsTypedIntoTextBoxWalk() {
    QFETCH(QString, box);
    QFETCH(int, key);
    QFETCH(int, landing);
    QFETCH(int, cursor);
    QLineEdit* edit = box == QLatin1String("SideText") ? form().SideText(4) : form().ScreenToGoTo;
    edit->setText(QStringLiteral("12"));
    edit->setFocus();
    edit->setCursorPosition(1);

    QTest::keyClick(edit, Qt::Key(key));
    CHECK_MARKER_ON(landing, SysWindowBackground);
    QCOMPARE(edit->cursorPosition(), cursor);
    QCOMPARE(edit->text(), QStringLiteral("12"));
    QCOMPARE(module().CurrentScreen, Integer(0));
}

void TestNavigation::statusLineFollowsMarker() {
    putMarkerOn(45);
    module().TilePropUp(25) = 1;
    module().TilePropDown(25) = 3;
    press(Qt::Key_Up);
    form().StatusTimer_Timer();
    QCOMPARE(form().Label2->text(), QStringLiteral("25, 0, 1, 0, 3"));
}

// The window is filled for every tile the marker reaches but never brought up by the walk; an open one
// follows the marker, and a step off the grid leaves it as it was.
void TestNavigation::propertyWindowFollowsMarker() {
    module().TilePropDown(2) = 1;
    module().TilePropDownOps(2) = FieldValue::text(QStringLiteral("x"));
    press(Qt::Key_Right);
    TileProp* window = form().TilePropWindow();
    QVERIFY(window);
    QVERIFY(!window->isVisible());
    QCOMPARE(window->TileIndex->text(), QStringLiteral("2"));
    QCOMPARE(window->PropDown->text(), QStringLiteral("1"));
    QCOMPARE(window->PropDownOps->text(), QStringLiteral("x"));

    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    press(Qt::Key_Left);
    QCOMPARE(form().TilePropWindow(), window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->TileIndex->text(), QStringLiteral("1"));
    QCOMPARE(window->PropDown->text(), QStringLiteral("0"));

    putMarkerOn(300);
    press(Qt::Key_Right);
    QCOMPARE(window->TileIndex->text(), QStringLiteral("1"));
}

// --- Change of screen by number -------------------------------------------------------------------------

void TestNavigation::goToScreen_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("screen");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<QString>("title");

    QTest::newRow("another screen") << "2" << 2 << true << "";
    QTest::newRow("half rounds to even, down") << "2.5" << 2 << true << "";
    QTest::newRow("half rounds to even, up") << "3.5" << 4 << true << "";
    QTest::newRow("blanks around the number") << " 6 " << 6 << true << "";
    QTest::newRow("negative screen") << "-1" << -1 << true << "";
    QTest::newRow("largest Integer") << "32767" << 32767 << true << "";
    QTest::newRow("not the screen shown, rounds to it") << "0.4" << 0 << true << "";
    QTest::newRow("the screen shown") << "0" << 0 << false << "";
    QTest::newRow("empty box") << "" << 0 << false << changeScreenTitle(13);
    QTest::newRow("letters") << "two" << 0 << false << changeScreenTitle(13);
    QTest::newRow("just past the Integer range") << "32768" << 0 << true << changeScreenTitle(6);
    QTest::newRow("below the Integer range") << "-32769" << 0 << true << changeScreenTitle(6);
}

void TestNavigation::goToScreen() {
    QFETCH(QString, text);
    QFETCH(int, screen);
    QFETCH(bool, saved);
    QFETCH(QString, title);
    const Long painted = Rgb(10, 20, 30);
    form().Tile(150)->setBackColour(painted);

    goToScreen(text);
    QCOMPARE(int(module().CurrentScreen), screen);
    QCOMPARE(QFile::exists(path(QStringLiteral("Screen0.tmp"))), saved);
    QCOMPARE(m_fixture->titles(), title.isEmpty() ? QStringList() : QStringList{title});
    // Staying on screen 0, whether by a failure or by its own number, keeps what it shows.
    if (screen == 0)
        QCOMPARE(form().Tile(150)->backColour(), painted);
    else
        QCOMPARE(form().Tile(150)->backColour(), form().NewColor->backColour());
}

void TestNavigation::goToScreenShownDoesNothing_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("1.0") << "1.0";
    QTest::newRow("1") << "1";
    QTest::newRow("exponent") << "1e0";
    QTest::newRow("blanks") << "  1";
}

void TestNavigation::goToScreenShownDoesNothing() {
    QFETCH(QString, text);
    goToScreen(QStringLiteral("1"));
    QCOMPARE(module().CurrentScreen, Integer(1));
    form().Tile(7)->setBackColour(Rgb(1, 2, 3));

    goToScreen(text);
    QCOMPARE(module().CurrentScreen, Integer(1));
    QVERIFY(!QFile::exists(path(QStringLiteral("Screen1.tmp"))));
    QCOMPARE(form().Tile(7)->backColour(), Rgb(1, 2, 3));
    QCOMPARE(m_fixture->messages.count(), 0);
}

void TestNavigation::goRightAfterStartUp_data() {
    QTest::addColumn<int>("k");
    for (int k = 2; k <= 5; ++k)
        QTest::newRow(qPrintable(QStringLiteral("Go %1").arg(k))) << k;
}

void TestNavigation::goRightAfterStartUp() {
    QFETCH(int, k);
    QCOMPARE(form().SideText(k)->text(), QStringLiteral("Text1"));
    QTest::mouseClick(form().Command11(k), Qt::LeftButton);
    QCOMPARE(m_fixture->titles(), QStringList{changeScreenTitle(13)});
    QCOMPARE(m_fixture->messages.messages().first().text, StandardDescription(13));
    QCOMPARE(module().CurrentScreen, Integer(0));
    QVERIFY(!QFile::exists(path(QStringLiteral("Screen0.tmp"))));
}

void TestNavigation::goUsesItsOwnBox_data() {
    QTest::addColumn<int>("k");
    for (int k = 2; k <= 5; ++k)
        QTest::newRow(qPrintable(QStringLiteral("Go %1").arg(k))) << k;
}

// Each box holds another number, and none of them is the side link: only the clicked button's box counts.
void TestNavigation::goUsesItsOwnBox() {
    QFETCH(int, k);
    for (int box = 2; box <= 5; ++box) {
        form().SideText(box)->clear();
        QTest::keyClicks(form().SideText(box), QString::number(10 + box));
        module().SideScreen(box) = Integer(20 + box);
    }
    QTest::mouseClick(form().Command11(k), Qt::LeftButton);
    QCOMPARE(int(module().CurrentScreen), 10 + k);
    QVERIFY(QFile::exists(path(QStringLiteral("Screen0.tmp"))));
    QCOMPARE(m_fixture->messages.count(), 0);
}

void TestNavigation::goToScreenNowhereIsBlank() {
    loadTemplateLevel();
    const Long brush = Rgb(200, 100, 50);
    form().NewColor->setBackColour(brush);
    goToScreen(QStringLiteral("9"));
    QCOMPARE(module().CurrentScreen, Integer(9));
    for (int i = 1; i <= 300; ++i) {
        QCOMPARE(form().Tile(i)->backColour(), brush);
        QVERIFY(form().Tile(i)->picture().isNull());
    }
    QCOMPARE(m_fixture->messages.count(), 0);
}

void TestNavigation::changeScreenFailures_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("titles");
    QTest::newRow("file not found is passed over") << 53 << QStringList();
    QTest::newRow("access error") << 75 << QStringList{changeScreenTitle(75)};
    QTest::newRow("disk full") << 61 << QStringList{changeScreenTitle(61)};
}

void TestNavigation::changeScreenFailures() {
    QFETCH(int, code);
    QFETCH(QStringList, titles);
    FaultyFiles faulty;
    faulty.failOpenWriteWith = code;
    FileAccess* const files = module().Files;
    module().Files = &faulty;
    const auto restore = qScopeGuard([this, files] { module().Files = files; });

    form().SideText(5)->setText(QStringLiteral("3"));
    QTest::mouseClick(form().Command11(5), Qt::LeftButton);
    QCOMPARE(m_fixture->titles(), titles);
    QCOMPARE(module().CurrentScreen, Integer(0));
    CHECK_MARKER_ON(1, SysWindowBackground);
}

// The marker keeps its number; the new screen shows no marker until the next key, which walks on from
// that tile of the new screen.
void TestNavigation::goToScreenKeepsMarkerNumber() {
    loadTemplateLevel();
    goToScreen(QStringLiteral("2"));
    QCOMPARE(int(module().WalkerTile), 145);
    const Long own = module().TileBackColor(145).toLong();
    QVERIFY(tileShowsItself(145, own));
    QCOMPARE(form().Tile(998)->backColour(), own);

    press(Qt::Key_Left);
    CHECK_MARKER_ON(144, module().TileBackColor(144).toLong());
    QVERIFY(tileShowsItself(145, own));
}

// --- What exits carry and leave behind ------------------------------------------------------------------

// The screen walked out of is written first, so its painted tiles are there on the way back.
void TestNavigation::walkOutKeepsPaintedTiles() {
    module().TilePropRight(1) = 4;
    module().TilePropRightOps(1) = num(21);
    module().SideScreen(4) = 1;
    form().Tile(150)->setBackColour(Rgb(1, 2, 3));

    press(Qt::Key_Right);
    QCOMPARE(module().CurrentScreen, Integer(1));
    QCOMPARE(form().Tile(150)->backColour(), form().NewColor->backColour());
    module().TilePropLeft(21) = 3;
    module().TilePropLeftOps(21) = num(1);
    module().SideScreen(3) = 0;

    press(Qt::Key_Left);
    QCOMPARE(module().CurrentScreen, Integer(0));
    QCOMPARE(form().Tile(150)->backColour(), Rgb(1, 2, 3));
    CHECK_MARKER_ON(1, SysWindowBackground);
}

// No level file is loaded: the exit still lands, draws the marker and shows no message.
void TestNavigation::walkWithoutLevelFile() {
    QVERIFY(module().LevelFileName.isEmpty());
    module().TilePropDown(1) = 5;
    module().TilePropDownOps(1) = num(21);
    press(Qt::Key_Down);
    QCOMPARE(module().CurrentScreen, Integer(5));
    CHECK_MARKER_ON(21, form().NewColor->backColour());
    form().StatusTimer_Timer();
    QCOMPARE(form().Label2->text(), QStringLiteral("21, 0, 0, 0, 0"));
    QCOMPARE(m_fixture->messages.count(), 0);
}

// A screen's links travel with it: edited on screen 2, still there when it is entered again, and the
// boxes beside the grid show the links of the screen entered.
void TestNavigation::walkBringsLinksOfScreenEntered() {
    goToScreen(QStringLiteral("2"));
    module().SideScreen(2) = 0;
    module().SideScreen(9) = 99;
    module().TilePropUp(1) = 2;
    module().TilePropUpOps(1) = num(281);

    press(Qt::Key_Up);
    QCOMPARE(module().CurrentScreen, Integer(0));
    CHECK_MARKER_ON(281, SysWindowBackground);
    QCOMPARE(module().SideScreen(2), Integer(2));
    QCOMPARE(module().SideScreen(9), Integer(9));
    QCOMPARE(form().SideText(2)->text(), QStringLiteral("2"));

    form().SideText(2)->setText(QStringLiteral("2"));
    QTest::mouseClick(form().Command11(2), Qt::LeftButton);
    QCOMPARE(module().CurrentScreen, Integer(2));
    QCOMPARE(module().SideScreen(2), Integer(0));
    QCOMPARE(module().SideScreen(9), Integer(99));
    QCOMPARE(form().SideText(2)->text(), QStringLiteral("0"));
}

// Going to a blank screen leaves Tile(998) with the blank look, so walking on does not carry the look of
// the screen shown before onto the new one or into its scratch file.
void TestNavigation::previewFollowsBlankScreen() {
    loadTemplateLevel();
    const Long brush = Rgb(200, 100, 50);
    form().NewColor->setBackColour(brush);
    goToScreen(QStringLiteral("9"));
    QCOMPARE(form().Tile(998)->backColour(), brush);
    QVERIFY(form().Tile(998)->picture().isNull());

    press(Qt::Key_Left);
    CHECK_MARKER_ON(144, brush);
    QVERIFY(tileShowsItself(145, brush));
    QVERIFY(form().Tile(145)->picture().isNull());

    goToScreen(QStringLiteral("0"));
    QVERIFY(tileShowsItself(145, module().TileBackColor(145).toLong()));
    const auto saved = TileRecords(path(QStringLiteral("Screen9.tmp")));
    QCOMPARE(saved.value({QStringLiteral("Screen9"), 145})[2], num(brush));
    QCOMPARE(saved.value({QStringLiteral("Screen9"), 144})[2], num(brush));
}

void TestNavigation::exitWithBadOperandIsBlocked_data() {
    QTest::addColumn<FieldValue>("operand");
    QTest::newRow("built-in picture tile") << num(997);
    QTest::newRow("preview tile, as text") << FieldValue::text(QStringLiteral("998"));
    QTest::newRow("marker tile") << num(999);
    QTest::newRow("negative") << num(-1);
    QTest::newRow("just past the grid") << num(301);
    QTest::newRow("outside the Integer range") << num(40000);
    QTest::newRow("not a number") << FieldValue::text(QStringLiteral("sixty"));
}

void TestNavigation::exitWithBadOperandIsBlocked() {
    QFETCH(FieldValue, operand);
    putMarkerOn(45);
    module().TilePropDown(45) = 5;
    module().TilePropDownOps(45) = operand;

    press(Qt::Key_Down);
    QCOMPARE(module().CurrentScreen, Integer(0));
    CHECK_MARKER_ON(45, SysWindowBackground);
    QVERIFY(!QFile::exists(path(QStringLiteral("Screen0.tmp"))));
    QVERIFY(tileShowsItself(997, form().Tile(997)->backColour()));
    QCOMPARE(m_fixture->messages.count(), 0);

    form().StatusTimer_Timer();
    QCOMPARE(form().Label2->text(), QStringLiteral("45, 0, 0, 0, 5"));
    press(Qt::Key_Up);
    CHECK_MARKER_ON(25, SysWindowBackground);
}

void TestNavigation::walkFailureIsShown_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("titles");
    QTest::newRow("file not found is passed over") << 53 << QStringList();
    QTest::newRow("access error") << 75 << QStringList{QStringLiteral("75, Form_KeyDown")};
    QTest::newRow("permission denied") << 70 << QStringList{QStringLiteral("70, Form_KeyDown")};
}

// The scratch file of the screen walked out of cannot be written: the walk stops before anything
// changes, and the program goes on taking keys.
void TestNavigation::walkFailureIsShown() {
    QFETCH(int, code);
    QFETCH(QStringList, titles);
    FaultyFiles faulty;
    faulty.failOpenWriteWith = code;
    FileAccess* const files = module().Files;
    module().Files = &faulty;
    const auto restore = qScopeGuard([this, files] { module().Files = files; });
    module().TilePropRight(1) = 4;
    module().TilePropRightOps(1) = num(21);

    press(Qt::Key_Right);
    QCOMPARE(m_fixture->titles(), titles);
    QCOMPARE(module().CurrentScreen, Integer(0));
    CHECK_MARKER_ON(1, SysWindowBackground);

    press(Qt::Key_Down);
    CHECK_MARKER_ON(21, SysWindowBackground);
    QCOMPARE(m_fixture->titles(), titles);
}

// --- The template level ---------------------------------------------------------------------------------

// From the meadow to the lake, the forest and the castle and back each time, painting a tile on every
// screen on the way; the paint is still there after the walk and goes into the saved level.
void TestNavigation::walkOverTemplateLevel() {
    loadTemplateLevel();
    QCOMPARE(m_fixture->messages.count(), 0);
    CHECK_MARKER_ON(145, module().TileBackColor(145).toLong());

    struct Paint {
        int tile;
        Long colour;
    };
    const QHash<int, Paint> paints = {{0, {21, Rgb(255, 0, 0)}},
                                      {1, {300, Rgb(0, 255, 0)}},
                                      {2, {1, Rgb(0, 0, 255)}},
                                      {3, {281, Rgb(255, 0, 255)}}};
    struct Leg {
        Qt::Key key;
        int times;
        int screen;
        int tile;
    };
    // clang-format off
    const Leg legs[] = {
        {Qt::Key_Right, 15, 0, 160},
        {Qt::Key_Right,  1, 1, 141}, // into the lake
        {Qt::Key_Left,   1, 0, 160}, // back, the landing tile held as a text
        {Qt::Key_Left,  10, 0, 150},
        {Qt::Key_Down,   7, 0, 290},
        {Qt::Key_Down,   1, 2,  10}, // into the forest
        {Qt::Key_Up,     1, 0, 290},
        {Qt::Key_Up,    14, 0,  10},
        {Qt::Key_Up,     1, 3, 290}, // into the castle
        {Qt::Key_Down,   1, 0,  10},
    };
    // clang-format on

    QSet<int> painted;
    for (const Leg& leg : legs) {
        const int screen = module().CurrentScreen;
        if (!painted.contains(screen)) {
            form().Tile(paints[screen].tile)->setBackColour(paints[screen].colour);
            painted.insert(screen);
        }
        press(leg.key, leg.times);
        QCOMPARE(int(module().CurrentScreen), leg.screen);
        CHECK_MARKER_ON(leg.tile, module().TileBackColor(leg.tile).toLong());
        const FieldValue picture = module().TilePicture(leg.tile);
        QCOMPARE(form().Tile(998)->picture(), module().LoadPictureReference(picture.textValue()));
        QVERIFY(form().TilePropWindow());
        QCOMPARE(form().TilePropWindow()->TileIndex->text(), QString::number(leg.tile));
        QCOMPARE(m_fixture->titles(), QStringList());
    }
    QCOMPARE(form().Tile(21)->backColour(), paints[0].colour);

    module().SaveScreenTmp();
    const QString saved = path(QStringLiteral("Walked.txt"));
    module().SaveLevel(saved);
    const auto records = TileRecords(saved);
    const auto original = TileRecords(path(QStringLiteral("PelmarLevel.txt")));
    QCOMPARE(records.size(), original.size());
    for (auto paint = paints.begin(); paint != paints.end(); ++paint) {
        const QPair<QString, int> key{QStringLiteral("Screen%1").arg(paint.key()), paint->tile};
        QCOMPARE(records.value(key)[2], num(paint->colour));
    }
    // Every other tile, those the marker stood on among them, is saved as the template has it.
    for (auto record = original.begin(); record != original.end(); ++record) {
        const int screen = record.key().first.mid(6).toInt();
        if (paints.contains(screen) && paints[screen].tile == record.key().second)
            continue;
        QVERIFY2(records.value(record.key()) == record.value(),
                 qPrintable(record.key().first + QStringLiteral(" tile %1").arg(record.key().second)));
    }
    QCOMPARE(m_fixture->messages.count(), 0);
}

QTEST_MAIN(TestNavigation)
#include "tst_navigation.moc"
