#pragma once

// The quick reading of a block's tile records that ScanCopyableBlockAt takes where the processor has the
// instructions for it: the 64 bytes from a record's start are taken at once as bit masks of their kinds
// (quotes, commas, CRs, digits), and every rule of the field by field reading is checked on the masks
// together. What it does not take is left to the field by field reading.

#include "level/core/numbers.h"

#include <QByteArrayView>

namespace tavrin {

// The key of a screen's tile records, `"Screen<n>",` (at most 16 bytes), as the quick reading compares it.
struct TileRecordKey {
    explicit TileRecordKey(QByteArrayView key);
    quint64 words[2] = {}; // its bytes, then zeros
    quint64 masks[2] = {}; // all ones over its bytes
    int size = 0;          // 0 for a key of more than 16 bytes: no record is taken then
    // Each tile number with the comma after it, as a record holds it, in a word; and how many bytes that is.
    struct TileText {
        quint32 word;
        int size;
    };
    const TileText* tiles; // by tile, 1..300
};

// Reads the tile record of tile `tile` (1..300) that `record` begins with, keyed `key`, when it is one the
// quick reading takes: its length. Where its fields end goes to `ends` (twelve, counted from `base`), its
// direction properties to `directions` (four). 0 when it leaves the record to the field by field reading: a
// record that is not as the editor writes it, and one that it does not take (of 63 bytes or more, with a
// negative number, a CR inside quotes, a picture text that does not start with a backslash, a colour of
// more than 9 digits); nothing is said then of what it wrote. 64 bytes from `record` on must be readable.
using QuickTileRecord = qsizetype (*)(const char* record, const TileRecordKey& key, int tile, quint32 base,
                                      quint32* ends, Integer* directions);

// The quick reading, or none when this processor lacks its instructions (AVX-512 BW).
QuickTileRecord QuickTileRecordReader();

} // namespace tavrin
