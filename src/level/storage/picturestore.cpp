#include "level/storage/picturestore.h"

#include "level/core/failure.h"
#include "level/core/messages.h"
#include "level/storage/fileaccess.h"

#include <QFileInfo>
#include <QImageReader>

namespace tavrin {

bool SameFileBytes(FileAccess& files, const QString& a, const QString& b) {
    try {
        return files.openRead(a)->readAll() == files.openRead(b)->readAll();
    } catch (const Failure&) {
        return false;
    }
}

namespace {
Failure notAPicture(const QString& path) {
    return Failure(ErrInvalidPicture, Text(Msg::InvalidPictureFile).arg(path));
}

Failure tooLarge(const QString& path, QSize size) {
    return Failure(
        ErrInvalidPicture,
        Text(Msg::PictureTooLarge).arg(path).arg(size.width()).arg(size.height()).arg(MaxPicturePixels));
}

// What a picture kept costs beside its pixels: its path, its entry and its place in the list of uses.
qint64 EntryBytes(const QString& path, const QImage& image) {
    return image.sizeInBytes() + path.size() * qint64(sizeof(QChar)) + 256;
}

// The top-left corner of the picture in `path` that views draw, null when the file is no picture; a
// picture too large to decode gives its size in `refused`. A decoder that can cut a picture decodes the
// corner alone; any other decodes the whole picture, and only the corner is kept.
QImage DecodeCorner(const QString& path, QSize* refused) {
    QImageReader reader(path);
    const QSize size = reader.size();
    if (!DecodablePictureSize(size)) {
        *refused = size;
        return QImage();
    }
    const QRect corner(0, 0, PictureCornerSide, PictureCornerSide);
    // The corner of a picture turned by its metadata is another corner of the picture as stored.
    const bool turned =
        reader.autoTransform() && reader.transformation() != QImageIOHandler::TransformationNone;
    if (size.isValid() && !turned && (size.width() > corner.width() || size.height() > corner.height()))
        reader.setClipRect(corner.intersected(QRect(QPoint(), size)));
    const QImage image = reader.read();
    if (image.width() > corner.width() || image.height() > corner.height())
        return image.copy(corner.intersected(image.rect()));
    return image;
}
} // namespace

bool DecodablePictureSize(QSize size) {
    return !size.isValid() || qint64(size.width()) * size.height() <= MaxPicturePixels;
}

QImage PictureStore::load(const QString& path) {
    auto found = m_entries.find(path);
    if (found == m_entries.end() || found->second.checkedInPass != m_pass) {
        const QFileInfo info(path);
        if (!info.isFile()) {
            if (found != m_entries.end())
                forget(found);
            throw Failure::pictureNotFound(path);
        }
        if (found == m_entries.end()) {
            found = m_entries.emplace(path, Entry{}).first;
            m_uses.push_front(path);
            found->second.use = m_uses.begin();
        }
        Entry& entry = found->second;
        if (entry.size != info.size() || entry.modified != info.lastModified()) {
            entry.size = info.size();
            entry.modified = info.lastModified();
            entry.refusedSize = QSize();
            entry.image = DecodeCorner(path, &entry.refusedSize);
            m_bytes += EntryBytes(path, entry.image) - entry.bytes;
            entry.bytes = EntryBytes(path, entry.image);
            ++m_decodes;
        }
        entry.checkedInPass = m_pass;
    }
    const Entry& entry = found->second;
    m_uses.splice(m_uses.begin(), m_uses, entry.use);
    shrink(path);
    if (entry.refusedSize.isValid())
        throw tooLarge(path, entry.refusedSize);
    if (entry.image.isNull())
        throw notAPicture(path);
    return entry.image;
}

void PictureStore::shrink(const QString& kept) {
    while (m_bytes > PictureCacheBytes && m_uses.back() != kept)
        forget(m_entries.find(m_uses.back()));
}

void PictureStore::forget(std::unordered_map<QString, Entry>::iterator entry) {
    m_bytes -= entry->second.bytes;
    m_uses.erase(entry->second.use);
    m_entries.erase(entry);
}

bool PictureStore::exists(const QString& path) {
    const auto found = m_entries.find(path);
    if (found != m_entries.end() && found->second.checkedInPass == m_pass)
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
