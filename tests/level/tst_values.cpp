// Numbers, field values and the record encoding shared by scratch and level files.
#include "failure.h"
#include "fieldvalue.h"
#include "numbers.h"
#include "record.h"

#include <QBuffer>
#include <QtTest>

using namespace tavrin;

Q_DECLARE_METATYPE(tavrin::FieldValue)

namespace {
int failureCode(const std::function<void()>& action) {
    try {
        action();
    } catch (const Failure& failure) {
        return failure.code();
    }
    return 0;
}

QList<Record> readAll(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    RecordReader reader(&buffer);
    QList<Record> records;
    while (!reader.atEnd())
        records << reader.read();
    return records;
}

FieldValue num(double v) {
    return FieldValue::number(v);
}
FieldValue txt(const QString& t) {
    return FieldValue::text(t);
}
} // namespace

class TestValues : public QObject {
    Q_OBJECT
private slots:
    void readsAsNumber_data();
    void readsAsNumber();
    void toInteger_data();
    void toInteger();
    void numberToText_data();
    void numberToText();
    void fieldConversions();
    void recordRoundTrip();
    void readerFieldRules_data();
    void readerFieldRules();
    void readerNeverReadsPastTheEnd_data();
    void readerNeverReadsPastTheEnd();
    void writerRefusesUnstorableTexts_data();
    void writerRefusesUnstorableTexts();
};

void TestValues::readsAsNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");
    QTest::addColumn<double>("value");
    QTest::newRow("plain") << "42" << true << 42.0;
    QTest::newRow("blanks around") << "  7 " << true << 7.0;
    QTest::newRow("negative") << "-2147483643" << true << -2147483643.0;
    QTest::newRow("plus sign") << "+3" << true << 3.0;
    QTest::newRow("fraction") << "2.5" << true << 2.5;
    QTest::newRow("point first") << ".5" << true << 0.5;
    QTest::newRow("point last") << "1." << true << 1.0;
    QTest::newRow("exponent") << "1e3" << true << 1000.0;
    QTest::newRow("negative exponent") << "25E-1" << true << 2.5;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("blank") << "   " << false << 0.0;
    QTest::newRow("lone minus") << "-" << false << 0.0;
    QTest::newRow("letters") << "Text1" << false << 0.0;
    QTest::newRow("digits then letters") << "12a" << false << 0.0;
    QTest::newRow("two points") << "1.2.3" << false << 0.0;
    QTest::newRow("exponent without digits") << "1e" << false << 0.0;
    QTest::newRow("infinity spelled") << "inf" << false << 0.0;
    QTest::newRow("too large for any number") << "1e999" << false << 0.0;
    QTest::newRow("blank inside") << "1 2" << false << 0.0;
}

void TestValues::readsAsNumber() {
    QFETCH(QString, text);
    QFETCH(bool, numeric);
    QFETCH(double, value);
    double read = 0;
    QCOMPARE(ReadsAsNumber(text, &read), numeric);
    if (numeric)
        QCOMPARE(read, value);
}

void TestValues::toInteger_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("failure");
    QTest::newRow("half to even down") << "2.5" << 2 << 0;
    QTest::newRow("half to even up") << "3.5" << 4 << 0;
    QTest::newRow("negative half") << "-2.5" << -2 << 0;
    QTest::newRow("seven and a half") << "7.5" << 8 << 0;
    QTest::newRow("six and a half") << "6.5" << 6 << 0;
    QTest::newRow("blanks around") << " 7 " << 7 << 0;
    QTest::newRow("lowest") << "-32768" << -32768 << 0;
    QTest::newRow("highest") << "32767" << 32767 << 0;
    QTest::newRow("rounds over the top") << "32767.5" << 0 << int(ErrOverflow);
    QTest::newRow("too large") << "40000" << 0 << int(ErrOverflow);
    QTest::newRow("too small") << "-32769" << 0 << int(ErrOverflow);
    QTest::newRow("not a number") << "Text1" << 0 << int(ErrTypeMismatch);
    QTest::newRow("empty") << "" << 0 << int(ErrTypeMismatch);
}

void TestValues::toInteger() {
    QFETCH(QString, text);
    QFETCH(int, expected);
    QFETCH(int, failure);
    Integer value = 0;
    QCOMPARE(failureCode([&] { value = TextToInteger(text); }), failure);
    if (!failure)
        QCOMPARE(int(value), expected);
}

void TestValues::numberToText_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("system colour") << -2147483643.0 << "-2147483643";
    QTest::newRow("whole") << 997.0 << "997";
    QTest::newRow("fraction") << 2.5 << "2.5";
    QTest::newRow("shortest form") << 0.1 << "0.1";
}

void TestValues::numberToText() {
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(NumberToText(value), text);
    double back = 0;
    QVERIFY(ReadsAsNumber(text, &back));
    QCOMPARE(back, value);
}

void TestValues::fieldConversions() {
    QVERIFY(FieldValue().isNumeric());
    QCOMPARE(FieldValue().toNumber(), 0.0);
    QVERIFY(txt("997").isNumeric());
    QCOMPARE(txt("997").toInteger(), Integer(997));
    QVERIFY(!txt("\\grass.bmp").isNumeric());
    QCOMPARE(failureCode([] { (void)txt("abc").toInteger(); }), int(ErrTypeMismatch));
    QCOMPARE(num(-2147483643.0).toLong(), Long(-2147483643));
    QCOMPARE(num(12.5).toText(), QString("12.5"));
    QVERIFY(txt("997") != num(997));
}

void TestValues::recordRoundTrip() {
    const Record record{txt("Screen0"), num(1), num(-2147483643.0), txt("997"),   num(0),   num(-3),
                        num(0),         num(9), txt("a, b\r\nc"),   FieldValue(), num(997), txt("")};
    const QByteArray line = RecordWriter::Encode(record);
    QCOMPARE(line, QByteArray("\"Screen0\",1,-2147483643,\"997\",0,-3,0,9,\"a, b\r\nc\",,997,\"\"\r\n"));
    const QList<Record> back = readAll(line + line);
    QCOMPARE(back.size(), 2);
    QVERIFY(back[0] == record);
    QVERIFY(back[1] == record);
}

void TestValues::readerFieldRules_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("field");
    QTest::addColumn<FieldValue>("expected");
    const QByteArray tail = ",0,0,0,0,0,0,0,0,0,0\r\n";
    QTest::newRow("empty field at line end")
        << QByteArray("\"k\",1,2,3,4,5,6,7,8,9,10,\r\n") << 11 << FieldValue();
    QTest::newRow("bare text stays text") << QByteArray("\"k\",abc" + tail) << 1 << txt("abc");
    QTest::newRow("blanks around a number") << QByteArray("\"k\", 12 " + tail) << 1 << num(12);
    QTest::newRow("quoted number stays text") << QByteArray("\"k\",\"12\"" + tail) << 1 << txt("12");
    QTest::newRow("junk after closing quote") << QByteArray("\"k\",\"ab\"xy" + tail) << 1 << txt("ab");
    QTest::newRow("lone LF ends a field") << QByteArray("\"k\",1,2,3,4,5,6,7,8,9,10,11\n") << 11 << num(11);
    QTest::newRow("line end ends a field")
        << QByteArray("\"k\",1\r\n2,3,4,5,6,7,8,9,10,11\r\n") << 2 << num(2);
    QTest::newRow("latin-1 byte") << QByteArray("\"k\",\"caf\xe9\"" + tail) << 1
                                  << txt(QString::fromLatin1("caf\xe9"));
}

void TestValues::readerFieldRules() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, field);
    QFETCH(FieldValue, expected);
    const QList<Record> records = readAll(bytes);
    QCOMPARE(records.size(), 1);
    QVERIFY2(records[0][size_t(field)] == expected, qPrintable(records[0][size_t(field)].toText()));
}

void TestValues::readerNeverReadsPastTheEnd_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("failure");
    QTest::newRow("empty file") << QByteArray() << 0 << 0;
    QTest::newRow("only line ends") << QByteArray("\r\n\r\n  \n") << 0 << 0;
    QTest::newRow("truncated record") << QByteArray("\"Screen0\",1,2,3") << 0 << int(ErrInputPastEnd);
    QTest::newRow("unterminated quote")
        << QByteArray("\"Screen0,1,2,3,4,5,6,7,8,9,10,11\r\n") << 0 << int(ErrInputPastEnd);
    QTest::newRow("binary junk") << QByteArray("\x00\xff\x01,\"\x7f", 6) << 0 << int(ErrInputPastEnd);
    QTest::newRow("one record then a stub")
        << QByteArray("1,2,3,4,5,6,7,8,9,10,11,12\r\n\"x") << 1 << int(ErrInputPastEnd);
}

void TestValues::readerNeverReadsPastTheEnd() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, records);
    QFETCH(int, failure);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    RecordReader reader(&buffer);
    int read = 0;
    QCOMPARE(failureCode([&] {
                 while (!reader.atEnd()) {
                     reader.read();
                     ++read;
                 }
             }),
             failure);
    QCOMPARE(read, records);
}

void TestValues::writerRefusesUnstorableTexts_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("double quote") << "say \"hi\"";
    QTest::newRow("outside latin-1") << QString::fromUtf8("\xe2\x82\xac uro");
}

void TestValues::writerRefusesUnstorableTexts() {
    QFETCH(QString, text);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    RecordWriter writer(&buffer);
    const Record record{txt("LevelProp"), txt(text)};
    QCOMPARE(failureCode([&] { writer.write(record); }), int(ErrInvalidCall));
    QVERIFY(buffer.data().isEmpty());
}

QTEST_GUILESS_MAIN(TestValues)
#include "tst_values.moc"
