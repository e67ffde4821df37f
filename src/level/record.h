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

private:
    bool fill();
    int peek();
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
