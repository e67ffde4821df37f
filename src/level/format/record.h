#pragma once

#include "level/core/fieldvalue.h"

#include <QByteArray>
#include <array>
#include <memory>
#include <vector>

class QIODevice;

namespace tavrin {

// A record of a scratch or level file: twelve fields.
using Record = std::array<FieldValue, 12>;

// The longest field a reader takes, in bytes. No level comes anywhere near it: a longer field means the
// file is no level (a binary file, a text whose closing quote is missing), and reading on would only fill
// memory. A field counts from the end of the delimiter before it to the delimiter after it.
constexpr qsizetype MaxFieldBytes = 1024 * 1024;

// Where the fields of one record lie in memory: `start` where the field starts (blanks before it
// included), `begin` and `end` its characters (inside the quotes of a quoted text).
struct RecordSpans {
    struct Field {
        const char* start;
        const char* begin;
        const char* end;
        bool quoted;
    };
    std::array<Field, 12> fields;

    // The record's key: the characters of its first field, trimmed of trailing blanks unless quoted.
    QByteArrayView key() const;
};

// The record that starts at `begin`, scanned as RecordReader reads it, on bytes in memory: where it ends
// (after its last delimiter), or nullptr when it does not end before `end` or holds a field longer than
// MaxFieldBytes. The record must start at `begin`: no blanks or line ends before it.
const char* ScanRecordInMemory(const char* begin, const char* end, RecordSpans* spans);

// Whether a record's key, its first field (trimmed of trailing blanks unless `quoted`), is a text: quoted,
// or not empty and not reading as a number.
bool KeyIsText(QByteArrayView key, bool quoted);

// Reads twelve-field records from a device. Texts are quoted and may hold commas and line breaks; other
// fields run to the next comma or line end. Bytes are read as Latin-1, so every file reads and writes
// back byte for byte. A field longer than MaxFieldBytes fails with 321 as soon as it is met, so memory
// stays within a few times the longest record, whatever the size of the file.
class RecordReader {
public:
    // `atFileStart`: the device stands at the start of a file, where a UTF-8 byte order mark is passed
    // over. False for a device holding records taken from the middle of a file.
    // `startOffset`: the offset in its file of the device's position, which positions and failures count
    // from.
    explicit RecordReader(QIODevice* device, bool atFileStart = true, qint64 startOffset = 0);

    // True when nothing but blanks and line ends is left.
    bool atEnd();
    // Passes over the blanks and line ends at the read position, `most` of them at the most: how many.
    qsizetype passBlanks(qsizetype most);
    // The next record; failure 62 when the file ends inside it, 321 at a field that is too long.
    Record read();
    // The same into `record`, whose fields are empty.
    void read(Record& record);
    // Of a record whose key is a text that starts with "Screen", read() need only give the fields whose
    // bits are set in `fields` (bit 0 for the key), and the others too when `rest`, given the record read
    // that far, says so; the others may be left empty. Readers that look at a few fields of most tiles
    // pass over the rest at a fraction of the work.
    using RestWanted = bool (*)(const Record&);
    void setScreenFields(quint16 fields, RestWanted rest = nullptr) {
        m_screenFields = fields;
        m_restWanted = rest;
    }
    static constexpr quint16 AllFields = 0xFFF;
    // Number of records read so far.
    qint64 recordsRead() const { return m_records; }
    // Byte offset where the next record starts (after atEnd()), counted from the start of the device
    // (a byte order mark included).
    qint64 position() const { return m_base + m_pos; }
    // Byte offset where the record read or skipped last began, or the one whose reading failed; -1
    // before the first.
    qint64 recordStart() const { return m_recordStart; }
    // Passes over the next record as read() would, keeping only its key: the text of its first field
    // (keyIsText false when that field is empty or a number). It fails as read() does.
    void skip(QByteArray* key, bool* keyIsText);
    // Keeps every byte from position() on, until keptBytes() gives them, up to the offset `upTo` (a record
    // start or the position, not before the bytes kept).
    void keepBytes();
    QByteArray keptBytes(qint64 upTo);
    // Up to `length` bytes from position() on, fewer at the end of the file; valid until the next call.
    QByteArrayView peek(qsizetype length);
    // Passes over `length` bytes of peek() that hold `records` whole records, the blanks and line ends
    // after them included.
    void pass(qsizetype length, int records);

private:
    struct Span {
        qsizetype begin; // where the field's characters start, counted from the read position
        qsizetype end;
        qsizetype next; // where the next field starts
        bool quoted;
    };
    // Makes the byte at `offset` from the read position available; false at the end of the file.
    bool need(qsizetype offset) { return m_pos + offset < m_buffer.size() || more(m_pos + offset); }
    bool more(qsizetype wanted);
    char at(qsizetype offset) const { return m_buffer.at(m_pos + offset); }
    void passByteOrderMark();
    // Notes where the record about to be read begins.
    void startRecord();
    Span scanField(int field);
    // Reads (into `record`) or passes over (keeping its key) a record that lies whole in the buffer; false,
    // having read nothing, when it does not.
    bool scanInBuffer(Record* record, QByteArray* key, bool* keyIsText);
    // The offset of the next comma or line end at or after `offset` (or of the end of the file).
    qsizetype scanToDelimiter(qsizetype offset, int field);
    // The bytes from the read position up to `offset` are no delimiter: failure 321 once they are more
    // than a field may hold.
    void checkFieldLength(qsizetype offset, int field) const;
    FieldValue readField(int field);
    // The value of field `field`, whose characters run from `begin` to `end` (blanks before it from
    // `fieldBegin`); `quoted` for a text in quotes.
    FieldValue valueOf(int field, const char* fieldBegin, const char* begin, const char* end, bool quoted);
    QString textOf(int field, const char* begin, const char* end);

    QIODevice* m_device;
    QByteArray m_buffer;
    qint64 m_pos = 0;
    qint64 m_base = 0;
    qint64 m_records = 0;
    qint64 m_recordStart = -1;
    bool m_atFileStart;
    quint16 m_screenFields = AllFields;
    RestWanted m_restWanted = nullptr;
    qint64 m_keepFrom = -1;
    struct RecentText {
        QByteArray bytes;
        QString text;
    };
    static constexpr size_t RecentTextSlots = 1024;
    using RecentTexts = std::array<RecentText, RecentTextSlots>;
    // The texts each field held lately, by field, each in the slot of its hash; made at a field's first text.
    std::array<std::unique_ptr<RecentTexts>, 12> m_recentTexts;
    std::array<RecentText*, 12> m_lastTexts = {}; // the slot each field's last text was found in
};

// The record that `bytes` hold whole, as RecordReader reads it; the record scan finds such bytes.
Record ReadRecordOfBytes(QByteArrayView bytes);

// The line of `device` on which the byte at `offset` stands, counting from 1. CR LF, a lone CR and a lone
// LF each end a line, inside quoted texts too. The device must be able to seek; its position is kept.
qint64 LineOfOffset(QIODevice* device, qint64 offset);
// The lines of several offsets, in one pass over the device: `offsets` ascending.
std::vector<qint64> LinesOfOffsets(QIODevice* device, const std::vector<qint64>& offsets);

// Writes records with CR LF line ends. A text holding a double quote, or a character outside Latin-1,
// cannot be written so that it reads back the same: CheckWritable refuses it with failure 5.
class RecordWriter {
public:
    explicit RecordWriter(QIODevice* device);

    void write(const Record& record);
    void writeRaw(const QByteArray& bytes);

    static void CheckWritable(const Record& record);
    static void CheckWritableText(const QString& text);
    static QByteArray Encode(const Record& record);

private:
    QIODevice* m_device;
};

} // namespace tavrin
