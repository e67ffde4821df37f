#include "level/tools/leveljson_writer.h"

#include "level/storage/fileaccess.h"

namespace tavrin::leveljson {

ChunkWriter::ChunkWriter(QIODevice* device) : m_device(device), m_buffer(ChunkBytes, Qt::Uninitialized) {
    m_written.push(QByteArray(ChunkBytes, Qt::Uninitialized));
    m_thread = std::thread([this] {
        m_written.produce([this] { writeChunks(); });
        m_full.close(); // a thread that failed takes no more
    });
}

ChunkWriter::~ChunkWriter() {
    m_full.close();
    m_thread.join();
}

void ChunkWriter::finish() {
    handOver();
    // The other chunk, once it is written, and back for more.
    QByteArray other;
    if (m_written.pop(other))
        m_written.push(std::move(other));
}

void ChunkWriter::handOver() {
    if (m_size == 0)
        return;
    m_full.push(Chunk{std::move(m_buffer), m_size});
    m_size = 0;
    m_written.pop(m_buffer); // without a failure, always a chunk: the thread ends only with the writer
}

void ChunkWriter::writeChunks() {
    for (Chunk chunk; m_full.pop(chunk);) {
        if (m_device->write(chunk.bytes.constData(), chunk.size) != chunk.size)
            throw WriteFailure(*m_device);
        if (!m_written.push(std::move(chunk.bytes)))
            return;
    }
}

} // namespace tavrin::leveljson
