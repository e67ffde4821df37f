#pragma once

#include "level/core/failure.h"
#include "level/core/fieldvalue.h"
#include "level/core/tilearrays.h"
#include "level/format/levelkeys.h"
#include "level/format/record.h"
#include "level/format/writtenblock.h"

#include <QByteArray>
#include <array>
#include <optional>

namespace tavrin {

// One tile of a screen: its colour, its picture reference, and its four direction properties and
// operands, in the order left, up, right, down. The colour and the operands keep their kind as read.
struct TileState {
    FieldValue colour;
    FieldValue picture;
    std::array<Integer, 4> directions = {};
    std::array<FieldValue, 4> operands;

    bool operator==(const TileState& other) const;
    bool operator!=(const TileState& other) const { return !(*this == other); }
};

// A direction property of 2..9 is an exit through that side link.
constexpr bool IsExit(Integer property) {
    return property >= 2 && property <= 9;
}

// The tile an exit lands on: its operand as a tile of the grid, or none when the operand is no number or
// names no tile 1..300, and the walk refuses the step.
std::optional<Integer> LandingTile(const FieldValue& operand);

// A conversion that failed in field `field` (counted from 0) of a record.
struct FieldFault {
    int field;
    Failure failure;
};

// Makes the conversion `convert` of field `field`; its failure becomes a FieldFault.
template <typename Convert> auto InField(int field, Convert convert) {
    try {
        return convert();
    } catch (const Failure& failure) {
        throw FieldFault{field, failure};
    }
}

// The tile number of a tile record, once every conversion that loading the record makes has been made;
// none when the record's second field is not numeric, so that it is no tile record. A failed conversion
// throws FieldFault: a tile number outside 0..300 is failure 9, a picture box that does not exist 340.
std::optional<Integer> TileOfRecord(const Record& record);

// The name of a field of a tile, side or "LevelProp" record, as messages name it ("colour", "start tile").
const char* FieldNameOf(const Record& record, int field);
// A field as a message shows it: a text in quotes, at most 40 characters of it; empty as "nothing". Control
// characters are shown as PrintableText shows them.
QString ShownValue(const FieldValue& value);
// `text` with each control character (a NUL, a line end, an escape...) written as "<U+0000>", so that what
// is printed never carries one to a terminal or into a line of its own.
QString PrintableText(QString text);

// The side links of a screen; entries 2..9 are used.
using SideLinks = BlockLinks;

// One screen of a level as a value: its 300 tiles and its eight side links, and the 309 records that
// hold it in a scratch or level file.
class Screen {
public:
    // A screen as the editor starts with it: the window colour, no picture, every direction 0, every
    // operand 1, and side link k leading to screen k.
    static Screen fresh();
    // Side link k leading to screen k, as a fresh screen has them.
    static SideLinks freshLinks();
    // The screen from the records of its block; records of other screens are passed over. A field that
    // does not convert is the failure of that conversion.
    static Screen decode(const QByteArray& block, Integer number);
    // The same as far as the records read: a record that does not read or convert stops the reading there,
    // `trouble` gets why, and the records before it stay applied (a tile record whole or not at all).
    static Screen decode(const QByteArray& block, Integer number, std::optional<Failure>* trouble);
    // The screen straight from the bytes of a block as the editor writes it, every tile and link of it, at
    // a fraction of the work of reading its records; none when a field does not convert.
    static std::optional<Screen> decode(const WrittenBlock& block);

    // Tiles 1..300; any other index is failure 9.
    TileState& tile(int index);
    const TileState& tile(int index) const;

    SideLinks links = {};

    // The screen's block, keyed "Screen<number>": the 300 tile records in order, then "ScreenInfo" and
    // the eight side records.
    QByteArray encode(Integer number) const;
    // The "ScreenInfo" record and the side records Side2 .. Side9 of a block.
    static QByteArray encodeLinks(Integer number, const SideLinks& links);

    // A tile record already checked: the colour as it is shown, the other fields as they stand.
    void applyTileRecord(const Record& record, Integer tile);

    bool operator==(const Screen& other) const { return m_tiles == other.m_tiles && links == other.links; }
    bool operator!=(const Screen& other) const { return !(*this == other); }

private:
    void applyBlock(const QByteArray& block, Integer number, bool whole);
    CheckedArray<TileState, FirstGridTile, LastGridTile> m_tiles;
};

} // namespace tavrin
