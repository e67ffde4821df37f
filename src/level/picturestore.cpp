#include "picturestore.h"

#include "failure.h"

#include <QFileInfo>
#include <QImageReader>

namespace tavrin {

QImage PictureStore::load(const QString& path) {
    if (!QFileInfo(path).isFile())
        throw Failure::pictureNotFound(path);
    QImageReader reader(path);
    QImage image = reader.read();
    if (image.isNull())
        throw Failure(ErrInvalidPicture,
                      StandardDescription(ErrInvalidPicture) + QStringLiteral(": ") + path);
    return image;
}

} // namespace tavrin
