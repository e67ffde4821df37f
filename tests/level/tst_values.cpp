// Numbers, field values and the record encoding shared by scratch and level files.
#include "failure.h"
#include "numbers.h"
#include "record.h"

#include <QBuffer>
#include <QtTest>

using namespace tavrin;

namespace {
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

class TestValues : public QObject {
    Q_OBJECT
private slots:
    // A text that does not read as a number fails with 13 on its way to an Integer.
    void toInteger_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("integer");
        QTest::newRow("blanks around") << QString(" 7 ") << "7";
        QTest::newRow("point first, half to even") << QString(".5") << "0";
        QTest::newRow("exponent, half to even") << QString("25E-1") << "2";
        QTest::newRow("half to even up") << QString("3.5") << "4";
        QTest::newRow("lowest") << QString("-32768") << "-32768";
        QTest::newRow("rounds over the top") << QString("32767.5") << "failure 6";
        QTest::newRow("empty") << QString() << "failure 13";
        QTest::newRow("lone minus") << QString("-") << "failure 13";
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
        QTest::newRow("binary junk") << QByteArray("\x00\xff\x01,\"\x7f", 6) << "failure 62";
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

QTEST_GUILESS_MAIN(TestValues)
#include "tst_values.moc"
