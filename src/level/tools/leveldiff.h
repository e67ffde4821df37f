#pragma once

#include "level/document/module1.h"
#include "level/format/levelindex.h"
#include "level/storage/fileaccess.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace tavrin {

// A level file read a screen at a time through its index, for comparing levels without loading them
// whole: its properties, and the records of each screen as they stand or as a Screen value.
class LevelSource {
public:
    // Indexes `path` and reads its properties. Failure 53 for a missing file, 321 for a file that holds no
    // level record, and the failure of a damaged "LevelProp" record or a file that ends inside a record;
    // each description names the file.
    LevelSource(FileAccess& files, const QString& path);

    const QString& path() const { return m_path; }
    const PropertyValues& properties() const { return m_properties; }
    int lastScreen() const { return m_properties.lastScreen; }
    // Screens 0..lastScreen() are the level's.
    bool has(int screen) const { return screen >= 0 && screen <= lastScreen(); }

    // The records of `screen` as they stand in the file, in file order; empty when it has none.
    QByteArray block(int screen);
    // The screen those records give (fresh when there are none). A record that does not convert is thrown
    // as a failure naming the file and the screen.
    Screen screen(int screen, const QByteArray& block) const;
    // The records that belong to no screen and are not the level properties (a newer game's own data, the
    // designers' "Notes"), as they stand, gathered by key in the order each key first comes: the key as the
    // file writes it (quoted when it is quoted there), and its records each ended with CR LF.
    using OtherRecords = std::vector<std::pair<QString, QByteArray>>;
    OtherRecords otherRecords();

private:
    QString m_path;
    LevelIndex m_index;
    std::unique_ptr<ReadAhead> m_file;
    PropertyValues m_properties;
};

// The fields of a tile record that a tile's state holds: colour (2) .. down operand (11).
constexpr int FirstTileField = 2;
constexpr int LastTileField = 11;
// The fields of the "LevelProp" record that are properties: level name (1) .. last screen (7).
constexpr int FirstPropertyField = 1;
constexpr int LastPropertyField = 7;

// Field `field` of a tile record holding `tile`, as a value; a direction property is a number.
FieldValue TileField(const TileState& tile, int field);
void SetTileField(TileState& tile, int field, const FieldValue& value);
// Field `field` of the "LevelProp" record holding `properties`.
FieldValue PropertyField(const PropertyValues& properties, int field);
void SetPropertyField(PropertyValues& properties, int field, const FieldValue& value);
// The name of a field of a tile record ("colour", "left operand") or of the "LevelProp" record ("author").
QString TileFieldName(int field);
QString PropertyFieldName(int field);

// One difference between two levels.
struct LevelChange {
    enum class Kind { Property, Tile, Link, ScreenAdded, ScreenRemoved, Records };
    Kind kind = Kind::Property;
    int screen = -1;
    int place = 0;     // the tile 1..300 or the side link 2..9
    int field = 0;     // the field of the tile or "LevelProp" record
    FieldValue before; // for Records, the records as text; nothing where there are none
    FieldValue after;
    QString key; // of the records of no screen

    // "level: last screen 4 -> 5", "screen 3 tile 145: colour 255 -> 65280", "screen 3 link 4: 7 -> 9",
    // "screen 9: added", "records \"Notes\": changed".
    QString line() const;
    // The field's name for a property or a tile, "link" for a side link, empty otherwise.
    QString fieldName() const;
};

// The records of `key` in `records`, or null when it has none.
const QByteArray* RecordsOf(const LevelSource::OtherRecords& records, const QString& key);
// The keys of `first` and then those of `second` that `first` has not, each once.
std::vector<QString> KeysOf(const LevelSource::OtherRecords& first, const LevelSource::OtherRecords& second);

// Every difference between the levels `before` and `after` by what they mean: the properties first, then
// each screen in order, its tiles in order and then its side links; a screen that one level has and the
// other not is one change; last the records of no screen, one change a key whose records differ. A value's
// kind is part of it: the text "5" is not the number 5. Screens whose records are the same bytes in both
// files are not read further. Failures as LevelSource's.
std::vector<LevelChange> DiffLevels(FileAccess& files, const QString& before, const QString& after);

// The whole level `path` by what it means, a line at a time to `line`, for a line-by-line comparison (git's
// textconv): each property ("level name: \"Vale\""), then each screen's side links ("screen 3 links: 2 3
// 4 5 6 7 8 9") and each of its tiles with every field ("screen 3 tile 145: colour 255, picture ...").
void ListLevel(FileAccess& files, const QString& path, const std::function<void(const QString&)>& line);

} // namespace tavrin
