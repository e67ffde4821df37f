// Blocks of tiles on the clipboard: copied in one document and pasted in another with every field as it
// was, tile records of a level file pasted, texts that are no tiles refused, flips and turns that take
// the directions along, and a block placed at the grid's edge.
#include "level/document/leveldocument.h"
#include "level/tools/tileblock.h"
#include "levelfixture.h"

#include <QMimeData>
#include <QtTest>

using namespace tavrin;

Q_DECLARE_METATYPE(tavrin::FieldValue)

namespace {

// A block of 3 x 2 tiles whose top-left tile has four different sides: left 1 "L", up 2 20, right 3 "R",
// down 4 40.
TileBlock marked() {
    Screen screen = Screen::fresh();
    TileState& tile = screen.tile(21);
    tile.directions = {1, 2, 3, 4};
    tile.operands = {FieldValue::text("L"), FieldValue::number(20), FieldValue::text("R"),
                     FieldValue::number(40)};
    return TileBlock::take(screen, {21, 22, 23, 41, 42, 43});
}

} // namespace

class TestTileBlock : public QObject {
    Q_OBJECT
private slots:
    // Copied in one document and pasted in another through the clipboard's data, a tile keeps each field
    // and its kind; the paste is one step, and the tiles outside the block stay as they were.
    void roundTripBetweenDocuments_data() {
        QTest::addColumn<FieldValue>("picture");
        QTest::addColumn<FieldValue>("operand");
        QTest::newRow("file picture, text operand")
            << FieldValue::text("\\tree.bmp") << FieldValue::text("60");
        QTest::newRow("no picture, empty operand") << FieldValue() << FieldValue();
        QTest::newRow("picture number as text, long number")
            << FieldValue::text("42") << FieldValue::readNumber(12345678901234567.0, "12345678901234567");
    }
    void roundTripBetweenDocuments() {
        QFETCH(FieldValue, picture);
        QFETCH(FieldValue, operand);
        LevelFixture from, to;
        TileState tile = from.document->tile(45);
        tile.picture = picture;
        tile.directions = {0, 3, 1, 9};
        tile.operands = {operand, FieldValue::number(1), operand, FieldValue::text("x")};
        from.document->editTile(45, tile);
        from.paintColour(66, 255);
        const std::unique_ptr<QMimeData> data(
            TileBlock::take(from.module->ScreenOnDisplay(), {45, 46, 66}).toMimeData(0));
        QCOMPARE(data->text().toLatin1(), data->data(TileBlockMimeType));

        const TileBlock pasted = TileBlock::fromMimeData(*data);
        const Screen before = to.module->ScreenOnDisplay();
        to.document->beginStroke("Paste");
        for (const auto& [index, state] : pasted.placedAt(pasted.origin()))
            to.document->editTile(index, state);
        to.document->endStroke();
        QCOMPARE(to.document->undoStack().count(), 1);
        for (int t = FirstGridTile; t <= LastGridTile; ++t)
            QCOMPARE(to.document->tile(t),
                     t == 45 || t == 46 || t == 66 ? from.document->tile(t) : before.tile(t));
        // Equal tiles have fields of equal kinds and values; a number also keeps its spelling.
        QCOMPARE(to.document->tile(45).operands[0].toText(), operand.toText());
    }

    // Lines of a level file pasted as text give the tiles they name, at their places, as loading the file
    // gives them; the screen's "ScreenInfo" and side records are passed over.
    void recordsOfALevelFile_data() {
        QTest::addColumn<QList<int>>("lines"); // lines of the template level, 301..309 its links
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::newRow("a corner with a hole, out of order") << QList<int>{31, 10, 11} << 2 << 2;
        QList<int> block;
        for (int line = 1; line <= 309; ++line)
            block << line;
        QTest::newRow("the whole screen block") << block << GridColumns << GridRows;
    }
    void recordsOfALevelFile() {
        QFETCH(QList<int>, lines);
        QFETCH(int, columns);
        QFETCH(int, rows);
        LevelFixture f;
        QFile file(QStringLiteral(TAVRIN_SOURCE_DIR "/data/PelmarLevel.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray level = file.readAll();
        f.load("PelmarLevel.txt", level);
        QByteArray text;
        for (const int line : lines)
            text += level.split('\n')[line - 1] + '\n';
        const TileBlock block = TileBlock::fromRecords(text);
        QCOMPARE(block.columns(), columns);
        QCOMPARE(block.rows(), rows);
        QCOMPARE(block.tileCount(), int(std::min<qsizetype>(lines.size(), LastGridTile)));
        for (const auto& [tile, state] : block.placedAt(block.origin()))
            QCOMPARE(state, f.module->TileOnDisplay(tile));
    }

    // What is no copy of tiles is refused whole, with a sentence that says why.
    void refused_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("why");
        const QString tile = "\"Screen0\",5,255,0,0,0,0,0,1,1,1,1\r\n";
        const auto row = [](const char* name, const QString& text, const char* why) {
            QTest::newRow(name) << text << QString(why);
        };
        row("longer than 1 MB", QString(MaxBlockTextBytes + 1, u' '), "longer than");
        row("more records than a screen", tile.repeated(MaxBlockRecords + 1), "more than 320");
        row("prose", "Hello, world.\n", "line 1 of the text is no record");
        row("the level properties", "\"LevelProp\",\"a\",\"b\",\"c\",\"d\",\"e\",1,0,0,0,0,0\r\n",
            "no record of a screen");
        row("two screens", tile + "\"Screen1\",5,255,0,0,0,0,0,1,1,1,1\r\n", "screens 0 and 1");
        row("a word for a colour", tile + "\"Screen0\",6,green,0,0,0,0,0,1,1,1,1\r\n",
            "line 2 of the text, field 3 (colour)");
        row("tile 0", "\"Screen0\",0,1,0,0,0,0,0,1,1,1,1\r\n", "tile 0");
        row("tile 301", "\"Screen0\",301,1,0,0,0,0,0,1,1,1,1\r\n", "field 2");
        row("links only", QString::fromLatin1(LinkRecords(0)), "no tile records");
        row("a character no level file holds",
            QStringLiteral("\"Screen0\",5,255,\"\u263A\",0,0,0,0,1,1,1,1\r\n"), "no level file holds");
        row("no text at all", QString(), "no tiles");
    }
    void refused() {
        QFETCH(QString, text);
        QFETCH(QString, why);
        QMimeData data;
        if (!text.isNull())
            data.setText(text);
        try {
            TileBlock::fromMimeData(data);
            QFAIL("the text was read as tiles");
        } catch (const Failure& failure) {
            QCOMPARE(failure.code(), int(ErrInvalidFormat));
            QVERIFY2(failure.description().contains(why), qPrintable(failure.description()));
        }
    }

    // The marked tile moves to its mirrored or turned place, and its sides turn with it, each operand with
    // its direction (turned back, the block is as it was: the fuzz target's check).
    void transforms_data() {
        QTest::addColumn<int>("transform"); // 0 flip horizontally, 1 vertically, 2 turn clockwise
        QTest::addColumn<QPoint>("cell");   // where the marked tile goes
        QTest::addColumn<QList<int>>("directions");
        QTest::addColumn<QStringList>("operands");
        QTest::newRow("flip horizontally")
            << 0 << QPoint(2, 0) << QList<int>{3, 2, 1, 4} << QStringList{"R", "20", "L", "40"};
        QTest::newRow("flip vertically")
            << 1 << QPoint(0, 1) << QList<int>{1, 4, 3, 2} << QStringList{"L", "40", "R", "20"};
        QTest::newRow("turn clockwise")
            << 2 << QPoint(1, 0) << QList<int>{4, 1, 2, 3} << QStringList{"40", "L", "20", "R"};
    }
    void transforms() {
        QFETCH(int, transform);
        QFETCH(QPoint, cell);
        QFETCH(QList<int>, directions);
        QFETCH(QStringList, operands);
        const auto turn = [transform](const TileBlock& b) {
            return transform == 0   ? b.flippedHorizontally()
                   : transform == 1 ? b.flippedVertically()
                                    : b.rotatedClockwise();
        };
        const TileBlock turned = turn(marked());
        const std::optional<TileState>& tile = turned.cell(cell.x(), cell.y());
        QVERIFY(tile);
        for (size_t s = 0; s < 4; ++s) {
            QCOMPARE(tile->directions[s], Integer(directions[int(s)]));
            QCOMPARE(tile->operands[s].toText(), operands[int(s)]);
        }
    }

    // A block placed near the right or bottom border loses the cells beyond it.
    void clippedAtTheEdge_data() {
        QTest::addColumn<int>("topLeft");
        QTest::addColumn<QList<int>>("tiles");
        QTest::newRow("inside") << 1 << QList<int>{1, 2, 3, 21, 22, 23};
        QTest::newRow("at the right border") << 19 << QList<int>{19, 20, 39, 40};
        QTest::newRow("in the last tile") << 300 << QList<int>{300};
    }
    void clippedAtTheEdge() {
        QFETCH(int, topLeft);
        QFETCH(QList<int>, tiles);
        QList<int> placed;
        for (const auto& entry : marked().placedAt(topLeft))
            placed << entry.first;
        QCOMPARE(placed, tiles);
        QCOMPARE(marked().fitsAt(topLeft), tiles.size() == 6);
        QCOMPARE(marked().placedAt(topLeft).front().second, *marked().cell(0, 0));
    }
};

QTEST_GUILESS_MAIN(TestTileBlock)
#include "tst_tileblock.moc"
