#pragma once

// What the JSON export and import of a level share: the layout of a tile's object as export writes it, the
// line ends, and the conversions of numbers and names both take. Only the leveljson_* files include this.

#include "level/format/record.h"
#include "level/storage/fileaccess.h"

#include <QByteArrayView>
#include <QIODevice>
#include <QString>

#include <memory>
#include <optional>

namespace tavrin::leveljson {

constexpr qsizetype ChunkBytes = 1024 * 1024;
constexpr int TilesPerScreen = 300;
constexpr QByteArrayView ByteOrderMark("\xEF\xBB\xBF");

struct LineEnd {
    const char* name;
    QByteArrayView bytes;
};
constexpr LineEnd LineEnds[] = {{"CRLF", "\r\n"}, {"LF", "\n"}, {"CR", "\r"}};

// A tile's object: each field of its record (2 to 11) after the text that comes before it.
struct TilePiece {
    QByteArrayView before;
    int field;
};
constexpr TilePiece TileLayout[10] = {{"{\"colour\": ", 2},   {", \"picture\": ", 3},
                                      {", \"left\": [", 4},   {", ", 8},
                                      {"], \"up\": [", 5},    {", ", 9},
                                      {"], \"right\": [", 6}, {", ", 10},
                                      {"], \"down\": [", 7},  {", ", 11}};
// After the fields of its record, a tile's object holds the fields an engine reads instead: the colour as
// the editor draws it and the picture file's path from the level folder.
constexpr QByteArrayView TileColourRgb = "], \"colourRgb\": ";
constexpr QByteArrayView TilePicturePath = ", \"picturePath\": ";
constexpr QByteArrayView TileEnd = "}";
constexpr QByteArrayView TileSeparator[2] = {",\n      ", "\n      "}; // before a tile, the first

QString NativePath(const QString& path);

// The shape JSON gives numbers: a minus sign, digits without a redundant leading zero, a point and
// digits, an exponent.
bool IsJsonNumber(QByteArrayView text);

// The field that a number written `literal` in JSON reads back as: the value, and the text when the
// field would keep it (as FieldValue::readNumber decides). Nothing when the literal is no finite number.
std::optional<FieldValue> NumberOfLiteral(QByteArrayView literal);

// Opens `path` to read, a failure naming the file.
std::unique_ptr<QIODevice> OpenNamed(FileAccess& files, const QString& path);

} // namespace tavrin::leveljson
