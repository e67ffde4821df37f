// The main window as designed: every control where it belongs, the grid, the menus, and the picture
// boxes that draw the tiles.

#include "colour.h"
#include "failure.h"
#include "form1.h"
#include "messagecatcher.h"
#include "module1.h"
#include "picturebox.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

using namespace tavrin;

namespace {

// Twips to pixels, as the design gives positions.
QRect Twips(int left, int top, int width, int height) {
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

QString ControlText(QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return edit->text();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    return QString();
}

// The bounding box of the pixels that differ from `background`.
QRect InkBounds(const QImage& image, QColor background) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).rgb() != background.rgb())
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

QImage Render(QWidget* widget) {
    return widget->grab().toImage();
}

} // namespace

class TestForm1Layout : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void window();
    void controls_data();
    void controls();
    void designStateOfCheckBoxes();
    void pictureBoxLooks_data();
    void pictureBoxLooks();

    void gridHasTwentyByFifteenTiles();
    void gridTilesFollowRowsAndColumns();
    void gridOuterEdges();
    void neighboursShareTheirBorder();
    void arrayIndexOutsideIsFailure340_data();
    void arrayIndexOutsideIsFailure340();
    void moveButtonsDoNothing();

    void menuItems_data();
    void menuItems();
    void menuBarEntries();
    void shortcutsWorkFromTextBox_data();
    void shortcutsWorkFromTextBox();

    void resizingMovesNothing();

    void pictureBoxEdge_data();
    void pictureBoxEdge();
    void flatBorderIsDark();
    void backColourOrPictureClearsPrintedText();
    void printedTextStartsNewLineAtCarriageReturn();
    void pictureBoxClick();

private:
    QWidget* control(const QString& name, int index) const;

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<MessageCatcher> m_messages;
    std::unique_ptr<Module1> m_module;
    std::unique_ptr<Form1> m_form;
};

void TestForm1Layout::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    m_messages = std::make_unique<MessageCatcher>();
    m_module = std::make_unique<Module1>(nullptr, m_folder->path());
    m_form = std::make_unique<Form1>(*m_module);
    m_form->quitProgram = [] {};
}

void TestForm1Layout::cleanup() {
    m_form.reset();
    QCOMPARE(m_messages->count(), 0);
    m_module.reset();
    m_messages.reset();
    m_folder.reset();
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

QWidget* TestForm1Layout::control(const QString& name, int index) const {
    const auto found = m_form->findChildren<QWidget*>(name);
    QList<QWidget*> matching;
    for (QWidget* widget : found)
        if (index < 0 || widget->property("index").toInt() == index)
            matching.append(widget);
    return matching.size() == 1 ? matching.first() : nullptr;
}

void TestForm1Layout::window() {
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QCOMPARE(m_form->objectName(), QStringLiteral("Form1"));
    QCOMPARE(m_form->windowTitle(), QStringLiteral("TavrinEditor"));
    QCOMPARE(m_module->Grid, static_cast<TileGrid*>(m_form.get()));

    QWidget* client = m_form->centralWidget();
    QCOMPARE(client->size(), QSize(696, 526));
    QCOMPARE(client->y(), m_form->menuBar()->geometry().bottom() + 1);
    // An empty corner of the client area shows the window's back colour.
    QCOMPARE(Render(client).pixelColor(2, 2), QColor(128, 64, 0));
    QVERIFY(m_form->windowFlags() & Qt::WindowMinMaxButtonsHint);
}

void TestForm1Layout::controls_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<bool>("visible");

    const QByteArray button = "QPushButton";
    const QByteArray textBox = "QLineEdit";
    const QByteArray label = "QLabel";
    const QByteArray checkBox = "QCheckBox";
    const QByteArray pictureBox = "tavrin::PictureBox";

    QTest::newRow("top-left grid tile")
        << "Tile" << 1 << pictureBox << "" << Twips(600, 480, 375, 375) << true;
    QTest::newRow("top-right grid tile")
        << "Tile" << 20 << pictureBox << "" << Twips(7440, 480, 375, 375) << true;
    QTest::newRow("bottom-left grid tile")
        << "Tile" << 281 << pictureBox << "" << Twips(600, 5520, 375, 375) << true;
    QTest::newRow("bottom-right grid tile")
        << "Tile" << 300 << pictureBox << "" << Twips(7440, 5520, 375, 375) << true;

    QTest::newRow("walk marker image")
        << "Tile" << 999 << pictureBox << "" << Twips(120, 6360, 375, 375) << false;
    QTest::newRow("move up") << "MoveCom" << 1 << button << "^" << Twips(600, 6360, 375, 375) << true;
    QTest::newRow("tile under the marker")
        << "Tile" << 998 << pictureBox << "" << Twips(1080, 6360, 375, 375) << true;
    QTest::newRow("move left") << "MoveCom" << 0 << button << "<" << Twips(120, 6840, 375, 375) << true;
    QTest::newRow("missing picture stand-in")
        << "ErrPic" << -1 << pictureBox << "" << Twips(600, 6840, 375, 375) << false;
    QTest::newRow("move right") << "MoveCom" << 2 << button << ">" << Twips(1080, 6840, 375, 375) << true;
    QTest::newRow("blank tile") << "Tile" << 0 << pictureBox << "" << Twips(120, 7320, 375, 375) << true;
    QTest::newRow("move down") << "MoveCom" << 3 << button << "v" << Twips(600, 7320, 375, 375) << true;
    QTest::newRow("built-in picture tile")
        << "Tile" << 997 << pictureBox << "" << Twips(1080, 7320, 375, 375) << true;

    QTest::newRow("side link 2 box") << "SideText" << 2 << textBox << "Text1" << Twips(3960, 120, 735, 285)
                                     << true;
    QTest::newRow("side link 2 go") << "Command11" << 2 << button << "Go" << Twips(4800, 120, 375, 255)
                                    << true;
    QTest::newRow("side link 3 box") << "SideText" << 3 << textBox << "Text1" << Twips(120, 3000, 495, 285)
                                     << true;
    QTest::newRow("side link 3 go") << "Command11" << 3 << button << "Go" << Twips(120, 3360, 375, 255)
                                    << true;
    QTest::newRow("side link 4 box") << "SideText" << 4 << textBox << "Text1" << Twips(7800, 3000, 495, 285)
                                     << true;
    QTest::newRow("side link 4 go") << "Command11" << 4 << button << "Go" << Twips(7920, 3360, 375, 255)
                                    << true;
    QTest::newRow("side link 5 box") << "SideText" << 5 << textBox << "Text1" << Twips(4200, 6000, 615, 285)
                                     << true;
    QTest::newRow("side link 5 go") << "Command11" << 5 << button << "Go" << Twips(4920, 6000, 375, 255)
                                    << true;

    QTest::newRow("Test") << "Command2" << -1 << button << "Test" << Twips(2040, 6360, 495, 255) << true;
    QTest::newRow("Test2") << "Command3" << -1 << button << "Test2" << Twips(2760, 6360, 615, 255) << true;
    QTest::newRow("Label1") << "Label1" << -1 << label << "Label1" << Twips(1680, 6720, 3615, 495) << true;
    QTest::newRow("Label3") << "Label3" << -1 << label << "Label3" << Twips(1680, 7320, 3615, 495) << true;
    QTest::newRow("screen number") << "ScreenToGoTo" << -1 << textBox << "1" << Twips(5400, 6480, 1215, 285)
                                   << true;
    QTest::newRow("Go To Screen") << "Command1" << -1 << button << "Go To Screen"
                                  << Twips(5400, 6840, 1215, 255) << true;
    QTest::newRow("3D") << "Command4" << -1 << button << "3D" << Twips(5400, 7200, 495, 255) << true;
    QTest::newRow("Flat") << "Command5" << -1 << button << "Flat" << Twips(6120, 7200, 495, 255) << true;
    QTest::newRow("ReDisplay") << "Command6" << -1 << button << "ReDisplay" << Twips(5400, 7560, 1215, 255)
                               << true;
    QTest::newRow("Border") << "Command9" << -1 << button << "Border" << Twips(6720, 7560, 615, 255) << true;
    QTest::newRow("or Not") << "Command10" << -1 << button << "or Not" << Twips(7440, 7560, 615, 255) << true;

    QTest::newRow("Display Tile Properties")
        << "UsePropBox" << -1 << checkBox << "Display Tile Properties" << Twips(8400, 480, 1935, 255) << true;
    QTest::newRow("Use BackColor") << "UseColor" << -1 << checkBox << "Use BackColor"
                                   << Twips(8400, 960, 1695, 255) << true;
    QTest::newRow("colour swatch") << "NewColor" << -1 << pictureBox << "" << Twips(8400, 1320, 375, 375)
                                   << true;
    QTest::newRow("Change Color") << "Command7" << -1 << button << "Change Color"
                                  << Twips(9000, 1320, 1215, 375) << true;
    QTest::newRow("Use Picture") << "UsePicture" << -1 << checkBox << "Use Picture"
                                 << Twips(8400, 1920, 1695, 255) << true;
    QTest::newRow("picture swatch") << "NewPicture" << -1 << pictureBox << "" << Twips(8400, 2280, 375, 375)
                                    << true;
    QTest::newRow("Change Pic") << "Command8" << -1 << button << "Change Pic" << Twips(9000, 2280, 1215, 375)
                                << true;
    QTest::newRow("Use Apply Properties")
        << "UseApplyProp" << -1 << checkBox << "Use Apply Properties" << Twips(8400, 2880, 1815, 255) << true;

    QTest::newRow("up operand") << "PropUpOps" << -1 << textBox << "1" << Twips(9120, 3240, 495, 285) << true;
    QTest::newRow("up property") << "PropUp" << -1 << textBox << "1" << Twips(9240, 3600, 255, 285) << true;
    QTest::newRow("left operand") << "PropLeftOps" << -1 << textBox << "1" << Twips(8400, 3960, 495, 285)
                                  << true;
    QTest::newRow("left property") << "PropLeft" << -1 << textBox << "1" << Twips(9000, 3960, 255, 285)
                                   << true;
    QTest::newRow("right property") << "PropRight" << -1 << textBox << "1" << Twips(9480, 3960, 255, 285)
                                    << true;
    QTest::newRow("right operand") << "PropRightOps" << -1 << textBox << "1" << Twips(9840, 3960, 495, 285)
                                   << true;
    QTest::newRow("down property") << "PropDown" << -1 << textBox << "1" << Twips(9240, 4320, 255, 285)
                                   << true;
    QTest::newRow("down operand") << "PropDownOps" << -1 << textBox << "1" << Twips(9120, 4680, 495, 285)
                                  << true;

    QTest::newRow("status line") << "Label2" << -1 << label << "Label2" << Twips(8280, 5160, 1815, 615)
                                 << true;
    QTest::newRow("tick counter") << "TimeRunning" << -1 << label << "0" << Twips(8760, 5880, 735, 255)
                                  << true;
}

void TestForm1Layout::controls() {
    QFETCH(QString, name);
    QFETCH(int, index);
    QFETCH(QByteArray, kind);
    QFETCH(QString, text);
    QFETCH(QRect, geometry);
    QFETCH(bool, visible);

    QWidget* widget = control(name, index);
    QVERIFY2(widget, "exactly one control with this name and index");
    QCOMPARE(widget->metaObject()->className(), kind.constData());
    QCOMPARE(widget->parentWidget(), m_form->centralWidget());
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(ControlText(widget), text);
    QCOMPARE(!widget->isHidden(), visible);
}

void TestForm1Layout::designStateOfCheckBoxes() {
    QVERIFY(m_form->UsePropBox->isChecked());
    QVERIFY(!m_form->UseColor->isChecked());
    QVERIFY(!m_form->UsePicture->isChecked());
    QVERIFY(!m_form->UseApplyProp->isChecked());
    auto* timer = m_form->findChild<QTimer*>(QStringLiteral("StatusTimer"));
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 100);
}

void TestForm1Layout::pictureBoxLooks_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("appearance3D");
    QTest::addColumn<Long>("backColour");
    QTest::addColumn<QSize>("pictureSize");

    const QSize none;
    QTest::newRow("grid tile 1") << "Tile" << 1 << false << SysWindowBackground << none;
    QTest::newRow("grid tile 150") << "Tile" << 150 << false << SysWindowBackground << none;
    QTest::newRow("grid tile 300") << "Tile" << 300 << false << SysWindowBackground << none;
    QTest::newRow("blank tile, green") << "Tile" << 0 << true << Rgb(0, 192, 0) << none;
    QTest::newRow("built-in picture, 21 x 23") << "Tile" << 997 << true << Rgb(0, 192, 0) << QSize(21, 23);
    QTest::newRow("tile under the marker, red") << "Tile" << 998 << true << Rgb(192, 0, 0) << none;
    QTest::newRow("walk marker, 21 x 21") << "Tile" << 999 << true << SysButtonFace << QSize(21, 21);
    QTest::newRow("colour swatch") << "NewColor" << -1 << true << SysButtonFace << none;
    QTest::newRow("picture swatch") << "NewPicture" << -1 << true << SysButtonFace << none;
    QTest::newRow("missing picture stand-in") << "ErrPic" << -1 << true << SysButtonFace << none;
}

void TestForm1Layout::pictureBoxLooks() {
    QFETCH(QString, name);
    QFETCH(int, index);
    QFETCH(bool, appearance3D);
    QFETCH(Long, backColour);
    QFETCH(QSize, pictureSize);

    auto* box = qobject_cast<PictureBox*>(control(name, index));
    QVERIFY(box);
    QCOMPARE(box->appearance3D(), appearance3D);
    QVERIFY(box->hasBorder());
    QCOMPARE(box->backColour(), backColour);
    QCOMPARE(box->picture().isNull(), !pictureSize.isValid());
    if (pictureSize.isValid())
        QCOMPARE(box->picture().size(), pictureSize);
    QVERIFY(box->printedText().isEmpty());
}

void TestForm1Layout::gridHasTwentyByFifteenTiles() {
    const auto tiles = m_form->findChildren<PictureBox*>(QStringLiteral("Tile"));
    QSet<int> indices;
    for (PictureBox* tile : tiles)
        indices.insert(tile->property("index").toInt());
    QCOMPARE(tiles.size(), 304);
    QCOMPARE(indices.size(), 304);
    for (int index = 0; index <= 300; ++index)
        QVERIFY(indices.contains(index));
    for (int index : {997, 998, 999})
        QVERIFY(indices.contains(index));
}

void TestForm1Layout::gridTilesFollowRowsAndColumns() {
    for (int index = 1; index <= 300; ++index) {
        const int column = (index - 1) % 20;
        const int row = (index - 1) / 20;
        PictureBox* tile = m_form->Tile(index);
        QCOMPARE(tile->property("index").toInt(), index);
        QCOMPARE(tile->geometry(), QRect(40 + 24 * column, 32 + 24 * row, 25, 25));
        QCOMPARE(control(QStringLiteral("Tile"), index), tile);
    }
}

void TestForm1Layout::gridOuterEdges() {
    QRect grid;
    for (int index = 1; index <= 300; ++index)
        grid |= m_form->Tile(index)->geometry();
    QCOMPARE(grid, Twips(600, 480, 7215, 5415));
    QCOMPARE(grid.size(), QSize(481, 361));
}

void TestForm1Layout::neighboursShareTheirBorder() {
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QWidget* client = m_form->centralWidget();
    // The shared column and row belong to the later tile, whichever pair of neighbours it is.
    QCOMPARE(client->childAt(64, 40), m_form->Tile(2));
    QCOMPARE(client->childAt(63, 40), m_form->Tile(1));
    QCOMPARE(client->childAt(40 + 24 * 19, 40), m_form->Tile(20));
    QCOMPARE(client->childAt(50, 56), m_form->Tile(21));
    QCOMPARE(client->childAt(64, 56), m_form->Tile(22));

    // One dark line between two window-coloured interiors: the borders coincide.
    const QImage image = Render(client);
    const QColor window = ColourToQColor(SysWindowBackground);
    QCOMPARE(image.pixelColor(63, 44), window);
    QVERIFY(image.pixelColor(64, 44).lightness() < 100);
    QCOMPARE(image.pixelColor(65, 44), window);
    QCOMPARE(image.pixelColor(44, 55), window);
    QVERIFY(image.pixelColor(44, 56).lightness() < 100);
    QCOMPARE(image.pixelColor(44, 57), window);
}

void TestForm1Layout::arrayIndexOutsideIsFailure340_data() {
    QTest::addColumn<QString>("array");
    QTest::addColumn<int>("index");

    QTest::newRow("tile below 0") << "Tile" << -1;
    QTest::newRow("tile after the grid") << "Tile" << 301;
    QTest::newRow("tile before the built-in picture") << "Tile" << 996;
    QTest::newRow("tile after the marker") << "Tile" << 1000;
    QTest::newRow("side text 1") << "SideText" << 1;
    QTest::newRow("side text 6") << "SideText" << 6;
    QTest::newRow("go button 1") << "Command11" << 1;
    QTest::newRow("go button 6") << "Command11" << 6;
    QTest::newRow("move button -1") << "MoveCom" << -1;
    QTest::newRow("move button 4") << "MoveCom" << 4;
}

void TestForm1Layout::arrayIndexOutsideIsFailure340() {
    QFETCH(QString, array);
    QFETCH(int, index);

    int code = 0;
    try {
        if (array == QLatin1String("Tile")) {
            QVERIFY(!m_form->hasBox(index));
            m_form->backColour(index);
        } else if (array == QLatin1String("SideText")) {
            m_form->showSideLink(index, QStringLiteral("7"));
        } else if (array == QLatin1String("Command11")) {
            m_form->Command11(index);
        } else {
            m_form->MoveCom(index);
        }
    } catch (const Failure& failure) {
        code = failure.code();
    }
    QCOMPARE(code, 340);
}

void TestForm1Layout::moveButtonsDoNothing() {
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QList<Long> before;
    for (int index = 0; index <= 300; ++index)
        before.append(m_form->backColour(index));
    for (int k = 0; k <= 3; ++k)
        QTest::mouseClick(m_form->MoveCom(k), Qt::LeftButton);
    for (int index = 0; index <= 300; ++index)
        QCOMPARE(m_form->backColour(index), before.at(index));
    QCOMPARE(m_module->WalkerTile, Integer(1));
    QCOMPARE(m_module->CurrentScreen, Integer(0));
}

void TestForm1Layout::menuItems_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QKeySequence>("shortcut");

    const QString separator;
    QTest::newRow("Load Level") << 0 << "mnuLoad"
                                << "Load Level" << QKeySequence(QStringLiteral("Ctrl+L"));
    QTest::newRow("Save Level") << 1 << "mnuSave"
                                << "Save Level" << QKeySequence(QStringLiteral("Ctrl+S"));
    QTest::newRow("first separator") << 2 << "mnuDash4" << separator << QKeySequence();
    QTest::newRow("Screen Properties") << 3 << "mnuScreenProp"
                                       << "Screen Properties" << QKeySequence(QStringLiteral("F2"));
    QTest::newRow("Level Properties") << 4 << "mnuLevelProp"
                                      << "Level Properties" << QKeySequence(QStringLiteral("F3"));
    QTest::newRow("second separator") << 5 << "mnuDash2" << separator << QKeySequence();
    QTest::newRow("Pelmar Level") << 6 << "MnuPLtemp"
                                  << "Pelmar Level" << QKeySequence(QStringLiteral("F1"));
    QTest::newRow("third separator") << 7 << "mnuDash3" << separator << QKeySequence();
    QTest::newRow("Exit") << 8 << "mnuExit"
                          << "Exit" << QKeySequence();
}

void TestForm1Layout::menuItems() {
    QFETCH(int, position);
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QKeySequence, shortcut);

    auto* file = m_form->findChild<QMenu*>(QStringLiteral("mnuFile"));
    QVERIFY(file);
    QCOMPARE(file->title(), QStringLiteral("File"));
    const QList<QAction*> items = file->actions();
    QCOMPARE(items.size(), 9);
    QAction* item = items.at(position);
    QCOMPARE(item->objectName(), name);
    QCOMPARE(item->isSeparator(), caption.isEmpty());
    if (!caption.isEmpty())
        QCOMPARE(item->text(), caption);
    QCOMPARE(item->shortcut(), shortcut);
    QCOMPARE(m_form->findChild<QAction*>(name), item);
}

void TestForm1Layout::menuBarEntries() {
    const QList<QAction*> entries = m_form->menuBar()->actions();
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries.at(0)->menu(), m_form->mnuFile);
    QCOMPARE(entries.at(0)->text(), QStringLiteral("File"));
    QCOMPARE(entries.at(1), m_form->mnuAbout);
    QCOMPARE(entries.at(1)->objectName(), QStringLiteral("mnuAbout"));
    QCOMPARE(entries.at(1)->text(), QStringLiteral("&About"));
    QVERIFY(!entries.at(1)->menu());
}

void TestForm1Layout::shortcutsWorkFromTextBox_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");

    QTest::newRow("Ctrl+L loads") << "mnuLoad" << int(Qt::Key_L) << int(Qt::ControlModifier);
    QTest::newRow("Ctrl+S saves") << "mnuSave" << int(Qt::Key_S) << int(Qt::ControlModifier);
    QTest::newRow("F1 is the template level, not help") << "MnuPLtemp" << int(Qt::Key_F1) << 0;
    QTest::newRow("F2 screen properties") << "mnuScreenProp" << int(Qt::Key_F2) << 0;
    QTest::newRow("F3 level properties") << "mnuLevelProp" << int(Qt::Key_F3) << 0;
    QTest::newRow("Alt+A about") << "mnuAbout" << int(Qt::Key_A) << int(Qt::AltModifier);
}

void TestForm1Layout::shortcutsWorkFromTextBox() {
    QFETCH(QString, action);
    QFETCH(int, key);
    QFETCH(int, modifiers);

    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    m_form->PropDownOps->setFocus();
    QTRY_VERIFY(m_form->PropDownOps->hasFocus());
    auto* item = m_form->findChild<QAction*>(action);
    QVERIFY(item);
    // Only the shortcut is under test here: the commands themselves would open their dialogs.
    QObject::disconnect(item, &QAction::triggered, m_form.get(), nullptr);
    QSignalSpy triggered(item, &QAction::triggered);
    QTest::keyClick(m_form->PropDownOps, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(triggered.count(), 1);
    QCOMPARE(m_form->PropDownOps->text(), QStringLiteral("1"));
}

void TestForm1Layout::resizingMovesNothing() {
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QWidget* client = m_form->centralWidget();
    QHash<QWidget*, QRect> before;
    for (QWidget* child : client->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        before.insert(child, child->geometry());
    QVERIFY(before.size() > 340);

    m_form->resize(900, 700);
    QTRY_COMPARE(client->width(), 900);
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        QCOMPARE(it.key()->geometry(), it.value());
    // The new space shows the window's back colour.
    QCOMPARE(Render(client).pixelColor(850, 600), QColor(128, 64, 0));

    m_form->resize(400, 300);
    QTRY_COMPARE(client->width(), 400);
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        QCOMPARE(it.key()->geometry(), it.value());
}

void TestForm1Layout::pictureBoxEdge_data() {
    QTest::addColumn<bool>("appearance3D");
    QTest::addColumn<bool>("border");
    QTest::addColumn<int>("edge");

    QTest::newRow("3D with border: sunken 2-pixel edge") << true << true << 2;
    QTest::newRow("flat with border: 1-pixel line") << false << true << 1;
    QTest::newRow("3D without border") << true << false << 0;
    QTest::newRow("flat without border") << false << false << 0;
}

void TestForm1Layout::pictureBoxEdge() {
    QFETCH(bool, appearance3D);
    QFETCH(bool, border);
    QFETCH(int, edge);

    PictureBox box;
    box.resize(25, 25);
    box.setAppearance3D(appearance3D);
    box.setBorder(border);
    box.setBackColour(Rgb(255, 0, 0));
    QImage picture(30, 30, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    picture.setPixelColor(0, 0, Qt::green);
    box.setPicture(picture);
    QCOMPARE(box.borderWidth(), edge);

    const QImage image = Render(&box);
    // The picture starts right inside the border, unscaled, and never covers the border.
    QCOMPARE(image.pixelColor(edge, edge), QColor(Qt::green));
    QCOMPARE(image.pixelColor(edge + 1, edge + 1), QColor(Qt::blue));
    QCOMPARE(image.pixelColor(24 - edge, 24 - edge), QColor(Qt::blue));
    if (edge > 0) {
        QVERIFY(image.pixelColor(edge - 1, edge - 1) != QColor(Qt::green));
        QVERIFY(image.pixelColor(24, 24) != QColor(Qt::blue));
    }

    // Without a picture the back colour reaches the border.
    box.setPicture(QImage());
    const QImage plain = Render(&box);
    QCOMPARE(plain.pixelColor(edge, edge), QColor(255, 0, 0));
    QCOMPARE(plain.pixelColor(12, 12), QColor(255, 0, 0));
}

void TestForm1Layout::flatBorderIsDark() {
    PictureBox box;
    box.resize(25, 25);
    box.setAppearance3D(false);
    box.setBackColour(Rgb(255, 255, 255));
    const QImage image = Render(&box);
    for (const QPoint& corner : {QPoint(0, 0), QPoint(24, 0), QPoint(0, 24), QPoint(24, 24), QPoint(12, 0)})
        QVERIFY(image.pixelColor(corner).lightness() < 100);
    QCOMPARE(image.pixelColor(1, 1), QColor(Qt::white));
}

void TestForm1Layout::backColourOrPictureClearsPrintedText() {
    PictureBox box;
    box.resize(60, 40);
    box.setBorder(false);
    box.setBackColour(Rgb(255, 255, 255));
    const QImage blank = Render(&box);

    box.printText(QStringLiteral("12"));
    QCOMPARE(box.printedText(), QStringLiteral("12"));
    QVERIFY(Render(&box) != blank);

    box.setBackColour(Rgb(255, 255, 255));
    QVERIFY(box.printedText().isEmpty());
    QCOMPARE(Render(&box), blank);

    box.printText(QStringLiteral("34"));
    box.setPicture(QImage());
    QVERIFY(box.printedText().isEmpty());
    QCOMPARE(Render(&box), blank);

    box.printText(QStringLiteral("56"));
    box.clearSurface();
    QCOMPARE(Render(&box), blank);
    QCOMPARE(box.backColour(), Rgb(255, 255, 255));
}

void TestForm1Layout::printedTextStartsNewLineAtCarriageReturn() {
    PictureBox box;
    box.resize(80, 80);
    box.setBorder(false);
    box.setBackColour(Rgb(255, 255, 255));
    const int lineHeight = QFontMetrics(box.font()).height();

    box.printText(QStringLiteral("1"));
    const QRect oneLine = InkBounds(Render(&box), Qt::white);
    box.printText(QStringLiteral("1\r2"));
    const QRect twoLines = InkBounds(Render(&box), Qt::white);

    QVERIFY(!oneLine.isEmpty());
    QVERIFY(oneLine.top() < lineHeight);
    QVERIFY(oneLine.left() < 5);
    QCOMPARE(twoLines.top(), oneLine.top());
    QVERIFY(twoLines.bottom() >= oneLine.bottom() + lineHeight - 2);
    QVERIFY(twoLines.width() <= oneLine.width() + 3);
}

void TestForm1Layout::pictureBoxClick() {
    PictureBox box;
    box.resize(25, 25);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QSignalSpy clicked(&box, &PictureBox::clicked);

    QTest::mouseClick(&box, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
    QTest::mouseClick(&box, Qt::RightButton);
    QCOMPARE(clicked.count(), 1);
    // Pressed inside but released outside is no click.
    QTest::mousePress(&box, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&box, Qt::LeftButton, {}, QPoint(40, 40));
    QCOMPARE(clicked.count(), 1);
}

QTEST_MAIN(TestForm1Layout)
#include "tst_form1layout.moc"
