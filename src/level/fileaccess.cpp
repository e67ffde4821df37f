#include "fileaccess.h"

#include "messages.h"

#include <QFile>
#include <QFileInfo>

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
    if (!exists(path))
        throw Failure::fileNotFound();
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

bool FileAccess::remove(const QString& path) {
    return QFile::remove(path);
}

} // namespace tavrin
