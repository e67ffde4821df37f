#include "level/format/recordstream.h"

#include <QBuffer>

namespace tavrin {

namespace {
constexpr size_t BatchRecords = 2048;
constexpr size_t BatchesAhead = 4;
// One batch in RawEvery is left to the caller to read, as bytes: passing over a record costs about a
// third of reading it, so this evens the two threads out for callers that do little with each record.
constexpr int RawEvery = 4;
} // namespace

RecordStream::RecordStream(QIODevice* device, quint16 screenFields, RecordReader::RestWanted rest)
    : m_screenFields(screenFields), m_restWanted(rest), m_ready(BatchesAhead), m_spare(BatchesAhead),
      m_thread([this, device] { m_ready.produce([this, device] { read(device); }); }) {}

RecordStream::~RecordStream() {
    m_ready.close();
    m_thread.join();
}

void RecordStream::read(QIODevice* device) {
    RecordReader reader(device);
    reader.setScreenFields(m_screenFields, m_restWanted);
    int batches = 0;
    for (;;) {
        Batch batch;
        // A batch the caller is done with keeps its room, so that no batch is allocated again.
        m_spare.tryPop(batch);
        batch.records.reserve(BatchRecords);
        batch.starts.reserve(BatchRecords);
        const bool raw = ++batches % RawEvery == 0 && !reader.atEnd();
        batch.raw.clear();
        batch.rawStart = -1;
        size_t count = 0;
        try {
            if (raw) {
                batch.rawStart = reader.position();
                reader.keepBytes();
                QByteArray key;
                bool keyIsText = false;
                while (count < BatchRecords && !reader.atEnd()) {
                    reader.skip(&key, &keyIsText);
                    ++count;
                }
                batch.raw = reader.keptBytes(reader.position());
            } else {
                while (count < BatchRecords && !reader.atEnd()) {
                    reader.read(batch.records.emplace_back());
                    batch.starts.push_back(reader.recordStart());
                    ++count;
                }
            }
            batch.last = count < BatchRecords;
        } catch (const Failure& failure) {
            if (raw) // the records before the one that failed, as bytes
                batch.raw = reader.keptBytes(reader.recordStart());
            else if (batch.records.size() > batch.starts.size())
                batch.records.pop_back(); // the one that failed, read in part
            batch.failure = failure;
            batch.failureStart = reader.recordStart();
            batch.last = true;
        }
        const bool last = batch.last;
        if (!m_ready.push(std::move(batch)) || last)
            return;
    }
}

void RecordStream::readRaw(Batch& batch) const {
    QBuffer buffer(&batch.raw);
    buffer.open(QIODevice::ReadOnly);
    RecordReader reader(&buffer, false);
    reader.setScreenFields(m_screenFields, m_restWanted);
    while (!reader.atEnd()) { // whole records, which the other thread passed over without a failure
        reader.read(batch.records.emplace_back());
        batch.starts.push_back(batch.rawStart + reader.recordStart());
    }
    batch.rawStart = -1;
}

const Record* RecordStream::next() {
    while (m_next == m_current.records.size()) {
        if (m_current.failure) {
            m_recordStart = m_current.failureStart;
            const Failure failure = *m_current.failure;
            m_current.failure.reset();
            throw failure;
        }
        if (m_current.last)
            return nullptr;
        // The records read go here, not on the reading thread, which has the more work.
        m_current.records.clear();
        m_current.starts.clear();
        m_current.failure.reset();
        m_spare.tryPush(std::move(m_current));
        m_next = 0;
        if (!m_ready.pop(m_current))
            return nullptr; // not reached: the reading thread's last batch ends the records
        if (m_current.rawStart >= 0)
            readRaw(m_current);
    }
    m_recordStart = m_current.starts[m_next];
    return &m_current.records[m_next++];
}

} // namespace tavrin
