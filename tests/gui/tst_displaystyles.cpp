// The five display-style buttons under the grid: which tiles they change, what a redisplay takes from
// the screen's data and what it leaves, and how they meet pictures and colours they cannot use.

#include "colour.h"
#include "editorfixture.h"
#include "picturebox.h"

#include <QPushButton>
#include <QtTest>
#include <memory>

using namespace tavrin;

namespace {

const int SpecialTiles[] = {BlankTile, BuiltinTile, PreviewTile, MarkerTile};

// What a tile shows and how it is drawn, to compare whole looks.
struct Look {
    Long colour;
    QImage picture;
    bool appearance3D;
    bool border;
    QString printed;
    bool operator==(const Look& other) const {
        return colour == other.colour && picture == other.picture && appearance3D == other.appearance3D &&
               border == other.border && printed == other.printed;
    }
};

Look LookOf(const PictureBox* tile) {
    return {tile->backColour(), tile->picture(), tile->appearance3D(), tile->hasBorder(),
            tile->printedText()};
}

void WritePicture(const QString& path, QColor colour) {
    QImage image(19, 19, QImage::Format_RGB32);
    image.fill(colour);
    QVERIFY(image.save(path, "BMP"));
}

QImage Solid(QColor colour) {
    QImage image(11, 11, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

} // namespace

class TestDisplayStyles : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void styleSequences_data();
    void styleSequences();
    void specialTilesUntouched_data();
    void specialTilesUntouched();

    void redisplayRightAfterStart();
    void paintedColour_data();
    void paintedColour();
    void pictureReferences();
    void walkMarker_data();
    void walkMarker();
    void printedTextErased_data();
    void printedTextErased();

    void unusableEntriesTreatedAsLoading_data();
    void unusableEntriesTreatedAsLoading();
    void failureShownAndProgramGoesOn_data();
    void failureShownAndProgramGoesOn();

private:
    QPushButton* button(const QString& name) const;
    void click(const QString& name) const;
    void clickAll(const QStringList& names) const;
    PictureBox* tile(int index) const { return m_editor->form->Tile(index); }
    Module1& module() const { return *m_editor->module; }

    std::unique_ptr<EditorFixture> m_editor;
};

void TestDisplayStyles::init() {
    m_editor = std::make_unique<EditorFixture>();
    m_editor->form->StatusTimer->stop();
    m_editor->form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_editor->form.get()));
}

void TestDisplayStyles::cleanup() {
    QCOMPARE(m_editor->quits, 0);
    m_editor.reset();
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

QPushButton* TestDisplayStyles::button(const QString& name) const {
    auto* found = m_editor->form->findChild<QPushButton*>(name);
    if (!found)
        qFatal("no button %s", qPrintable(name));
    return found;
}

void TestDisplayStyles::click(const QString& name) const {
    QTest::mouseClick(button(name), Qt::LeftButton);
}

void TestDisplayStyles::clickAll(const QStringList& names) const {
    for (const QString& name : names)
        click(name);
}

void TestDisplayStyles::styleSequences_data() {
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<bool>("appearance3D");
    QTest::addColumn<bool>("border");

    QTest::newRow("as started") << QStringList() << false << true;
    QTest::newRow("3D") << QStringList{"Command4"} << true << true;
    QTest::newRow("Flat after 3D") << QStringList{"Command4", "Command5"} << false << true;
    QTest::newRow("3D after Flat") << QStringList{"Command5", "Command4"} << true << true;
    QTest::newRow("or Not") << QStringList{"Command10"} << false << false;
    QTest::newRow("Border then or Not") << QStringList{"Command9", "Command10"} << false << false;
    QTest::newRow("Border again after or Not") << QStringList{"Command10", "Command9"} << false << true;
    QTest::newRow("3D while borders are off") << QStringList{"Command10", "Command4"} << true << false;
    QTest::newRow("3D kept through or Not and Border")
        << QStringList{"Command4", "Command10", "Command9"} << true << true;
    QTest::newRow("ReDisplay changes no style")
        << QStringList{"Command4", "Command10", "Command6"} << true << false;
}

void TestDisplayStyles::styleSequences() {
    QFETCH(QStringList, buttons);
    QFETCH(bool, appearance3D);
    QFETCH(bool, border);

    clickAll(buttons);
    const int edge = border ? (appearance3D ? 2 : 1) : 0;
    for (int index = 1; index <= 300; ++index) {
        const PictureBox* box = tile(index);
        QVERIFY2(box->appearance3D() == appearance3D, qPrintable(QString::number(index)));
        QVERIFY2(box->hasBorder() == border, qPrintable(QString::number(index)));
        // Without a border, 3D or flat draws the same: colour and picture reach the outer edge.
        QVERIFY2(box->borderWidth() == edge, qPrintable(QString::number(index)));
    }
    QCOMPARE(m_editor->messages.count(), 0);
}

void TestDisplayStyles::specialTilesUntouched_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("3D") << "Command4";
    QTest::newRow("Flat") << "Command5";
    QTest::newRow("ReDisplay") << "Command6";
    QTest::newRow("Border") << "Command9";
    QTest::newRow("or Not") << "Command10";
}

void TestDisplayStyles::specialTilesUntouched() {
    QFETCH(QString, name);
    // Give the special tiles looks a button would change if it reached them.
    tile(BlankTile)->setPicture(Solid(Qt::yellow));
    tile(PreviewTile)->setPicture(Solid(Qt::cyan));
    for (int index : SpecialTiles) {
        tile(index)->setAppearance3D(name == "Command5");
        tile(index)->setBorder(name == "Command10");
    }
    tile(BlankTile)->printText(QStringLiteral("0"));
    QList<Look> before;
    for (int index : SpecialTiles)
        before << LookOf(tile(index));
    module().TileBackColor(0) = FieldValue::number(Rgb(1, 2, 3));

    click(name);
    for (int i = 0; i < 4; ++i)
        QVERIFY2(LookOf(tile(SpecialTiles[i])) == before.at(i), qPrintable(QString::number(SpecialTiles[i])));
}

void TestDisplayStyles::redisplayRightAfterStart() {
    const QImage marker = tile(MarkerTile)->picture();
    QCOMPARE(tile(1)->picture(), marker);
    // A picture a tile shows without any stored reference stays, like the marker's.
    tile(150)->setPicture(Solid(Qt::green));
    const Look preview = LookOf(tile(PreviewTile));

    click("Command6");
    for (int index = 1; index <= 300; ++index)
        QVERIFY2(tile(index)->backColour() == Rgb(0, 0, 0), qPrintable(QString::number(index)));
    QCOMPARE(tile(1)->picture(), marker);
    QCOMPARE(tile(150)->picture(), Solid(Qt::green));
    QVERIFY(tile(2)->picture().isNull());
    QVERIFY(tile(300)->picture().isNull());
    QVERIFY(LookOf(tile(PreviewTile)) == preview);
    QCOMPARE(module().WalkerTile, Integer(1));
    // The data of the screen stays as it was.
    QVERIFY(module().TileBackColor(1).isEmpty());
    QVERIFY(module().TilePicture(1).isEmpty());
    QCOMPARE(m_editor->messages.count(), 0);
}

void TestDisplayStyles::paintedColour_data() {
    QTest::addColumn<bool>("screenWritten");
    QTest::addColumn<Long>("expected");

    QTest::newRow("painted only: the stored colour comes back") << false << Rgb(0, 0, 255);
    QTest::newRow("screen written since: the painted colour stays") << true << Rgb(255, 0, 0);
}

void TestDisplayStyles::paintedColour() {
    QFETCH(bool, screenWritten);
    QFETCH(Long, expected);

    for (int index : {7, 300})
        module().TileBackColor(index) = FieldValue::number(Rgb(0, 0, 255));
    click("Command6");
    QCOMPARE(tile(7)->backColour(), Rgb(0, 0, 255));
    // Painting changes only what the tile shows.
    tile(7)->setBackColour(Rgb(255, 0, 0));
    tile(300)->setBackColour(Rgb(255, 0, 0));
    if (screenWritten)
        module().SaveScreenTmp();

    click("Command6");
    QCOMPARE(tile(7)->backColour(), expected);
    QCOMPARE(tile(300)->backColour(), expected);
    QCOMPARE(tile(8)->backColour(), Rgb(0, 0, 0));
}

void TestDisplayStyles::pictureReferences() {
    WritePicture(m_editor->path("Pics/red.bmp"), Qt::red);
    module().TilePicture(20) = FieldValue::text(QStringLiteral("\\red.bmp"));
    module().TilePicture(300) = FieldValue::text(QStringLiteral("\\red.bmp"));
    tile(21)->setPicture(Solid(Qt::blue));
    module().TilePicture(21) = FieldValue::number(997);

    click("Command4");
    const QImage red(m_editor->path("Pics/red.bmp"));
    QCOMPARE(tile(20)->picture(), red);
    QCOMPARE(tile(300)->picture(), red);
    // A numeric reference is not looked at: the tile keeps what it shows.
    QCOMPARE(tile(21)->picture(), Solid(Qt::blue));

    // Every redisplay reads the file again.
    WritePicture(m_editor->path("Pics/red.bmp"), Qt::darkRed);
    QFile file(m_editor->path("Pics/red.bmp"));
    QVERIFY(file.open(QIODevice::ReadWrite));
    file.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime);
    file.close();
    click("Command6");
    QCOMPARE(tile(20)->picture(), QImage(m_editor->path("Pics/red.bmp")));
    QVERIFY(tile(20)->picture() != red);
}

void TestDisplayStyles::walkMarker_data() {
    QTest::addColumn<int>("walker");
    QTest::addColumn<bool>("keepsMarker");

    // In the template level tile 115 shows the built-in picture (997); tile 145, the start, a file.
    QTest::newRow("numeric reference keeps the marker") << 115 << true;
    QTest::newRow("text reference shows the tile's own picture") << 145 << false;
}

void TestDisplayStyles::walkMarker() {
    QFETCH(int, walker);
    QFETCH(bool, keepsMarker);

    const QString level = m_editor->path("PelmarLevel.txt");
    module().LevelFileName = level;
    module().LoadLevelSequence(level, QStringLiteral("test"));
    QCOMPARE(m_editor->messages.count(), 0);
    QCOMPARE(module().TilePicture(115), FieldValue::number(997));
    QVERIFY(module().TilePicture(145).isText());
    QCOMPARE(module().LevelStartTile, Integer(145));

    // Loading put the marker on the start tile; elsewhere it is placed as at a start: Tile(998) takes the
    // tile's look first.
    if (walker != module().LevelStartTile) {
        module().LevelStartTile = Integer(walker);
        module().PlaceWalkerOnStartTile();
        module().WalkerTile = Integer(walker);
    }
    const QImage marker = tile(MarkerTile)->picture();
    QCOMPARE(tile(walker)->picture(), marker);
    const QImage ownPicture =
        keepsMarker ? tile(BuiltinTile)->picture()
                    : QImage(m_editor->path("Pics/") + module().TilePicture(walker).textValue().mid(1));
    QVERIFY(!ownPicture.isNull());
    QCOMPARE(tile(PreviewTile)->picture(), ownPicture);
    const Look under = LookOf(tile(PreviewTile));

    click("Command6");
    QCOMPARE(tile(walker)->picture(), keepsMarker ? marker : ownPicture);
    QVERIFY(LookOf(tile(PreviewTile)) == under);
    QCOMPARE(module().WalkerTile, Integer(walker));
    QCOMPARE(m_editor->messages.count(), 0);
}

void TestDisplayStyles::printedTextErased_data() {
    specialTilesUntouched_data();
}

void TestDisplayStyles::printedTextErased() {
    QFETCH(QString, name);
    click("Command3");
    QCOMPARE(tile(1)->printedText(), QStringLiteral("0,0\r0,0"));
    QCOMPARE(tile(300)->printedText(), QStringLiteral("0,0\r0,0"));

    click(name);
    for (int index = 1; index <= 300; ++index)
        QVERIFY2(tile(index)->printedText().isEmpty(), qPrintable(QString::number(index)));
}

void TestDisplayStyles::unusableEntriesTreatedAsLoading_data() {
    specialTilesUntouched_data();
}

// A missing picture file, a file that is no picture and a colour that is no number, each between
// tiles that are fine: those tiles are shown as loading shows them and the rest are redisplayed.
void TestDisplayStyles::unusableEntriesTreatedAsLoading() {
    QFETCH(QString, name);
    QFile notAPicture(m_editor->path("Pics/notes.bmp"));
    QVERIFY(notAPicture.open(QIODevice::WriteOnly));
    notAPicture.write("these are no pixels");
    notAPicture.close();
    WritePicture(m_editor->path("Pics/red.bmp"), Qt::red);

    for (int index = 1; index <= 300; ++index) {
        module().TileBackColor(index) = FieldValue::number(Rgb(0, 128, 0));
        module().TilePicture(index) = FieldValue::text(QStringLiteral("\\red.bmp"));
        tile(index)->setPicture(Solid(Qt::blue));
    }
    module().TilePicture(10) = FieldValue::text(QStringLiteral("\\missing.bmp"));
    module().TilePicture(11) = FieldValue::text(QStringLiteral("\\notes.bmp"));
    module().TilePicture(12) = FieldValue::text(QStringLiteral("\\..\\PelmarLevel.txt"));
    module().TileBackColor(13) = FieldValue::text(QStringLiteral("blue"));
    module().TileBackColor(14) = FieldValue::text(QStringLiteral(" 255"));
    module().TileBackColor(300) = FieldValue::text(QStringLiteral("#ff0000"));

    click(name);
    const QImage red(m_editor->path("Pics/red.bmp"));
    for (int index : {10, 11, 12})
        QVERIFY2(tile(index)->picture().isNull(), qPrintable(QString::number(index)));
    QCOMPARE(tile(13)->backColour(), Rgb(0, 0, 0));
    QCOMPARE(tile(14)->backColour(), Rgb(255, 0, 0));
    QCOMPARE(tile(300)->backColour(), Rgb(0, 0, 0));
    for (int index : {1, 9, 13, 14, 15, 299, 300})
        QVERIFY2(tile(index)->picture() == red, qPrintable(QString::number(index)));
    for (int index : {1, 9, 10, 11, 12, 15, 299})
        QVERIFY2(tile(index)->backColour() == Rgb(0, 128, 0), qPrintable(QString::number(index)));
    QCOMPARE(m_editor->messages.count(), 0);
    // The data stays as it was.
    QCOMPARE(module().TileBackColor(13), FieldValue::text(QStringLiteral("blue")));
    QCOMPARE(module().TilePicture(10), FieldValue::text(QStringLiteral("\\missing.bmp")));
}

void TestDisplayStyles::failureShownAndProgramGoesOn_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");

    QTest::newRow("3D") << "Command4"
                        << "6, Command4_Click";
    QTest::newRow("Flat") << "Command5"
                          << "6, Command5_Click";
    QTest::newRow("ReDisplay") << "Command6"
                               << "6, Command6_Click";
    QTest::newRow("Border") << "Command9"
                            << "6, Command9_Click";
    QTest::newRow("or Not") << "Command10"
                            << "6, Command10_Click";
}

// A colour too large for a colour value stops the redisplay at its tile: the tiles before keep their
// new look, the rest their old one, one message names the button, and the editor goes on.
void TestDisplayStyles::failureShownAndProgramGoesOn() {
    QFETCH(QString, name);
    QFETCH(QString, title);
    for (int index = 1; index <= 300; ++index)
        module().TileBackColor(index) = FieldValue::number(Rgb(0, 0, 200));
    module().TileBackColor(150) = FieldValue::number(1e12);

    click(name);
    QCOMPARE(m_editor->titles(), QStringList{title});
    QCOMPARE(tile(149)->backColour(), Rgb(0, 0, 200));
    QCOMPARE(tile(151)->backColour(), SysWindowBackground);
    QCOMPARE(tile(300)->backColour(), SysWindowBackground);

    // Mended, the next press redraws the whole grid.
    module().TileBackColor(150) = FieldValue::number(Rgb(0, 0, 200));
    click("Command6");
    QCOMPARE(m_editor->messages.count(), 1);
    for (int index : {150, 151, 300})
        QCOMPARE(tile(index)->backColour(), Rgb(0, 0, 200));
}

QTEST_MAIN(TestDisplayStyles)
#include "tst_displaystyles.moc"
