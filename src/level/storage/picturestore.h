#pragma once

#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QSize>
#include <QString>

#include <list>
#include <unordered_map>

namespace tavrin {

class FileAccess;

// Whether the files `a` and `b` hold the same bytes, read through `files`. A file that cannot be read is
// the same as none: a picture is never replaced without asking because it could not be compared.
bool SameFileBytes(FileAccess& files, const QString& a, const QString& b);

// Every view draws a picture unscaled from its top-left corner and cuts it off at the edge of its box: a
// tile of the grid, the brush preview and the boxes beside the grid (25 pixels, 21 inside a 3D border),
// the tile property window's picture (33), a tile of a screen that tavrin-level render or the World
// Overview draws (24). So only the corner that many pixels wide and high is decoded and kept; a larger
// box would show the picture cut off there.
constexpr int PictureCornerSide = 64;
// The largest picture decoded, in pixels: 5792 x 5792 or so, 128 MB while it is decoded at 4 bytes a pixel
// (as much as Qt's image reader allocates at most by default). A larger one is refused from the size in
// its header, before anything is decoded: it is failure 481.
constexpr qint64 MaxPicturePixels = qint64(1) << 25;
// The most memory the decoded pictures of a PictureStore take, in bytes. A corner of 64 x 64 pixels takes
// 16 KB at 4 bytes a pixel (32 KB at 8, as a 16-bit PNG gives it), so the pictures of a whole screen, 300
// at most, fit and are decoded once a pass.
constexpr qint64 PictureCacheBytes = 16 * 1024 * 1024;

// Whether a picture of `size` pixels (as its header tells it) may be decoded: false beyond
// MaxPicturePixels. An invalid size, which a reader cannot tell before decoding, may.
bool DecodablePictureSize(QSize size);

// Reads picture files. A missing file is failure 53 (its description names the file); a file that is not
// a picture, or a picture larger than MaxPicturePixels, is failure 481.
//
// Each file is decoded once and kept, keyed by its path, its size and its modification time: within one
// pass (a screen loaded, a redisplay, a save) a file is looked at on disk once, and a file changed on
// disk is decoded again in the next pass. What is kept of a picture is its top-left corner of at most
// PictureCornerSide x PictureCornerSide pixels, all that any view draws of it. The pictures used least
// lately are let go when the pictures kept would take more than PictureCacheBytes.
class PictureStore {
public:
    QImage load(const QString& path);
    // Whether a file is there, looked at on disk at most once a pass.
    bool exists(const QString& path);
    // Starts a new pass: every file is checked on disk again at its next load.
    void beginPass() { ++m_pass; }
    // How many times a file was decoded.
    int decodes() const { return m_decodes; }
    // The memory the pictures kept take, as counted against PictureCacheBytes.
    qint64 bytesKept() const { return m_bytes; }

private:
    struct Entry {
        qint64 size = -1;
        QDateTime modified;
        QImage image;      // null when the file is not a picture or is too large
        QSize refusedSize; // the size of a picture too large to decode
        quint64 checkedInPass = 0;
        qint64 bytes = 0;
        std::list<QString>::iterator use; // its place in m_uses
    };
    // Lets go of the pictures used least lately until those kept fit in PictureCacheBytes; `kept` stays.
    void shrink(const QString& kept);
    void forget(std::unordered_map<QString, Entry>::iterator entry);

    std::unordered_map<QString, Entry> m_entries;
    std::list<QString> m_uses; // the paths of m_entries, the one used last first
    qint64 m_bytes = 0;
    QHash<QString, quint64> m_missing; // the pass in which a file was last found missing
    quint64 m_pass = 1;
    int m_decodes = 0;
};

} // namespace tavrin
