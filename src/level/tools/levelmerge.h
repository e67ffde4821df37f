#pragma once

#include "level/core/fieldvalue.h"
#include "level/storage/fileaccess.h"

#include <QIODevice>
#include <QString>
#include <optional>
#include <vector>

namespace tavrin {

// A field, or a screen, that both sides changed since the base, each in its own way.
struct MergeConflict {
    // A field that can be set to either side's value, or something larger told in words alone: a screen
    // removed on one side and edited on the other, screens renumbered two ways, records of no screen.
    enum class Kind { Property, Tile, Link, Screen, Screens, Records };
    Kind kind = Kind::Screen;
    QString place; // "screen 3 tile 145 (col 5, row 8) colour", "level name", "screen 4"
    QString ours;  // the values as the line shows them: "255 (#FF0000)", "\"Vale\"", "removed"
    QString theirs;
    QString base;

    // Of a field: the screen (of a screen too), the tile 1..300 or the side link 2..9, the field of the
    // tile record (2..11) or of the "LevelProp" record (1..6), and the values; no base value when both
    // sides added the screen.
    int screen = -1;
    int tile = 0;
    int link = 0;
    int field = 0;
    FieldValue oursValue;
    FieldValue theirsValue;
    std::optional<FieldValue> baseValue;

    bool isField() const { return kind == Kind::Property || kind == Kind::Tile || kind == Kind::Link; }
    // "screen 3 tile 145 (col 5, row 8) colour: ours 255 (#FF0000), theirs 65280 (#00FF00), base 0 (#000000)"
    QString line() const;
};

// "tile 145 (col 5, row 8)": grid tile `tile` with its column and row, each counted from 1.
QString TilePlace(int tile);
// A value of field `field` of a tile record as a conflict shows it: a colour also as #RRGGBB.
QString ShownTileValue(int field, const FieldValue& value);

// Whose value a conflict takes in the level written.
enum class MergeSide { Ours, Theirs };

// Merges the changes that the levels `ours` and `theirs` made to the level `base`, field by field, into a
// level file written to `out`: a field changed on one side takes that side's value, one changed the same
// way on both is taken once, and one changed in two ways is a conflict that takes the value of `side`.
// Screens added on one side are added; screens that both sides added under the same number are merged
// field by field with no base. A screen removed on one side goes when the other left it as it was; when
// the other changed it, that is a conflict, settled by `side` too.
//
// A side that renumbered the screens as the editor's Screen menu does (a screen deleted, moved, or two
// swapped), found by FindRenumbering, gives the merged level its numbers: the other side's changes, and
// its side links, are carried to the screens' new numbers. When that cannot be told (both sides
// renumbered in different ways, or one in a way that cannot be told), or the other side edited the screen
// deleted, that is one conflict, and the level of `side` is written whole.
//
// Screens that only one side changed, or that both changed to the same bytes, are written from that
// side's records, copied as they stand when they are as the editor writes them. The level properties come
// last. Failures of reading an input are LevelSource's; the failure of writing `out` is thrown as it is.
std::vector<MergeConflict> MergeLevels(FileAccess& files, const QString& base, const QString& ours,
                                       const QString& theirs, QIODevice* out, MergeSide side);

} // namespace tavrin
