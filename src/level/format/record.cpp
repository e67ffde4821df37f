#include "level/format/record.h"

#include "level/core/failure.h"
#include "level/core/messages.h"
#include "level/storage/fileaccess.h"

#include <QBuffer>
#include <QIODevice>

#include <algorithm>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

RecordReader::RecordReader(QIODevice* device, bool atFileStart, qint64 startOffset)
    : m_device(device), m_base(startOffset), m_atFileStart(atFileStart) {}

bool RecordReader::more(qsizetype wanted) {
    while (wanted >= m_buffer.size()) {
        // Bytes read are let go, except those kept from m_keepFrom on.
        const qint64 done = m_keepFrom < 0 ? m_pos : std::min<qint64>(m_pos, m_keepFrom - m_base);
        if (done > 0) {
            m_base += done;
            wanted -= done;
            m_pos -= done;
            m_buffer.remove(0, done);
        }
        const QByteArray chunk = m_device->read(ChunkSize);
        if (chunk.isEmpty())
            return false;
        m_buffer.append(chunk);
    }
    return true;
}

void RecordReader::keepBytes() {
    m_keepFrom = position();
}

QByteArray RecordReader::keptBytes(qint64 upTo) {
    const QByteArray bytes = m_buffer.mid(m_keepFrom - m_base, upTo - m_keepFrom);
    m_keepFrom = -1;
    return bytes;
}

QByteArrayView RecordReader::peek(qsizetype length) {
    if (m_atFileStart)
        passByteOrderMark();
    need(length - 1);
    return QByteArrayView(m_buffer).sliced(m_pos, std::min<qsizetype>(length, m_buffer.size() - m_pos));
}

void RecordReader::pass(qsizetype length, int records) {
    m_recordStart = position();
    m_pos += length;
    m_records += records;
}

// A UTF-8 byte order mark at the start of a file is no part of the first record (an editor that saves
// files as UTF-8 may put one there).
void RecordReader::passByteOrderMark() {
    m_atFileStart = false;
    if (need(2) && at(0) == '\xEF' && at(1) == '\xBB' && at(2) == '\xBF')
        m_pos += 3;
}

void RecordReader::startRecord() {
    if (m_atFileStart)
        passByteOrderMark();
    m_recordStart = position();
}

bool RecordReader::atEnd() {
    if (m_atFileStart)
        passByteOrderMark();
    // Blanks and line ends are consumed one by one; more() drops them from the buffer when it reads on.
    while (need(0)) {
        const char c = at(0);
        if (!isBlank(c) && !isLineEnd(c))
            return false;
        ++m_pos;
    }
    return true;
}

qsizetype RecordReader::passBlanks(qsizetype most) {
    if (m_atFileStart)
        passByteOrderMark();
    qsizetype passed = 0;
    while (passed < most && need(0)) {
        const char* const begin = m_buffer.constData() + m_pos;
        const char* const end = begin + std::min<qint64>(m_buffer.size() - m_pos, most - passed);
        const char* p = begin;
        while (p < end && (isBlank(*p) || isLineEnd(*p)))
            ++p;
        m_pos += p - begin;
        passed += p - begin;
        if (p < end)
            break;
    }
    return passed;
}

void RecordReader::checkFieldLength(qsizetype off, int field) const {
    if (off > MaxFieldBytes)
        throw Failure(ErrInvalidFormat,
                      Text(Msg::FieldTooLong).arg(field + 1).arg(m_recordStart).arg(position()));
}

qsizetype RecordReader::scanToDelimiter(qsizetype off, int field) {
    for (;;) {
        // Nothing past the longest field is looked at, so nothing past it is read.
        const qsizetype limit = std::min<qsizetype>(m_buffer.size() - m_pos, MaxFieldBytes + 1);
        const char* begin = m_buffer.constData() + m_pos;
        const char* end = begin + limit;
        const char* p = begin + off;
        while (p < end && *p != ',' && *p != '\r' && *p != '\n')
            ++p;
        off = p - begin;
        checkFieldLength(off, field);
        if (p < end || !need(off))
            return off;
    }
}

RecordReader::Span RecordReader::scanField(int field) {
    qsizetype off = 0;
    while (need(off) && isBlank(at(off)))
        checkFieldLength(++off, field);
    if (!need(off))
        throw Failure(ErrInputPastEnd);

    Span span{off, off, off, at(off) == '"'};
    if (span.quoted) {
        span.begin = ++off;
        // The text runs to the next double quote, commas and line breaks included.
        for (;;) {
            const qsizetype limit = std::min<qsizetype>(m_buffer.size() - m_pos, MaxFieldBytes + 1);
            const qsizetype available = limit - off;
            const char* start = m_buffer.constData() + m_pos + off;
            const void* quote = available > 0 ? std::memchr(start, '"', size_t(available)) : nullptr;
            if (quote) {
                off += static_cast<const char*>(quote) - start;
                break;
            }
            off = std::max(off, limit);
            checkFieldLength(off, field);
            if (!need(off))
                break;
        }
        span.end = off;
        if (need(off))
            ++off; // the closing quote
        // Anything between the closing quote and the delimiter is passed over.
        off = scanToDelimiter(off, field);
    } else {
        off = scanToDelimiter(off, field);
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

FieldValue RecordReader::readField(int field) {
    const Span span = scanField(field);
    const char* const fieldBegin = m_buffer.constData() + m_pos; // blanks before it included
    FieldValue value =
        valueOf(field, fieldBegin, fieldBegin + span.begin, fieldBegin + span.end, span.quoted);
    m_pos += span.next;
    return value;
}

FieldValue RecordReader::valueOf(int field, const char* fieldBegin, const char* begin, const char* end,
                                 bool quoted) {
    if (quoted)
        return FieldValue::text(textOf(field, begin, end));
    const char* const fieldEnd = end;
    while (end > begin && isBlank(end[-1]))
        --end;
    double number = 0;
    if (begin == end)
        return FieldValue();
    if (readWholeNumber(begin, end, &number))
        return FieldValue::number(number);
    QString text = textOf(field, begin, end);
    if (!ReadsAsNumber(text, &number))
        return FieldValue::text(std::move(text));
    if (begin == fieldBegin && end == fieldEnd)
        return FieldValue::readNumber(number, std::move(text));
    return FieldValue::number(number); // blanks around it are not written back
}

// Keys, picture names and numbers written as texts come again and again: a text met before in the same
// field shares the string made then, found by the hash of its bytes in a small table of recent texts.
QString RecordReader::textOf(int field, const char* begin, const char* end) {
    const QByteArrayView bytes(begin, end - begin);
    // Most often the text this field held in the record before: a screen's key, record after record.
    RecentText*& last = m_lastTexts[size_t(field)];
    if (last && last->bytes == bytes)
        return last->text;
    quint32 hash = 2166136261u; // FNV-1a
    for (const char c : bytes)
        hash = (hash ^ quint8(c)) * 16777619u;
    std::unique_ptr<RecentTexts>& texts = m_recentTexts[size_t(field)];
    if (!texts)
        texts = std::make_unique<RecentTexts>();
    RecentText& slot = (*texts)[hash % RecentTextSlots];
    if (slot.text.isNull() || slot.bytes != bytes) {
        slot.bytes = bytes.toByteArray();
        slot.text = QString::fromLatin1(bytes);
    }
    last = &slot;
    return slot.text;
}

Record RecordReader::read() {
    Record record;
    read(record);
    return record;
}

void RecordReader::read(Record& record) {
    startRecord();
    if (!scanInBuffer(&record, nullptr, nullptr)) {
        for (size_t field = 0; field < record.size(); ++field)
            record[field] = readField(int(field));
    }
    ++m_records;
}

bool KeyIsText(QByteArrayView key, bool quoted) {
    return quoted || (!key.isEmpty() && !ReadsAsNumber(QString::fromLatin1(key)));
}

QByteArrayView RecordSpans::key() const {
    const Field& first = fields[0];
    const char* end = first.end;
    if (!first.quoted)
        while (end > first.begin && isBlank(end[-1]))
            --end;
    return QByteArrayView(first.begin, end);
}

// The same scan as scanField() twelve times over, on bytes in memory alone.
const char* ScanRecordInMemory(const char* const begin, const char* const end, RecordSpans* spans) {
    const char* p = begin;
    for (RecordSpans::Field& found : spans->fields) {
        const char* const fieldStart = p;
        while (p < end && isBlank(*p))
            ++p;
        if (p == end)
            return nullptr;
        const bool quoted = *p == '"';
        const char* fieldBegin = p;
        const char* fieldEnd = nullptr;
        if (quoted) {
            fieldBegin = ++p;
            const auto* quote = static_cast<const char*>(std::memchr(p, '"', size_t(end - p)));
            if (!quote)
                return nullptr;
            fieldEnd = quote;
            p = quote + 1;
        }
        while (p < end && *p != ',' && *p != '\r' && *p != '\n')
            ++p;
        if (!quoted)
            fieldEnd = p;
        if (p == end || p - fieldStart > MaxFieldBytes)
            return nullptr;
        found = {fieldStart, fieldBegin, fieldEnd, quoted};
        if (*p == '\r') {
            if (++p == end)
                return nullptr;
            if (*p == '\n')
                ++p;
        } else {
            ++p;
        }
    }
    return p;
}

// False, with nothing consumed, when the record does not end inside the buffer or holds a field that is
// too long, and the careful path takes over.
bool RecordReader::scanInBuffer(Record* record, QByteArray* key, bool* keyIsText) {
    const char* const begin = m_buffer.constData() + m_pos;
    RecordSpans spans;
    const char* const p = ScanRecordInMemory(begin, m_buffer.constData() + m_buffer.size(), &spans);
    if (!p)
        return false;
    const auto& fields = spans.fields;
    const QByteArrayView keyBytes = spans.key();
    const bool keyQuoted = fields[0].quoted;
    if (record) {
        const bool screen = keyQuoted && keyBytes.startsWith("Screen");
        const quint16 wanted = screen ? m_screenFields : AllFields;
        for (int field = 0; field < 12; ++field) {
            const RecordSpans::Field& f = fields[size_t(field)];
            if (wanted & (1u << field))
                (*record)[size_t(field)] = valueOf(field, f.start, f.begin, f.end, f.quoted);
        }
        if (wanted != AllFields && m_restWanted && m_restWanted(*record)) {
            for (int field = 0; field < 12; ++field) {
                const RecordSpans::Field& f = fields[size_t(field)];
                if (!(wanted & (1u << field)))
                    (*record)[size_t(field)] = valueOf(field, f.start, f.begin, f.end, f.quoted);
            }
        }
    } else {
        key->resize(keyBytes.size());
        std::memcpy(key->data(), keyBytes.data(), size_t(keyBytes.size()));
        *keyIsText = KeyIsText(keyBytes, keyQuoted);
    }
    m_pos += p - begin;
    return true;
}

void RecordReader::skip(QByteArray* key, bool* keyIsText) {
    startRecord();
    if (scanInBuffer(nullptr, key, keyIsText)) {
        ++m_records;
        return;
    }
    const Span first = scanField(0);
    const char* begin = m_buffer.constData() + m_pos + first.begin;
    const char* end = m_buffer.constData() + m_pos + first.end;
    if (!first.quoted)
        while (end > begin && isBlank(end[-1]))
            --end;
    // The key's bytes go into the caller's array, whose room is used again from record to record.
    key->resize(end - begin);
    std::memcpy(key->data(), begin, size_t(end - begin));
    *keyIsText = KeyIsText(QByteArrayView(begin, end), first.quoted);
    m_pos += first.next;
    for (int field = 1; field < 12; ++field)
        m_pos += scanField(field).next;
    ++m_records;
}

qint64 LineOfOffset(QIODevice* device, qint64 offset) {
    return LinesOfOffsets(device, {offset}).front();
}

Record ReadRecordOfBytes(QByteArrayView bytes) {
    QByteArray copy = bytes.toByteArray();
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    RecordReader reader(&buffer, false);
    return reader.read();
}

namespace {
// The line ends among the bytes from `p` to `to`: every LF, and every CR that no LF follows. The bytes
// run on to `end`, and `after` is the byte after them. Sixteen bytes at a time, with the sixteen after
// the first: a level file has a line end every 50 bytes or so.
qint64 LineEndsIn(const char* p, const char* to, const char* end, char after) {
    qint64 ends = 0;
#ifdef __SSE2__
    // Each byte of `counts` counts the line ends at its place, for up to 255 steps; then they are added up.
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i zero = _mm_setzero_si128();
    const auto addUp = [&](__m128i counts) {
        const __m128i sums = _mm_sad_epu8(counts, zero);
        ends += _mm_cvtsi128_si64(sums) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums));
    };
    __m128i counts = zero;
    int steps = 0;
    for (; to - p >= 16 && end - p > 16; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
        const __m128i lineEnd = _mm_or_si128(
            _mm_cmpeq_epi8(bytes, lf), _mm_andnot_si128(_mm_cmpeq_epi8(next, lf), _mm_cmpeq_epi8(bytes, cr)));
        counts = _mm_sub_epi8(counts, lineEnd); // a line end is all ones: minus one
        if (++steps == 255) {
            addUp(counts);
            counts = zero;
            steps = 0;
        }
    }
    addUp(counts);
#endif
    for (; p < to; ++p)
        ends += *p == '\n' || (*p == '\r' && (p + 1 < end ? p[1] : after) != '\n');
    return ends;
}
} // namespace

std::vector<qint64> LinesOfOffsets(QIODevice* device, const std::vector<qint64>& offsets) {
    std::vector<qint64> lines(offsets.size(), 0);
    if (offsets.empty())
        return lines;
    const qint64 kept = device->pos();
    if (!device->seek(0))
        return lines;
    // The line of an offset is 1 and the line ends before it: every LF, and every CR that no LF follows
    // (looked at even when that next byte is at or past the offset). So the LF of a CR LF stays on the line
    // that CR LF ends.
    constexpr qsizetype ReadBytes = 1024 * 1024;
    std::vector<char> buffer(size_t(ReadBytes) + 1);
    char* const c = buffer.data();
    qint64 line = 1;
    qint64 base = 0;    // where the buffer starts in the device
    qsizetype held = 0; // the last byte of a read waits for the byte after it
    size_t next = 0;
    while (next < offsets.size()) {
        const qint64 read = device->read(c + held, ReadBytes);
        const bool atEnd = read <= 0;
        const qsizetype size = held + (atEnd ? 0 : qsizetype(read));
        if (size == 0)
            break;
        // The bytes whose line ends are known: all but the last, whose next byte is not read yet.
        const qsizetype known = atEnd ? size : size - 1;
        qsizetype from = 0;
        for (; next < offsets.size() && offsets[next] < base + known; ++next) {
            const qsizetype to = std::max(from, qsizetype(offsets[next] - base));
            line += LineEndsIn(c + from, c + to, c + size, '\0');
            from = to;
            lines[next] = line;
        }
        line += LineEndsIn(c + from, c + known, c + size, '\0');
        if (atEnd)
            break;
        c[0] = c[known];
        held = 1;
        base += known;
    }
    for (; next < offsets.size(); ++next) // offsets at or past the end of the device
        lines[next] = line;
    device->seek(kept);
    return lines;
}

RecordWriter::RecordWriter(QIODevice* device) : m_device(device) {}

void RecordWriter::CheckWritableText(const QString& text) {
    for (const QChar c : text) {
        if (c == u'"')
            throw Failure(ErrInvalidCall, Text(Msg::TextHoldsQuote).arg(text));
        if (c.unicode() > 0xFF)
            throw Failure(ErrInvalidCall, Text(Msg::TextHoldsCharacter).arg(text, QString(c)));
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
            line.append(field.toText().toLatin1()); // the text it was read from, when it keeps one
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
