#include "level/tools/levelrender.h"

#include "level/core/colour.h"
#include "level/core/messages.h"
#include "level/tools/directions.h"
#include "level/tools/leveldiff.h"
#include "level/tools/reachcheck.h"
#include "level/tools/worldarrows.h"
#include "level/tools/worldlayout.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <array>

// The built-in figure and the walk marker: the editor's own images, compiled into this library too.
static void InitBuiltinImages() {
    Q_INIT_RESOURCE(builtinimages);
}

namespace tavrin {

namespace {
QRect tileCell(int index) {
    return QRect(((index - 1) % GridColumns) * RenderTileSize, ((index - 1) / GridColumns) * RenderTileSize,
                 RenderTileSize, RenderTileSize);
}

void drawPicture(QPainter& painter, const QRect& cell, const QImage& picture) {
    if (picture.isNull())
        return;
    painter.save();
    painter.setClipRect(cell);
    painter.drawImage(cell.topLeft(), picture);
    painter.restore();
}

Failure tooLarge(qint64 pixels, int scale) {
    QString text = Text(Msg::ImageTooLarge).arg(pixels).arg(MaxRenderPixels);
    if (scale > 1)
        text += u' ' + Text(Msg::DrawSmaller);
    return Failure(ErrOverflow, text);
}
} // namespace

ScreenPainter::ScreenPainter(QStringList picturesFolders) : m_folders(std::move(picturesFolders)) {
    InitBuiltinImages();
    m_builtin = QImage(QStringLiteral(":/level/builtin.bmp"));
    m_marker = QImage(QStringLiteral(":/level/marker.bmp"));
}

QImage ScreenPainter::filePicture(const QString& reference) {
    if (m_folders.isEmpty())
        return QImage();
    try {
        return m_pictures.load(FindPictureFile(m_pictures, m_folders, reference));
    } catch (const Failure&) {
        return QImage(); // missing, no picture, or outside the Pics folder
    }
}

QImage ScreenPainter::picture(const Screen& screen, int index) {
    std::array<bool, LastGridTile + 1> seen{};
    seen[size_t(index)] = true;
    for (;;) {
        const FieldValue& reference = screen.tile(index).picture;
        if (!reference.isNumeric())
            return filePicture(reference.textValue());
        Integer box = 0;
        try {
            box = reference.toInteger();
        } catch (const Failure&) {
            return QImage(); // no box at all; a tile read from a level file never names one
        }
        if (box == BuiltinTile)
            return m_builtin;
        if (box == MarkerTile)
            return m_marker;
        if (box < FirstGridTile || box > LastGridTile || seen[size_t(box)])
            return QImage();
        index = box;
        seen[size_t(index)] = true;
    }
}

QImage ScreenPainter::paint(const Screen& screen, int markerTile) {
    QImage image(ScreenImageWidth, ScreenImageHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    for (int i = FirstGridTile; i <= LastGridTile; ++i) {
        const QRect cell = tileCell(i);
        const FieldValue& colour = screen.tile(i).colour;
        painter.fillRect(cell, ColourToQColor(colour.isNumeric() ? colour.toLong() : 0));
        drawPicture(painter, cell, picture(screen, i));
        if (i == markerTile)
            drawPicture(painter, cell, m_marker);
    }
    return image;
}

QImage ScaledUp(const QImage& image, int scale) {
    if (scale == 1)
        return image;
    return image.scaled(image.width() * scale, image.height() * scale, Qt::IgnoreAspectRatio,
                        Qt::FastTransformation);
}

QImage RenderLevel(const RenderRequest& request, QStringList* warnings) {
    const QString& path = request.levelFile;
    // Every screen comes from the level file alone, read through its index as diff and merge read it: no
    // scratch file is read, and nothing is written.
    FileAccess files;
    LevelSource level(files, path);
    const int lastScreen = level.lastScreen();
    const int startTile = level.properties().startTile;
    if (!request.world && !level.has(request.screen))
        throw Failure(ErrSubscript, Text(Msg::ScreenNotInLevel).arg(request.screen).arg(lastScreen));

    const auto read = [&](int number) {
        std::optional<Failure> trouble;
        Screen screen = Screen::decode(level.block(number), Integer(number), &trouble);
        if (trouble && warnings)
            *warnings << Text(Msg::ScreenDrawnInPart).arg(number).arg(trouble->description());
        return screen;
    };
    ScreenPainter painter(request.picturesFolders);
    std::unique_ptr<Reachability> walk;
    if (request.reach) {
        if (startTile < FirstGridTile || startTile > LastGridTile)
            throw Failure(ErrSubscript, Text(Msg::StartTileNotOnGrid));
        walk = WalkOfLevelFile(files, path);
    }
    const int marker = request.marker ? startTile : 0;
    const int scale = request.scale;
    if (!request.world) {
        const Screen screen = read(request.screen);
        QImage image = ScaledUp(painter.paint(screen, request.screen == 0 ? marker : 0), scale);
        if (request.directions) {
            QPainter canvas(&image);
            DrawDirections(canvas, image.rect(), screen, lastScreen);
        }
        if (walk) {
            QPainter canvas(&image);
            ShadeUnreached(canvas, image.rect(), *walk, request.screen, true);
        }
        return image;
    }

    const int count = std::max(lastScreen, 0) + 1;
    return RenderWorld(count, read, painter, marker, scale, request.directions, walk.get());
}

void ShadeUnreached(QPainter& painter, const QRectF& rect, const Reachability& walk, int screen, bool tiles) {
    // Dark, and hatched so that it shows on dark tiles too.
    const auto shade = [&painter](const QRectF& area) {
        painter.fillRect(area, QColor(0, 0, 0, 150));
        painter.fillRect(area, QBrush(QColor(255, 255, 255, 70), Qt::BDiagPattern));
    };
    if (!walk.entered(screen)) {
        shade(rect);
        return;
    }
    if (!tiles)
        return;
    const qreal width = rect.width() / GridColumns, height = rect.height() / GridRows;
    for (int tile = FirstGridTile; tile <= LastGridTile; ++tile)
        if (!walk.reached({screen, tile}) && !walk.leadsNowhere({screen, tile}))
            shade(QRectF(rect.left() + (tile - 1) % GridColumns * width,
                         rect.top() + (tile - 1) / GridColumns * height, width, height));
}

QImage RenderWorld(int count, const std::function<Screen(int)>& read, ScreenPainter& painter, int marker,
                   int scale, bool directions, const Reachability* walk) {
    const qint64 screenPixels = qint64(ScreenImageWidth) * ScreenImageHeight * scale * scale;
    if (count * screenPixels > MaxRenderPixels)
        throw tooLarge(count * screenPixels, scale);
    std::vector<Screen> screens;
    std::vector<SideLinks> links;
    for (int n = 0; n < count; ++n) {
        screens.push_back(read(n));
        links.push_back(screens.back().links);
    }
    const WorldLayout layout = LayOutWorld(links);
    const QRect bounds = layout.bounds();
    const int stepX = (ScreenImageWidth + WorldGap) * scale;
    const int stepY = (ScreenImageHeight + WorldGap) * scale;
    const qint64 width = qint64(bounds.width()) * stepX - WorldGap * scale;
    const qint64 height = qint64(bounds.height()) * stepY - WorldGap * scale;
    if (width * height > MaxRenderPixels)
        throw tooLarge(width * height, scale);
    QImage world(int(width), int(height), QImage::Format_RGB32);
    world.fill(WorldBackground);
    QPainter canvas(&world);
    std::vector<QRectF> cells;
    std::vector<ScreenExits> exits;
    for (int n = 0; n < count; ++n) {
        const QPoint cell = layout.cells[size_t(n)] - bounds.topLeft();
        const QPoint at(cell.x() * stepX, cell.y() * stepY);
        const QImage image = ScaledUp(painter.paint(screens[size_t(n)], n == 0 ? marker : 0), scale);
        canvas.drawImage(at, image);
        cells.emplace_back(at, image.size());
        exits.push_back(ExitsOf(screens[size_t(n)]));
    }
    // As the World Overview draws them: each screen's number, and an arrow to each screen its exits lead to.
    QFont font = canvas.font();
    font.setPixelSize(14 * scale);
    canvas.setFont(font);
    canvas.setRenderHint(QPainter::Antialiasing);
    for (int n = 0; n < count; ++n) {
        const QRectF& cell = cells[size_t(n)];
        for (const WorldArrow& arrow : ArrowsFrom(
                 n, count, [&links](int s) -> const SideLinks& { return links[size_t(s)]; },
                 [&exits](int s) -> const ScreenExits& { return exits[size_t(s)]; })) {
            if (arrow.to == n)
                continue;
            if (arrow.to < 0 || arrow.to >= count)
                DrawWorldArrowOut(canvas, cell, arrow.link);
            else
                DrawWorldArrow(canvas, cell.center(), cells[size_t(arrow.to)].center(), arrow.warning,
                               cell.width());
        }
    }
    canvas.setRenderHint(QPainter::Antialiasing, false);
    for (int n = 0; n < count; ++n) {
        if (walk)
            ShadeUnreached(canvas, cells[size_t(n)], *walk, n, false);
        DrawScreenNumber(canvas, cells[size_t(n)], n);
        if (directions)
            DrawDirections(canvas, cells[size_t(n)], screens[size_t(n)], Integer(count - 1));
    }
    return world;
}

} // namespace tavrin
