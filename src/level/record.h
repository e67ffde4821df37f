#pragma once

#include "fieldvalue.h"

#include <QByteArray>
#include <array>

class QIODevice;

namespace tavrin {

// A record of a scratch or level file: twelve fields.
using Record = std::array<FieldValue, 12>;

// Reads twelve-field records from a device. Texts are quoted and may hold commas and line breaks; other
// fields run to the next comma or line end. Bytes are read as Latin-1, so every file reads and writes
// back byte for byte.
class RecordReader {
public:
    explicit RecordReader(QIODevice* device);

    // True when nothing but blanks and line ends is left.
    bool atEnd();
    // The next record; failure 62 when the file ends inside it.
    Record read();
    // Number of records read so far.
    qint64 recordsRead() const { return m_records; }
    // Byte offset where the next record starts (after atEnd()).
    qint64 position() const { return m_base + m_pos; }
    // Passes over the next record as read() would, keeping only its key: the text of its first field
    // (keyIsText false when that field is empty or a number). Failure 62 when the file ends inside it.
    void skip(QByteArray* key, bool* keyIsText);

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
    Span scanField();
    bool skipInBuffer(QByteArray* key, bool* keyIsText);
    // The offset of the next comma or line end at or after `offset` (or of the end of the file).
    qsizetype scanToDelimiter(qsizetype offset);
    FieldValue readField();

    QIODevice* m_device;
    QByteArray m_buffer;
    qint64 m_pos = 0;
    qint64 m_base = 0;
    qint64 m_records = 0;
};

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
