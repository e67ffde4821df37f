#include "record.h"

#include "failure.h"
#include "fileaccess.h"

#include <QIODevice>

#include <cstring>

namespace tavrin {

namespace {
constexpr qint64 ChunkSize = 64 * 1024;

bool isLineEnd(int c) {
    return c == '\r' || c == '\n';
}
bool isBlank(int c) {
    return c == ' ' || c == '\t';
}
} // namespace

RecordReader::RecordReader(QIODevice* device) : m_device(device) {}

bool RecordReader::more(qsizetype wanted) {
    while (wanted >= m_buffer.size()) {
        if (m_pos > 0) {
            m_base += m_pos;
            wanted -= m_pos;
            m_buffer.remove(0, m_pos);
            m_pos = 0;
        }
        const QByteArray chunk = m_device->read(ChunkSize);
        if (chunk.isEmpty())
            return false;
        m_buffer.append(chunk);
    }
    return true;
}

bool RecordReader::atEnd() {
    while (need(0)) {
        const char c = at(0);
        if (!isBlank(c) && !isLineEnd(c))
            return false;
        ++m_pos;
    }
    return true;
}

qsizetype RecordReader::scanToDelimiter(qsizetype off) {
    for (;;) {
        const char* begin = m_buffer.constData() + m_pos;
        const char* end = m_buffer.constData() + m_buffer.size();
        const char* p = begin + off;
        while (p < end && *p != ',' && *p != '\r' && *p != '\n')
            ++p;
        off = p - begin;
        if (p < end || !need(off))
            return off;
    }
}

RecordReader::Span RecordReader::scanField() {
    qsizetype off = 0;
    while (need(off) && isBlank(at(off)))
        ++off;
    if (!need(off))
        throw Failure(ErrInputPastEnd);

    Span span{off, off, off, at(off) == '"'};
    if (span.quoted) {
        span.begin = ++off;
        // The text runs to the next double quote, commas and line breaks included.
        for (;;) {
            const qsizetype available = m_buffer.size() - (m_pos + off);
            const char* start = m_buffer.constData() + m_pos + off;
            const void* quote = available > 0 ? std::memchr(start, '"', size_t(available)) : nullptr;
            if (quote) {
                off += static_cast<const char*>(quote) - start;
                break;
            }
            off += available;
            if (!need(off))
                break;
        }
        span.end = off;
        if (need(off))
            ++off; // the closing quote
        // Anything between the closing quote and the delimiter is passed over.
        off = scanToDelimiter(off);
    } else {
        off = scanToDelimiter(off);
        span.end = off;
    }
    // The delimiter: a comma, or a line end (CR LF, a lone CR or a lone LF).
    if (need(off)) {
        const char c = at(off);
        ++off;
        if (c == '\r' && need(off) && at(off) == '\n')
            ++off;
    }
    span.next = off;
    return span;
}

namespace {
// Whole numbers of up to 15 digits, the common case, without a detour through text.
bool readWholeNumber(const char* begin, const char* end, double* value) {
    const bool negative = begin < end && *begin == '-';
    const char* p = negative ? begin + 1 : begin;
    if (p == end || end - p > 15)
        return false;
    qint64 number = 0;
    for (; p < end; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        number = number * 10 + (*p - '0');
    }
    *value = double(negative ? -number : number);
    return true;
}
} // namespace

FieldValue RecordReader::readField() {
    const Span span = scanField();
    const char* begin = m_buffer.constData() + m_pos + span.begin;
    const char* end = m_buffer.constData() + m_pos + span.end;
    FieldValue field;
    if (span.quoted) {
        field = FieldValue::text(QString::fromLatin1(begin, end - begin));
    } else {
        while (end > begin && isBlank(end[-1]))
            --end;
        double value = 0;
        if (begin == end)
            field = FieldValue();
        else if (readWholeNumber(begin, end, &value))
            field = FieldValue::number(value);
        else {
            const QString text = QString::fromLatin1(begin, end - begin);
            field = ReadsAsNumber(text, &value) ? FieldValue::number(value) : FieldValue::text(text);
        }
    }
    m_pos += span.next;
    return field;
}

Record RecordReader::read() {
    Record record;
    for (FieldValue& field : record)
        field = readField();
    ++m_records;
    return record;
}

// The same scan as scanField() twelve times over, on the bytes in the buffer alone; false, with nothing
// consumed, when the record does not end inside the buffer, and the careful path takes over.
bool RecordReader::skipInBuffer(QByteArray* key, bool* keyIsText) {
    const char* const begin = m_buffer.constData() + m_pos;
    const char* const end = m_buffer.constData() + m_buffer.size();
    const char* p = begin;
    const char* keyBegin = nullptr;
    const char* keyEnd = nullptr;
    bool keyQuoted = false;
    for (int field = 0; field < 12; ++field) {
        while (p < end && isBlank(*p))
            ++p;
        if (p == end)
            return false;
        const bool quoted = *p == '"';
        const char* fieldBegin = p;
        const char* fieldEnd = nullptr;
        if (quoted) {
            fieldBegin = ++p;
            const auto* quote = static_cast<const char*>(std::memchr(p, '"', size_t(end - p)));
            if (!quote)
                return false;
            fieldEnd = quote;
            p = quote + 1;
        }
        while (p < end && *p != ',' && *p != '\r' && *p != '\n')
            ++p;
        if (!quoted)
            fieldEnd = p;
        if (p == end)
            return false;
        if (*p == '\r') {
            if (++p == end)
                return false;
            if (*p == '\n')
                ++p;
        } else {
            ++p;
        }
        if (field == 0) {
            keyBegin = fieldBegin;
            keyEnd = fieldEnd;
            keyQuoted = quoted;
        }
    }
    if (!keyQuoted)
        while (keyEnd > keyBegin && isBlank(keyEnd[-1]))
            --keyEnd;
    key->resize(keyEnd - keyBegin);
    std::memcpy(key->data(), keyBegin, size_t(keyEnd - keyBegin));
    *keyIsText =
        keyQuoted || (keyBegin != keyEnd && !ReadsAsNumber(QString::fromLatin1(keyBegin, keyEnd - keyBegin)));
    m_pos += p - begin;
    ++m_records;
    return true;
}

void RecordReader::skip(QByteArray* key, bool* keyIsText) {
    if (skipInBuffer(key, keyIsText))
        return;
    const Span first = scanField();
    const char* begin = m_buffer.constData() + m_pos + first.begin;
    const char* end = m_buffer.constData() + m_pos + first.end;
    if (!first.quoted)
        while (end > begin && isBlank(end[-1]))
            --end;
    // The key's bytes go into the caller's array, whose room is used again from record to record.
    key->resize(end - begin);
    std::memcpy(key->data(), begin, size_t(end - begin));
    *keyIsText = first.quoted || (begin != end && !ReadsAsNumber(QString::fromLatin1(begin, end - begin)));
    m_pos += first.next;
    for (int field = 1; field < 12; ++field)
        m_pos += scanField().next;
    ++m_records;
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
