#pragma once

#include "level/core/tilearrays.h"
#include "level/document/screen.h"
#include "level/storage/picturestore.h"

#include <QImage>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <functional>

class QPainter;

namespace tavrin {

class Reachability;

// A screen drawn at scale 1: 20 x 15 tiles of 24 x 24 pixels.
constexpr int RenderTileSize = 24;
constexpr int ScreenImageWidth = GridColumns * RenderTileSize;
constexpr int ScreenImageHeight = GridRows * RenderTileSize;
// On a map of the level, the pixels between two screens at scale 1, and the colour they show.
constexpr int WorldGap = 8;
constexpr QRgb WorldBackground = 0xFF404040;
// The largest image drawn, in pixels (512 MB in memory).
constexpr qint64 MaxRenderPixels = qint64(1) << 27;

// Draws screens as the editor's grid shows them, without borders: each tile's colour, and its picture
// unscaled from the tile's top-left corner, cut off at the tile's edge. Works without a window system.
class ScreenPainter {
public:
    // Picture files come from the first of `picturesFolders` that holds them; none when there is none.
    explicit ScreenPainter(QStringList picturesFolders);

    // The screen at scale 1; the walk marker drawn over tile `markerTile` when it is one of the grid.
    QImage paint(const Screen& screen, int markerTile = 0);
    // The picture tile `index` of `screen` shows. A text names a file in the Pics folder; a missing or
    // unreadable one, or one outside the folder, shows none. A number names a picture box: 0 none, 997
    // the built-in figure, 999 the walk marker, 1..300 the picture that tile shows (none when the tiles
    // named lead round in a loop). 998, the tile under the marker, depends on where the marker walked,
    // so it shows none.
    QImage picture(const Screen& screen, int index);

private:
    QImage filePicture(const QString& reference);

    QStringList m_folders;
    PictureStore m_pictures;
    QImage m_builtin;
    QImage m_marker;
};

// Each pixel of `image` as a square of scale x scale pixels.
QImage ScaledUp(const QImage& image, int scale);

// What `tavrin-level render` draws: one screen, or the map of the level (WorldLayout) with every screen
// in its place, WorldGap apart. The walk marker, when asked for, stands on the start tile of screen 0;
// `directions` draws the blocked steps and the exits of every tile over its screen (DrawDirections), whose
// numbers take fonts and so a QGuiApplication.
struct RenderRequest {
    QString levelFile;
    QStringList picturesFolders;
    int screen = 0;
    bool world = false;
    int scale = 1;
    bool marker = false;
    bool directions = false;
    // Shades what the walk from the start tile of screen 0 cannot reach: the tiles of a screen, the
    // screens of the map.
    bool reach = false;
};

// Reads the level as the editor does, through its index, and draws what `request` asks for. Nothing is
// written, and no scratch file is read. A missing file is failure 53, a file without level records 321,
// level properties that cannot be read their failure, a screen that is not one of the level's screens
// 0..last failure 9, an image larger than MaxRenderPixels failure 6. A screen that cannot be read whole is
// drawn as far as it was read; `warnings` tells of it.
QImage RenderLevel(const RenderRequest& request, QStringList* warnings);

// The map of the screens 0..count - 1, `read` giving each screen, as RenderLevel draws it with --world;
// the walk marker on tile `marker` of screen 0 (none: 0), and with `directions` the blocked steps and
// exits over each screen; given `walk`, each screen it never comes into shaded. Failure 6 when the image
// would be larger than MaxRenderPixels.
QImage RenderWorld(int count, const std::function<Screen(int)>& read, ScreenPainter& painter, int marker,
                   int scale, bool directions = false, const Reachability* walk = nullptr);

// Shades over `rect`, the image of screen `screen`, what `walk` never reaches there: the whole screen when
// it never comes into it, else (with `tiles`) each tile of the grid it never reaches that leads somewhere
// (a wall or a tree blocked all round is left as it is).
void ShadeUnreached(QPainter& painter, const QRectF& rect, const Reachability& walk, int screen, bool tiles);

} // namespace tavrin
