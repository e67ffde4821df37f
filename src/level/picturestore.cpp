#include "picturestore.h"

#include "failure.h"

#include <QFileInfo>
#include <QImageReader>

namespace tavrin {

namespace {
Failure notAPicture(const QString& path) {
    return Failure(ErrInvalidPicture, StandardDescription(ErrInvalidPicture) + QStringLiteral(": ") + path);
}
} // namespace

QImage PictureStore::load(const QString& path) {
    auto found = m_entries.find(path);
    if (found == m_entries.end() || found->checkedInPass != m_pass) {
        const QFileInfo info(path);
        if (!info.isFile()) {
            m_entries.remove(path);
            throw Failure::pictureNotFound(path);
        }
        if (found == m_entries.end())
            found = m_entries.insert(path, Entry{});
        if (found->size != info.size() || found->modified != info.lastModified()) {
            found->size = info.size();
            found->modified = info.lastModified();
            found->image = QImageReader(path).read();
            ++m_decodes;
        }
        found->checkedInPass = m_pass;
    }
    if (found->image.isNull())
        throw notAPicture(path);
    return found->image;
}

} // namespace tavrin
