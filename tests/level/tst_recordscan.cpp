// The fast record scan finds exactly the records, keys and failure of the careful one, whatever the bytes,
// the buffer size, the scan kind or the point where the file is split between two threads; and the level
// index built with it holds the same runs.
#include "level/core/boundedqueue.h"
#include "level/format/levelindex.h"
#include "level/format/record.h"
#include "level/storage/fileaccess.h"
#include "scancompare.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <thread>

using namespace tavrin;

namespace {

// Records as the editor writes them, of varied lengths, so that quotes and line ends fall everywhere in a
// block.
QByteArray EditorRecords(int screens, quint32 seed) {
    QRandomGenerator random(seed);
    QByteArray bytes;
    for (int n = 0; n < screens; ++n) {
        const QByteArray key = "\"Screen" + QByteArray::number(n) + "\"";
        for (int t = 1; t <= 300; ++t) {
            const quint32 r = random.generate();
            const QByteArray picture =
                r % 3 == 0 ? QByteArray("0") : "\"\\p" + QByteArray::number(r % 977) + ".bmp\"";
            bytes += key + ',' + QByteArray::number(t) + ',' + QByteArray::number(r & 0xFFFFF) + ',' +
                     picture + ",0,1,0,0,1,\"" + QByteArray::number(t) + "\"," + QByteArray::number(r % 300) +
                     ",\r\n";
        }
        bytes += key + ",\"ScreenInfo\",0,0,0,0,0,0,0,0,0,0\r\n";
        for (int k = 2; k <= 9; ++k)
            bytes += key + ",\"Side" + QByteArray::number(k) + "\",0,0,0,0,0,0,0,0,0,0\r\n";
    }
    return bytes + "\"LevelProp\",\"name\",\"me\",\"today\",\"\",\"\",1,0,0,0,0,0\r\n";
}

QByteArray Fields(const QByteArray& key, const QByteArray& separator = ",") {
    QByteArray record = key;
    for (int i = 1; i < 12; ++i)
        record += separator + QByteArray::number(i);
    return record;
}

// Compares the fast scan of every kind, at several buffer sizes and split points, with the careful scan.
void CompareEverywhere(const QByteArray& bytes) {
    const ScanResult careful = ScanCareful(bytes);
    for (const ScanKind kind : {ScanKind::Portable, ScanKind::Sse2, ScanKind::Avx2}) {
        if (!Supports(kind))
            continue;
        for (const qsizetype chunk : {64, 100, 1 << 20}) {
            for (const double split : {-1.0, 0.3, 0.5, 0.77}) {
                ScanOptions options;
                options.kind = kind;
                options.chunkBytes = chunk;
                options.splitFrom = split < 0 ? std::numeric_limits<qint64>::max() : 0;
                options.splitAt = split;
                const QString difference = Difference(ScanFast(bytes, options), careful);
                if (!difference.isEmpty())
                    QFAIL(qPrintable(QStringLiteral("kind %1, chunk %2, split %3: %4")
                                         .arg(int(kind))
                                         .arg(chunk)
                                         .arg(split)
                                         .arg(difference)));
            }
        }
    }
}

} // namespace

class TestRecordScan : public QObject {
    Q_OBJECT

private slots:
    void sameAsCareful_data() {
        QTest::addColumn<QByteArray>("bytes");
        // Quotes, blanks, NUL bytes, line ends of every kind, the byte order mark and records cut short, at
        // every place in a block, are the fuzz corpus's, replayed with this comparison; here a whole level
        // and fields longer than the scan's buffers.
        QTest::newRow("editor level") << EditorRecords(3, 1);
        QTest::newRow("field longer than the fast scan takes")
            << Fields("\"A\"") + "\r\n" + Fields("\"B\"", ",\"" + QByteArray(100000, 'x') + "\"") + "\r\n" +
                   Fields("\"C\"");
        QTest::newRow("unquoted field too long")
            << Fields("\"A\"") + "\r\n\"B\"," + QByteArray(MaxFieldBytes + 1, 'x');
        QTest::newRow("quoted field too long")
            << Fields("\"A\"") + "\r\n\"B\",\"" + QByteArray(MaxFieldBytes + 1, 'x') + "\"," + Fields("1");
    }
    void sameAsCareful() {
        QFETCH(QByteArray, bytes);
        CompareEverywhere(bytes);
    }

    // The index of a file big enough to be split between two threads holds the runs the careful scan
    // gives, also where the split falls inside a run and where one key has several runs.
    void indexOfASplitFile() {
        QByteArray bytes = EditorRecords(1300, 3);
        QVERIFY(bytes.size() > ScanOptions().splitFrom);
        // Another key's records inside some screens give those screens two runs.
        for (qsizetype at = bytes.size() / 7; at < bytes.size(); at += bytes.size() / 7) {
            at = bytes.indexOf("\r\n", at) + 2;
            bytes.insert(at, Fields("\"Other\"") + "\r\n");
        }
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("level.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();

        FileAccess files;
        LevelIndex index;
        index.build(files, path);
        QVERIFY(!index.endFailure());
        const ScanResult careful = ScanCareful(bytes);
        std::map<QByteArray, std::vector<LevelIndex::Run>> expected;
        const QByteArray* lastKey = nullptr;
        for (const ScannedRecord& record : careful.records) {
            std::vector<LevelIndex::Run>& runs = expected[record.key];
            if (lastKey && *lastKey == record.key) {
                runs.back().end = record.end;
                ++runs.back().records;
            } else {
                runs.push_back(LevelIndex::Run{record.begin, record.end, 1});
            }
            lastKey = &record.key;
        }
        QVERIFY(expected.at("Screen500").size() == 1);
        int severalRuns = 0;
        const auto fields = [](const std::vector<LevelIndex::Run>& runs) {
            QList<std::array<qint64, 3>> list;
            for (const LevelIndex::Run& run : runs)
                list.append({run.begin, run.end, run.records});
            return list;
        };
        for (const auto& [key, runs] : expected) {
            const std::vector<LevelIndex::Run>& found = index.runsOf(QString::fromLatin1(key));
            severalRuns += key != "Other" && runs.size() > 1;
            // Another key's runs are never looked up.
            QCOMPARE(fields(found), key == "Other" ? fields({}) : fields(runs));
        }
        QCOMPARE(severalRuns, 6);
    }

    // A queue of two between threads: the items in order, two waiting at most, the producer stopped by the
    // consumer's close, and what the producer throws, of any type, thrown by the consumer after the items.
    void boundedQueue_data() {
        QTest::addColumn<int>("taken"); // before the consumer closes the queue; -1 for all
        QTest::newRow("closed by the consumer") << 3;
        QTest::newRow("no memory after the items") << -1;
    }
    void boundedQueue() {
        QFETCH(int, taken);
        BoundedQueue<int> queue(2);
        std::atomic<int> pushed{0};
        std::thread producer([&] {
            queue.produce([&] {
                while (pushed < 50 && queue.push(pushed))
                    ++pushed;
                throw std::bad_alloc();
            });
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        int got = 0;
        for (int item; got != taken && got < 50 && queue.pop(item) && item == got;)
            ++got;
        queue.close();
        producer.join();
        QCOMPARE(got, taken < 0 ? 50 : taken);
        QVERIFY(taken < 0 ? pushed == 50 : pushed <= taken + 2); // then refused
        if (taken < 0)
            QVERIFY_THROWS_EXCEPTION(std::bad_alloc, queue.pop(got));
    }
};

QTEST_GUILESS_MAIN(TestRecordScan)
#include "tst_recordscan.moc"
