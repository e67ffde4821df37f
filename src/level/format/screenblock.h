#pragma once

#include "level/core/fieldvalue.h"
#include "level/core/numbers.h"

#include <QByteArrayView>

#include <array>
#include <cstring>

namespace tavrin {

// What a save needs of a screen's block to copy it instead of loading the screen and writing it again,
// and what the JSON export needs to write it from its bytes.
struct CopyableBlock {
    qsizetype tileBytes = 0; // the 300 tile records take the bytes up to here
    Integer links[10] = {};  // the side links 2..9 that loading the block gives
    Integer info[12] = {};   // fields 2..11 of the "ScreenInfo" record
    // The eight side records are those that the links are written as: each link followed by nine zeros.
    bool sidesAsWritten = false;
    // The "ScreenInfo" record is the one the links are written as too: the links, then two zeros.
    bool infoAsWritten = false;

    // The link records are written from the links byte for byte, so the whole block may be copied.
    bool verbatim() const { return sidesAsWritten && infoAsWritten; }
};

// True when `bytes` hold screen `screen`'s block as the editor writes it: the 300 tile records in order,
// numbers in their shortest form, then the "ScreenInfo" record and the eight side records, and nothing
// else. Loading such tile records and writing them again gives the same bytes; the link records are
// written again from `links`, since loading takes the links from the side records alone.
//
// Such a block names pictures only by file or by the boxes that never change while a level is saved
// (0, 997 and 999); a block naming another box is not taken.
bool ScanCopyableBlock(QByteArrayView bytes, Integer screen, CopyableBlock* block);
// Where each field of a block's 300 tile records ends, counted from the block's start: twelve a tile.
using BlockFieldEnds = std::array<quint32, 300 * 12>;

// The four direction properties of each of a block's 300 tile records, tile by tile.
using BlockDirections = std::array<Integer, 300 * 4>;

// The same test on the block that `bytes` begin with: the length of that block, or -1 when they begin
// with no such block (or with only a part of one). With `fieldEnds`, where the fields of its tile
// records end goes there too, and with `directions` its tiles' direction properties.
qsizetype ScanCopyableBlockAt(QByteArrayView bytes, Integer screen, CopyableBlock* block,
                              BlockFieldEnds* fieldEnds = nullptr, BlockDirections* directions = nullptr);
// The same, its tile records read field by field alone: what the quicker reading of the tile records that
// ScanCopyableBlockAt takes on a processor with AVX-512 is held to.
qsizetype ScanCopyableBlockAtCarefully(QByteArrayView bytes, Integer screen, CopyableBlock* block,
                                       BlockFieldEnds* fieldEnds = nullptr,
                                       BlockDirections* directions = nullptr);

// The same test on the nine link records that end such a block of `screen` ("ScreenInfo", then the eight
// side records): their length, or -1. Fills `block` but for its tileBytes.
qsizetype ScanLinkRecordsAt(QByteArrayView bytes, Integer screen, CopyableBlock* block);

// The fields of each tile record of a block that ScanCopyableBlockAt took with its field ends, with where
// it begins in the file: `tile(index, fields, begin)` for tiles 1 to 300, each field as it stands (a text in
// its quotes).
template <typename Tile>
void ForEachBlockTile(QByteArrayView bytes, const BlockFieldEnds& ends, qint64 begin, Tile tile) {
    std::array<QByteArrayView, 12> fields;
    const char* const data = bytes.data();
    quint32 from = 0;
    for (int index = 1; index <= 300; ++index) {
        const quint32* const end = ends.data() + (index - 1) * 12;
        const quint32 record = from;
        for (size_t i = 0; i < 12; ++i) {
            fields[i] = QByteArrayView(data + from, qsizetype(end[i] - from));
            from = end[i] + 1; // past the comma
        }
        ++from; // and the LF after the last field's CR
        tile(Integer(index), fields, begin + record);
    }
}

// The screen n whose block `bytes` may begin with: they start with the key "Screen<n>" and the tile
// number 1 as the editor writes them, n 0 to 32767. -1 for any other bytes. At most the first 16 bytes
// are looked at.
int ScreenOfBlockStart(QByteArrayView bytes);

// The fields of a record as the editor writes it (no blanks, a CR LF line end), each with its quotes, into
// `fields`: the bytes after its line end, or nullptr when the bytes up to `end` do not hold such a record
// (a text whose closing quote is missing, fewer or more fields, no line end). The JSON export splits the
// tile records of a block that ScanCopyableBlock took with it.
// A field of a tile record that SplitRecord took from a block that ScanCopyableBlock took, as the block
// holds it: nothing, a whole number in its shortest form, or a text in its quotes.
FieldValue BlockFieldValue(QByteArrayView field);
// The whole number such a field holds; most are one digit.
qint64 ReadBlockFieldNumber(QByteArrayView field);
inline qint64 BlockFieldNumber(QByteArrayView field) {
    return field.size() == 1 ? field.front() - '0' : ReadBlockFieldNumber(field);
}
// The characters of such a text field, inside its quotes.
inline QByteArrayView BlockFieldText(QByteArrayView field) {
    return field.sliced(1).chopped(1);
}

// Past the quoted text that starts at `p` (its opening quote), to the byte after its closing quote:
// nullptr when no closing quote comes before `end`.
inline const char* PassQuotedText(const char* p, const char* end) {
    p = static_cast<const char*>(std::memchr(p + 1, '"', size_t(end - p - 1)));
    return p ? p + 1 : nullptr;
}

template <size_t N>
const char* SplitRecord(const char* p, const char* end, std::array<QByteArrayView, N>& fields) {
    for (size_t i = 0; i < N; ++i) {
        const char* const begin = p;
        if (p < end && *p == '"' && !(p = PassQuotedText(p, end)))
            return nullptr;
        while (p < end && *p != ',' && *p != '\r')
            ++p;
        if (p == end || (*p == ',') == (i + 1 == N))
            return nullptr; // the record ends before its last field, or goes on after it
        fields[i] = QByteArrayView(begin, p - begin);
        if (*p == ',') {
            ++p;
        } else {
            if (end - p < 2 || p[1] != '\n')
                return nullptr;
            p += 2;
        }
    }
    return p;
}

} // namespace tavrin
