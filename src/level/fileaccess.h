#pragma once

#include "atomicfile.h"
#include "failure.h"

#include <QIODevice>
#include <QString>
#include <memory>

namespace tavrin {

// The failure of a device that took fewer bytes than it was given: for an AtomicFile the failure it
// recorded, for any other device a path/file access error (75) with the device's reason.
Failure WriteFailure(const QIODevice& device);

// Every file that level storage opens goes through here, so tests can put faults in its way.
class FileAccess {
public:
    virtual ~FileAccess() = default;

    virtual bool exists(const QString& path);
    // A missing file is failure 53 with the description "File not found".
    virtual std::unique_ptr<QIODevice> openRead(const QString& path);
    // Writes go to a temporary file beside the target; commit() replaces the target only when every byte
    // is on the disk, so a failure never leaves the target half written. Files the user chose follow a
    // symbolic link at the target; the editor's own files replace it (Links::Replace). Both throw their
    // failure.
    virtual std::unique_ptr<AtomicFile> openWrite(const QString& path, Links links = Links::Follow);
    virtual void commit(AtomicFile& file);
    virtual bool remove(const QString& path);
};

} // namespace tavrin
