#pragma once

#include "level/core/failure.h"
#include "level/format/record.h"
#include "level/format/screenblock.h"

#include <QtAlgorithms>
#include <cstring>
#include <optional>

class QIODevice;

namespace tavrin {

// What a tool that looks at every record of a level file is told, in file order.
class LevelRecordVisitor {
public:
    virtual ~LevelRecordVisitor() = default;
    // The block of screen `screen` as the editor writes it, which `bytes` hold, from the offset `begin` of
    // the file on: its 309 records in one, as ScanCopyableBlockAt found them in `scanned`, and where the
    // fields of its tile records end, as it found them too (ForEachBlockTile hands the fields on).
    virtual void block(Integer screen, QByteArrayView bytes, const CopyableBlock& scanned, qint64 begin,
                       const BlockFieldEnds& fieldEnds) = 0;
    // Any other record, read by RecordReader, from the offset `begin` on.
    virtual void record(const Record& record, qint64 begin) = 0;
};

// Tells two visitors each record, the first first.
class BothVisitors : public LevelRecordVisitor {
public:
    BothVisitors(LevelRecordVisitor& first, LevelRecordVisitor& second) : m_first(first), m_second(second) {}
    void block(Integer screen, QByteArrayView bytes, const CopyableBlock& scanned, qint64 begin,
               const BlockFieldEnds& fieldEnds) override {
        m_first.block(screen, bytes, scanned, begin, fieldEnds);
        m_second.block(screen, bytes, scanned, begin, fieldEnds);
    }
    void record(const Record& record, qint64 begin) override {
        m_first.record(record, begin);
        m_second.record(record, begin);
    }

private:
    LevelRecordVisitor& m_first;
    LevelRecordVisitor& m_second;
};

// The failure of a record that could not be read, and where it begins.
struct UnreadRecord {
    Failure failure;
    qint64 begin;
};

// Tells `visitor` the records of `device` from its start. Most of a level is screen blocks as the editor
// writes them, each taken whole from its bytes at a fraction of the work of reading its records one by
// one; a visitor learns from a block what its records would tell. The other records are read by
// RecordReader (`screenFields` and `rest` as RecordReader::setScreenFields), and its failure, where it
// meets one, ends the records: every record before it has been told. Memory stays within a few times the
// longest record.
std::optional<UnreadRecord> VisitLevelRecords(QIODevice* device, LevelRecordVisitor& visitor,
                                              quint16 screenFields = RecordReader::AllFields,
                                              RecordReader::RestWanted rest = nullptr);

// The bytes of a record after its key and the comma that follows it, when its key is quoted and `key` lies
// in `bytes`, as the record scan gives them; otherwise an empty view, which SplitPlainFields refuses.
inline QByteArrayView AfterKey(QByteArrayView bytes, QByteArrayView key) {
    const char* const end = bytes.data() + bytes.size();
    const char* const after = key.data() + key.size();
    if (key.data() != bytes.data() + 1 || bytes[0] != '"' || after + 2 > end || after[0] != '"' ||
        after[1] != ',')
        return {};
    return QByteArrayView(after + 2, end);
}

// Where the digits from `p` on end, eight bytes at a time while eight are left: a byte is a digit when
// adding 0x46 leaves its top bit clear and so does subtracting 0x30. No borrow or carry reaches the first
// byte that is no digit from the digits before it.
inline const char* PassDigits(const char* p, const char* end) {
    while (end - p >= 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        const quint64 other =
            ((word + 0x4646464646464646) | (word - 0x3030303030303030)) & 0x8080808080808080;
        if (other)
            return p + (Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? qCountTrailingZeroBits(other)
                                                        : qCountLeadingZeroBits(other)) /
                           8;
        p += 8;
    }
    while (p < end && unsigned(*p - '0') < 10)
        ++p;
    return p;
}

// The first N fields of a record that `bytes` hold, when each is plain: a quoted text whose closing quote
// stands right before the comma after it, a whole number in digits with at most a minus before them, or
// nothing; each field as it stands (a text in its quotes). False for anything else, such as blanks, a
// line end among these fields or a number in another form, which a caller reads the careful way
// (ReadRecordOfBytes). A plain field reads as its form says: a text, a number, or empty.
template <size_t N> bool SplitPlainFields(QByteArrayView bytes, std::array<QByteArrayView, N>& fields) {
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    for (size_t i = 0; i < N; ++i) {
        const char* const begin = p;
        if (p < end && *p == '"') {
            if (!(p = PassQuotedText(p, end)))
                return false;
        } else {
            if (p < end && *p == '-')
                ++p;
            const char* const digits = p;
            p = PassDigits(p, end);
            if (p == digits && p != begin) // a minus alone
                return false;
        }
        if (p == end || *p != ',')
            return false;
        fields[i] = QByteArrayView(begin, p - begin);
        ++p;
    }
    return true;
}

} // namespace tavrin
