#include "record.h"

#include "failure.h"
#include "fileaccess.h"

#include <QIODevice>

namespace tavrin {

namespace {
constexpr qint64 ChunkSize = 64 * 1024;
constexpr int EndOfFile = -1;

bool isLineEnd(int c) {
    return c == '\r' || c == '\n';
}
bool isBlank(int c) {
    return c == ' ' || c == '\t';
}
} // namespace

RecordReader::RecordReader(QIODevice* device) : m_device(device) {}

bool RecordReader::fill() {
    if (m_pos < m_buffer.size())
        return true;
    m_base += m_buffer.size();
    m_buffer = m_device->read(ChunkSize);
    m_pos = 0;
    return !m_buffer.isEmpty();
}

int RecordReader::peek() {
    if (!fill())
        return EndOfFile;
    return static_cast<unsigned char>(m_buffer[m_pos]);
}

bool RecordReader::atEnd() {
    for (int c = peek(); c != EndOfFile; c = peek()) {
        if (!isBlank(c) && !isLineEnd(c))
            return false;
        ++m_pos;
    }
    return true;
}

FieldValue RecordReader::readField() {
    int c = peek();
    while (isBlank(c)) {
        ++m_pos;
        c = peek();
    }
    if (c == EndOfFile)
        throw Failure(ErrInputPastEnd);

    QByteArray bytes;
    const bool quoted = c == '"';
    if (quoted) {
        ++m_pos;
        for (c = peek(); c != EndOfFile && c != '"'; c = peek()) {
            bytes.append(static_cast<char>(c));
            ++m_pos;
        }
        if (c == '"')
            ++m_pos;
        // Anything between the closing quote and the delimiter is passed over.
        for (c = peek(); c != EndOfFile && c != ',' && !isLineEnd(c); c = peek())
            ++m_pos;
    } else {
        for (; c != EndOfFile && c != ',' && !isLineEnd(c); c = peek()) {
            bytes.append(static_cast<char>(c));
            ++m_pos;
        }
    }
    // The delimiter: a comma, or a line end (CR LF, a lone CR or a lone LF).
    if (c == ',') {
        ++m_pos;
    } else if (c == '\r') {
        ++m_pos;
        if (peek() == '\n')
            ++m_pos;
    } else if (c == '\n') {
        ++m_pos;
    }

    if (quoted)
        return FieldValue::text(QString::fromLatin1(bytes));
    const QString text = QString::fromLatin1(bytes).trimmed();
    if (text.isEmpty())
        return FieldValue();
    double value = 0;
    if (ReadsAsNumber(text, &value))
        return FieldValue::number(value);
    return FieldValue::text(text);
}

Record RecordReader::read() {
    Record record;
    for (FieldValue& field : record)
        field = readField();
    ++m_records;
    return record;
}

RecordWriter::RecordWriter(QIODevice* device) : m_device(device) {}

void RecordWriter::CheckWritableText(const QString& text) {
    for (const QChar c : text) {
        if (c == u'"')
            throw Failure(
                ErrInvalidCall,
                QStringLiteral("The text \"%1\" holds a double quote, which a level file cannot store. "
                               "Use another character instead.")
                    .arg(text));
        if (c.unicode() > 0xFF)
            throw Failure(
                ErrInvalidCall,
                QStringLiteral("The text \"%1\" holds the character '%2', which a level file cannot "
                               "store. Use Latin letters, digits and punctuation.")
                    .arg(text, QString(c)));
    }
}

void RecordWriter::CheckWritable(const Record& record) {
    for (const FieldValue& field : record)
        if (field.isText())
            CheckWritableText(field.textValue());
}

QByteArray RecordWriter::Encode(const Record& record) {
    CheckWritable(record);
    QByteArray line;
    line.reserve(96);
    for (size_t i = 0; i < record.size(); ++i) {
        if (i > 0)
            line.append(',');
        const FieldValue& field = record[i];
        if (field.isText()) {
            line.append('"');
            line.append(field.textValue().toLatin1());
            line.append('"');
        } else if (field.isNumber()) {
            line.append(NumberToText(field.numberValue()).toLatin1());
        }
    }
    line.append("\r\n");
    return line;
}

void RecordWriter::write(const Record& record) {
    writeRaw(Encode(record));
}

void RecordWriter::writeRaw(const QByteArray& bytes) {
    if (m_device->write(bytes) != bytes.size())
        throw WriteFailure(*m_device);
}

} // namespace tavrin
