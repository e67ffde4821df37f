// Any bytes as a level file through VisitLevelRecords, which takes screen blocks as the editor writes them
// whole from their bytes: the blocks, read record by record, and the other records must be exactly the
// records RecordReader reads from the whole file, at the same offsets, and the failure the same at the
// same place. The tiles of each block must be its first 300 records, at their offsets.
#include "level/tools/levelrecords.h"

#include <QBuffer>
#include <QStringList>
#include <cstdint>
#include <cstdio>

using namespace tavrin;

namespace {
QString describe(const Record& record, qint64 begin) {
    QStringList fields{QString::number(begin)};
    for (const FieldValue& field : record)
        fields << QString::number(int(field.kind())) + u':' + field.toText();
    return fields.join(u'|');
}

QString describe(const Failure& failure, qint64 begin) {
    return QStringLiteral("failure %1 at %2: %3").arg(failure.code()).arg(begin).arg(failure.description());
}

// Reads the records of `device` one by one, from the offset `start` of the file on, into `lines`.
void readAll(QIODevice* device, bool atFileStart, qint64 start, QStringList& lines) {
    RecordReader reader(device, atFileStart, start);
    try {
        while (!reader.atEnd()) {
            const Record record = reader.read();
            lines << describe(record, reader.recordStart());
        }
    } catch (const Failure& failure) {
        lines << describe(failure, reader.recordStart());
    }
}

class Collect : public LevelRecordVisitor {
public:
    QStringList lines;
    QString fault;

    void block(Integer, QByteArrayView bytes, const CopyableBlock&, qint64 begin,
               const BlockFieldEnds& fieldEnds) override {
        QByteArray copy = bytes.toByteArray();
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        const qsizetype first = lines.size();
        readAll(&buffer, false, begin, lines);
        if (lines.size() - first != 309)
            fault = QStringLiteral("a block of %1 records at %2").arg(lines.size() - first).arg(begin);
        int tiles = 0;
        ForEachBlockTile(bytes, fieldEnds, begin, [&](Integer tile, const auto& fields, qint64 offset) {
            Record record;
            for (size_t i = 0; i < 12; ++i)
                record[i] = BlockFieldValue(fields[i]);
            if (tile != ++tiles || tile > lines.size() - first ||
                lines[first + tile - 1] != describe(record, offset))
                fault = QStringLiteral("tile %1 of the block at %2 at offset %3")
                            .arg(tile)
                            .arg(begin)
                            .arg(offset);
        });
        if (tiles != 300)
            fault = QStringLiteral("%1 tiles in the block at %2").arg(tiles).arg(begin);
    }
    void record(const Record& record, qint64 begin) override { lines << describe(record, begin); }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QStringList expected;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        readAll(&buffer, true, 0, expected);
    }
    Collect visited;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        if (const std::optional<UnreadRecord> unread = VisitLevelRecords(&buffer, visited))
            visited.lines << describe(unread->failure, unread->begin);
    }
    if (visited.fault.isEmpty() && visited.lines != expected) {
        qsizetype i = 0;
        while (i < expected.size() && i < visited.lines.size() && expected[i] == visited.lines[i])
            ++i;
        visited.fault = QStringLiteral("record %1: %2 instead of %3")
                            .arg(i)
                            .arg(i < visited.lines.size() ? visited.lines[i] : QStringLiteral("nothing"),
                                 i < expected.size() ? expected[i] : QStringLiteral("nothing"));
    }
    if (!visited.fault.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(visited.fault));
        __builtin_trap();
    }
    return 0;
}
