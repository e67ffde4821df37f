#include "level/document/screen.h"

#include "level/core/boxes.h"
#include "level/core/colour.h"

#include <QBuffer>

namespace tavrin {

namespace {
const QString ScreenInfoKey = QStringLiteral("ScreenInfo");

const char* const TileFieldNames[12] = {"key",           "tile number", "colour",         "picture",
                                        "left property", "up property", "right property", "down property",
                                        "left operand",  "up operand",  "right operand",  "down operand"};
const char* const LevelPropFieldNames[12] = {"key",         "level name", "author",     "date made",
                                             "description", "comments",   "start tile", "last screen",
                                             "filler",      "filler",     "filler",     "filler"};
const char* const SideFieldNames[12] = {"key",    "side",   "link",   "filler", "filler", "filler",
                                        "filler", "filler", "filler", "filler", "filler", "filler"};
} // namespace

std::optional<Integer> LandingTile(const FieldValue& operand) {
    if (!operand.isNumeric())
        return std::nullopt;
    const double landing = operand.toNumber();
    if (landing < 0.5 || landing >= 300.5)
        return std::nullopt;
    return ToInteger(landing);
}

std::optional<Integer> TileOfRecord(const Record& record) {
    if (!record[1].isNumeric())
        return std::nullopt;
    const Integer tile = InField(1, [&] { return record[1].toInteger(); });
    if (!TileArray<FieldValue>::inRange(tile))
        throw FieldFault{1, Failure(ErrSubscript)};
    InField(2, [&] { return record[2].toLong(); });
    if (record[3].isNumeric()) {
        const Integer box = InField(3, [&] { return record[3].toInteger(); });
        if (!IsTileBox(box))
            throw FieldFault{3, Failure(ErrNoSuchControl)};
    }
    for (int field = 4; field <= 7; ++field)
        InField(field, [&] { return record[field].toInteger(); });
    return tile;
}

const char* FieldNameOf(const Record& record, int field) {
    if (record[0].isText() && record[0].textValue() == QLatin1String("LevelProp"))
        return LevelPropFieldNames[field];
    return record[1].isText() ? SideFieldNames[field] : TileFieldNames[field];
}

QString ShownValue(const FieldValue& value) {
    if (value.isEmpty())
        return QStringLiteral("nothing");
    QString text = value.toText();
    if (text.size() > 40)
        text = text.left(40) + QStringLiteral("...");
    text = PrintableText(std::move(text));
    return value.isText() ? u'"' + text + u'"' : text;
}

QString PrintableText(QString text) {
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        const char16_t c = text[i].unicode();
        if (c < 0x20 || c == 0x7f || (c >= 0x80 && c < 0xa0))
            text.replace(i, 1, QStringLiteral("<U+%1>").arg(int(c), 4, 16, QLatin1Char('0')).toUpper());
    }
    return text;
}

bool TileState::operator==(const TileState& other) const {
    return colour == other.colour && picture == other.picture && directions == other.directions &&
           operands == other.operands;
}

Screen Screen::fresh() {
    Screen screen;
    TileState tile;
    tile.colour = FieldValue::number(SysWindowBackground);
    tile.operands.fill(FieldValue::number(1));
    screen.m_tiles.fill(tile);
    screen.links = freshLinks();
    return screen;
}

SideLinks Screen::freshLinks() {
    SideLinks links = {};
    for (int k = 2; k <= 9; ++k)
        links[size_t(k)] = static_cast<Integer>(k);
    return links;
}

TileState& Screen::tile(int index) {
    return m_tiles(index);
}

const TileState& Screen::tile(int index) const {
    return m_tiles(index);
}

void Screen::applyTileRecord(const Record& record, Integer index) {
    TileState& t = tile(index);
    t.colour = FieldValue::number(record[2].toLong());
    t.picture = record[3];
    for (int d = 0; d < 4; ++d) {
        t.directions[size_t(d)] = record[4 + d].toInteger();
        t.operands[size_t(d)] = record[8 + d];
    }
}

Screen Screen::decode(const QByteArray& block, Integer number) {
    Screen screen = fresh();
    screen.applyBlock(block, number, false);
    return screen;
}

Screen Screen::decode(const QByteArray& block, Integer number, std::optional<Failure>* trouble) {
    Screen screen = fresh();
    try {
        screen.applyBlock(block, number, true);
    } catch (const Failure& failure) {
        *trouble = failure;
    }
    return screen;
}

std::optional<Screen> Screen::decode(const WrittenBlock& block) {
    Screen screen = fresh();
    try {
        for (int t = FirstGridTile; t <= LastGridTile; ++t) {
            TileState& tile = screen.tile(t);
            tile.colour = FieldValue::number(BlockFieldValue(block.field(t, 2)).toLong());
            tile.picture = BlockFieldValue(block.field(t, 3));
            for (int d = 0; d < 4; ++d) {
                tile.directions[size_t(d)] = BlockFieldValue(block.field(t, 4 + d)).toInteger();
                tile.operands[size_t(d)] = BlockFieldValue(block.field(t, 8 + d));
            }
        }
    } catch (const Failure&) {
        return std::nullopt; // read record by record, which meets the same failure
    }
    screen.links = block.links();
    return screen;
}

// With `whole`, every conversion a tile record needs is made before it changes anything.
void Screen::applyBlock(const QByteArray& block, Integer number, bool whole) {
    QByteArray bytes = block;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    RecordReader reader(&buffer);
    const QString key = QStringLiteral("Screen") + QString::number(number);
    while (!reader.atEnd()) {
        const Record record = reader.read();
        if (!record[0].isText() || record[0].textValue() != key)
            continue;
        if (record[1].isNumeric()) {
            if (whole) {
                try {
                    TileOfRecord(record);
                } catch (const FieldFault& fault) {
                    throw fault.failure;
                }
            }
            applyTileRecord(record, record[1].toInteger());
        } else if (record[1].textValue() == ScreenInfoKey) {
            for (int k = 2; k <= 9; ++k)
                links[size_t(k)] = static_cast<Integer>(k);
        } else if (record[1].textValue().startsWith(QStringLiteral("Side"))) {
            const int k = record[1].textValue().mid(4).toInt();
            if (k >= 2 && k <= 9)
                links[size_t(k)] = record[2].toInteger();
        }
    }
}

QByteArray Screen::encode(Integer number) const {
    const QString keyText = QStringLiteral("Screen") + QString::number(number);
    const FieldValue key = FieldValue::text(keyText);
    QByteArray block;
    block.reserve(309 * 64);
    for (int i = FirstGridTile; i <= LastGridTile; ++i) {
        const TileState& t = tile(i);
        block +=
            RecordWriter::Encode({key, FieldValue::number(i), t.colour, t.picture,
                                  FieldValue::number(t.directions[0]), FieldValue::number(t.directions[1]),
                                  FieldValue::number(t.directions[2]), FieldValue::number(t.directions[3]),
                                  t.operands[0], t.operands[1], t.operands[2], t.operands[3]});
    }
    block += encodeLinks(number, links);
    return block;
}

QByteArray Screen::encodeLinks(Integer number, const SideLinks& links) {
    return EncodeLinkRecords(number, links);
}

} // namespace tavrin
