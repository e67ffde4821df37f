#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace tavrin {

// What a file on disk is at one moment: which file its name leads to (device and inode, a symbolic link
// followed), its size and when it was last written. A file put in place of another under the same name
// (as a checkout does, or a program that writes a new file and renames it) or written in place differs in
// one of them.
struct FileStamp {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modified = 0; // nanoseconds since the epoch

    bool operator==(const FileStamp& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modified == other.modified;
    }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};

// The stamp of the regular file `path` leads to; nothing when there is none.
std::optional<FileStamp> FileStampOf(const QString& path);

// A file this program wrote, as it stood once written: its stamp, and when it last changed in any way (a
// rename included). Any write of it since gives another, unless the write kept its size and fell within the
// same tick of the system clock as the one before.
struct WrittenStamp {
    FileStamp file;
    qint64 changed = 0; // nanoseconds since the epoch

    bool operator==(const WrittenStamp& other) const {
        return file == other.file && changed == other.changed;
    }
    bool operator!=(const WrittenStamp& other) const { return !(*this == other); }
};

// The written stamp of the regular file at `path` itself; nothing for a symbolic link or anything else.
std::optional<WrittenStamp> WrittenStampOf(const QString& path);

// A file as the program last read or wrote it, to tell whether another program changed it since.
class KnownFile {
public:
    // `path` as it is now, or as `stamp` found it (taken before the file was read, so that a change while it
    // was read counts as a change after).
    void remember(const QString& path) { remember(path, FileStampOf(path)); }
    void remember(const QString& path, std::optional<FileStamp> stamp);
    // The file as it is now counts as known too.
    void accept(const FileStamp& stamp) { m_known = stamp; }
    const QString& path() const { return m_path; }
    // The file on disk when it differs from the one known. A file missing now is no change (it may be on
    // its way back), nor is one that was missing when it was remembered.
    std::optional<FileStamp> change() const;

private:
    QString m_path;
    std::optional<FileStamp> m_known;
};

} // namespace tavrin
