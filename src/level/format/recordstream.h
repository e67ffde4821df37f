#pragma once

#include "level/core/boundedqueue.h"
#include "level/core/failure.h"
#include "level/format/record.h"

#include <QByteArray>

#include <optional>
#include <thread>
#include <vector>

class QIODevice;

namespace tavrin {

// Reads the records of a whole file on a thread of its own, a few batches ahead of the caller, so that
// reading the file and what the caller does with each record run side by side. It gives exactly what
// RecordReader::read gives, one record after the other, and the reader's failure where it met it; anything
// else the reading thread throws ends the records and is thrown by next() in their place. Memory stays within
// a few batches, whatever the size of the file.
class RecordStream {
public:
    // `device` is read on the stream's thread alone until the stream is destroyed.
    // `screenFields` and `rest`: as RecordReader::setScreenFields.
    explicit RecordStream(QIODevice* device, quint16 screenFields = RecordReader::AllFields,
                          RecordReader::RestWanted rest = nullptr);
    ~RecordStream();
    RecordStream(const RecordStream&) = delete;
    RecordStream& operator=(const RecordStream&) = delete;

    // The next record, with where it starts in the file; null at the end of the file. The record stays
    // until the next call. The reader's failure (62, 321) is thrown where it stands, after every record
    // before it.
    const Record* next();
    qint64 recordStart() const { return m_recordStart; }

private:
    struct Batch {
        std::vector<Record> records;
        std::vector<qint64> starts;
        // Or the records as their bytes, for the caller to read: reading takes more work than what most
        // callers do with a record, so the two threads share it. `rawStart` is where the bytes stand.
        QByteArray raw;
        qint64 rawStart = -1;
        std::optional<Failure> failure; // met after the records of this batch
        qint64 failureStart = -1;
        bool last = false;
    };
    void read(QIODevice* device);
    // Reads the records of a batch of bytes into the batch.
    void readRaw(Batch& batch) const;

    const quint16 m_screenFields;
    const RecordReader::RestWanted m_restWanted;
    BoundedQueue<Batch> m_ready;
    BoundedQueue<Batch> m_spare; // batches read by the caller, to be filled again
    Batch m_current;
    size_t m_next = 0;
    qint64 m_recordStart = -1;
    std::thread m_thread;
};

} // namespace tavrin
