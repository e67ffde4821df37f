#include "level/storage/fileaccess.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "level/core/messages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <algorithm>

namespace tavrin {

namespace {
Failure openFailure(const QFileDevice& file) {
    switch (file.error()) {
    case QFileDevice::PermissionsError:
        return Failure(ErrPermission, Text(Msg::OpenPermission).arg(file.fileName()));
    case QFileDevice::ResourceError:
        return Failure(ErrDiskFull);
    default:
        return Failure(ErrPathAccess, Text(Msg::OpenAccess).arg(file.fileName(), file.errorString()));
    }
}
} // namespace

Failure WriteFailure(const QIODevice& device) {
    if (const auto* file = dynamic_cast<const AtomicFile*>(&device); file && file->failure())
        return *file->failure();
    return Failure(ErrPathAccess, Text(Msg::DeviceAccess).arg(device.errorString()));
}

bool FileAccess::exists(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isFile();
}

std::unique_ptr<QIODevice> FileAccess::openRead(const QString& path) {
    if (!exists(path)) {
        // Something that is there but no file (a pipe would also keep the reader waiting) is not "missing".
        struct stat status {};
        if (!path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &status) == 0 &&
            !S_ISREG(status.st_mode))
            throw Failure(ErrPathAccess, Text(Msg::NotARegularFile).arg(QDir::toNativeSeparators(path)));
        throw Failure::fileNotFound();
    }
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        throw openFailure(*file);
    return file;
}

std::unique_ptr<AtomicFile> FileAccess::openWrite(const QString& path, Links links) {
    auto file = std::make_unique<AtomicFile>(path, links);
    if (!file->open(QIODevice::WriteOnly))
        throw *file->failure();
    return file;
}

void FileAccess::commit(AtomicFile& file) {
    file.commit();
}

std::unique_ptr<QIODevice> FileAccess::openStream(const QString& path) {
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw openFailure(*file);
    return file;
}

bool FileAccess::remove(const QString& path) {
    return QFile::remove(path);
}

void FileAccess::syncFileSystem(const QString& folder) {
    SyncFileSystem(folder);
}

bool FileAccess::renameToNew(const QString& from, const QString& to) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
#endif
    // A system or file system that cannot promise it: the name is looked at just before.
    struct stat seen;
    if (::lstat(target.constData(), &seen) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(source.constData(), target.constData()) == 0;
}

int ReadAhead::handle() const {
    const auto* file = qobject_cast<const QFileDevice*>(m_device.get());
    return file ? file->handle() : -1;
}

bool FileAccess::canWriteIn(const QString& folder) {
    if (!QFileInfo(folder).isDir())
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("probe-XXXXXX")));
    return probe.open();
}

QByteArrayView ReadAhead::bytes(qint64 begin, qint64 end) {
    if (begin < m_windowBegin || end > m_windowBegin + m_filled) {
        // The window's room is used again from read to read.
        m_window.resize(m_direction == Scattered ? end - begin : std::max(Window, end - begin));
        m_windowBegin = m_direction != Backwards ? begin : std::max<qint64>(0, end - m_window.size());
        m_filled = 0;
        // A file's range alone, without the device's own buffer reading on past it.
        if (const int fd = m_direction == Scattered ? handle() : -1; fd >= 0) {
            for (qint64 read = 0; m_filled < m_window.size(); m_filled += read)
                if ((read = ::pread(fd, m_window.data() + m_filled, size_t(m_window.size() - m_filled),
                                    off_t(m_windowBegin + m_filled))) <= 0)
                    break;
        } else if (m_device->seek(m_windowBegin)) {
            while (m_filled < m_window.size()) {
                const qint64 read = m_device->read(m_window.data() + m_filled, m_window.size() - m_filled);
                if (read <= 0)
                    break;
                m_filled += read;
            }
        }
    }
    // A file cut short since it was indexed can end before `begin`: then there is nothing to give.
    const qint64 from = begin - m_windowBegin;
    const qint64 length = std::max<qint64>(0, std::min(end - begin, m_filled - from));
    return QByteArrayView(m_window).sliced(from, length);
}

} // namespace tavrin
