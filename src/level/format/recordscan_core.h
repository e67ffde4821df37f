#pragma once

// The record finder shared by the scan kinds. Each kind's source file includes this header with its own
// block loader and is compiled for its own instruction set, so everything here has internal linkage: a
// copy built for AVX2 must never stand in for the one an older processor runs.

#include <QtGlobal>
#include <cstddef>

namespace tavrin {

// One record found: offsets in the buffer.
struct FoundRecord {
    size_t begin;
    size_t end;
    size_t keyBegin;
    size_t keyEnd;
    bool keyQuoted;
};

enum class FindStop {
    NeedMore, // the next record (or the blanks before it) runs to the end of the bytes
    Full,     // the room for records is used up
    Unusual,  // the next record is one the fast scan does not take
};

// The bytes a buffer holds beyond its size, so that a block load may run past the end.
constexpr size_t BlockPadding = 64;

// Records longer than this are left to the careful scan, so no field can exceed the longest allowed.
constexpr size_t LongestFastRecord = 64 * 1024;

// The finder of each kind, for the bytes of a buffer; the x86-64 ones exist only there.
size_t FindRecordsSse2(const char* data, size_t size, size_t* pos, FoundRecord* out, size_t room,
                       FindStop* stop);
size_t FindRecordsAvx2(const char* data, size_t size, size_t* pos, FoundRecord* out, size_t room,
                       FindStop* stop);

namespace {

// The bytes of one 64-byte block as bit masks: bit i stands for byte i.
struct BlockMasks {
    quint64 quote;
    quint64 delimiter; // comma, CR or LF
    quint64 cr;
    quint64 lf;
};

inline int lowestBit(quint64 x) {
    return __builtin_ctzll(x);
}
inline int bitCount(quint64 x) {
    return __builtin_popcountll(x);
}

// Bit i is the XOR of bits 0..i: set from an opening quote up to the byte before its closing quote.
inline quint64 prefixXor(quint64 x) {
    x ^= x << 1;
    x ^= x << 2;
    x ^= x << 4;
    x ^= x << 8;
    x ^= x << 16;
    x ^= x << 32;
    return x;
}

// For each byte value and rank r, the position of its r-th set bit (from 0), or 8.
struct BitsOfBytes {
    unsigned char position[8][256];
};
constexpr BitsOfBytes MakeBitsOfBytes() {
    BitsOfBytes table{};
    for (int byte = 0; byte < 256; ++byte) {
        int rank = 0;
        for (int bit = 0; bit < 8; ++bit)
            if (byte & (1 << bit))
                table.position[rank++][byte] = static_cast<unsigned char>(bit);
        for (; rank < 8; ++rank)
            table.position[rank][byte] = 8;
    }
    return table;
}
constexpr BitsOfBytes BitsOfByte = MakeBitsOfBytes();

// The position of the set bit of `x` with `rank` set bits below it; x has more than `rank` set bits.
// Broadword: the set bits of every byte are counted at once, and the byte holding it found by comparing
// the running counts with the rank, byte by byte in parallel.
inline int selectBit(quint64 x, int rank) {
    constexpr quint64 ones = 0x0101010101010101;
    quint64 counts = x - ((x >> 1) & 0x5555555555555555);
    counts = (counts & 0x3333333333333333) + ((counts >> 2) & 0x3333333333333333);
    counts = (counts + (counts >> 4)) & 0x0F0F0F0F0F0F0F0F;
    const quint64 running = counts * ones; // byte i: the set bits of bytes 0..i
    // Byte i gets its top bit when the running count up to it is at most the rank.
    const quint64 atMost = ((quint64(rank) * ones | (0x80 * ones)) - running) & (0x80 * ones);
    const int place = bitCount(atMost) * 8;
    const int below = place == 0 ? 0 : int((running >> (place - 8)) & 0xFF);
    return place + BitsOfByte.position[rank - below][(x >> place) & 0xFF];
}

inline bool isDelimiterByte(char c) {
    return c == ',' || c == '\r' || c == '\n';
}
inline bool isBetweenRecords(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

inline quint64 bitsFrom(size_t bit) {
    return bit >= 64 ? 0 : ~quint64(0) << bit;
}

// Finds records from *pos on (a record start, or blanks and line ends before one) until the bytes end,
// `room` records are found, or a record is one the fast scan does not take; *pos is left at the start of
// the record where it stopped. `data` holds BlockPadding bytes past `size`.
//
// The bytes are taken 64 at a time as bit masks. A quote opens a text only at the start of a field and
// closes it at the next quote, so quote parity tells what lies inside quotes as long as every opening
// quote directly follows a delimiter (or starts the record) and every closing quote directly precedes one.
// A record is taken only when all its quotes are so; then each of its quotes opens or closes a text here
// exactly when the careful scan says so, quote after quote, and the record ends outside quotes, where the
// next one starts. Anything else (blanks before a quote inside a record, text after a closing quote, a
// quote inside a field) is Unusual, and so is a record of LongestFastRecord bytes or more.
template <BlockMasks (*Load)(const char*)>
inline size_t findRecords(const char* data, size_t size, size_t* pos, FoundRecord* out, size_t room,
                          FindStop* stop) {
    size_t count = 0;
    size_t start = *pos; // where the record being looked for starts
    int fields = 0;      // its delimiters found in earlier blocks
    size_t firstDelimiter = 0;
    size_t block = 0;
    quint64 insideBefore = 0;    // all ones when the byte before the block lies inside quotes
    quint64 crBefore = 0;        // bit 0: the byte before the block is a CR outside quotes
    quint64 delimiterBefore = 0; // bit 0: the byte before the block is a delimiter
    bool fresh = true;           // the next block starts at `start`, outside quotes
    for (;;) {
        if (fresh) {
            while (start < size && isBetweenRecords(data[start]))
                ++start;
            if (start == size) {
                *stop = FindStop::NeedMore;
                break;
            }
            block = start;
            insideBefore = crBefore = delimiterBefore = 0;
            fields = 0;
            fresh = false;
        }
        if (block > start && block - start >= LongestFastRecord) {
            *stop = FindStop::Unusual;
            break;
        }
        const BlockMasks m = Load(data + block);
        const size_t available = size - block;
        const quint64 valid = available >= 64 ? ~quint64(0) : (quint64(1) << available) - 1;
        const quint64 inside = prefixXor(m.quote) ^ insideBefore;
        const quint64 opening = m.quote & inside;
        const quint64 closing = m.quote & ~inside;
        const quint64 crOutside = m.cr & ~inside;
        // An LF right after a CR ends the same line: one delimiter.
        const quint64 delimiters = m.delimiter & ~inside & ~(m.lf & ((crOutside << 1) | crBefore)) & valid;
        const quint64 delimiterAfter =
            available > 64 && isDelimiterByte(data[block + 64]) ? quint64(1) << 63 : 0;
        // A record's own start may be an opening quote after blanks: each start is let off below.
        quint64 misplaced = ((opening & ~((m.delimiter << 1) | delimiterBefore)) |
                             (closing & ~((m.delimiter >> 1) | delimiterAfter))) &
                            valid;
        size_t from = start > block ? start - block : 0; // the current record's first bit in the block
        if (start >= block)
            misplaced &= ~(quint64(1) << from);
        quint64 remaining = delimiters & bitsFrom(from);
        bool stopped = false;
        for (;;) {
            if (fields == 0 && remaining)
                firstDelimiter = block + size_t(lowestBit(remaining));
            // Most records end at their first line end: the twelfth delimiter when the count up to it says
            // so.
            const quint64 lineEnds = remaining & (m.cr | m.lf);
            int lastBit = lineEnds ? lowestBit(lineEnds) : 64;
            if (lastBit == 64 || fields + bitCount(remaining & ~bitsFrom(size_t(lastBit) + 1)) != 12) {
                if (fields + bitCount(remaining) < 12)
                    break;
                lastBit = selectBit(remaining, 11 - fields);
            }
            if (misplaced & bitsFrom(from) & ~bitsFrom(size_t(lastBit) + 1)) {
                *stop = FindStop::Unusual;
                stopped = true;
                break;
            }
            size_t end = block + size_t(lastBit) + 1;
            if (data[end - 1] == '\r') {
                if (end >= size) {
                    *stop = FindStop::NeedMore; // whether an LF follows is not known yet
                    stopped = true;
                    break;
                }
                if (data[end] == '\n')
                    ++end;
            }
            if (count == room) {
                *stop = FindStop::Full;
                stopped = true;
                break;
            }
            FoundRecord& record = out[count++];
            record.begin = start;
            record.end = end;
            record.keyQuoted = data[start] == '"';
            if (record.keyQuoted) {
                // The closing quote stands right before the first delimiter.
                record.keyBegin = start + 1;
                record.keyEnd = firstDelimiter - 1;
            } else {
                record.keyBegin = start;
                size_t keyEnd = firstDelimiter;
                while (keyEnd > start && (data[keyEnd - 1] == ' ' || data[keyEnd - 1] == '\t'))
                    --keyEnd;
                record.keyEnd = keyEnd;
            }
            start = end;
            fields = 0;
            if (start >= size || isBetweenRecords(data[start])) {
                fresh = true; // blanks or line ends between records: looked at from the next start on
                break;
            }
            if (start >= block + 64)
                break;
            from = start - block;
            misplaced &= ~(quint64(1) << from);
            remaining = delimiters & bitsFrom(from);
        }
        if (stopped)
            break;
        if (fresh)
            continue;
        if (start >= block + 64) {
            // The next record starts in the next block, right after a delimiter, outside quotes.
            block += 64;
            insideBefore = 0;
            crBefore = crOutside >> 63;
            delimiterBefore = m.delimiter >> 63;
            continue;
        }
        // The record goes on past this block.
        if (misplaced & bitsFrom(from)) {
            *stop = FindStop::Unusual;
            break;
        }
        if (available <= 64) {
            *stop = FindStop::NeedMore;
            break;
        }
        fields += bitCount(remaining);
        insideBefore = (inside >> 63) ? ~quint64(0) : 0;
        crBefore = crOutside >> 63;
        delimiterBefore = m.delimiter >> 63;
        block += 64;
    }
    *pos = start;
    return count;
}

} // namespace
} // namespace tavrin
