// The quick reading of a block's tile records with AVX-512 BW instructions; this file alone is compiled for
// them, and it is taken only on a processor that has them (QuickTileRecordReader).
#include "level/format/screenblock_tiles.h"

#if defined(__AVX512BW__)
#include "level/format/recordscan_core.h" // its helpers, built here for AVX-512 too

#include <cstring>
#include <immintrin.h>

namespace tavrin {

namespace {

// 64 bytes as bit masks: bit i stands for byte i.
struct Masks {
    quint64 quote;
    quint64 comma;
    quint64 cr;
    quint64 digit;
    quint64 zero;
};

Masks LoadMasks(const char* p) {
    const __m512i bytes = _mm512_loadu_si512(p);
    Masks m;
    m.digit = _mm512_cmplt_epu8_mask(_mm512_sub_epi8(bytes, _mm512_set1_epi8('0')), _mm512_set1_epi8(10));
    m.quote = _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8('"'));
    m.comma = _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8(','));
    m.cr = _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8('\r'));
    m.zero = _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8('0'));
    return m;
}

// Bits from..to-1, for 0 <= from <= to <= 63.
quint64 BitsBetween(unsigned from, unsigned to) {
    return (quint64(1) << to) - (quint64(1) << from);
}

qsizetype ReadTileRecord(const char* record, const TileRecordKey& key, int tile, quint32 base, quint32* ends,
                         Integer* directions) {
    // The key and the tile number, each with its comma, as they are written.
    const TileRecordKey::TileText& number = key.tiles[tile];
    quint64 start[2];
    std::memcpy(start, record, 16);
    quint32 tileWord;
    std::memcpy(&tileWord, record + key.size, 4);
    const quint32 tileMask = number.size == 4 ? ~quint32(0) : (quint32(1) << (8 * number.size)) - 1;
    const bool ok = key.size > 0 &&
                    (((start[0] ^ key.words[0]) & key.masks[0]) | ((start[1] ^ key.words[1]) & key.masks[1]) |
                     ((tileWord ^ number.word) & tileMask)) == 0;

    const Masks m = LoadMasks(record);
    const quint64 inside = prefixXor(m.quote);
    if (!ok || m.cr == 0)
        return 0;
    // The first CR, found without waiting for the quotes, so that the next record's reading need not wait
    // either; it must lie outside quotes.
    const unsigned end = unsigned(__builtin_ctzll(m.cr)); // the CR that ends the record
    if ((inside >> end) & 1)
        return 0;
    if (end > 62 || record[end + 1] != '\n')
        return 0;
    // The commas outside quotes before it, which must be eleven: each found in turn (a missing one found
    // at 63), the last left alone.
    const quint64 commas = m.comma & ~inside & ((quint64(1) << end) - 1);
    constexpr quint64 Top = quint64(1) << 63;
    unsigned at[12];
    quint64 left = commas;
#pragma GCC unroll 11
    for (int i = 0; i < 11; ++i) {
        at[i] = unsigned(__builtin_ctzll(left | Top));
        left &= left - 1;
    }
    at[11] = end;
    if (left != 0 || at[10] >= end)
        return 0;

    // Fields 2 to 11 with their separators, the key and the tile number being as written: every byte outside
    // quotes that is no comma is a digit; quotes open only at a field's start and close only at its end;
    // numbers have no leading zero; no quote in the colour and the directions, none of which is empty.
    const quint64 rest = BitsBetween(at[1] + 1, end);
    const quint64 separators = commas | (quint64(1) << end);
    const quint64 quoted = (inside | m.quote) & rest;
    const quint64 starts = (commas << 1) & rest;
    const quint64 numbersOnly = BitsBetween(at[1] + 1, at[2]) | BitsBetween(at[3] + 1, at[7]);
    bool fits = (rest & ~commas & ~quoted & ~m.digit) == 0;
    fits &= (m.quote & inside & rest & ~starts) == 0;
    fits &= (m.quote & ~inside & rest & ~(separators >> 1)) == 0;
    fits &= (starts & m.zero & (m.digit >> 1)) == 0;
    fits &= (m.quote & numbersOnly) == 0;
    fits &= at[1] + 1 < at[2] && at[2] - at[1] <= 10; // a colour of 1 to 9 digits is in the long range
#pragma GCC unroll 4
    for (int d = 4; d <= 7; ++d)
        fits &= at[d - 1] + 1 < at[d] && at[d] - at[d - 1] <= 6;
#pragma GCC unroll 4
    for (int operand = 8; operand <= 11; ++operand)
        fits &= at[operand] - at[operand - 1] <= 16; // a number of at most 15 digits
    if (!fits)
        return 0;

    // The picture: nothing, a file (its text starts with a backslash), or box 0, 997 or 999.
    const char* const picture = record + at[2] + 1;
    switch (at[3] - at[2] - 1) {
    case 0:
        break;
    case 1:
        if (picture[0] != '0')
            return 0;
        break;
    case 3:
        if (picture[0] == '9' && picture[1] == '9' && (picture[2] == '7' || picture[2] == '9'))
            break;
        [[fallthrough]];
    default:
        if (picture[0] != '"' || picture[1] != '\\')
            return 0;
    }
#pragma GCC unroll 4
    for (int d = 0; d < 4; ++d) {
        const char* digit = record + at[3 + d] + 1;
        const char* const stop = record + at[4 + d];
        qint64 value = *digit - '0'; // most are one digit
        while (++digit < stop)
            value = value * 10 + (*digit - '0');
        if (value > 32767)
            return 0;
        directions[d] = Integer(value);
    }
#pragma GCC unroll 12
    for (int i = 0; i < 12; ++i)
        ends[i] = base + at[i];
    return qsizetype(end) + 2;
}

} // namespace

QuickTileRecord QuickTileRecordAvx512() {
    return ReadTileRecord;
}

} // namespace tavrin
#endif
