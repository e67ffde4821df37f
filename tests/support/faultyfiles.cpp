#include "faultyfiles.h"

namespace {
class FillingSaveFile : public QSaveFile {
public:
    FillingSaveFile(const QString& name, qint64* room) : QSaveFile(name), m_room(room) {}

protected:
    qint64 writeData(const char* data, qint64 length) override {
        if (*m_room >= 0) {
            if (length > *m_room) {
                setErrorString(QStringLiteral("No space left on device"));
                return -1;
            }
            *m_room -= length;
        }
        return QSaveFile::writeData(data, length);
    }

private:
    qint64* m_room;
};
} // namespace

std::unique_ptr<QIODevice> FaultyFiles::openRead(const QString& path) {
    if (unreadable.contains(path))
        throw tavrin::Failure(tavrin::ErrPathAccess);
    return FileAccess::openRead(path);
}

std::unique_ptr<QSaveFile> FaultyFiles::openWrite(const QString& path) {
    ++writesOpened;
    if (failOpenWriteWith)
        throw tavrin::Failure(failOpenWriteWith);
    auto file = std::make_unique<FillingSaveFile>(path, &diskFullAfter);
    if (!file->open(QIODevice::WriteOnly))
        throw tavrin::Failure(tavrin::ErrPathAccess);
    return file;
}
