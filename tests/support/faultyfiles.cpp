#include "faultyfiles.h"

#include <QBuffer>
#include <QFileInfo>
#include <QThread>
#include <cerrno>
#include <functional>

namespace {
// Takes bytes until the room left is used up, then fails as a full disk does.
class FillingFile : public tavrin::AtomicFile {
public:
    FillingFile(const QString& name, tavrin::Links links, qint64* room, bool named)
        : AtomicFile(name, links), m_room(room), m_named(named) {}

protected:
    qint64 writeSome(int fd, const char* data, qint64 length) override {
        return take(length, [&](qint64 room) { return AtomicFile::writeSome(fd, data, room); });
    }
    qint64 copySome(int fd, int source, qint64 offset, qint64 length) override {
        return take(length, [&](qint64 room) { return AtomicFile::copySome(fd, source, offset, room); });
    }
    int openUnnamed(const QByteArray& folder, mode_t mode) override {
        return m_named ? -1 : AtomicFile::openUnnamed(folder, mode);
    }

private:
    qint64 take(qint64 length, const std::function<qint64(qint64)>& write) {
        if (*m_room < 0)
            return write(length);
        if (*m_room == 0) {
            errno = ENOSPC;
            return -1;
        }
        const qint64 taken = write(qMin(length, *m_room));
        if (taken > 0)
            *m_room -= taken;
        return taken;
    }

    qint64* m_room;
    bool m_named;
};
} // namespace

std::unique_ptr<QIODevice> FaultyFiles::openRead(const QString& path) {
    if (unreadable.contains(path))
        throw tavrin::Failure(tavrin::ErrPathAccess);
    if (const auto bytes = readAs.constFind(path); bytes != readAs.constEnd()) {
        auto buffer = std::make_unique<QBuffer>();
        buffer->setData(*bytes);
        buffer->open(QIODevice::ReadOnly);
        return buffer;
    }
    return FileAccess::openRead(path);
}

std::unique_ptr<tavrin::AtomicFile> FaultyFiles::openWrite(const QString& path, tavrin::Links links) {
    ++writesOpened;
    QThread::msleep(writeDelayMs);
    if (failOpenWriteWith)
        throw tavrin::Failure(failOpenWriteWith);
    if (!unwritableName.isEmpty() && QFileInfo(path).fileName() == unwritableName)
        throw tavrin::Failure(tavrin::ErrPermission);
    static qint64 noRoom = 0;
    const bool full =
        !fullFolder.isEmpty() && QFileInfo(path).absolutePath() == QFileInfo(fullFolder).absoluteFilePath();
    auto file = std::make_unique<FillingFile>(path, links, full ? &noRoom : &diskFullAfter, namedOnly);
    if (!file->open(QIODevice::WriteOnly))
        throw *file->failure();
    return file;
}

bool FaultyFiles::canWriteIn(const QString& folder) {
    return !unwritableFolders.contains(QFileInfo(folder).absoluteFilePath()) &&
           FileAccess::canWriteIn(folder);
}

void FaultyFiles::commit(tavrin::AtomicFile& file) {
    FileAccess::commit(file);
    commits << QFileInfo(file.fileName()).fileName() + (file.defersSync() ? " later" : " at once");
}

void FaultyFiles::syncFileSystem(const QString& folder) {
    if (syncFails)
        throw tavrin::WriteFailure(folder, EIO, true);
    FileAccess::syncFileSystem(folder);
    commits << "sync";
}

bool FaultyFiles::renameToNew(const QString& from, const QString& to) {
    if (renamesLeft == 0) {
        errno = EIO;
        return false;
    }
    if (renamesLeft > 0)
        --renamesLeft;
    return FileAccess::renameToNew(from, to);
}
