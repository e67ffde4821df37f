#pragma once

#include "level/core/failure.h"
#include "level/tools/leveljson_shared.h"

#include <QByteArray>
#include <QIODevice>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>

namespace tavrin::leveljson {

// Bytes written in chunks. A chunk that is full goes to a thread of its own, which writes it to the
// device while the next one is filled: copying the bytes into the system takes about as long as making
// them.
class ChunkWriter {
public:
    explicit ChunkWriter(QIODevice* device);
    // Anything not finished is let go: the device is only ever written to a file that is not committed.
    ~ChunkWriter();
    ChunkWriter(const ChunkWriter&) = delete;
    ChunkWriter& operator=(const ChunkWriter&) = delete;

    void put(QByteArrayView bytes) {
        std::memcpy(room(bytes.size()), bytes.data(), size_t(bytes.size()));
        m_size += bytes.size();
    }
    void put(char c) {
        *room(1) = c;
        ++m_size;
    }
    // Writes everything held and waits until it is written; the failure of any write is thrown.
    void finish();

protected:
    // Room for `length` more bytes after those held.
    char* room(qsizetype length) {
        if (m_size + length > m_buffer.size()) {
            handOver();
            if (length > m_buffer.size())
                m_buffer.resize(length);
        }
        return m_buffer.data() + m_size;
    }

    qsizetype m_size = 0; // the bytes of m_buffer in use

private:
    // Gives the bytes held to the writing thread, once it is done with the chunk before.
    void handOver();
    void throwFailure();
    void writeChunks();

    QIODevice* m_device;
    QByteArray m_buffer;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    QByteArray m_writing; // the chunk the thread writes
    qsizetype m_writingSize = 0;
    std::optional<Failure> m_failure;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace tavrin::leveljson
