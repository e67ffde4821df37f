#pragma once

#include "failure.h"
#include "record.h"
#include "screenblock.h"

#include <optional>

class QIODevice;

namespace tavrin {

// What a tool that looks at every record of a level file is told, in file order.
class LevelRecordVisitor {
public:
    virtual ~LevelRecordVisitor() = default;
    // The block of screen `screen` as the editor writes it, which `bytes` hold, from the offset `begin` of
    // the file on: its 309 records in one, as ScanCopyableBlockAt found them in `scanned`.
    virtual void block(Integer screen, QByteArrayView bytes, const CopyableBlock& scanned, qint64 begin) = 0;
    // Any other record, read by RecordReader, from the offset `begin` on.
    virtual void record(const Record& record, qint64 begin) = 0;
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

// The fields of each tile record of a block that VisitLevelRecords handed on, with where it begins in the
// file: `tile(index, fields, begin)` for tiles 1 to 300, each field as it stands (a text in its quotes).
template <typename Tile>
void ForEachBlockTile(QByteArrayView bytes, const CopyableBlock& scanned, qint64 begin, Tile tile) {
    std::array<QByteArrayView, 12> fields;
    const char* p = bytes.data();
    const char* const end = p + scanned.tileBytes;
    for (int index = 1; index <= 300 && p; ++index) {
        const char* const record = p;
        p = SplitRecord(p, end, fields);
        if (p) // a block that ScanCopyableBlockAt took splits into its records
            tile(Integer(index), fields, begin + (record - bytes.data()));
    }
}

} // namespace tavrin
