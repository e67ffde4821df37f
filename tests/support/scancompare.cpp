#include "scancompare.h"

#include <QBuffer>

namespace tavrin {

namespace {
class CollectingSink : public RecordSink {
public:
    std::vector<ScannedRecord> records;

    void record(qint64 begin, qint64 end, QByteArrayView key, bool keyIsText, QByteArrayView) override {
        records.push_back(ScannedRecord{begin, end, key.toByteArray(), keyIsText});
    }
    std::unique_ptr<RecordSink> makeSecond() const override { return std::make_unique<CollectingSink>(); }
    void append(RecordSink& second) override {
        auto& more = static_cast<CollectingSink&>(second).records;
        records.insert(records.end(), more.begin(), more.end());
    }
};

std::unique_ptr<QIODevice> openBytes(const QByteArray& bytes) {
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    return buffer;
}

QString describe(const ScannedRecord& record) {
    return QStringLiteral("%1..%2 key '%3'%4")
        .arg(record.begin)
        .arg(record.end)
        .arg(QString::fromLatin1(record.key))
        .arg(record.keyIsText ? QStringLiteral(" (text)") : QString());
}

QString describe(const std::optional<Failure>& failure) {
    return failure ? QStringLiteral("%1 %2").arg(failure->code()).arg(failure->description())
                   : QStringLiteral("no failure");
}
} // namespace

ScanResult ScanFast(const QByteArray& bytes, ScanOptions options) {
    options.openAgain = [&bytes] { return openBytes(bytes); };
    const std::unique_ptr<QIODevice> device = openBytes(bytes);
    CollectingSink sink;
    ScanResult result;
    result.failure = ScanRecords(*device, sink, options);
    result.records = std::move(sink.records);
    return result;
}

ScanResult ScanCareful(const QByteArray& bytes) {
    const std::unique_ptr<QIODevice> device = openBytes(bytes);
    CollectingSink sink;
    ScanResult result;
    result.failure = ScanRecordsCarefully(*device, sink);
    result.records = std::move(sink.records);
    return result;
}

QString Difference(const ScanResult& fast, const ScanResult& careful) {
    const size_t common = std::min(fast.records.size(), careful.records.size());
    for (size_t i = 0; i < common; ++i) {
        const ScannedRecord& a = fast.records[i];
        const ScannedRecord& b = careful.records[i];
        if (a.begin != b.begin || a.end != b.end || a.key != b.key || a.keyIsText != b.keyIsText)
            return QStringLiteral("record %1: fast %2, careful %3").arg(i).arg(describe(a), describe(b));
    }
    if (fast.records.size() != careful.records.size())
        return QStringLiteral("fast found %1 records, careful %2")
            .arg(fast.records.size())
            .arg(careful.records.size());
    if (describe(fast.failure) != describe(careful.failure))
        return QStringLiteral("fast ends with %1, careful with %2")
            .arg(describe(fast.failure), describe(careful.failure));
    return QString();
}

} // namespace tavrin
