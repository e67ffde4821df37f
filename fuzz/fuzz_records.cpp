// Any bytes through the record reader: it reads them or fails with a code, never crashes or reads past
// the end; a record it reads and the writer accepts reads back the same.
#include "level/core/failure.h"
#include "level/format/record.h"

#include <QBuffer>
#include <cstdint>

using namespace tavrin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    RecordReader reader(&buffer);
    try {
        while (!reader.atEnd()) {
            const qint64 before = reader.position();
            const Record record = reader.read();
            if (reader.position() <= before || reader.position() > bytes.size())
                __builtin_trap();
            QByteArray line;
            try {
                line = RecordWriter::Encode(record);
            } catch (const Failure&) {
                continue; // a text the writer refuses
            }
            QBuffer again(&line);
            again.open(QIODevice::ReadOnly);
            RecordReader second(&again);
            const Record back = second.read();
            if (back != record || !second.atEnd())
                __builtin_trap();
        }
    } catch (const Failure& failure) {
        if (failure.code() != ErrInputPastEnd && failure.code() != ErrInvalidFormat)
            __builtin_trap();
    }
    // Passing over records must find the same boundaries as reading them.
    QBuffer skipping(&bytes);
    skipping.open(QIODevice::ReadOnly);
    RecordReader skipper(&skipping);
    QByteArray key;
    bool keyIsText = false;
    try {
        while (!skipper.atEnd())
            skipper.skip(&key, &keyIsText);
    } catch (const Failure&) {
    }
    if (skipper.recordsRead() != reader.recordsRead())
        __builtin_trap();
    return 0;
}
