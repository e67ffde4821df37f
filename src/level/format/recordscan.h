#pragma once

#include "level/core/failure.h"

#include <QByteArrayView>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>

class QIODevice;

namespace tavrin {

// Where each record of a file begins and ends, and its key, found at the speed of memory: record
// boundaries depend only on where quotes, commas and line ends stand, which is found 64 bytes at a time.
// The records and the failure are exactly those that RecordReader gives record by record (atEnd, then
// skip) on the same bytes; records that the fast scan does not take (a quote after blanks, a field of
// more than 64 KB, the end of the file) are read the careful way.

class RecordSink {
public:
    virtual ~RecordSink() = default;
    // A record from `begin` (the offset of its first byte in the file) to `end` (after its last
    // delimiter), in file order, with its key: the characters of its first field, trimmed of trailing
    // blanks unless quoted; `keyIsText` as RecordReader::skip says. `bytes` are the record's bytes from
    // `begin` to `end` when the fast scan found it, or when the sink wantsBytes(); otherwise empty. Both
    // views are valid during the call.
    virtual void record(qint64 begin, qint64 end, QByteArrayView key, bool keyIsText,
                        QByteArrayView bytes) = 0;
    // True when the scan may stop: no more records are wanted.
    virtual bool enough() const { return false; }
    // True for a sink that reads the fields of every record: the records read the careful way bring
    // their bytes too, at the cost of keeping them.
    virtual bool wantsBytes() const { return false; }

    // A scan split between two threads gives the records of the second part to a sink of their own, made
    // here (none: the scan is not split), and then hands that sink to append(), after this sink's
    // records.
    virtual std::unique_ptr<RecordSink> makeSecond() const { return nullptr; }
    virtual void append(RecordSink& second) { Q_UNUSED(second); }
};

// Whether `a` and `b` hold the same bytes. Keys and picture names are short: those of 8 to 16 bytes are
// compared as two words.
inline bool SameShortBytes(QByteArrayView a, QByteArrayView b) {
    const qsizetype size = a.size();
    if (size != b.size())
        return false;
    if (size < 8 || size > 16)
        return std::memcmp(a.data(), b.data(), size_t(size)) == 0;
    quint64 a1, a2, b1, b2;
    std::memcpy(&a1, a.data(), 8);
    std::memcpy(&b1, b.data(), 8);
    std::memcpy(&a2, a.data() + size - 8, 8);
    std::memcpy(&b2, b.data() + size - 8, 8);
    return ((a1 ^ b1) | (a2 ^ b2)) == 0;
}

// How the bit masks of a block are made: one byte at a time, or with SSE2 or AVX2 instructions.
enum class ScanKind { Portable, Sse2, Avx2 };

// The fastest kind this processor has.
ScanKind BestScanKind();
// False for a kind this processor lacks.
bool Supports(ScanKind kind);

struct ScanOptions {
    ScanKind kind = BestScanKind();
    // The bytes read at a time (the buffer grows past it for a longer record).
    qsizetype chunkBytes = 4 * 1024 * 1024;
    // Opens the file again for a second thread, which scans from `splitAt` (a fraction of the file's size)
    // on, from the first line start there; the first thread takes over the second's records once it meets
    // a record start the second found. Files smaller than `splitFrom` bytes are scanned by one thread.
    std::function<std::unique_ptr<QIODevice>()> openAgain;
    double splitAt = 0.5;
    qint64 splitFrom = 16 * 1024 * 1024;
};

// The records of `device` from its start, handed to `sink`; the failure met at the end of the file
// (62 when it ends inside a record, 321 at a field that is too long), if any. As for RecordReader, a
// device that cannot be read further ends there. The device must be able to seek.
std::optional<Failure> ScanRecords(QIODevice& device, RecordSink& sink, const ScanOptions& options = {});

// The same, record by record through RecordReader: the reference the fast scan is held to.
std::optional<Failure> ScanRecordsCarefully(QIODevice& device, RecordSink& sink);

} // namespace tavrin
