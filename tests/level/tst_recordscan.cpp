// The fast record scan finds exactly the records, keys and failure of the careful one, whatever the bytes,
// the buffer size, the scan kind or the point where the file is split between two threads; and the level
// index built with it holds the same runs.
#include "fileaccess.h"
#include "levelindex.h"
#include "record.h"
#include "scancompare.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

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
        const QByteArray level = EditorRecords(3, 1);
        QByteArray lf = level, cr = level;
        lf.replace("\r\n", "\n");
        cr.replace("\r\n", "\r");
        QTest::newRow("editor level") << level;
        QTest::newRow("LF alone") << lf;
        QTest::newRow("CR alone") << cr;
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("blanks only") << QByteArray(" \t\r\n\r\n  ");
        QTest::newRow("byte order mark") << "\xEF\xBB\xBF" + level.left(2000);
        QTest::newRow("byte order mark alone") << QByteArray("\xEF\xBB\xBF");
        QTest::newRow("part of a byte order mark") << QByteArray("\xEF\xBB");
        QTest::newRow("blank lines and blanks between records")
            << Fields("\"A\"") + "\r\n\r\n \t\r\n  " + Fields("\"B\"") + "\r\n\n\r" + Fields("\"C\"");
        QTest::newRow("blanks before quotes") << Fields("\"A\"", ", \"x\"") + "\r\n" + Fields("\"B\"");
        QTest::newRow("text after a closing quote")
            << "\"Scr\"een1,\"a\"b\"c\"," + Fields("1") + "\r\n" + Fields("\"B\"");
        QTest::newRow("quote inside a field")
            << "Scr\"een,a\"b," + Fields("\"x,y\"") + "\r\n" + Fields("\"B\"");
        QTest::newRow("doubled quotes") << Fields("\"A\"\"B\"") + "\r\n" + Fields("\"\"") + "\r\n";
        QTest::newRow("line breaks inside quotes")
            << Fields("\"A\"", ",\"one\r\ntwo\rthree\nfour\"") + "\r\n" + Fields("\"B\"") + "\r\n";
        QTest::newRow("NUL bytes") << Fields(QByteArray("\"A\0B\"", 5), QByteArray(",\0", 2)) +
                                          QByteArray("\r\n\0", 3) + Fields("\"C\"");
        QTest::newRow("ends inside quotes") << level.left(5000) + "\"Screen9\",1,\"never closed";
        QTest::newRow("ends inside a record") << level.left(5000) + "\"Screen9\",1,2,3";
        QTest::newRow("no line end at the end") << Fields("\"A\"") + "\r\n" + Fields("\"B\"");
        QTest::newRow("CR at the very end") << Fields("\"A\"") + "\r\n" + Fields("\"B\"") + "\r";
        QTest::newRow("records across lines")
            << Fields("\"A\"", "\r\n") + "\r\n" + Fields("\"B\"", "\n") + "\r\n";
        QTest::newRow("unquoted and numeric keys") << Fields("Screen1 ") + "\r\n" + Fields("12") + "\r\n" +
                                                          Fields(" 1e3 ") + "\r\n" + Fields("LevelProp\t");
        QTest::newRow("empty fields") << QByteArray(",,,,,,,,,,,\r\n,,,,,,,,,,,\r\n\"A\",,,,,,,,,,,");
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

    // Every record shifted to every place in a 64-byte block.
    void everyPlaceInABlock() {
        const QByteArray level = EditorRecords(1, 7).left(3000);
        for (int shift = 0; shift < 64; ++shift)
            CompareEverywhere(QByteArray(shift, ' ') + level);
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
        for (const auto& [key, runs] : expected) {
            const std::vector<LevelIndex::Run>& found = index.runsOf(QString::fromLatin1(key));
            if (key == "Other") {
                QVERIFY(found.empty()); // never looked up
                continue;
            }
            severalRuns += runs.size() > 1;
            QCOMPARE(found.size(), runs.size());
            for (size_t i = 0; i < runs.size(); ++i) {
                QCOMPARE(found[i].begin, runs[i].begin);
                QCOMPARE(found[i].end, runs[i].end);
                QCOMPARE(found[i].records, runs[i].records);
            }
        }
        QCOMPARE(severalRuns, 6);
    }
};

QTEST_GUILESS_MAIN(TestRecordScan)
#include "tst_recordscan.moc"
