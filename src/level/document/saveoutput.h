#pragma once

#include "level/storage/atomicfile.h"
#include "level/storage/fileaccess.h"

#include <QByteArray>

namespace tavrin {

// What a save writes, in order: bytes gathered into large writes, and stretches of the level file that the
// system copies without their bytes passing through the editor.
class SaveOutput {
public:
    explicit SaveOutput(AtomicFile& file) : m_file(file) { m_bytes.reserve(LargeWrite + 64 * 1024); }

    void append(QByteArrayView bytes) {
        writeStretch();
        m_bytes.append(bytes);
        if (m_bytes.size() >= LargeWrite)
            writeBytes();
    }
    // The bytes of the file open as `source` from `begin` to `end`.
    void copy(int source, qint64 begin, qint64 end) {
        if (source == m_source && begin == m_stretchEnd) {
            m_stretchEnd = end;
            return;
        }
        flush();
        m_source = source;
        m_stretchBegin = begin;
        m_stretchEnd = end;
    }
    // Writes what is gathered, before anything is written to the file another way.
    void flush() {
        writeBytes();
        writeStretch();
    }
    // Where the next bytes given go in the file, counting only what went through here.
    qint64 position() const {
        return m_written + m_bytes.size() + (m_source >= 0 ? m_stretchEnd - m_stretchBegin : 0);
    }

private:
    static constexpr qsizetype LargeWrite = 4 * 1024 * 1024;

    void writeBytes() {
        if (!m_bytes.isEmpty() && m_file.write(m_bytes) != m_bytes.size())
            throw WriteFailure(m_file);
        m_written += m_bytes.size();
        m_bytes.truncate(0); // its room is used again
    }
    void writeStretch() {
        if (m_source >= 0 && !m_file.copyFrom(m_source, m_stretchBegin, m_stretchEnd - m_stretchBegin))
            throw WriteFailure(m_file);
        if (m_source >= 0)
            m_written += m_stretchEnd - m_stretchBegin;
        m_source = -1;
    }

    AtomicFile& m_file;
    QByteArray m_bytes;
    int m_source = -1; // none gathered
    qint64 m_stretchBegin = 0;
    qint64 m_stretchEnd = 0;
    qint64 m_written = 0;
};

} // namespace tavrin
