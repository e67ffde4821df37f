#pragma once

#include <QImage>
#include <QString>

namespace tavrin {

// Reads picture files. A missing file is failure 53 (its description names the file); a file that is not
// a picture is failure 481.
class PictureStore {
public:
    QImage load(const QString& path);
};

} // namespace tavrin
