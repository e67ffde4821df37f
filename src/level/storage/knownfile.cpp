#include "level/storage/knownfile.h"

#include <QFile>
#include <sys/stat.h>

namespace tavrin {

namespace {

qint64 Nanoseconds(const timespec& time) {
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

FileStamp StampOf(const struct stat& status) {
    return FileStamp{quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_size),
                     Nanoseconds(status.st_mtim)};
}

} // namespace

std::optional<FileStamp> FileStampOf(const QString& path) {
    struct stat status {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &status) != 0 ||
        !S_ISREG(status.st_mode))
        return std::nullopt;
    return StampOf(status);
}

std::optional<WrittenStamp> WrittenStampOf(const QString& path) {
    struct stat status {};
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &status) != 0 ||
        !S_ISREG(status.st_mode))
        return std::nullopt;
    return WrittenStamp{StampOf(status), Nanoseconds(status.st_ctim)};
}

void KnownFile::remember(const QString& path, std::optional<FileStamp> stamp) {
    m_path = path;
    m_known = stamp;
}

std::optional<FileStamp> KnownFile::change() const {
    if (!m_known)
        return std::nullopt;
    const std::optional<FileStamp> now = FileStampOf(m_path);
    return now && *now != *m_known ? now : std::nullopt;
}

} // namespace tavrin
