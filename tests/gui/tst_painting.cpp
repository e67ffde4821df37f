// Painting tiles with the brush through the main window's controls: the mode check boxes, the brush
// colour and picture commands, each painting mode and what reaches the scratch file, and the clicks
// that are refused because they cannot be carried out.

#include "colour.h"
#include "editorfixture.h"
#include "picturebox.h"
#include "tileprop.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

using namespace tavrin;

namespace {

const Long Red = Rgb(255, 0, 0);
const Long Blue = Rgb(0, 0, 255);

// The record of tile `index` in a scratch file, its fields as written.
QString TileRecord(const QString& file, int index) {
    QFile scratch(file);
    if (!scratch.open(QIODevice::ReadOnly))
        return QStringLiteral("no file");
    const QByteArray prefix = "\"Screen0\"," + QByteArray::number(index) + ',';
    for (const QByteArray& line : scratch.readAll().split('\n'))
        if (line.startsWith(prefix))
            return QString::fromLatin1(line.trimmed());
    return QStringLiteral("no record");
}

} // namespace

class TestPainting : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void modeBoxes_data();
    void modeBoxes();
    void noModeChangesNothing();

    void changeColor();
    void changeColorCancelled();
    void colourReachesArrayWhenScreenIsWritten();
    void colourOnTilesBesideGrid_data();
    void colourOnTilesBesideGrid();

    void changePic();
    void changePicCancelled();
    void changePicOutsidePicsFolder();
    void changePicFromElsewhereFindsPicsFile();
    void picturePainting_data();
    void picturePainting();
    void picturePaintingIsWritten();
    void paintingTileZeroChangesReferenceZero();

    void applyProperties_data();
    void applyProperties();
    void appliedPropertiesAreWritten();
    void paintingLeavesPropertyWindowAlone();

    void badDirectionStoresNothing_data();
    void badDirectionStoresNothing();
    void tilesBesideGridKeepNoData_data();
    void tilesBesideGridKeepNoData();
    void pictureThatCannotBePainted_data();
    void pictureThatCannotBePainted();
    void operandThatCannotBeSaved_data();
    void operandThatCannotBeSaved();

private:
    Form1& form() { return *m_f->form; }
    Module1& module() { return *m_f->module; }
    void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    // Clicks a mode check box on its indicator.
    void clickMode(QCheckBox* box) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    }
    // Leaves only `mode` checked, by clicks.
    void chooseMode(QCheckBox* mode);
    QCheckBox* modeBox(const QString& name) { return form().findChild<QCheckBox*>(name); }
    QImage pic(const QString& name) const { return QImage(m_f->path(QStringLiteral("Pics/") + name)); }
    void setBrushTexts(const QStringList& directions, const QStringList& operands);
    // The eight stored properties of a tile, as text, left, up, right, down, then the operands.
    QStringList stored(int index);

    std::unique_ptr<EditorFixture> m_f;
};

void TestPainting::init() {
    m_f = std::make_unique<EditorFixture>();
    m_f->form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_f->form.get()));
}

void TestPainting::cleanup() {
    m_f.reset();
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

void TestPainting::chooseMode(QCheckBox* mode) {
    if (!mode->isChecked())
        clickMode(mode);
    QVERIFY(mode->isChecked());
}

void TestPainting::setBrushTexts(const QStringList& directions, const QStringList& operands) {
    const QList<QLineEdit*> directionBoxes = {form().PropLeft, form().PropUp, form().PropRight,
                                              form().PropDown};
    const QList<QLineEdit*> operandBoxes = {form().PropLeftOps, form().PropUpOps, form().PropRightOps,
                                            form().PropDownOps};
    for (int k = 0; k < 4; ++k) {
        directionBoxes[k]->setText(directions[k]);
        operandBoxes[k]->setText(operands[k]);
    }
}

QStringList TestPainting::stored(int index) {
    const Module1& m = module();
    const auto kind = [](const FieldValue& v) {
        return (v.isText()     ? QStringLiteral("text ")
                : v.isNumber() ? QStringLiteral("number ")
                               : QStringLiteral("empty ")) +
               v.toText();
    };
    return {QString::number(m.TilePropLeft(index)),  QString::number(m.TilePropUp(index)),
            QString::number(m.TilePropRight(index)), QString::number(m.TilePropDown(index)),
            kind(m.TilePropLeftOps(index)),          kind(m.TilePropUpOps(index)),
            kind(m.TilePropRightOps(index)),         kind(m.TilePropDownOps(index))};
}

// --- Mode check boxes ------------------------------------------------------------------------------------

void TestPainting::modeBoxes_data() {
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QStringList>("checked");

    QTest::newRow("at start: display") << QStringList() << QStringList{"UsePropBox"};
    QTest::newRow("colour replaces display") << QStringList{"UseColor"} << QStringList{"UseColor"};
    QTest::newRow("unchecking leaves none") << QStringList{"UseColor", "UseColor"} << QStringList();
    QTest::newRow("unchecking display leaves none") << QStringList{"UsePropBox"} << QStringList();
    QTest::newRow("picture after colour")
        << QStringList{"UseColor", "UsePicture"} << QStringList{"UsePicture"};
    QTest::newRow("each in turn") << QStringList{"UseColor", "UsePicture", "UseApplyProp", "UsePropBox"}
                                  << QStringList{"UsePropBox"};
    QTest::newRow("from none, properties")
        << QStringList{"UsePropBox", "UseApplyProp"} << QStringList{"UseApplyProp"};
    QTest::newRow("unchecking one of none")
        << QStringList{"UsePropBox", "UseApplyProp", "UseApplyProp"} << QStringList();
}

void TestPainting::modeBoxes() {
    QFETCH(QStringList, clicks);
    QFETCH(QStringList, checked);

    for (const QString& name : clicks)
        clickMode(modeBox(name));
    QStringList actual;
    for (const char* name : {"UsePropBox", "UseColor", "UsePicture", "UseApplyProp"})
        if (modeBox(QLatin1String(name))->isChecked())
            actual << QLatin1String(name);
    QCOMPARE(actual, checked);
}

void TestPainting::noModeChangesNothing() {
    form().NewColor->setBackColour(Red);
    module().PictureName = QStringLiteral("\\grass.bmp");
    setBrushTexts({"3", "3", "3", "3"}, {"x", "x", "x", "x"});
    clickMode(form().UsePropBox);
    const QStringList before = stored(5);

    click(form().Tile(5));
    QCOMPARE(form().Tile(5)->backColour(), SysWindowBackground);
    QVERIFY(form().Tile(5)->picture().isNull());
    QCOMPARE(module().TilePicture(5), FieldValue());
    QCOMPARE(stored(5), before);
    QVERIFY(!form().TilePropWindow());
    QCOMPARE(m_f->messages.count(), 0);
}

// --- Brush colour ----------------------------------------------------------------------------------------

void TestPainting::changeColor() {
    m_f->dialog.colours = {Red};
    click(form().Command7);
    QCOMPARE(m_f->dialog.colourOpenings, 1);
    QCOMPARE(form().NewColor->backColour(), Red);
    QCOMPARE(m_f->messages.count(), 0);
}

void TestPainting::changeColorCancelled() {
    m_f->dialog.colours = {Red, std::nullopt};
    click(form().Command7);
    click(form().Command7);
    QCOMPARE(m_f->dialog.colourOpenings, 2);
    QCOMPARE(form().NewColor->backColour(), Red);
    QCOMPARE(m_f->messages.count(), 0);
}

void TestPainting::colourReachesArrayWhenScreenIsWritten() {
    m_f->dialog.colours = {Red};
    click(form().Command7);
    chooseMode(form().UseColor);
    click(form().Tile(7));
    QCOMPARE(form().Tile(7)->backColour(), Red);
    QCOMPARE(form().Tile(8)->backColour(), SysWindowBackground);
    // Not yet in the array, so the property window shows the colour from before.
    QCOMPARE(module().TileBackColor(7), FieldValue());
    form().DisplayTileProp(7);
    QCOMPARE(form().TilePropWindow()->CurrentColor->backColour(), 0);

    module().SaveScreenTmp();
    QCOMPARE(module().TileBackColor(7), FieldValue::number(Red));
    QVERIFY(TileRecord(m_f->path("Screen0.tmp"), 7).startsWith(QStringLiteral("\"Screen0\",7,255,")));

    // Another screen (blank, filled with the brush colour) and back.
    form().NewColor->setBackColour(Blue);
    module().ChangeScreen(1);
    QCOMPARE(form().Tile(7)->backColour(), Blue);
    module().ChangeScreen(0);
    QCOMPARE(form().Tile(7)->backColour(), Red);
    QCOMPARE(form().Tile(8)->backColour(), SysWindowBackground);
    QCOMPARE(module().TileBackColor(7), FieldValue::number(Red));
    QCOMPARE(m_f->messages.count(), 0);
}

void TestPainting::colourOnTilesBesideGrid_data() {
    QTest::addColumn<int>("index");
    QTest::newRow("Tile(0)") << 0;
    QTest::newRow("Tile(997)") << 997;
    QTest::newRow("Tile(998)") << 998;
}

void TestPainting::colourOnTilesBesideGrid() {
    QFETCH(int, index);
    form().NewColor->setBackColour(Blue);
    chooseMode(form().UseColor);
    click(form().Tile(index));
    QCOMPARE(form().Tile(index)->backColour(), Blue);
    QCOMPARE(m_f->messages.count(), 0);
}

// --- Brush picture ---------------------------------------------------------------------------------------

void TestPainting::changePic() {
    m_f->dialog.DialogTitle = QStringLiteral("Save Level");
    m_f->dialog.files = {m_f->path("Pics/grass.bmp")};
    click(form().Command8);
    QCOMPARE(m_f->dialog.titles, QStringList{"Load Picture"});
    QCOMPARE(m_f->dialog.DialogTitle, QStringLiteral("Load Picture"));
    QCOMPARE(module().PictureName, QStringLiteral("\\grass.bmp"));
    QCOMPARE(form().NewPicture->picture(), pic("grass.bmp"));
    QCOMPARE(m_f->messages.count(), 0);
}

void TestPainting::changePicCancelled() {
    m_f->dialog.files = {m_f->path("Pics/grass.bmp"), std::nullopt};
    click(form().Command8);
    click(form().Command8);
    QCOMPARE(module().PictureName, QStringLiteral("0"));
    QVERIFY(form().NewPicture->picture().isNull());
    QCOMPARE(m_f->titles(), QStringList{"32755, Command8_Click (Change Picture)"});

    // Painting now gives tiles no picture and stores the text 0.
    form().Tile(12)->setPicture(pic("rock.bmp"));
    chooseMode(form().UsePicture);
    click(form().Tile(12));
    QVERIFY(form().Tile(12)->picture().isNull());
    QCOMPARE(module().TilePicture(12), FieldValue::text(QStringLiteral("0")));
    QCOMPARE(m_f->messages.count(), 1);
}

void TestPainting::changePicOutsidePicsFolder() {
    QTemporaryDir elsewhere;
    QVERIFY(QFile::copy(m_f->path("Pics/tree.bmp"), elsewhere.filePath("oak.bmp")));
    m_f->dialog.files = {m_f->path("Pics/grass.bmp"), elsewhere.filePath("oak.bmp")};
    click(form().Command8);
    click(form().Command8);
    QCOMPARE(m_f->titles(), QStringList{"53, Command8_Click (Change Picture)"});
    QCOMPARE(module().PictureName, QStringLiteral("\\oak.bmp"));
    QCOMPARE(form().NewPicture->picture(), pic("grass.bmp"));
}

// Only the name of the chosen file counts: it is looked for in the pictures folder.
void TestPainting::changePicFromElsewhereFindsPicsFile() {
    QTemporaryDir elsewhere;
    QVERIFY(QFile::copy(m_f->path("Pics/tree.bmp"), elsewhere.filePath("water.bmp")));
    m_f->dialog.files = {elsewhere.filePath("water.bmp")};
    click(form().Command8);
    QCOMPARE(module().PictureName, QStringLiteral("\\water.bmp"));
    QCOMPARE(form().NewPicture->picture(), pic("water.bmp"));
    QCOMPARE(m_f->messages.count(), 0);
}

void TestPainting::picturePainting_data() {
    QTest::addColumn<QString>("pictureName");
    QTest::addColumn<QString>("shows"); // a file in Pics, or "tile <n>"

    QTest::newRow("file") << "\\grass.bmp"
                          << "grass.bmp";
    QTest::newRow("text 0: no picture") << "0"
                                        << "tile 0";
    QTest::newRow("built-in picture") << "997"
                                      << "tile 997";
    QTest::newRow("number with blanks") << " 997 "
                                        << "tile 997";
    QTest::newRow("tile under the marker") << "1"
                                           << "tile 1";
}

void TestPainting::picturePainting() {
    QFETCH(QString, pictureName);
    QFETCH(QString, shows);

    form().Tile(30)->setPicture(pic("rock.bmp"));
    module().PictureName = pictureName;
    chooseMode(form().UsePicture);
    click(form().Tile(30));

    const QImage expected =
        shows.startsWith(QLatin1String("tile ")) ? form().Tile(shows.mid(5).toInt())->picture() : pic(shows);
    QCOMPARE(form().Tile(30)->picture(), expected);
    QCOMPARE(module().TilePicture(30), FieldValue::text(pictureName));
    QCOMPARE(m_f->messages.count(), 0);
}

void TestPainting::picturePaintingIsWritten() {
    m_f->dialog.files = {m_f->path("Pics/water.bmp")};
    click(form().Command8);
    chooseMode(form().UsePicture);
    click(form().Tile(9));
    module().PictureName = QStringLiteral("0");
    click(form().Tile(10));

    module().SaveScreenTmp();
    const QString scratch = m_f->path("Screen0.tmp");
    QCOMPARE(TileRecord(scratch, 9),
             QStringLiteral("\"Screen0\",9,-2147483643,\"\\water.bmp\",0,0,0,0,1,1,1,1"));
    QCOMPARE(TileRecord(scratch, 10), QStringLiteral("\"Screen0\",10,-2147483643,\"0\",0,0,0,0,1,1,1,1"));
    QCOMPARE(m_f->messages.count(), 0);

    module().ChangeScreen(1);
    module().ChangeScreen(0);
    QCOMPARE(form().Tile(9)->picture(), pic("water.bmp"));
}

void TestPainting::paintingTileZeroChangesReferenceZero() {
    module().PictureName = QStringLiteral("\\flowers.bmp");
    chooseMode(form().UsePicture);
    click(form().Tile(0));
    QCOMPARE(form().Tile(0)->picture(), pic("flowers.bmp"));
    QCOMPARE(module().TilePicture(0), FieldValue::text(QStringLiteral("\\flowers.bmp")));

    module().PictureName = QStringLiteral("0");
    click(form().Tile(40));
    QCOMPARE(form().Tile(40)->picture(), pic("flowers.bmp"));
}

// --- Brush properties ------------------------------------------------------------------------------------

void TestPainting::applyProperties_data() {
    QTest::addColumn<QStringList>("directions"); // left, up, right, down
    QTest::addColumn<QStringList>("operands");
    QTest::addColumn<QStringList>("stored");

    QTest::newRow("whole numbers") << QStringList{"1", "2", "9", "0"} << QStringList{"1", "2", "3", "4"}
                                   << QStringList{"1", "2", "9", "0", "text 1", "text 2", "text 3", "text 4"};
    QTest::newRow("blanks around, halves to even")
        << QStringList{" 7 ", "2.5", "3.5", "-2.5"} << QStringList{"60", "abc", "", " 5 "}
        << QStringList{"7", "2", "4", "-2", "text 60", "text abc", "text ", "text  5 "};
    QTest::newRow("Integer limits") << QStringList{"-32768", "32767", "+4", "1e1"}
                                    << QStringList{"a,b", "x", "y", "z"}
                                    << QStringList{"-32768",   "32767",  "4",      "10",
                                                   "text a,b", "text x", "text y", "text z"};
}

void TestPainting::applyProperties() {
    QFETCH(QStringList, directions);
    QFETCH(QStringList, operands);
    QFETCH(QStringList, stored);

    setBrushTexts(directions, operands);
    chooseMode(form().UseApplyProp);
    click(form().Tile(20));
    QCOMPARE(this->stored(20), stored);
    QCOMPARE(this->stored(21),
             (QStringList{"0", "0", "0", "0", "number 1", "number 1", "number 1", "number 1"}));
    QCOMPARE(m_f->messages.count(), 0);
}

void TestPainting::appliedPropertiesAreWritten() {
    setBrushTexts({"2", "1", "0", "3"}, {"41", "", "a,b", "7"});
    chooseMode(form().UseApplyProp);
    click(form().Tile(21));
    module().SaveScreenTmp();
    QCOMPARE(TileRecord(m_f->path("Screen0.tmp"), 21),
             QStringLiteral("\"Screen0\",21,-2147483643,,2,1,0,3,\"41\",\"\",\"a,b\",\"7\""));
    QCOMPARE(m_f->messages.count(), 0);
}

void TestPainting::paintingLeavesPropertyWindowAlone() {
    click(form().Tile(6));
    TileProp* window = form().TilePropWindow();
    QVERIFY(window);
    QCOMPARE(window->PropLeft->text(), QStringLiteral("0"));

    setBrushTexts({"5", "5", "5", "5"}, {"9", "9", "9", "9"});
    chooseMode(form().UseApplyProp);
    click(form().Tile(6));
    QCOMPARE(module().TilePropLeft(6), Integer(5));
    QCOMPARE(window->PropLeft->text(), QStringLiteral("0"));
    QCOMPARE(window->PropLeftOps->text(), QStringLiteral("1"));

    chooseMode(form().UsePropBox);
    click(form().Tile(6));
    QCOMPARE(window->PropLeft->text(), QStringLiteral("5"));
    QCOMPARE(window->PropLeftOps->text(), QStringLiteral("9"));
}

// --- Clicks that cannot be carried out -------------------------------------------------------------------

void TestPainting::badDirectionStoresNothing_data() {
    QTest::addColumn<int>("box"); // 0 left, 1 up, 2 right, 3 down
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");

    QTest::newRow("left not a number") << 0 << "abc"
                                       << "13, Tile_Click";
    QTest::newRow("up empty") << 1 << ""
                              << "13, Tile_Click";
    QTest::newRow("right too large") << 2 << "40000"
                                     << "6, Tile_Click";
    QTest::newRow("down, last checked, too small") << 3 << "-32769"
                                                   << "6, Tile_Click";
    QTest::newRow("down exponent overflow") << 3 << "1e9"
                                            << "6, Tile_Click";
    QTest::newRow("down, a comma") << 3 << "1,5"
                                   << "13, Tile_Click";
}

void TestPainting::badDirectionStoresNothing() {
    QFETCH(int, box);
    QFETCH(QString, text);
    QFETCH(QString, title);

    QStringList directions = {"2", "3", "4", "5"};
    directions[box] = text;
    setBrushTexts(directions, {"a", "b", "c", "d"});
    chooseMode(form().UseApplyProp);
    const QStringList before = stored(25);

    click(form().Tile(25));
    QCOMPARE(stored(25), before);
    QCOMPARE(m_f->titles(), QStringList{title});
    const QString message = m_f->messages.messages().first().text;
    QVERIFY2(message.contains(u'"' + text + u'"'), qPrintable(message));
}

void TestPainting::tilesBesideGridKeepNoData_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("mode");

    QTest::newRow("picture on 997") << 997 << "UsePicture";
    QTest::newRow("picture on 998") << 998 << "UsePicture";
    QTest::newRow("properties on 997") << 997 << "UseApplyProp";
    QTest::newRow("properties on 998") << 998 << "UseApplyProp";
}

void TestPainting::tilesBesideGridKeepNoData() {
    QFETCH(int, index);
    QFETCH(QString, mode);

    module().PictureName = QStringLiteral("\\grass.bmp");
    const QImage before = form().Tile(index)->picture();
    chooseMode(modeBox(mode));
    click(form().Tile(index));
    QCOMPARE(form().Tile(index)->picture(), before);
    QCOMPARE(m_f->titles(), QStringList{"9, Tile_Click"});
    QVERIFY(m_f->messages.messages().first().text.contains(QString::number(index)));
}

void TestPainting::pictureThatCannotBePainted_data() {
    QTest::addColumn<QString>("pictureName");
    QTest::addColumn<QString>("title");

    QTest::newRow("nothing chosen yet") << ""
                                        << "53, Tile_Click";
    QTest::newRow("left by a failed Change Pic") << "\\oak.bmp"
                                                 << "53, Tile_Click";
    QTest::newRow("file that is no picture") << "\\notapicture.bmp"
                                             << "481, Tile_Click";
    QTest::newRow("number naming no tile") << "500"
                                           << "340, Tile_Click";
    QTest::newRow("name a level file cannot store") << "\\say\"hi.bmp"
                                                    << "5, Tile_Click";
}

void TestPainting::pictureThatCannotBePainted() {
    QFETCH(QString, pictureName);
    QFETCH(QString, title);

    QFile junk(m_f->path("Pics/notapicture.bmp"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not a picture");
    junk.close();
    QVERIFY(QFile::copy(m_f->path("Pics/sand.bmp"), m_f->path("Pics/say\"hi.bmp")));

    // The tile was painted with grass before.
    module().PictureName = QStringLiteral("\\grass.bmp");
    chooseMode(form().UsePicture);
    click(form().Tile(33));
    QCOMPARE(m_f->messages.count(), 0);

    module().PictureName = pictureName;
    click(form().Tile(33));
    QCOMPARE(form().Tile(33)->picture(), pic("grass.bmp"));
    QCOMPARE(module().TilePicture(33), FieldValue::text(QStringLiteral("\\grass.bmp")));
    QCOMPARE(m_f->titles(), QStringList{title});
    QVERIFY(m_f->messages.messages().first().text.contains(QStringLiteral("Change Pic")));
}

void TestPainting::operandThatCannotBeSaved_data() {
    QTest::addColumn<int>("box"); // 0 left, 1 up, 2 right, 3 down
    QTest::addColumn<QString>("text");

    QTest::newRow("double quote in left") << 0 << "say \"hi\"";
    QTest::newRow("lone double quote in down") << 3 << "\"";
    QTest::newRow("character beyond Latin-1 in up") << 1 << QStringLiteral("\u20ac5");
}

void TestPainting::operandThatCannotBeSaved() {
    QFETCH(int, box);
    QFETCH(QString, text);

    QStringList operands = {"a", "b", "c", "d"};
    operands[box] = text;
    setBrushTexts({"2", "3", "4", "5"}, operands);
    chooseMode(form().UseApplyProp);
    const QStringList before = stored(26);

    click(form().Tile(26));
    QCOMPARE(stored(26), before);
    QCOMPARE(m_f->titles(), QStringList{"5, Tile_Click"});

    // Nothing that cannot be saved got into the screen: writing it still works.
    module().SaveScreenTmp();
    QVERIFY(TileRecord(m_f->path("Screen0.tmp"), 26).endsWith(QStringLiteral(",0,0,0,0,1,1,1,1")));
}

QTEST_MAIN(TestPainting)
#include "tst_painting.moc"
