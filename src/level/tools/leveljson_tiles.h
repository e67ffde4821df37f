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

// Defined here, where the import's loop over tiles can take them in: a call a field costs a fifth of an
// import.

inline qsizetype TileScanner::scan(QByteArray& record) {
    std::array<QByteArrayView, 10> fields; // in the order of the record's fields 2 to 11
    if (!asWritten(fields)) {
        p = m_begin;
        if (!anyBlanks(fields))
            return 0;
    }
    // What is written is no longer than what was read.
    const qsizetype start = record.size();
    record.resize(start + (p - m_begin));
    char* out = record.data() + start;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            *out++ = ',';
        const QByteArrayView field = fields[i];
        if (field.front() == 'n') // null
            continue;
        // The only escape taken is that of a backslash.
        for (const char *at = field.data(), *fieldEnd = at + field.size(); at < fieldEnd; ++at) {
            *out++ = *at;
            at += *at == '\\';
        }
    }
    record.resize(out - record.data());
    return p - m_begin;
}

inline bool TileScanner::asWritten(std::array<QByteArrayView, 10>& fields) {
    QByteArrayView engine;
    for (const TilePiece& piece : TileLayout)
        if (!exactly(piece.before) || !value(&fields[size_t(piece.field - 2)]))
            return false;
    return exactly("]}") || (exactly(TileColourRgb) && value(&engine) && exactly(TilePicturePath) &&
                             value(&engine) && exactly(TileEnd));
}

inline bool TileScanner::exactly(QByteArrayView text) {
    if (end - p < text.size() || std::memcmp(p, text.data(), size_t(text.size())) != 0)
        return false;
    p += text.size();
    return true;
}

inline bool TileScanner::anyBlanks(std::array<QByteArrayView, 10>& fields) {
    QByteArrayView engine;
    return literal('{') && key("colour") && value(&fields[0]) && literal(',') && key("picture") &&
           value(&fields[1]) && direction("left", &fields[2], &fields[6]) &&
           direction("up", &fields[3], &fields[7]) && direction("right", &fields[4], &fields[8]) &&
           direction("down", &fields[5], &fields[9]) &&
           (literal('}') || (literal(',') && key("colourRgb") && value(&engine) && literal(',') &&
                             key("picturePath") && value(&engine) && literal('}')));
}

inline void TileScanner::blanks() {
    while (p < end && (*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t'))
        ++p;
}

inline bool TileScanner::literal(char c) {
    blanks();
    if (p == end || *p != c)
        return false;
    ++p;
    return true;
}

template <size_t N> inline bool TileScanner::key(const char (&name)[N]) {
    blanks();
    constexpr qsizetype length = N - 1;
    if (end - p < length + 3 || p[0] != '"' || std::memcmp(p + 1, name, size_t(length)) != 0 ||
        p[length + 1] != '"')
        return false;
    p += length + 2;
    return literal(':');
}

template <size_t N>
inline bool TileScanner::direction(const char (&name)[N], QByteArrayView* property, QByteArrayView* operand) {
    return literal(',') && key(name) && literal('[') && value(property) && literal(',') && value(operand) &&
           literal(']');
}

inline bool TileScanner::value(QByteArrayView* field) {
    blanks();
    const char* const begin = p;
    if (end - p >= 4 && std::memcmp(p, "null", 4) == 0) {
        p += 4;
    } else if (p < end && *p == '"') {
        for (++p; p < end && *p != '"'; ++p) {
            if (*p < 0x20 || *p > 0x7E)
                return false;
            if (*p == '\\' && (++p == end || *p != '\\'))
                return false;
        }
        if (p == end)
            return false;
        ++p;
    } else {
        const bool negative = p < end && *p == '-';
        const char* const digits = negative ? p + 1 : p;
        for (p = digits; p < end && *p >= '0' && *p <= '9';)
            ++p;
        const qsizetype count = p - digits;
        if (count == 0 || count > 15 || (*digits == '0' && (count > 1 || negative)))
            return false;
    }
    *field = QByteArrayView(begin, p - begin);
    return true;
}

} // namespace tavrin::leveljson
