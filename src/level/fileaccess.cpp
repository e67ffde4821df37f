#include "fileaccess.h"

#include <QFile>
#include <QFileInfo>

namespace tavrin {

namespace {
Failure openFailure(const QFileDevice& file) {
    switch (file.error()) {
    case QFileDevice::PermissionsError:
        return Failure(ErrPermission,
                       StandardDescription(ErrPermission) + QStringLiteral(": ") + file.fileName());
    case QFileDevice::ResourceError:
        return Failure(ErrDiskFull);
    default:
        return Failure(ErrPathAccess, StandardDescription(ErrPathAccess) + QStringLiteral(": ") +
                                          file.fileName() + QStringLiteral(" (") + file.errorString() +
                                          QStringLiteral(")"));
    }
}
} // namespace

Failure WriteFailure(const QIODevice& device) {
    const auto* file = qobject_cast<const QFileDevice*>(&device);
    const QString reason = device.errorString();
    if (file && file->error() == QFileDevice::PermissionsError)
        return Failure(ErrPermission, StandardDescription(ErrPermission) + QStringLiteral(": ") + reason);
    if ((file && file->error() == QFileDevice::ResourceError) || reason.contains(QLatin1String("space")))
        return Failure(ErrDiskFull, StandardDescription(ErrDiskFull) + QStringLiteral(": ") + reason);
    return Failure(ErrPathAccess, StandardDescription(ErrPathAccess) + QStringLiteral(": ") + reason);
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

std::unique_ptr<QSaveFile> FileAccess::openWrite(const QString& path) {
    auto file = std::make_unique<QSaveFile>(path);
    if (!file->open(QIODevice::WriteOnly))
        throw openFailure(*file);
    return file;
}

void FileAccess::commit(QSaveFile& file) {
    if (file.error() != QFileDevice::NoError || !file.commit())
        throw WriteFailure(file);
}

bool FileAccess::remove(const QString& path) {
    return QFile::remove(path);
}

} // namespace tavrin
