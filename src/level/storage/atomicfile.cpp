#include "level/storage/atomicfile.h"

#include "level/core/messages.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace tavrin {

namespace {

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// Follows the chain of symbolic links at `path` to the entry at its end, which may be missing. Returns 0,
// or the error number of what stopped it.
int followLinks(QByteArray* path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat status {};
        if (::lstat(path->constData(), &status) != 0)
            return errno == ENOENT ? 0 : errno;
        if (!S_ISLNK(status.st_mode))
            return 0;
        QByteArray target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(path->constData(), target.data(), size_t(target.size()));
        if (length < 0)
            return errno;
        if (length >= target.size())
            return ENAMETOOLONG;
        target.truncate(length);
        *path = target.startsWith('/') ? target : folderOf(*path) + '/' + target;
    }
    return ELOOP;
}

constexpr char TemporaryMark[] = ".tavrin-";

// A name beside `target` for the temporary file: the target's name, the mark, this process's number and six
// random letters or digits.
QByteArray temporaryName(const QByteArray& target) {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const qsizetype slash = target.lastIndexOf('/');
    // Room for the suffix within the 255 bytes a name may have.
    const QByteArray name = target.mid(slash + 1).left(225);
    QByteArray suffix = TemporaryMark + QByteArray::number(qint64(::getpid())) + '-';
    for (int i = 0; i < 6; ++i)
        suffix += letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)];
    return target.left(slash + 1) + name + suffix;
}

// Puts a folder's entries on the disk, so that the rename outlives a crash. Its failure harms nothing
// already done, so it is not reported.
void syncFolder(const QByteArray& folder) {
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

void SyncFileSystem(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throw WriteFailure(folder, errno, true);
    const int synced = ::syncfs(fd);
    const int error = errno;
    ::close(fd);
    if (synced != 0)
        throw WriteFailure(folder, error, true);
}

std::optional<FileIdentity> RegularFileIdentity(const QString& path) {
    struct stat status {};
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &status) != 0 ||
        !S_ISREG(status.st_mode))
        return std::nullopt;
    return FileIdentity{quint64(status.st_dev), quint64(status.st_ino)};
}

Failure WriteFailure(const QString& path, int error, bool existed, qint64 written, qint64 wanted) {
    const QString name = QDir::toNativeSeparators(path);
    const QString reason = error != 0 ? QString::fromLocal8Bit(std::strerror(error))
                                      : Text(Msg::WrittenInPart).arg(written).arg(wanted);
    const QString outcome = u' ' + Text(existed ? Msg::FileNotChanged : Msg::FileNotCreated);
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return Failure(ErrDiskFull, Text(Msg::WriteDiskFull).arg(name, reason) + outcome);
    case EACCES:
    case EPERM:
    case EROFS:
        return Failure(ErrPermission, Text(Msg::WritePermission).arg(name, reason) + outcome);
    default:
        return Failure(ErrPathAccess, Text(Msg::WriteAccess).arg(name, reason) + outcome);
    }
}

AtomicFile::AtomicFile(QString path, Links links) : m_path(std::move(path)), m_links(links) {}

AtomicFile::~AtomicFile() {
    discard();
}

bool AtomicFile::open(OpenMode mode) {
    if (isOpen() || m_failure || m_identity)
        return false;
    if ((mode & ~OpenMode(Unbuffered)) != WriteOnly)
        return fail(EINVAL);
    m_target = QFile::encodeName(m_path);
    if (m_target.isEmpty())
        return fail(ENOENT);
    if (m_links == Links::New) {
        m_existed = false;
        m_fd = ::open(m_target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd < 0)
            return fail(errno);
        m_temporary = m_target; // what a failure removes; the commit has nothing to rename
        return QIODevice::open(WriteOnly | Unbuffered);
    }
    if (m_links == Links::Follow)
        if (const int error = followLinks(&m_target))
            return fail(error);
    // The permission bits to keep: those of a file in place, but not of a link that the file replaces.
    std::optional<mode_t> keep;
    struct stat status {};
    if (::lstat(m_target.constData(), &status) == 0) {
        if (S_ISDIR(status.st_mode))
            return fail(EISDIR);
        if (!S_ISLNK(status.st_mode))
            keep = status.st_mode & 07777;
    } else if (errno == ENOENT) {
        m_existed = false;
    } else {
        return fail(errno);
    }
    // A file whose bits are kept starts private and gets them at once; a new one gets 0666 less the umask.
    const mode_t createMode = keep ? 0600 : 0666;
    // A file with no name leaves nothing behind whatever happens to the process; a file system that cannot
    // make one gets a named file, which every failure removes.
    m_fd = openUnnamed(folderOf(m_target), createMode);
    if (m_fd < 0 && !createNamed(&m_fd, [createMode](const QByteArray& name) {
            return ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, createMode);
        }))
        return fail(errno);
    m_unnamed = m_temporary.isEmpty();
    if (keep && ::fchmod(m_fd, *keep) != 0)
        return fail(errno);
    return QIODevice::open(WriteOnly | Unbuffered);
}

int AtomicFile::openUnnamed(const QByteArray& folder, mode_t mode) {
#ifdef O_TMPFILE
    // The file gets its name through /proc at the commit; without /proc it could not get one.
    struct stat proc {};
    if (::stat("/proc/self/fd", &proc) == 0 && S_ISDIR(proc.st_mode))
        return ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
#else
    Q_UNUSED(folder);
    Q_UNUSED(mode);
#endif
    return -1;
}

bool AtomicFile::createNamed(int* result, const std::function<int(const QByteArray&)>& make) {
    for (int tries = 0;; ++tries) {
        const QByteArray name = temporaryName(m_target);
        *result = make(name);
        if (*result >= 0) {
            m_temporary = name;
            return true;
        }
        if ((errno != EEXIST && errno != EINTR) || tries == 100)
            return false;
    }
}

void AtomicFile::close() {
    discard();
    QIODevice::close();
}

qint64 AtomicFile::writeSome(int fd, const char* data, qint64 length) {
    return ::write(fd, data, size_t(qMin<qint64>(length, SSIZE_MAX)));
}

qint64 AtomicFile::writeData(const char* data, qint64 length) {
    if (m_failure || m_fd < 0)
        return -1;
    qint64 done = 0;
    while (done < length) {
        const qint64 taken = writeSome(m_fd, data + done, length - done);
        const int error = taken < 0 ? errno : 0;
        if (error == EINTR)
            continue;
        if (taken <= 0) {
            fail(error, m_written + done, m_written + length);
            return -1;
        }
        done += taken;
    }
    m_written += length;
    return length;
}

qint64 AtomicFile::copySome(int fd, int source, qint64 offset, qint64 length) {
    loff_t from = offset;
    return ::copy_file_range(source, &from, fd, nullptr, size_t(qMin<qint64>(length, SSIZE_MAX)), 0);
}

bool AtomicFile::copyFrom(int source, qint64 offset, qint64 length) {
    if (m_failure || m_fd < 0)
        return false;
    std::vector<char> buffer;
    qint64 done = 0;
    while (done < length) {
        if (m_copyBySystem) {
            const qint64 taken = copySome(m_fd, source, offset + done, length - done);
            const int error = taken < 0 ? errno : 0;
            if (error == EINTR)
                continue;
            if (error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) {
                m_copyBySystem = false; // another file system, or one that cannot: read and write
                continue;
            }
            if (taken <= 0)
                return fail(taken < 0 ? error : EIO, m_written, m_written + length - done);
            done += taken;
            m_written += taken;
            continue;
        }
        buffer.resize(size_t(qMin<qint64>(length - done, 1024 * 1024)));
        const qint64 read = ::pread(source, buffer.data(), buffer.size(), offset + done);
        if (read < 0 && errno == EINTR)
            continue;
        if (read <= 0)
            return fail(read < 0 ? errno : EIO, m_written, m_written + length - done);
        if (writeData(buffer.data(), read) != read)
            return false;
        done += read;
    }
    return true;
}

void AtomicFile::commit() {
    if (m_identity)
        return;
    if (!m_failure && m_fd < 0)
        fail(EBADF);
    int synced = 0;
    while (!m_failure && !m_deferSync && (synced = ::fsync(m_fd)) != 0 && errno == EINTR) {
    }
    if (!m_failure && synced != 0)
        fail(errno);
    struct stat status {};
    if (!m_failure && ::fstat(m_fd, &status) != 0)
        fail(errno);
    // Linux releases the descriptor even when close() is interrupted, and the bytes are on the disk by now.
    // The file with no name gets one beside the target, for the rename to put in its place.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd);
    int linked = 0;
    if (!m_failure && m_unnamed && !createNamed(&linked, [&self](const QByteArray& name) {
            return ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW);
        }))
        fail(errno);
    if (!m_failure && ::close(std::exchange(m_fd, -1)) != 0 && errno != EINTR)
        fail(errno);
    if (!m_failure && m_temporary != m_target && ::rename(m_temporary.constData(), m_target.constData()) != 0)
        fail(errno);
    if (m_failure)
        throw *m_failure;
    m_temporary.clear();
    m_identity = FileIdentity{quint64(status.st_dev), quint64(status.st_ino)};
    if (!m_deferSync)
        syncFolder(folderOf(m_target));
    QIODevice::close();
}

bool AtomicFile::fail(int error, qint64 written, qint64 wanted) {
    if (!m_failure)
        m_failure = WriteFailure(m_path, error, m_existed, written, wanted);
    setErrorString(m_failure->description());
    discard();
    return false;
}

void AtomicFile::discard() {
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
    if (!m_temporary.isEmpty())
        ::unlink(m_temporary.constData());
    m_temporary.clear();
}

} // namespace tavrin
