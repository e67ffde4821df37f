#include "level/format/screenblock.h"

#include "level/format/screenblock_tiles.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

namespace tavrin {

namespace {

// Reads the block field by field; every check fails on the first byte out of place.
class BlockScanner {
public:
    explicit BlockScanner(QByteArrayView bytes)
        : start(bytes.data()), p(bytes.data()), end(bytes.data() + bytes.size()) {}

    bool literal(QByteArrayView text) {
        const qsizetype size = text.size();
        if (end - p < size)
            return false;
        // Keys of 8 to 16 bytes, the most common literal, as two words.
        if (size >= 8 && size <= 16) {
            quint64 a1, a2, b1, b2;
            std::memcpy(&a1, p, 8);
            std::memcpy(&b1, text.data(), 8);
            std::memcpy(&a2, p + size - 8, 8);
            std::memcpy(&b2, text.data() + size - 8, 8);
            if ((a1 ^ b1) | (a2 ^ b2))
                return false;
        } else if (size < 8) { // a tile number: too short for a call to pay
            for (qsizetype i = 0; i < size; ++i)
                if (p[i] != text[i])
                    return false;
        } else if (std::memcmp(p, text.data(), size_t(size)) != 0) {
            return false;
        }
        p += size;
        return true;
    }
    bool literal(char c) {
        if (p == end || *p != c)
            return false;
        ++p;
        return true;
    }
    bool lineEnd() { return literal('\r') && literal('\n'); }
    void skip(qsizetype count) { p += count; }

    // A whole number in its shortest form: no sign but a minus, no leading zeros, no "-0".
    bool number(qint64 low, qint64 high, qint64* value) {
        // Most numbers of a block are one digit: those without the loop, whose end is hard to foresee.
        if (end - p >= 2 && unsigned(p[0] - '0') < 10 && unsigned(p[1] - '0') >= 10) {
            const qint64 v = p[0] - '0';
            if (v < low || v > high)
                return false;
            ++p;
            *value = v;
            return true;
        }
        const bool negative = p < end && *p == '-';
        const char* q = negative ? p + 1 : p;
        const char* first = q;
        qint64 v = 0;
        while (q < end && *q >= '0' && *q <= '9' && q - first < 16)
            v = v * 10 + (*q++ - '0');
        const qsizetype digits = q - first;
        if (digits == 0 || digits > 15 || (digits > 1 && *first == '0') || (negative && v == 0))
            return false;
        v = negative ? -v : v;
        if (v < low || v > high)
            return false;
        p = q;
        *value = v;
        return true;
    }

    // A quoted text; its characters go to *text.
    bool quoted(QByteArrayView* text) {
        if (p == end || *p != '"')
            return false;
        const char* begin = ++p;
        while (p < end && *p != '"')
            ++p;
        if (p == end)
            return false;
        *text = QByteArrayView(begin, p - begin);
        ++p;
        return true;
    }

    // A field as it holds a value that keeps its kind: empty, a whole number, or a quoted text.
    // `kind` is 0, 1 or 2.
    bool value(int* kind, qint64* whole, QByteArrayView* text) {
        if (p < end && (*p == ',' || *p == '\r')) {
            *kind = 0;
            return true;
        }
        if (p < end && *p == '"') {
            *kind = 2;
            return quoted(text);
        }
        *kind = 1;
        return number(-999999999999999, 999999999999999, whole);
    }

    bool atEnd() const { return p == end; }
    qsizetype position() const { return p - start; }

private:
    const char* start;
    const char* p;
    const char* end;
};

constexpr qint64 IntegerLow = std::numeric_limits<Integer>::min();
constexpr qint64 IntegerHigh = std::numeric_limits<Integer>::max();

// A picture reference held as a text that reads as a number stands for a box, not a file.
bool namesFile(QByteArrayView text) {
    if (!text.isEmpty() && text.front() == '\\')
        return true;
    return !ReadsAsNumber(QString::fromLatin1(text.data(), text.size()));
}

// The first field of a record, "<prefix><number>", with the comma after it.
QByteArray KeyField(const char* prefix, int number) {
    return '"' + QByteArray(prefix) + QByteArray::number(number) + "\",";
}

// The text of tile number `tile` (1..300).
QByteArrayView TileText(int tile) {
    static const std::array<QByteArray, 301> texts = [] {
        std::array<QByteArray, 301> made;
        for (int t = 1; t <= 300; ++t)
            made[size_t(t)] = QByteArray::number(t);
        return made;
    }();
    return texts[size_t(tile)];
}

} // namespace

bool ScanCopyableBlock(QByteArrayView bytes, Integer screen, CopyableBlock* block) {
    return ScanCopyableBlockAt(bytes, screen, block) == bytes.size();
}

namespace {

qsizetype ScanLinkRecords(QByteArrayView bytes, QByteArrayView key, CopyableBlock* block);

// Tile record `tile` field by field: where its fields end to `ends` (twelve), its direction properties to
// `directions` (four). False when it is not as the editor writes it.
bool ScanTileRecordCarefully(BlockScanner& in, const QByteArray& key, int tile, quint32* ends,
                             Integer* directions) {
    qint64 n = 0;
    int kind = 0;
    QByteArrayView text;
    const auto ended = [&](int field) { ends[field] = quint32(in.position()); };
    if (!in.literal(key))
        return false;
    ends[0] = quint32(in.position() - 1); // the key's comma is part of the literal
    if (!in.literal(TileText(tile)))      // the tile number in its shortest form
        return false;
    ended(1);
    if (!in.literal(',') ||
        !in.number(std::numeric_limits<Long>::min(), std::numeric_limits<Long>::max(), &n))
        return false;
    ended(2);
    if (!in.literal(',') || !in.value(&kind, &n, &text))
        return false;
    ended(3);
    if (kind == 1 && n != 0 && n != 997 && n != 999)
        return false;
    if (kind == 2 && !namesFile(text))
        return false;
    for (int property = 0; property < 4; ++property) {
        if (!in.literal(',') || !in.number(IntegerLow, IntegerHigh, &n))
            return false;
        ended(4 + property);
        directions[property] = Integer(n);
    }
    for (int operand = 0; operand < 4; ++operand) {
        if (!in.literal(',') || !in.value(&kind, &n, &text))
            return false;
        ended(8 + operand);
    }
    return in.lineEnd();
}

qsizetype ScanBlockAt(QByteArrayView bytes, Integer screen, CopyableBlock* block, BlockFieldEnds* fieldEnds,
                      BlockDirections* directions, QuickTileRecord quick) {
    BlockScanner in(bytes);
    const QByteArray key = KeyField("Screen", screen);
    const TileRecordKey quickKey(key);
    // Where the fields end and the directions; scratch places when nobody asks.
    std::array<quint32, 12> endsScratch;
    std::array<Integer, 4> directionsScratch;
    for (int tile = 1; tile <= 300; ++tile) {
        quint32* const ends = fieldEnds ? fieldEnds->data() + (tile - 1) * 12 : endsScratch.data();
        Integer* const found = directions ? directions->data() + (tile - 1) * 4 : directionsScratch.data();
        const qsizetype at = in.position();
        const qsizetype length = quick && bytes.size() - at >= 64
                                     ? quick(bytes.data() + at, quickKey, tile, quint32(at), ends, found)
                                     : 0;
        if (length > 0)
            in.skip(length);
        else if (!ScanTileRecordCarefully(in, key, tile, ends, found))
            return -1;
    }
    block->tileBytes = in.position();
    const qsizetype links = ScanLinkRecords(bytes.sliced(in.position()), key, block);
    return links < 0 ? -1 : in.position() + links;
}

} // namespace

qsizetype ScanLinkRecordsAt(QByteArrayView bytes, Integer screen, CopyableBlock* block) {
    return ScanLinkRecords(bytes, KeyField("Screen", screen), block);
}

namespace {

// ScanLinkRecordsAt with the records' key field (the quoted key and its comma) made already.
qsizetype ScanLinkRecords(QByteArrayView bytes, QByteArrayView key, CopyableBlock* block) {
    BlockScanner in(bytes);
    qint64 n = 0;
    if (!in.literal(key) || !in.literal("\"ScreenInfo\""))
        return -1;
    for (int field = 2; field < 12; ++field) {
        if (!in.literal(',') || !in.number(IntegerLow, IntegerHigh, &n))
            return -1;
        block->info[field] = static_cast<Integer>(n);
    }
    if (!in.lineEnd())
        return -1;
    // The link records hold nothing but numbers in their shortest form, so they are written as the links
    // make them exactly when their numbers are those the links make.
    static const std::array<QByteArray, 10> sides = [] {
        std::array<QByteArray, 10> made;
        for (int k = 2; k <= 9; ++k)
            made[size_t(k)] = KeyField("Side", k);
        return made;
    }();
    bool sidesAsWritten = true;
    for (int k = 2; k <= 9; ++k) {
        if (!in.literal(key) || !in.literal(sides[size_t(k)]) || !in.number(IntegerLow, IntegerHigh, &n))
            return -1;
        block->links[k] = static_cast<Integer>(n);
        for (int field = 0; field < 9; ++field) {
            if (!in.literal(',') || !in.number(IntegerLow, IntegerHigh, &n))
                return -1;
            sidesAsWritten = sidesAsWritten && n == 0;
        }
        if (!in.lineEnd())
            return -1;
    }
    block->sidesAsWritten = sidesAsWritten;
    block->infoAsWritten = std::equal(block->links + 2, block->links + 10, block->info + 2) &&
                           block->info[10] == 0 && block->info[11] == 0;
    return in.position();
}

} // namespace

qsizetype ScanCopyableBlockAt(QByteArrayView bytes, Integer screen, CopyableBlock* block,
                              BlockFieldEnds* fieldEnds, BlockDirections* directions) {
    static const QuickTileRecord quick = QuickTileRecordReader();
    return ScanBlockAt(bytes, screen, block, fieldEnds, directions, quick);
}

qsizetype ScanCopyableBlockAtCarefully(QByteArrayView bytes, Integer screen, CopyableBlock* block,
                                       BlockFieldEnds* fieldEnds, BlockDirections* directions) {
    return ScanBlockAt(bytes, screen, block, fieldEnds, directions, nullptr);
}

TileRecordKey::TileRecordKey(QByteArrayView key) {
    static const std::array<TileText, 301> texts = [] {
        std::array<TileText, 301> made{};
        for (int t = 1; t <= 300; ++t) {
            const QByteArray text = QByteArray::number(t) + ',';
            std::memcpy(&made[size_t(t)].word, text.constData(), size_t(text.size()));
            made[size_t(t)].size = int(text.size());
        }
        return made;
    }();
    tiles = texts.data();
    if (key.size() > 16)
        return;
    size = int(key.size());
    char bytes[16] = {};
    char ones[16] = {};
    std::memcpy(bytes, key.data(), size_t(size));
    std::memset(ones, 0xff, size_t(size));
    std::memcpy(words, bytes, 16);
    std::memcpy(masks, ones, 16);
}

#if defined(__x86_64__) || defined(_M_X64)
QuickTileRecord QuickTileRecordAvx512(); // in screenblock_tiles_avx512.cpp

QuickTileRecord QuickTileRecordReader() {
    __builtin_cpu_init();
    const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                     __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
                     __builtin_cpu_supports("popcnt");
    return has ? QuickTileRecordAvx512() : nullptr;
}
#else
QuickTileRecord QuickTileRecordReader() {
    return nullptr;
}
#endif

int ScreenOfBlockStart(QByteArrayView bytes) {
    constexpr QByteArrayView Prefix("\"Screen");
    if (!bytes.startsWith(Prefix))
        return -1;
    qsizetype i = Prefix.size();
    int number = 0;
    for (; i < bytes.size() && i < Prefix.size() + 6 && bytes[i] >= '0' && bytes[i] <= '9'; ++i)
        number = number * 10 + (bytes[i] - '0');
    const qsizetype digits = i - Prefix.size();
    if (digits == 0 || digits > 5 || (digits > 1 && bytes[Prefix.size()] == '0') || number > 32767 ||
        !bytes.sliced(i).startsWith("\",1,"))
        return -1;
    return number;
}

FieldValue BlockFieldValue(QByteArrayView field) {
    if (field.isEmpty())
        return FieldValue();
    if (field.startsWith('"'))
        return FieldValue::text(QString::fromLatin1(BlockFieldText(field)));
    return FieldValue::number(double(BlockFieldNumber(field)));
}

qint64 ReadBlockFieldNumber(QByteArrayView field) {
    qint64 number = 0;
    std::from_chars(field.data(), field.data() + field.size(), number);
    return number;
}

} // namespace tavrin
