#include "level/storage/knownfile.h"

#include <QFile>
#include <sys/stat.h>

namespace tavrin {

std::optional<FileStamp> FileStampOf(const QString& path) {
    struct stat status {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &status) != 0 ||
        !S_ISREG(status.st_mode))
        return std::nullopt;
    return FileStamp{quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_size),
                     qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec};
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
