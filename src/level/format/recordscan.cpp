#include "level/format/recordscan.h"

#include "level/format/record.h"
#include "level/format/recordscan_core.h"

#include <QIODevice>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <future>
#include <thread>
#include <vector>

namespace tavrin {

namespace {

BlockMasks loadPortable(const char* p) {
    BlockMasks m{0, 0, 0, 0};
    for (int i = 0; i < 64; ++i) {
        const quint64 bit = quint64(1) << i;
        switch (p[i]) {
        case '"':
            m.quote |= bit;
            break;
        case ',':
            m.delimiter |= bit;
            break;
        case '\r':
            m.delimiter |= bit;
            m.cr |= bit;
            break;
        case '\n':
            m.delimiter |= bit;
            m.lf |= bit;
            break;
        default:
            break;
        }
    }
    return m;
}

size_t findRecordsPortable(const char* data, size_t size, size_t* pos, FoundRecord* out, size_t room,
                           FindStop* stop) {
    return findRecords<loadPortable>(data, size, pos, out, room, stop);
}

using FindRecordsFunction = size_t (*)(const char*, size_t, size_t*, FoundRecord*, size_t, FindStop*);

FindRecordsFunction finderOf(ScanKind kind) {
#if defined(__x86_64__) || defined(_M_X64)
    if (kind == ScanKind::Avx2 && Supports(ScanKind::Avx2))
        return FindRecordsAvx2;
    if (kind != ScanKind::Portable)
        return FindRecordsSse2;
#endif
    Q_UNUSED(kind);
    return findRecordsPortable;
}

// The longest record the careful scan can take: twelve fields of the longest length, their delimiters.
constexpr size_t LongestRecord = 12 * (size_t(MaxFieldBytes) + 2);

// Reads the rest of `device` from `offset` on record by record: the failure at its end, if any.
std::optional<Failure> scanCarefullyFrom(QIODevice& device, qint64 offset, bool atFileStart,
                                         RecordSink& sink) {
    RecordReader reader(&device, atFileStart, offset);
    QByteArray key;
    bool keyIsText = false;
    const bool wantsBytes = sink.wantsBytes();
    QByteArray bytes;
    try {
        while (!sink.enough() && !reader.atEnd()) {
            const qint64 begin = reader.position();
            if (wantsBytes)
                reader.keepBytes();
            reader.skip(&key, &keyIsText);
            if (wantsBytes)
                bytes = reader.keptBytes(reader.position());
            sink.record(begin, reader.position(), key, keyIsText, bytes);
        }
    } catch (const Failure& failure) {
        return failure;
    }
    return std::nullopt;
}

// The bytes of the device, a buffer at a time, with BlockPadding zero bytes after them.
class ScanBuffer {
public:
    // At least a block at a time, so that the first read holds a byte order mark whole.
    ScanBuffer(QIODevice& device, qsizetype chunk, qint64 base)
        : m_device(device), m_chunk(size_t(std::max<qsizetype>(chunk, 64))), m_base(base) {}

    const char* data() const { return m_bytes.data(); }
    size_t size() const { return m_size; }
    qint64 base() const { return m_base; } // the file offset of data()
    bool atEnd() const { return m_atEnd; }

    // Lets go of the bytes before `keep` and reads a chunk more; the buffer grows when the kept bytes fill
    // more than half of it.
    void refill(size_t keep) {
        m_size -= keep;
        if (keep > 0 && m_size > 0)
            std::memmove(m_bytes.data(), m_bytes.data() + keep, m_size);
        m_base += qint64(keep);
        const size_t wanted = std::max(m_chunk, 2 * m_size);
        if (m_bytes.size() < wanted + BlockPadding)
            m_bytes.resize(wanted + BlockPadding);
        while (m_size < wanted) {
            const qint64 read = m_device.read(m_bytes.data() + m_size, qint64(wanted - m_size));
            if (read <= 0) {
                m_atEnd = true;
                break;
            }
            m_size += size_t(read);
        }
        std::memset(m_bytes.data() + m_size, 0, BlockPadding);
    }

private:
    QIODevice& m_device;
    size_t m_chunk;
    std::vector<char> m_bytes;
    size_t m_size = 0;
    qint64 m_base;
    bool m_atEnd = false;
};

} // namespace

bool Supports(ScanKind kind) {
#if defined(__x86_64__) || defined(_M_X64)
    switch (kind) {
    case ScanKind::Portable:
    case ScanKind::Sse2:
        return true;
    case ScanKind::Avx2:
        return __builtin_cpu_supports("avx2");
    }
    return false;
#else
    return kind == ScanKind::Portable;
#endif
}

ScanKind BestScanKind() {
    for (const ScanKind kind : {ScanKind::Avx2, ScanKind::Sse2})
        if (Supports(kind))
            return kind;
    return ScanKind::Portable;
}

namespace {

// The records of `device` from `offset` (the start of the file, or a record start, or blanks and line
// ends before one) to the end, or until the sink has enough.
std::optional<Failure> scanFrom(QIODevice& device, qint64 offset, RecordSink& sink,
                                const ScanOptions& options) {
    const FindRecordsFunction find = finderOf(options.kind);
    if (offset != 0 && !device.seek(offset))
        return Failure::fileNotFound();
    ScanBuffer buffer(device, options.chunkBytes, offset);
    buffer.refill(0);
    size_t pos = 0;
    // A UTF-8 byte order mark at the start of the file is no part of the first record.
    if (offset == 0 && buffer.size() >= 3 && std::memcmp(buffer.data(), "\xEF\xBB\xBF", 3) == 0)
        pos = 3;
    constexpr size_t Room = 256;
    FoundRecord found[Room];
    const auto carefully = [&] {
        const qint64 at = buffer.base() + qint64(pos);
        if (!device.seek(at))
            return std::optional<Failure>(Failure::fileNotFound());
        return scanCarefullyFrom(device, at, false, sink);
    };
    while (!sink.enough()) {
        FindStop stop = FindStop::NeedMore;
        const size_t count = find(buffer.data(), buffer.size(), &pos, found, Room, &stop);
        const qint64 base = buffer.base();
        for (size_t i = 0; i < count; ++i) {
            const FoundRecord& record = found[i];
            const QByteArrayView key(buffer.data() + record.keyBegin,
                                     qsizetype(record.keyEnd - record.keyBegin));
            sink.record(base + qint64(record.begin), base + qint64(record.end), key,
                        record.keyQuoted || KeyIsText(key, false),
                        QByteArrayView(buffer.data() + record.begin, qsizetype(record.end - record.begin)));
        }
        if (stop == FindStop::Full)
            continue;
        if (stop == FindStop::Unusual) {
            // Read the careful way while it lies whole in the buffer.
            RecordSpans spans;
            const char* const begin = buffer.data() + pos;
            if (const char* end = ScanRecordInMemory(begin, buffer.data() + buffer.size(), &spans)) {
                const QByteArrayView key = spans.key();
                sink.record(base + qint64(pos), base + qint64(end - buffer.data()), key,
                            KeyIsText(key, spans.fields[0].quoted), QByteArrayView(begin, end - begin));
                pos = size_t(end - buffer.data());
                continue;
            }
        }
        // The record runs past the bytes at hand: read on, unless the file ends here or the record is
        // longer than any record can be, which the careful scan reports.
        if (buffer.atEnd()) {
            if (pos == buffer.size())
                return std::nullopt;
            return carefully();
        }
        if (buffer.size() - pos > LongestRecord)
            return carefully();
        buffer.refill(pos);
        pos = 0;
    }
    return std::nullopt;
}

// A record kept with its own copy of the key.
struct KeptRecord {
    qint64 begin;
    qint64 end;
    QByteArray key;
    bool keyIsText;
    QByteArray bytes;
};

// The second thread's sink: its first records are kept aside, the rest go to the second sink. The first
// thread looks for its way into the second's records among those kept.
class SecondPart : public RecordSink {
public:
    static constexpr size_t Kept = 64;

    explicit SecondPart(std::unique_ptr<RecordSink> sink)
        : m_sink(std::move(sink)), m_keptFound(m_keptReady.get_future()) {}

    void record(qint64 begin, qint64 end, QByteArrayView key, bool keyIsText, QByteArrayView bytes) override {
        if (m_kept.size() < Kept) {
            m_kept.push_back(KeptRecord{begin, end, key.toByteArray(), keyIsText, bytes.toByteArray()});
            if (m_kept.size() == Kept)
                publish();
            return;
        }
        m_sink->record(begin, end, key, keyIsText, bytes);
    }
    bool enough() const override { return m_cancelled.load(std::memory_order_relaxed); }
    bool wantsBytes() const override { return m_sink->wantsBytes(); }

    // Called once the second thread is done (or failed), in case fewer records were found.
    void publish() {
        if (!m_published) {
            m_published = true;
            m_keptReady.set_value();
        }
    }
    // The kept records, once the second thread has found them all.
    const std::vector<KeptRecord>& kept() {
        m_keptFound.wait();
        return m_kept;
    }
    void cancel() { m_cancelled = true; }
    RecordSink& sink() { return *m_sink; }

private:
    std::unique_ptr<RecordSink> m_sink;
    std::vector<KeptRecord> m_kept;
    bool m_published = false;
    std::promise<void> m_keptReady;
    std::future<void> m_keptFound;
    std::atomic<bool> m_cancelled{false};
};

// The first thread's sink: passes records on until one starts where a kept record of the second part
// does; from there on the second part's records are the file's.
class FirstPart : public RecordSink {
public:
    FirstPart(RecordSink& sink, qint64 splitAt, SecondPart& second)
        : m_sink(sink), m_splitAt(splitAt), m_second(second) {}

    void record(qint64 begin, qint64 end, QByteArrayView key, bool keyIsText, QByteArrayView bytes) override {
        if (m_met >= 0)
            return;
        if (begin >= m_splitAt && m_looking) {
            const std::vector<KeptRecord>& kept = m_second.kept();
            const auto at = std::lower_bound(
                kept.begin(), kept.end(), begin,
                [](const KeptRecord& record, qint64 offset) { return record.begin < offset; });
            if (at != kept.end() && at->begin == begin) {
                m_met = at - kept.begin();
                return;
            }
            if (at == kept.end()) {
                // Past every record the second part kept: it started off the records, this thread reads on.
                m_looking = false;
                m_second.cancel();
            }
        }
        m_sink.record(begin, end, key, keyIsText, bytes);
    }
    bool enough() const override { return m_met >= 0; }
    bool wantsBytes() const override { return m_sink.wantsBytes(); }
    // The kept record where this thread met the second part's records, or -1.
    qsizetype met() const { return m_met; }

private:
    RecordSink& m_sink;
    qint64 m_splitAt;
    SecondPart& m_second;
    bool m_looking = true;
    qsizetype m_met = -1;
};

} // namespace

std::optional<Failure> ScanRecords(QIODevice& device, RecordSink& sink, const ScanOptions& options) {
    const qint64 size = device.size();
    std::unique_ptr<RecordSink> secondSink;
    if (options.openAgain && size >= options.splitFrom && size > 0)
        secondSink = sink.makeSecond();
    if (!secondSink)
        return scanFrom(device, 0, sink, options);

    // The second part starts at the first line start after the split point; whether that is a record
    // start is known only when the first thread gets there.
    const qint64 splitAt = std::clamp<qint64>(qint64(double(size) * options.splitAt), 1, size);
    std::unique_ptr<QIODevice> again = options.openAgain();
    SecondPart second(std::move(secondSink));
    std::optional<Failure> secondFailure;
    std::exception_ptr secondError;
    std::thread thread([&] {
        try {
            // Looked for within a block of lines; a guess all the same.
            qint64 start = splitAt;
            if (again->seek(splitAt)) {
                const QByteArray ahead = again->read(64 * 1024);
                const qsizetype lineEnd = ahead.indexOf('\n');
                start += lineEnd < 0 ? 0 : lineEnd + 1;
            }
            secondFailure = scanFrom(*again, std::min(start, size), second, options);
        } catch (...) {
            secondError = std::current_exception();
        }
        second.publish();
    });
    FirstPart first(sink, splitAt, second);
    std::optional<Failure> failure;
    try {
        failure = scanFrom(device, 0, first, options);
    } catch (...) {
        second.cancel();
        thread.join();
        throw;
    }
    if (first.met() < 0)
        second.cancel();
    thread.join();
    if (first.met() < 0)
        return failure;
    if (secondError)
        std::rethrow_exception(secondError);
    const std::vector<KeptRecord>& kept = second.kept();
    for (size_t i = size_t(first.met()); i < kept.size(); ++i)
        sink.record(kept[i].begin, kept[i].end, kept[i].key, kept[i].keyIsText, kept[i].bytes);
    sink.append(second.sink());
    return secondFailure;
}

std::optional<Failure> ScanRecordsCarefully(QIODevice& device, RecordSink& sink) {
    return scanCarefullyFrom(device, 0, true, sink);
}

} // namespace tavrin
