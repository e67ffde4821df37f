#include "level/tools/leveljson_writer.h"

#include "level/storage/fileaccess.h"

namespace tavrin::leveljson {

ChunkWriter::ChunkWriter(QIODevice* device)
    : m_device(device), m_buffer(ChunkBytes, Qt::Uninitialized), m_writing(ChunkBytes, Qt::Uninitialized),
      m_thread([this] { writeChunks(); }) {}

ChunkWriter::~ChunkWriter() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void ChunkWriter::finish() {
    handOver();
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_writingSize == 0; });
    throwFailure();
}

void ChunkWriter::handOver() {
    if (m_size == 0)
        return;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_writingSize == 0; });
    throwFailure();
    std::swap(m_buffer, m_writing);
    m_writingSize = m_size;
    m_size = 0;
    lock.unlock();
    m_changed.notify_all();
}

void ChunkWriter::throwFailure() {
    if (m_failure)
        throw *m_failure;
}

void ChunkWriter::writeChunks() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || m_writingSize > 0; });
        if (m_writingSize == 0)
            return;
        lock.unlock();
        std::optional<Failure> failure;
        if (m_device->write(m_writing.constData(), m_writingSize) != m_writingSize)
            failure = WriteFailure(*m_device);
        lock.lock();
        if (failure && !m_failure)
            m_failure = failure;
        m_writingSize = 0;
        m_changed.notify_all();
    }
}

} // namespace tavrin::leveljson
