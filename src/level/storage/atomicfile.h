#pragma once

#include "level/core/failure.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <functional>
#include <optional>
#include <sys/types.h>

namespace tavrin {

// Which file a directory entry holds: the device and inode numbers, the same for every name of the file.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;

    bool operator==(const FileIdentity& other) const {
        return device == other.device && inode == other.inode;
    }
    bool operator!=(const FileIdentity& other) const { return !(*this == other); }
};

// The identity of the regular file at `path` itself, a symbolic link not followed; nothing when the path
// is missing, a link, a folder or anything else but a regular file.
std::optional<FileIdentity> RegularFileIdentity(const QString& path);

// Puts every file written to the file system that holds `folder` on the disk (after files committed with
// AtomicFile::setDeferSync). Throws when the system cannot say they are there: files written since the
// last sync may then be lost in a crash, so nothing may count on them.
void SyncFileSystem(const QString& folder);

// What a write does when its target is a symbolic link.
enum class Links {
    Follow,  // writes beside and over the file the link points to; the link stays a link
    Replace, // replaces the link itself with the new file; nothing is written through it
    New,     // a file under a name nothing has yet, in a folder of the editor's own that no reader trusts
             // until it is done with: written under that name from the start, with nothing to replace,
             // and removed by any failure (a file there already is a failure)
};

// The failure of writing `path`, chosen by the system's error number: disk full (61), permission denied
// (70) or a path/file access error (75). The description names the file, says what happened and that the
// file was left as it was (`existed` false: that it was not created). Without an error number it tells how
// many of the bytes were written.
Failure WriteFailure(const QString& path, int error, bool existed, qint64 written = 0, qint64 wanted = 0);

// Writes a file in full or not at all. The bytes go to a new temporary file beside the target; commit()
// puts them on the disk and only then renames the temporary file over the target, so a failure at any step
// leaves the target byte for byte as it was, or absent if it was absent. Every write goes straight to the
// system and is checked; after a failure every later write and the commit fail with the first failure.
// An existing target keeps its permission bits; a new one gets those of any new file (0666 less the umask).
// Where the system can, the temporary file has no name until the commit links it beside the target just
// before the rename, so a process killed while writing leaves nothing; elsewhere it is named
// "<target>.tavrin-<process number>-<six letters or digits>" from the start. Every failure removes it. No
// other file is ever removed: a file of that name that a killed writer left cannot be told from the user's.
class AtomicFile : public QIODevice {
public:
    explicit AtomicFile(QString path, Links links = Links::Follow);
    ~AtomicFile() override;

    // Creates the temporary file; WriteOnly is the only mode. False with failure() set when that fails.
    bool open(OpenMode mode) override;
    // Abandons the write, as the destructor does when commit() did not succeed: the temporary file is
    // removed and the target stays as it was.
    void close() override;
    bool isSequential() const override { return true; }

    // Replaces the target with what was written. Throws the first failure; then the target is unchanged
    // and the temporary file is gone.
    void commit();
    // Commits without waiting for the bytes to reach the disk, for one of many files written together;
    // SyncFileSystem() then puts them all there at once.
    void setDeferSync(bool defer) { m_deferSync = defer; }
    bool defersSync() const { return m_deferSync; }

    // Appends `length` bytes of the file open for reading as `source`, from `offset` on: copied by the
    // system where it can (copy_file_range), else read and written. Fails as a write does (false, with
    // failure() set); a source that ends early is an input/output error.
    bool copyFrom(int source, qint64 offset, qint64 length);

    // The target as the caller named it.
    const QString& fileName() const { return m_path; }
    // The first thing that went wrong, if anything did.
    const std::optional<Failure>& failure() const { return m_failure; }
    // The identity of the file written, once commit() succeeded.
    std::optional<FileIdentity> identity() const { return m_identity; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override;
    // One write(2) to the temporary file: the number of bytes taken, which may be fewer than `length`, or
    // -1 with errno set. Tests override it to stand in for a disk that fills up.
    virtual qint64 writeSome(int fd, const char* data, qint64 length);
    // One copy_file_range(2) from `source` at `offset` to the temporary file, as writeSome().
    virtual qint64 copySome(int fd, int source, qint64 offset, qint64 length);
    // Opens a file with no name in `folder` for writing (O_TMPFILE), or returns -1 when the system or the
    // file system cannot; the temporary file is then named from the start. Tests override it to stand in
    // for such a file system.
    virtual int openUnnamed(const QByteArray& folder, mode_t mode);

private:
    // Records the first failure, removes the temporary file and returns false.
    bool fail(int error, qint64 written = 0, qint64 wanted = 0);
    void discard();
    // Makes a temporary name beside the target with `make` (which returns -1 with errno set when it fails),
    // trying other names while one is taken. The name is kept for the rename and for discard().
    bool createNamed(int* result, const std::function<int(const QByteArray&)>& make);

    QString m_path;
    Links m_links;
    bool m_copyBySystem = true; // false once the system cannot copy between these files
    QByteArray m_target;        // the directory entry the commit replaces
    QByteArray m_temporary;     // empty once renamed or removed
    int m_fd = -1;
    bool m_unnamed = false; // the file has no name yet
    bool m_existed = true;  // false once the target is known to be absent
    qint64 m_written = 0;
    std::optional<Failure> m_failure;
    std::optional<FileIdentity> m_identity;
    bool m_deferSync = false;
};

} // namespace tavrin
