#include "faultyfiles.h"

#include <cerrno>

namespace {
// Takes bytes until the room left is used up, then fails as a full disk does.
class FillingFile : public tavrin::AtomicFile {
public:
    FillingFile(const QString& name, tavrin::Links links, qint64* room)
        : AtomicFile(name, links), m_room(room) {}

protected:
    qint64 writeSome(int fd, const char* data, qint64 length) override {
        if (*m_room < 0)
            return AtomicFile::writeSome(fd, data, length);
        if (*m_room == 0) {
            errno = ENOSPC;
            return -1;
        }
        const qint64 taken = AtomicFile::writeSome(fd, data, qMin(length, *m_room));
        if (taken > 0)
            *m_room -= taken;
        return taken;
    }

private:
    qint64* m_room;
};
} // namespace

std::unique_ptr<QIODevice> FaultyFiles::openRead(const QString& path) {
    if (unreadable.contains(path))
        throw tavrin::Failure(tavrin::ErrPathAccess);
    return FileAccess::openRead(path);
}

std::unique_ptr<tavrin::AtomicFile> FaultyFiles::openWrite(const QString& path, tavrin::Links links) {
    ++writesOpened;
    if (failOpenWriteWith)
        throw tavrin::Failure(failOpenWriteWith);
    auto file = std::make_unique<FillingFile>(path, links, &diskFullAfter);
    if (!file->open(QIODevice::WriteOnly))
        throw *file->failure();
    return file;
}
