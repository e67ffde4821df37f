#pragma once

#include "failure.h"

#include <QIODevice>
#include <QSaveFile>
#include <QString>
#include <memory>

namespace tavrin {

// The failure that stands for a device that could not be written: disk full (61), permission denied (70)
// or a path/file access error (75), its description the system's reason.
Failure WriteFailure(const QIODevice& device);

// Every file that level storage opens goes through here, so tests can put faults in its way.
class FileAccess {
public:
    virtual ~FileAccess() = default;

    virtual bool exists(const QString& path);
    // A missing file is failure 53 with the description "File not found".
    virtual std::unique_ptr<QIODevice> openRead(const QString& path);
    // Writes go to a temporary file beside the target; commit() replaces the target only when every byte
    // was written, so a failure never leaves the target half written.
    virtual std::unique_ptr<QSaveFile> openWrite(const QString& path);
    virtual void commit(QSaveFile& file);
    virtual bool remove(const QString& path);
};

} // namespace tavrin
