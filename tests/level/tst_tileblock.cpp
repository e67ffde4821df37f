// Blocks of tiles on the clipboard: copied in one document and pasted in another with every field as it
// was, tile records of a level file pasted, texts that are no tiles refused, flips and turns that take
// the directions along, and a block placed at the grid's edge.
#include "directions.h"
#include "leveldocument.h"
#include "levelfixture.h"
#include "tileblock.h"

#include <QMimeData>
#include <QtTest>

using namespace tavrin;

Q_DECLARE_METATYPE(tavrin::FieldValue)

namespace {

// Each tile of `placed` stored in `document` as one step, as a paste does.
void paste(LevelDocument& document, const std::vector<std::pair<int, TileState>>& placed) {
    document.beginStroke(QStringLiteral("Paste"));
    for (const auto& [tile, state] : placed)
        document.editTile(tile, state);
    document.endStroke();
}

TileState tileWith(Long colour, const std::array<Integer, 4>& directions,
                   const std::array<FieldValue, 4>& operands) {
    TileState tile;
    tile.colour = FieldValue::number(colour);
    tile.picture = FieldValue::number(0);
    tile.directions = directions;
    tile.operands = operands;
    return tile;
}

QList<int> tilesOf(const std::vector<std::pair<int, TileState>>& placed) {
    QList<int> tiles;
    for (const auto& entry : placed)
        tiles << entry.first;
    return tiles;
}

// A block of 3 x 2 tiles whose top-left tile has four different sides.
TileBlock marked() {
    Screen screen = Screen::fresh();
    screen.tile(21) = tileWith(
        7, {1, 2, 3, 4},
        {FieldValue::text("L"), FieldValue::number(20), FieldValue::text("R"), FieldValue::number(40)});
    return TileBlock::take(screen, {21, 22, 23, 41, 42, 43});
}

} // namespace

class TestTileBlock : public QObject {
    Q_OBJECT
private slots:
    // Copied in one document and pasted in another through the clipboard's data, a tile keeps each field
    // and its kind; the paste is one step, and tiles outside the block stay as they were.
    void roundTripBetweenDocuments_data() {
        QTest::addColumn<FieldValue>("picture");
        QTest::addColumn<FieldValue>("operand");
        QTest::newRow("file picture, text operand")
            << FieldValue::text("\\tree.bmp") << FieldValue::text("60");
        QTest::newRow("numbered box, number operand") << FieldValue::number(997) << FieldValue::number(121);
        QTest::newRow("no picture, empty operand") << FieldValue() << FieldValue();
        QTest::newRow("picture number as text, long number")
            << FieldValue::text("42") << FieldValue::readNumber(12345678901234567.0, "12345678901234567");
    }
    void roundTripBetweenDocuments() {
        QFETCH(FieldValue, picture);
        QFETCH(FieldValue, operand);
        LevelFixture from;
        LevelFixture to;
        TileState tile = tileWith(SysWindowBackground, {0, 3, 1, 9},
                                  {operand, FieldValue::number(1), operand, FieldValue::text("x")});
        tile.picture = picture;
        from.document->editTile(45, tile);
        from.paintColour(46, 255);
        const std::vector<int> tiles = {45, 46, 66};
        const TileBlock block = TileBlock::take(from.module->ScreenOnDisplay(), tiles);

        const std::unique_ptr<QMimeData> data(block.toMimeData(0));
        QVERIFY(data->hasFormat(TileBlockMimeType));
        QCOMPARE(data->text().toLatin1(), data->data(TileBlockMimeType));
        const TileBlock pasted = TileBlock::fromMimeData(*data);
        QCOMPARE(pasted, block);

        const Screen before = to.module->ScreenOnDisplay();
        const int steps = to.document->undoStack().count();
        paste(*to.document, pasted.placedAt(pasted.origin()));
        QCOMPARE(to.document->undoStack().count(), steps + 1);
        for (int t = FirstGridTile; t <= LastGridTile; ++t) {
            const bool copied = std::find(tiles.begin(), tiles.end(), t) != tiles.end();
            QCOMPARE(to.document->tile(t), copied ? from.document->tile(t) : before.tile(t));
        }
        const TileState arrived = to.document->tile(45);
        QCOMPARE(arrived.picture.kind(), picture.kind());
        QCOMPARE(arrived.operands[0].kind(), operand.kind());
        QCOMPARE(arrived.operands[0].toText(), operand.toText());
        QCOMPARE(arrived.operands[3].kind(), FieldValue::Kind::Text);
        to.document->undo();
        QCOMPARE(to.module->ScreenOnDisplay(), before);
    }

    // Lines of a level file pasted as text: the tiles they name, at their places, with what loading the
    // file gives them; the screen's "ScreenInfo" and side records are passed over.
    void recordsOfALevelFile_data() {
        QTest::addColumn<QList<int>>("tiles");
        QTest::addColumn<bool>("withLinks");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::newRow("two lines") << QList<int>{10, 11} << false << 2 << 1;
        QTest::newRow("a corner with a hole, out of order") << QList<int>{31, 10, 11} << false << 2 << 2;
        QTest::newRow("the whole screen block") << QList<int>() << true << GridColumns << GridRows;
    }
    void recordsOfALevelFile() {
        QFETCH(QList<int>, tiles);
        QFETCH(bool, withLinks);
        QFETCH(int, columns);
        QFETCH(int, rows);
        LevelFixture f;
        QFile file(QStringLiteral(TAVRIN_SOURCE_DIR "/data/PelmarLevel.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray level = file.readAll();
        const QList<QByteArray> lines = level.split('\n');
        f.load("PelmarLevel.txt", level);
        QByteArray text;
        if (tiles.isEmpty()) {
            for (int t = FirstGridTile; t <= LastGridTile; ++t)
                tiles << t;
        }
        for (const int t : tiles)
            text += lines[t - 1] + '\n';
        if (withLinks)
            for (int line = 300; line < 309; ++line)
                text += lines[line] + '\n';

        const TileBlock block = TileBlock::fromRecords(text);
        QCOMPARE(block.columns(), columns);
        QCOMPARE(block.rows(), rows);
        QCOMPARE(block.tileCount(), int(tiles.size()));
        for (const auto& [tile, state] : block.placedAt(block.origin())) {
            QVERIFY(tiles.contains(tile));
            QCOMPARE(state, f.module->TileOnDisplay(tile));
        }
    }

    // What is no copy of tiles is refused whole with a sentence that says why, never half read.
    void refused_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("why");
        const QByteArray tile = "\"Screen0\",5,255,0,0,0,0,0,1,1,1,1\r\n";
        QTest::newRow("longer than 1 MB") << QByteArray(MaxBlockTextBytes + 1, ' ') << "longer than";
        QTest::newRow("more records than a screen") << tile.repeated(MaxBlockRecords + 1) << "more than 320";
        QTest::newRow("prose") << QByteArray("Hello, world.\n") << "line 1 of the text is no record";
        QTest::newRow("the level properties")
            << QByteArray("\"LevelProp\",\"a\",\"b\",\"c\",\"d\",\"e\",1,0,0,0,0,0\r\n")
            << "no record of a screen";
        QTest::newRow("two screens") << tile + "\"Screen1\",5,255,0,0,0,0,0,1,1,1,1\r\n"
                                     << "screens 0 and 1";
        QTest::newRow("a word for a colour") << tile + "\"Screen0\",6,green,0,0,0,0,0,1,1,1,1\r\n"
                                             << "line 2 of the text, field 3 (colour)";
        QTest::newRow("a direction too large")
            << QByteArray("\"Screen0\",6,1,0,99999,0,0,0,1,1,1,1\r\n") << "field 5 (left property)";
        QTest::newRow("tile 0") << QByteArray("\"Screen0\",0,1,0,0,0,0,0,1,1,1,1\r\n") << "tile 0";
        QTest::newRow("tile 301") << QByteArray("\"Screen0\",301,1,0,0,0,0,0,1,1,1,1\r\n") << "field 2";
        QTest::newRow("links only") << LinkRecords(0) << "no tile records";
        QTest::newRow("nothing") << QByteArray("\r\n\r\n") << "no tile records";
    }
    void refused() {
        QFETCH(QByteArray, text);
        QFETCH(QString, why);
        QMimeData data;
        data.setText(QString::fromLatin1(text));
        for (const auto& read : std::vector<std::function<void()>>{[&] { TileBlock::fromRecords(text); },
                                                                   [&] { TileBlock::fromMimeData(data); }}) {
            try {
                read();
                QFAIL("refused text was read");
            } catch (const Failure& failure) {
                QCOMPARE(failure.code(), int(ErrInvalidFormat));
                QVERIFY2(failure.description().startsWith("Nothing pasted: ") &&
                             failure.description().contains(why),
                         qPrintable(failure.description()));
            }
        }
    }

    void refusedClipboards_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("why");
        QTest::newRow("no text") << QString() << "no tiles";
        QTest::newRow("a character no level file holds")
            << QStringLiteral("\"Screen0\",5,255,\"\u263A\",0,0,0,0,1,1,1,1\r\n") << "no level file holds";
        QTest::newRow("a long text") << QString(MaxBlockTextBytes + 1, u'\u263A') << "longer than";
    }
    void refusedClipboards() {
        QFETCH(QString, text);
        QFETCH(QString, why);
        QMimeData data;
        if (!text.isNull())
            data.setText(text);
        else
            data.setData("image/png", "not tiles");
        try {
            TileBlock::fromMimeData(data);
            QFAIL("refused clipboard was read");
        } catch (const Failure& failure) {
            QVERIFY2(failure.description().contains(why), qPrintable(failure.description()));
        }
    }

    // The marked tile moves to its mirrored or turned place, and its sides turn with it: each operand
    // stays with its direction, values unchanged.
    void transforms_data() {
        QTest::addColumn<int>("transform"); // 0 flip horizontally, 1 vertically, 2 turn clockwise
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("row");
        QTest::addColumn<QList<int>>("directions");
        QTest::addColumn<QStringList>("operands");
        QTest::newRow("flip horizontally")
            << 0 << 3 << 2 << 0 << QList<int>{3, 2, 1, 4} << QStringList{"R", "20", "L", "40"};
        QTest::newRow("flip vertically")
            << 1 << 3 << 0 << 1 << QList<int>{1, 4, 3, 2} << QStringList{"L", "40", "R", "20"};
        QTest::newRow("turn clockwise")
            << 2 << 2 << 1 << 0 << QList<int>{4, 1, 2, 3} << QStringList{"40", "L", "20", "R"};
    }
    void transforms() {
        QFETCH(int, transform);
        QFETCH(int, columns);
        QFETCH(int, column);
        QFETCH(int, row);
        QFETCH(QList<int>, directions);
        QFETCH(QStringList, operands);
        const TileBlock block = marked();
        const auto turn = [transform](const TileBlock& b) {
            return transform == 0   ? b.flippedHorizontally()
                   : transform == 1 ? b.flippedVertically()
                                    : b.rotatedClockwise();
        };
        const TileBlock turned = turn(block);
        QCOMPARE(turned.columns(), columns);
        QCOMPARE(turned.tileCount(), block.tileCount());
        const std::optional<TileState>& tile = turned.cell(column, row);
        QVERIFY(tile);
        for (size_t s = 0; s < 4; ++s) {
            QCOMPARE(tile->directions[s], Integer(directions[int(s)]));
            QCOMPARE(tile->operands[s].toText(), operands[int(s)]);
        }
        TileBlock back = turned;
        for (int again = transform == 2 ? 3 : 1; again > 0; --again)
            back = turn(back);
        QCOMPARE(back, block);
    }

    // A block placed near the right or bottom border loses the cells beyond it, and says it does not fit.
    void clippedAtTheEdge_data() {
        QTest::addColumn<int>("topLeft");
        QTest::addColumn<bool>("fits");
        QTest::addColumn<QList<int>>("tiles");
        QTest::newRow("inside") << 1 << true << QList<int>{1, 2, 3, 21, 22, 23};
        QTest::newRow("at the right border") << 19 << false << QList<int>{19, 20, 39, 40};
        QTest::newRow("in the bottom row") << 282 << false << QList<int>{282, 283, 284};
        QTest::newRow("in the last tile") << 300 << false << QList<int>{300};
    }
    void clippedAtTheEdge() {
        QFETCH(int, topLeft);
        QFETCH(bool, fits);
        QFETCH(QList<int>, tiles);
        const TileBlock block = marked();
        QCOMPARE(block.fitsAt(topLeft), fits);
        const std::vector<std::pair<int, TileState>> placed = block.placedAt(topLeft);
        QCOMPARE(tilesOf(placed), tiles);
        QCOMPARE(placed.front().second, *block.cell(0, 0));
    }

    // Exits whose link leads beyond the last screen or whose operand names no tile are told apart from
    // those that lead somewhere, and from walls.
    void oddExits() {
        SideLinks links = Screen::freshLinks();
        links[4] = 1;
        const std::vector<std::pair<int, TileState>> placed = {
            {1,
             tileWith(0, {0, 0, 4, 0}, {FieldValue(), FieldValue(), FieldValue::number(21), FieldValue()})},
            {2,
             tileWith(0, {0, 0, 5, 1}, {FieldValue(), FieldValue(), FieldValue::number(21), FieldValue()})},
            {3,
             tileWith(0, {4, 0, 0, 0}, {FieldValue::number(301), FieldValue(), FieldValue(), FieldValue()})},
            {4, tileWith(0, {4, 0, 0, 0}, {FieldValue::text("x"), FieldValue(), FieldValue(), FieldValue()})},
            {5, tileWith(0, {1, 1, 1, 1}, {FieldValue(), FieldValue(), FieldValue(), FieldValue()})},
        };
        QCOMPARE(TilesWithOddExits(placed, links, 1), (std::vector<int>{2, 3, 4}));
        QCOMPARE(TilesWithOddExits(placed, links, 5), (std::vector<int>{3, 4}));
    }

    // A cut tile is as a blank screen has it; its operands are left as they were.
    void blankedTile() {
        const TileState tile = BlankedTile(*marked().cell(0, 0), 255);
        QCOMPARE(tile.colour, FieldValue::number(255));
        QCOMPARE(tile.picture, FieldValue::number(0));
        QCOMPARE(tile.directions, (std::array<Integer, 4>{}));
        QCOMPARE(tile.operands, marked().cell(0, 0)->operands);
    }
};

QTEST_GUILESS_MAIN(TestTileBlock)
#include "tst_tileblock.moc"
