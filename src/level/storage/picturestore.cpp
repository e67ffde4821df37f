#include "picturestore.h"

#include "failure.h"
#include "messages.h"

#include <QFileInfo>
#include <QImageReader>

namespace tavrin {

namespace {
Failure notAPicture(const QString& path) {
    return Failure(ErrInvalidPicture, Text(Msg::InvalidPictureFile).arg(path));
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

bool PictureStore::exists(const QString& path) {
    const auto found = m_entries.constFind(path);
    if (found != m_entries.cend() && found->checkedInPass == m_pass)
        return true;
    const auto missing = m_missing.constFind(path);
    if (missing != m_missing.cend() && *missing == m_pass)
        return false;
    if (QFileInfo(path).isFile())
        return true;
    m_missing.insert(path, m_pass);
    return false;
}

} // namespace tavrin
