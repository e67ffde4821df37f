#pragma once

#include "level/tools/leveljson_shared.h"

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <cstring>

namespace tavrin::leveljson {

// Reads a tile's object as export writes it, blanks between its parts aside, from the bytes it stands in:
// most of a level's JSON is such objects, and reading them token by token takes most of an import.
class TileScanner {
public:
    explicit TileScanner(QByteArrayView json)
        : m_begin(json.data()), p(json.data()), end(json.data() + json.size()) {}

    // The object the bytes begin with: its fields 2 to 11 as a level file holds them (without a line end)
    // appended to `record`, and its length. 0, with nothing appended, for what the careful reading must
    // take: a number in another form than the shortest, a string with escapes other than "\\" or with
    // characters outside ASCII, other keys or another order, an object that goes on past the bytes.
    qsizetype scan(QByteArray& record);

private:
    // The object with the very blanks export writes, its parts compared as a whole.
    bool asWritten(std::array<QByteArrayView, 10>& fields);
    bool exactly(QByteArrayView text);
    // The object with any blanks between its parts.
    bool anyBlanks(std::array<QByteArrayView, 10>& fields);
    void blanks();
    bool literal(char c);
    template <size_t N> bool key(const char (&name)[N]);
    template <size_t N>
    bool direction(const char (&name)[N], QByteArrayView* property, QByteArrayView* operand);
    // null, a whole number in its shortest form of up to 15 digits, or a string of printable ASCII
    // characters and escaped backslashes, as it stands.
    bool value(QByteArrayView* field);

    const char* const m_begin;
    const char* p;
    const char* const end;
};

} // namespace tavrin::leveljson
