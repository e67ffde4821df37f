#pragma once

#include "level/core/failure.h"
#include "level/storage/atomicfile.h"

#include <QIODevice>
#include <QString>
#include <memory>

namespace tavrin {

// The failure of a device that took fewer bytes than it was given: for an AtomicFile the failure it
// recorded, for any other device a path/file access error (75) with the device's reason.
Failure WriteFailure(const QIODevice& device);

// Reads ranges of a device that mostly follow one another, a large read at a time.
class ReadAhead {
public:
    // Forwards: ranges mostly follow one another; Backwards: each mostly comes before the last; Scattered:
    // small ranges far apart, each read alone, since reading what lies between would cost more.
    enum Direction { Forwards, Backwards, Scattered };
    explicit ReadAhead(std::unique_ptr<QIODevice> device, Direction direction = Forwards)
        : m_device(std::move(device)), m_direction(direction) {}
    // The bytes from `begin` to `end`, valid until the next call; fewer when the device ends before `end`
    // or cannot be read.
    QByteArrayView bytes(qint64 begin, qint64 end);
    // The system's handle of the device when it is a file, else -1.
    int handle() const;

private:
    static constexpr qint64 Window = 4 * 1024 * 1024;
    std::unique_ptr<QIODevice> m_device;
    Direction m_direction;
    QByteArray m_window;
    qint64 m_windowBegin = 0;
    qint64 m_filled = 0; // the bytes of the window read
};

// Every file that level storage opens goes through here, so tests can put faults in its way.
class FileAccess {
public:
    virtual ~FileAccess() = default;

    virtual bool exists(const QString& path);
    // A missing file is failure 53 with the description "File not found"; a folder, a pipe or a device is
    // failure 75 saying so.
    virtual std::unique_ptr<QIODevice> openRead(const QString& path);
    // Writes go to a temporary file beside the target; commit() replaces the target only when every byte
    // is on the disk, so a failure never leaves the target half written. Files the user chose follow a
    // symbolic link at the target; the editor's own files replace it (Links::Replace). Both throw their
    // failure.
    virtual std::unique_ptr<AtomicFile> openWrite(const QString& path, Links links = Links::Follow);
    virtual void commit(AtomicFile& file);
    // Opens a pipe or a character device (/dev/null, a terminal) to write into as it is: each write goes
    // straight to it, and nothing is replaced. Throws the failure of opening it.
    virtual std::unique_ptr<QIODevice> openStream(const QString& path);
    virtual bool remove(const QString& path);
    // Gives the file `from` the name `to`, a name no file has, in one step; both are in the same folder
    // tree of one file system. False, with errno EEXIST, when something has that name after all, or when
    // the system refuses: nothing is replaced.
    virtual bool renameToNew(const QString& from, const QString& to);
    // Puts every file committed without waiting for the disk (AtomicFile::setDeferSync) on it, as
    // SyncFileSystem does.
    virtual void syncFileSystem(const QString& folder);
    // Whether a file can be made in `folder`: asking for its permissions is not enough (a read-only file
    // system, or root, answers yes).
    virtual bool canWriteIn(const QString& folder);
};

} // namespace tavrin
