#pragma once

#include "level/core/boundedqueue.h"
#include "level/core/failure.h"
#include "level/tools/leveljson_shared.h"

#include <QByteArray>
#include <QIODevice>

#include <cstring>
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
    // Writes everything held and waits until it is written; the failure of any write is thrown, and so is
    // anything else the writing thread threw.
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
    struct Chunk {
        QByteArray bytes;
        qsizetype size = 0;
    };
    // Gives the bytes held to the writing thread, and takes the room of the chunk before once it is
    // written.
    void handOver();
    void writeChunks();

    QIODevice* m_device;
    QByteArray m_buffer;
    // Two chunks take turns: one filled here while the thread writes the other. The thread gives each
    // chunk's room back once it is written, or instead what it threw.
    BoundedQueue<Chunk> m_full{1};
    BoundedQueue<QByteArray> m_written{2};
    std::thread m_thread;
};

} // namespace tavrin::leveljson
