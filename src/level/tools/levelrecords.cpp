#include "level/tools/levelrecords.h"

#include "level/core/boundedqueue.h"

#include <thread>
#include <vector>

namespace tavrin {

namespace {
constexpr int RecordsPerBlock = 309;
// A block is seldom longer than 20 KB; one with longer texts is looked at again with more bytes, up to
// this many.
constexpr qsizetype LongestBlock = 1024 * 1024;
// A batch is handed over once it holds this many bytes of blocks or this many records; a few batches wait
// at the most.
constexpr qsizetype BatchBytes = 1024 * 1024;
constexpr size_t BatchRecords = 1024;
constexpr size_t BatchesAhead = 4;

// What one thread reads and the other tells the visitor, in file order.
struct Batch {
    struct Item {
        qint64 begin;
        // A block: its screen, what the scan found, and where its bytes stand in `bytes`; -1 for a record.
        Integer screen = -1;
        CopyableBlock scanned;
        qsizetype from = 0;
        qsizetype to = 0;
        size_t split = 0; // its entry in `splits`
        Record record;    // or a record
    };
    QByteArray bytes;
    std::vector<Item> items;
    std::vector<BlockFieldEnds> splits; // where the fields of each block's tile records end
    std::optional<UnreadRecord> unread; // met after the items
    bool last = false;
};

// Finding the blocks and reading the other records runs on a thread of its own, a few batches ahead of
// the visitor: the two take about as long.
class Reading {
public:
    Reading(QIODevice* device, quint16 screenFields, RecordReader::RestWanted rest)
        : m_thread([=] { m_ready.produce([=] { read(device, screenFields, rest); }); }) {}
    ~Reading() {
        m_ready.close();
        m_thread.join();
    }
    Reading(const Reading&) = delete;
    Reading& operator=(const Reading&) = delete;

    // The next batch; the one before goes back to be filled again. Throws what the reading thread threw
    // besides a record's failure.
    Batch& next() {
        if (m_hasCurrent)
            m_spare.tryPush(std::move(m_current));
        m_hasCurrent = m_ready.pop(m_current);
        if (!m_hasCurrent) { // not reached: the reading thread's last batch ends the records
            m_current = Batch();
            m_current.last = true;
        }
        return m_current;
    }

private:
    void read(QIODevice* device, quint16 screenFields, RecordReader::RestWanted rest) {
        RecordReader reader(device);
        reader.setScreenFields(screenFields, rest);
        for (bool last = false; !last;) {
            Batch batch;
            m_spare.tryPop(batch);
            batch.bytes.resize(0);
            batch.items.clear();
            fill(reader, batch);
            last = batch.last;
            if (!m_ready.push(std::move(batch)))
                return;
        }
    }

    static void fill(RecordReader& reader, Batch& batch) {
        size_t records = 0;
        size_t blocks = 0;
        try {
            while (batch.bytes.size() < BatchBytes && records < BatchRecords) {
                if (reader.atEnd()) {
                    batch.last = true;
                    return;
                }
                // The key and tile number of a block's first record take at most 16 bytes.
                const int screen = ScreenOfBlockStart(reader.peek(16));
                bool taken = false;
                for (qsizetype want = 64 * 1024; screen >= 0 && !taken && want <= LongestBlock; want *= 2) {
                    const QByteArrayView bytes = reader.peek(want);
                    CopyableBlock scanned;
                    if (batch.splits.size() == blocks) // the places of a batch read before are used again
                        batch.splits.emplace_back();
                    const qsizetype length =
                        ScanCopyableBlockAt(bytes, Integer(screen), &scanned, &batch.splits[blocks]);
                    if (length >= 0) {
                        Batch::Item& item = batch.items.emplace_back();
                        item.begin = reader.position();
                        item.screen = Integer(screen);
                        item.scanned = scanned;
                        item.from = batch.bytes.size();
                        batch.bytes.append(bytes.first(length));
                        item.to = batch.bytes.size();
                        item.split = blocks++;
                        reader.pass(length, RecordsPerBlock);
                        taken = true;
                    }
                    if (bytes.size() < want)
                        break;
                }
                if (taken)
                    continue;
                Record record;
                reader.read(record);
                Batch::Item& item = batch.items.emplace_back();
                item.record = std::move(record);
                item.begin = reader.recordStart();
                ++records;
            }
        } catch (const Failure& failure) {
            batch.unread = UnreadRecord{failure, reader.recordStart()};
            batch.last = true;
        }
    }

    BoundedQueue<Batch> m_ready{BatchesAhead};
    BoundedQueue<Batch> m_spare{BatchesAhead};
    Batch m_current;
    bool m_hasCurrent = false;
    std::thread m_thread;
};
} // namespace

std::optional<UnreadRecord> VisitLevelRecords(QIODevice* device, LevelRecordVisitor& visitor,
                                              quint16 screenFields, RecordReader::RestWanted rest) {
    Reading reading(device, screenFields, rest);
    for (;;) {
        const Batch& batch = reading.next();
        for (const Batch::Item& item : batch.items) {
            if (item.screen >= 0)
                visitor.block(item.screen, QByteArrayView(batch.bytes).sliced(item.from, item.to - item.from),
                              item.scanned, item.begin, batch.splits[item.split]);
            else
                visitor.record(item.record, item.begin);
        }
        if (batch.last)
            return batch.unread;
    }
}

} // namespace tavrin
