// The record reader on files that are not plain levels, where it says a record stands, and numbers that
// must come back as they were written; numbers, field values and the record encoding shared by scratch
// and level files.
#include "level/core/failure.h"
#include "level/core/numbers.h"
#include "level/format/record.h"
#include "level/format/recordstream.h"

#include <QBuffer>
#include <QtTest>

using namespace tavrin;

namespace {
// A record of the key and eleven empty fields.
QByteArray KeyOnly(const QByteArray& key) {
    return key + ",,,,,,,,,,,\r\n";
}

// Every record of `bytes`, read (or passed over) to the end, as "<key>@<start>:<line>" each, then
// "failure <code>" if the reader failed.
QStringList ReadAll(QByteArray bytes, bool atFileStart, bool skipping) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    RecordReader reader(&buffer, atFileStart);
    QStringList outcome;
    try {
        while (!reader.atEnd()) {
            QString key;
            if (skipping) {
                QByteArray keyBytes;
                bool isText = false;
                reader.skip(&keyBytes, &isText);
                key = QString::fromLatin1(keyBytes);
            } else {
                key = reader.read()[0].toText();
            }
            outcome << QStringLiteral("%1@%2:%3")
                           .arg(key)
                           .arg(reader.recordStart())
                           .arg(LineOfOffset(&buffer, reader.recordStart()));
        }
    } catch (const Failure& failure) {
        outcome << "failure " + QString::number(failure.code());
        // A field that is too long is given up on long before the rest of the file is read.
        if (failure.code() == ErrInvalidFormat && buffer.pos() > 2 * MaxFieldBytes)
            outcome << "read on to " + QString::number(buffer.pos());
    }
    return outcome;
}
// What an action gives, as text, or "failure <code>".
template <typename Action> QString Outcome(Action action) {
    try {
        return QVariant(action()).toString();
    } catch (const Failure& failure) {
        return "failure " + QString::number(failure.code());
    }
}

// Reads every record of `bytes` and writes it again.
QByteArray Rewrite(QByteArray bytes) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    RecordReader reader(&buffer);
    QByteArray written;
    while (!reader.atEnd())
        written += RecordWriter::Encode(reader.read());
    return written;
}
} // namespace

class TestRecords : public QObject {
    Q_OBJECT
private slots:
    void reader_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("atFileStart");
        QTest::addColumn<QStringList>("outcome");
        const QByteArray mark = "\xEF\xBB\xBF";
        const QByteArray record = KeyOnly("\"Screen0\"");
        const auto row = [](const char* name, const QByteArray& bytes, const QStringList& outcome,
                            bool atFileStart = true) {
            QTest::newRow(name) << bytes << atFileStart << outcome;
        };
        row("no byte order mark", record, {"Screen0@0:1"});
        row("byte order mark at the start of a file", mark + record, {"Screen0@3:1"});
        row("byte order mark alone", mark, {});
        row("byte order mark in records from the middle of a file", mark + record,
            {QString::fromLatin1(mark) + "\"Screen0\"@0:1"}, false);
        row("byte order mark after the first record", record + mark + record,
            {"Screen0@0:1", QString::fromLatin1(mark) + "\"Screen0\"@22:2"});

        row("starts and lines: CR LF, LF, lone CR, blank lines, line break in a text",
            QByteArray(
                "\"a\",,,,,,,,,,,\r\n\"b\r\nc\",1,,,,,,,,,,\n\r\n  \"d\",,,,,,,,,,,\r\"e\",,,,,,,,,,,9"),
            {"a@0:1", "b\r\nc@16:2", "d@39:5", "e@54:6"});

        const QByteArray longest(MaxFieldBytes, 'x');
        row("last field just as long as allowed", ",,,,,,,,,,," + longest, {"@0:1"});
        row("unquoted field one byte too long", ",,,,,,,,,,," + longest + "x", {"failure 321"});
        row("quoted text as long as allowed, quotes included",
            ",,,,,,,,,,,\"" + longest.left(MaxFieldBytes - 2) + "\"\r\n", {"@0:1"});
        row("junk after a quoted text makes the field too long",
            ",,,,,,,,,,,\"" + longest.left(MaxFieldBytes - 2) + "\"x\r\n", {"failure 321"});
        row("quote never closed", "\"Screen0\",\"" + QByteArray(8 * MaxFieldBytes, 'a'), {"failure 321"});
        row("blanks filling a field", "\"Screen0\"," + QByteArray(8 * MaxFieldBytes, ' ') + ",,,,,,,,,,\r\n",
            {"failure 321"});
        row("short file ending inside a record", record + "\"Screen0\",\"" + longest.left(1000),
            {"Screen0@0:1", "failure 62"});
    }

    // read() and skip() agree on every case.
    void reader() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, atFileStart);
        QFETCH(QStringList, outcome);
        QCOMPARE(ReadAll(bytes, atFileStart, false), outcome);
        QCOMPARE(ReadAll(bytes, atFileStart, true), outcome);
    }

    // A number read and not changed is written back as it was read when that is the writer's own plain
    // form; other spellings are written in the shortest form.
    void numberTexts_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("written");
        for (const QByteArray text : {"12345678901234567", "-12345678901234567", "99999999999999999999",
                                      "0.30000000000000001", "-2147483643"})
            QTest::newRow(("as read: " + text).constData()) << text << text;
        // A plus sign, a fraction of zero, a blank after.
        for (const QByteArray text : {"+12345678901234567", "12345678901234567.0", "12345678901234567 "})
            QTest::newRow(("respelled: " + text).constData()) << text << QByteArray("12345678901234568");
        QTest::newRow("exponent") << QByteArray("1e20") << QByteArray("1E+20");
    }
    void numberTexts() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, written);
        QByteArray bytes = "\"k\"," + text + ",,,,,,,,,,\r\n";
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        const Record record = RecordReader(&buffer).read();
        QVERIFY(record[1].isNumber());
        QCOMPARE(RecordWriter::Encode(record), "\"k\"," + written + ",,,,,,,,,,\r\n");
        QCOMPARE(record[1].toText(), QString::fromLatin1(written));
        // Changed to the same value, the number is the editor's own and is written in the shortest form.
        const FieldValue changed = FieldValue::number(record[1].numberValue());
        QCOMPARE(changed, record[1]);
        QCOMPARE(changed.toText(), NumberToText(record[1].numberValue()));
    }

    // The stream gives what the reader gives, across many batches (some read on the caller's thread), up
    // to the failure at the end; and a stream left early ends without waiting for the rest of the file.
    // The lines of many offsets in one pass, against counting byte by byte: line ends of every kind, on
    // both sides of the 16-byte steps and of the reads of a megabyte.
    void linesOfOffsets_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("CR LF") << QByteArray("ab\r\ncd\r\n").repeated(9000);
        QTest::newRow("lone CR and lone LF") << QByteArray("a\rb\nc\r\r\nd\n\r").repeated(7000);
        QTest::newRow("a CR LF across a read")
            << QByteArray(1024 * 1024 - 1, 'x') + "\r\n" + QByteArray(40, 'y') + "\r";
        QTest::newRow("CR at the end") << QByteArray("\r\r").repeated(9) + "x\r";
    }
    void linesOfOffsets() {
        QFETCH(QByteArray, bytes);
        std::vector<qint64> offsets;
        for (qint64 offset = 0; offset <= bytes.size() + 1; offset += 1 + offset % 53)
            offsets.push_back(offset);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        const std::vector<qint64> lines = LinesOfOffsets(&buffer, offsets);
        QCOMPARE(lines.size(), offsets.size());
        qint64 line = 1;
        qsizetype at = 0;
        for (size_t i = 0; i < offsets.size(); ++i) {
            for (; at < offsets[i] && at < bytes.size(); ++at)
                line += bytes[at] == '\n' ||
                        (bytes[at] == '\r' && (at + 1 < bytes.size() ? bytes[at + 1] : 0) != '\n');
            QCOMPARE(lines[i], line);
        }
    }

    void stream_data() {
        QTest::addColumn<int>("records");
        QTest::newRow("the failure in a batch read ahead") << 10000;
        QTest::newRow("the failure in a batch left to the caller") << 7000;
    }
    void stream() {
        QFETCH(int, records);
        QByteArray bytes;
        for (int i = 0; i < records; ++i)
            bytes += "\"Screen" + QByteArray::number(i % 37) + "\"," + QByteArray::number(i) + ",\"" +
                     QByteArray::number(i % 301) + "\",,,,,,,,,\r\n";
        bytes += "\"Screen1\",\"ends inside a text";
        QBuffer expected(&bytes);
        expected.open(QIODevice::ReadOnly);
        RecordReader reader(&expected);
        QBuffer streamed(&bytes);
        streamed.open(QIODevice::ReadOnly);
        RecordStream stream(&streamed);
        int read = 0;
        int failure = 0;
        try {
            while (const Record* record = stream.next()) {
                QVERIFY(!reader.atEnd());
                QCOMPARE(*record, reader.read());
                QCOMPARE(stream.recordStart(), reader.recordStart());
                ++read;
            }
        } catch (const Failure& caught) {
            failure = caught.code();
        }
        QCOMPARE(read, records);
        QCOMPARE(failure, int(ErrInputPastEnd));
        QCOMPARE(stream.recordStart(), bytes.indexOf("\"Screen1\",\"ends"));

        QBuffer left(&bytes);
        left.open(QIODevice::ReadOnly);
        RecordStream early(&left);
        QVERIFY(early.next());
    }

    // A text that does not read as a number fails with 13 on its way to an Integer.
    void toInteger_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("integer");
        QTest::newRow("blanks around") << QString(" 7 ") << "7";
        QTest::newRow("point first, half to even") << QString(".5") << "0";
        QTest::newRow("half to even up") << QString("3.5") << "4";
        QTest::newRow("lowest") << QString("-32768") << "-32768";
        QTest::newRow("rounds over the top") << QString("32767.5") << "failure 6";
        QTest::newRow("empty") << QString() << "failure 13";
        QTest::newRow("digits then letters") << QString("12a") << "failure 13";
        QTest::newRow("too large for any number") << QString("1e999") << "failure 13";
    }
    void toInteger() {
        QFETCH(QString, text);
        QFETCH(QString, integer);
        QCOMPARE(ReadsAsNumber(text), integer != "failure 13");
        QCOMPARE(Outcome([&] { return TextToInteger(text); }), integer);
    }

    // Read and written again, a file comes back byte for byte, or the reader fails with 62.
    void readAndWrite_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("written");
        const QByteArray kinds = "\"Screen0\",-2147483643,\"997\",997,,\"a, b\r\nc\",\"\",,,,,\r\n";
        QTest::newRow("kinds kept") << kinds << QString(kinds);
        QTest::newRow("shortest") << QByteArray("-0,.10,2.50,1e3,,,,,,,,\n") << "0,0.1,2.5,1000,,,,,,,,\r\n";
        QTest::newRow("empty file") << QByteArray() << "";
        QTest::newRow("truncated record") << QByteArray("1,,,,,,,,,,,\r\n\"x\",2") << "failure 62";
        QTest::newRow("unterminated quote") << QByteArray("\"Screen0,1,,,,,,,,,,\r\n") << "failure 62";
    }
    void readAndWrite() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, written);
        QCOMPARE(Outcome([&] { return Rewrite(bytes); }), written);
    }

    void writerRefusesQuoteAndNonLatin1() {
        for (const QString& t : {QString("say \"hi\""), QString::fromUtf8("\u20ac")})
            QVERIFY(Outcome([&] { return RecordWriter::Encode({FieldValue::text(t)}); }) == "failure 5");
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
