// Times the World Overview's map on a level: its first paint at a fixed size, every thumbnail in view
// drawn, and a pan across the whole map.
//
//   bench_overview LEVEL [--size WIDTHxHEIGHT]
//
// Make a large level first, e.g. `bench_levels --generate 32768 --folder /tmp/big`, then
// `bench_overview /tmp/big/level.txt`. Runs on the offscreen platform.
#include "level/document/leveldocument.h"
#include "mainwindow/worldoverview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMouseEvent>
#include <QTextStream>

using namespace tavrin;

namespace {

double milliseconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

// Paints the map until no thumbnail in view is missing: how many paints it took.
int paintUntilDrawn(WorldMap& map) {
    int paints = 0;
    do {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        map.grab();
        ++paints;
    } while (map.thumbnailsKept() < map.thumbnailRenders() && paints < 100000);
    return paints;
}

void drag(WorldMap& map, QPoint from, QPoint to) {
    QMouseEvent press(QEvent::MouseButtonPress, from, map.mapToGlobal(from), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&map, &press);
    QMouseEvent move(QEvent::MouseMove, to, map.mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&map, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, to, map.mapToGlobal(to), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&map, &release);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2) {
        QTextStream(stderr) << "usage: bench_overview LEVEL [--size WIDTHxHEIGHT]\n";
        return 2;
    }
    const QString path = QFileInfo(arguments[1]).absoluteFilePath();
    QSize size(1024, 768);
    const qsizetype sizeAt = arguments.indexOf(QStringLiteral("--size"));
    if (sizeAt > 0 && sizeAt + 1 < arguments.size()) {
        const QStringList parts = arguments[sizeAt + 1].split(u'x');
        if (parts.size() == 2)
            size = QSize(parts[0].toInt(), parts[1].toInt());
    }

    LevelDocument document(QFileInfo(path).absolutePath());
    const Module1& level = document.state();
    QElapsedTimer timer;
    timer.start();
    document.loadLevel(path, QStringLiteral("bench"));
    const double load = milliseconds(timer);

    timer.start();
    WorldMap map(level, nullptr);
    map.resize(size);
    map.reload();
    map.grab();
    const double firstPaint = milliseconds(timer);
    paintUntilDrawn(map);
    const double allDrawn = milliseconds(timer);
    const int firstThumbnails = map.thumbnailRenders();

    // The side links of every screen are read while the window works; the map is laid out whole then.
    timer.start();
    while (map.readingLinks())
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    const double links = milliseconds(timer);

    // Across the map: drags of most of the view, four rows of twelve, each painted with every thumbnail.
    timer.start();
    int drags = 0;
    const QPoint centre(size.width() / 2, size.height() / 2);
    const int stepX = size.width() * 3 / 4;
    const int stepY = size.height() * 3 / 4;
    map.centreOn(0, 160); // screens 160 pixels wide, as a window opens on a large map
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 12; ++column) {
            drag(map, centre, centre - QPoint(row % 2 == 0 ? stepX : -stepX, 0));
            paintUntilDrawn(map);
            ++drags;
        }
        drag(map, centre, centre - QPoint(0, stepY));
        paintUntilDrawn(map);
        ++drags;
    }
    const double pan = milliseconds(timer);

    QTextStream(stdout)
        << QStringLiteral("| screens | load level | first paint at %1x%2 | every thumbnail in view | "
                          "all side links read | pan: %3 drags, each painted whole | thumbnails drawn |\n")
               .arg(size.width())
               .arg(size.height())
               .arg(drags)
        << "|---|---|---|---|---|---|---|\n"
        << QStringLiteral("| %1 | %2 ms | %3 ms | %4 ms (%5 thumbnails) | %6 ms | %7 ms | %8 |\n")
               .arg(int(level.LevelLastScreen()) + 1)
               .arg(load, 0, 'f', 0)
               .arg(firstPaint, 0, 'f', 0)
               .arg(allDrawn, 0, 'f', 0)
               .arg(firstThumbnails)
               .arg(links, 0, 'f', 0)
               .arg(pan, 0, 'f', 0)
               .arg(map.thumbnailRenders());
    return 0;
}
