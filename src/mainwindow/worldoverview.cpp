#include "mainwindow/worldoverview.h"

#include "mainwindow/centring.h"

#include "level/core/failure.h"
#include "level/core/task.h"
#include "level/document/leveldocument.h"
#include "level/document/module1.h"
#include "level/storage/fileaccess.h"
#include "level/tools/directions.h"
#include "level/tools/reach.h"
#include "level/tools/worldarrows.h"
#include "mainwindow/longtask.h"
#include "widgets/loaddialog.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <memory>

namespace tavrin {

namespace {
constexpr int StepX = ScreenImageWidth + WorldGap;
constexpr int StepY = ScreenImageHeight + WorldGap;
constexpr qint64 ThumbnailCacheBytes = qint64(64) << 20;
// The widths of the thumbnails kept: the smallest one at least as wide as the cell on the view.
constexpr int ThumbnailWidths[] = {120, 160, 240, ScreenImageWidth};
constexpr int ThumbnailLevels = 4;
// Thumbnails wider than this, which show tiles of more than 8 pixels, have the tiles' walls and exits drawn
// over them.
constexpr int DirectionsWidth = 160;
// How long one paint may spend drawing thumbnails; the rest follow in the next paint.
constexpr int PaintBudgetMs = 60;
// Side links: read for this long before the window shows, then a slice at a time, the map laid out again
// every so often while they are read.
constexpr int FirstSliceMs = 150;
constexpr int SliceMs = 40;
constexpr int RelayoutMs = 1000;
constexpr int Margin = 12;
constexpr double MaxScale = 4.0;
// The width of a screen on the view when the window opens on a map too large to fit.
constexpr double OpeningWidth = 160.0;
const QString GeometryKey = QStringLiteral("WorldOverview/Geometry");

// The links of a screen not read yet: they lead nowhere, so the layout puts it in the row below the map.
SideLinks NoLinks() {
    SideLinks links;
    links.fill(-1);
    return links;
}

qint64 ThumbnailKey(int screen, int level) {
    return qint64(screen) * ThumbnailLevels + level;
}
} // namespace

// --- The map --------------------------------------------------------------------------------------------

WorldMap::WorldMap(const Module1& level, QWidget* parent)
    : QWidget(parent), m_level(level), m_painter(level.Pictures().folders()),
      m_thumbnails(ThumbnailCacheBytes),
      m_drawingPainter(std::make_unique<ScreenPainter>(level.Pictures().folders())) {
    m_drawingThread.setMaxThreadCount(1);
    m_marker = QImage(QStringLiteral(":/level/marker.bmp"));
    setObjectName(QStringLiteral("Map"));
    setMinimumSize(200, 150);
    setFocusPolicy(Qt::StrongFocus);
    m_linkReader = new QTimer(this);
    m_linkReader->setInterval(0);
    connect(m_linkReader, &QTimer::timeout, this, [this] { readMoreLinks(SliceMs); });
    reload();
}

// The screen on display comes from memory; the others from their scratch files or the level file.
SideLinks WorldMap::readLinks(int screen) {
    return m_level.ReadSideLinks(static_cast<Integer>(screen));
}

const SideLinks& WorldMap::linksOf(int screen) {
    if (!m_linksKnown[size_t(screen)]) {
        m_links[size_t(screen)] = readLinks(screen);
        m_linksKnown[size_t(screen)] = true;
    }
    return m_links[size_t(screen)];
}

void WorldMap::reload() {
    const int screens = std::max(int(m_level.LevelLastScreen()), 0) + 1;
    m_links.assign(size_t(screens), NoLinks());
    m_linksKnown.assign(size_t(screens), false);
    m_linksRead = 0;
    m_exits.assign(size_t(screens), std::nullopt);
    m_thumbnails.clear();
    m_drawing.clear();
    // Another level may keep its pictures elsewhere, and pictures may have changed since.
    m_drawingThread.waitForDone();
    m_painter = ScreenPainter(m_level.Pictures().folders());
    m_drawingPainter = std::make_unique<ScreenPainter>(m_level.Pictures().folders());
    m_sinceLayout.start();
    readMoreLinks(FirstSliceMs);
    if (readingLinks()) // the screens whose links are read so far, until they are all read
        layOut();
}

void WorldMap::readMoreLinks(int milliseconds) {
    QElapsedTimer slice;
    slice.start();
    while (m_linksRead < count() && slice.elapsed() < milliseconds)
        linksOf(m_linksRead++);
    emit linksRead(m_linksRead, count());
    const bool done = !readingLinks();
    if (done)
        m_linkReader->stop();
    else if (!m_linkReader->isActive())
        m_linkReader->start();
    if (done || m_sinceLayout.elapsed() >= RelayoutMs) {
        layOut();
        m_sinceLayout.restart();
        if (m_keepOpeningView)
            showOpeningView();
    }
}

void WorldMap::layOut() {
    m_layout = LayOutWorld(m_links);
    m_bounds = m_layout.bounds();
    update();
}

void WorldMap::screenChanged(int screen) {
    for (int level = 0; level < ThumbnailLevels; ++level) {
        m_thumbnails.remove(ThumbnailKey(screen, level));
        m_drawing.remove(ThumbnailKey(screen, level));
    }
    if (screen >= 0 && screen < count())
        m_exits[size_t(screen)].reset();
    update();
}

void WorldMap::linksChanged(int screen) {
    screenChanged(screen);
    if (screen < 0 || screen >= count())
        return;
    m_links[size_t(screen)] = readLinks(screen);
    m_linksKnown[size_t(screen)] = true;
    if (!readingLinks())
        layOut();
}

void WorldMap::lastScreenChanged() {
    const int screens = std::max(int(m_level.LevelLastScreen()), 0) + 1;
    if (screens == count())
        return;
    // Exits are drawn as leading to a screen of the level or not: the thumbnails that show them go.
    const auto showsDirections = [](qint64 key) {
        return ThumbnailWidths[key % ThumbnailLevels] > DirectionsWidth;
    };
    for (const qint64 key : m_thumbnails.keys())
        if (showsDirections(key))
            m_thumbnails.remove(key);
    m_drawing.removeIf([&](const auto& drawing) { return showsDirections(drawing.key()); });
    m_links.resize(size_t(screens), NoLinks());
    m_linksKnown.resize(size_t(screens), false);
    m_exits.resize(size_t(screens));
    m_linksRead = std::min(m_linksRead, screens);
    layOut();
    readMoreLinks(FirstSliceMs);
}

QRectF WorldMap::cellInWorld(int screen) const {
    const QPoint cell = m_layout.cells[size_t(screen)] - m_bounds.topLeft();
    return QRectF(cell.x() * StepX, cell.y() * StepY, ScreenImageWidth, ScreenImageHeight);
}

QRectF WorldMap::cellInView(int screen) const {
    const QRectF world = cellInWorld(screen);
    return QRectF(m_offset + world.topLeft() * m_scale, world.size() * m_scale);
}

std::optional<int> WorldMap::screenAt(const QPoint& point) const {
    const QPointF world = (QPointF(point) - m_offset) / m_scale;
    const QPoint cell(int(std::floor(world.x() / StepX)), int(std::floor(world.y() / StepY)));
    for (int n = 0; n < count(); ++n)
        if (m_layout.cells[size_t(n)] - m_bounds.topLeft() == cell && cellInView(n).contains(point))
            return n;
    return std::nullopt;
}

const ScreenExits& WorldMap::exitsOf(int screen) {
    std::optional<ScreenExits>& known = m_exits[size_t(screen)];
    if (!known)
        known = ExitsOf(m_level.ReadScreen(static_cast<Integer>(screen)));
    return *known;
}

std::vector<WorldArrow> WorldMap::arrowsFrom(int screen) {
    return ArrowsFrom(
        screen, count(), [this](int n) -> const SideLinks& { return linksOf(n); },
        [this](int n) -> const ScreenExits& { return exitsOf(n); });
}

std::vector<WorldArrow> WorldMap::arrows() {
    std::vector<WorldArrow> result;
    for (int n = 0; n < count(); ++n) {
        const std::vector<WorldArrow> from = arrowsFrom(n);
        result.insert(result.end(), from.begin(), from.end());
    }
    return result;
}

QString WorldMap::describe(int screen) {
    QStringList links;
    for (int k = 2; k <= 9; ++k)
        links << QStringLiteral("%1\u2192%2").arg(k).arg(linksOf(screen)[size_t(k)]);
    return tr("Screen %1\nLinks: %2\nExits: %3")
        .arg(screen)
        .arg(links.join(QStringLiteral("  ")))
        .arg(exitsOf(screen).count);
}

QRectF WorldMap::markerInView() const {
    const int tile = m_level.WalkerTile();
    if (m_level.CurrentScreen() < 0 || m_level.CurrentScreen() >= count() || tile < FirstGridTile ||
        tile > LastGridTile)
        return QRectF();
    const QRectF cell = cellInView(m_level.CurrentScreen());
    if (cell.width() < DetailWidth)
        return QRectF();
    // The marker as the grid shows it: its picture from the tile's top-left corner, at the map's scale.
    const double scale = cell.width() / ScreenImageWidth;
    const QPointF corner(cell.left() + (tile - 1) % GridColumns * RenderTileSize * scale,
                         cell.top() + (tile - 1) / GridColumns * RenderTileSize * scale);
    return QRectF(corner, QSizeF(m_marker.size()) * scale);
}

const QImage* WorldMap::thumbnail(int screen, int level, bool mayDraw) {
    const qint64 key = ThumbnailKey(screen, level);
    if (const QImage* kept = m_thumbnails.object(key))
        return kept;
    if (!mayDraw || m_drawing.contains(key))
        return nullptr;
    // Reading stays here, with the level; the drawing and scaling go to the drawing thread.
    const Screen read = m_level.ReadScreen(static_cast<Integer>(screen));
    const quint64 stamp = ++m_lastStamp;
    m_drawing.insert(key, stamp);
    ++m_renders;
    ScreenPainter* painter = m_drawingPainter.get();
    const int width = ThumbnailWidths[level];
    const Integer lastScreen = m_level.LevelLastScreen();
    m_drawingThread.start([this, painter, read, width, lastScreen, key, stamp] {
        QImage image = painter->paint(read).scaled(width, width * ScreenImageHeight / ScreenImageWidth,
                                                   Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (width > DirectionsWidth) {
            QPainter canvas(&image);
            DrawDirections(canvas, image.rect(), read, lastScreen);
        }
        QMetaObject::invokeMethod(
            this,
            [this, image, key, stamp] {
                if (m_drawing.value(key) != stamp)
                    return; // dropped since it was asked for
                m_drawing.remove(key);
                m_thumbnails.insert(key, new QImage(image), image.sizeInBytes());
                update();
            },
            Qt::QueuedConnection);
    });
    return nullptr;
}

void WorldMap::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgb(WorldBackground));
    std::vector<int> visible;
    for (int n = 0; n < count(); ++n)
        if (cellInView(n).intersects(rect()))
            visible.push_back(n);
    drawCells(painter, visible);
    if (m_scale * ScreenImageWidth >= DetailWidth)
        drawArrows(painter, visible);
    if (const QRectF marker = markerInView(); !marker.isEmpty())
        painter.drawImage(marker, m_marker);
    if (m_level.CurrentScreen() >= 0 && m_level.CurrentScreen() < count()) {
        painter.setPen(QPen(QColor::fromRgb(FrameColour), 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(cellInView(m_level.CurrentScreen()).adjusted(-2, -2, 2, 2));
    }
    // A thumbnail carried onto another: both framed, dashed, the way the swap would go.
    if (m_dragged) {
        painter.setPen(QPen(QColor::fromRgb(DragColour), 3, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(cellInView(*m_dragged).adjusted(-2, -2, 2, 2));
        if (m_dropTarget) {
            painter.drawRect(cellInView(*m_dropTarget).adjusted(-2, -2, 2, 2));
            painter.drawLine(cellInView(*m_dragged).center(), cellInView(*m_dropTarget).center());
        }
    }
}

void WorldMap::drawCells(QPainter& painter, const std::vector<int>& visible) {
    const double width = m_scale * ScreenImageWidth;
    const Reachability* walk = reachable ? reachable() : nullptr;
    if (width < DetailWidth) {
        for (const int n : visible) {
            painter.fillRect(cellInView(n),
                             m_layout.onMap[size_t(n)] ? QColor(150, 150, 150) : QColor(110, 110, 110));
            if (walk)
                ShadeUnreached(painter, cellInView(n), *walk, n, false);
        }
        return;
    }
    int level = 0;
    while (level < ThumbnailLevels - 1 && ThumbnailWidths[level] < width)
        ++level;
    QElapsedTimer budget;
    budget.start();
    bool pending = false;
    QFont font = painter.font();
    font.setPixelSize(std::clamp(int(width / 12), 9, 14));
    painter.setFont(font);
    for (const int n : visible) {
        const QRectF cell = cellInView(n);
        const QImage* image = thumbnail(n, level, budget.elapsed() < PaintBudgetMs);
        if (image)
            painter.drawImage(cell, *image);
        else {
            painter.fillRect(cell, QColor(90, 90, 90));
            pending = true;
        }
        if (walk)
            ShadeUnreached(painter, cell, *walk, n, false);
        if (width < 40)
            continue;
        DrawScreenNumber(painter, cell, n);
    }
    if (pending && !m_morePending) {
        m_morePending = true;
        QTimer::singleShot(0, this, [this] {
            m_morePending = false;
            update();
        });
    }
}

void WorldMap::drawArrows(QPainter& painter, const std::vector<int>& visible) {
    painter.setRenderHint(QPainter::Antialiasing);
    const QSizeF cell = QSizeF(ScreenImageWidth, ScreenImageHeight) * m_scale;
    for (const int n : visible) {
        const QPointF from = cellInView(n).center();
        for (const WorldArrow& arrow : arrowsFrom(n)) {
            if (arrow.to == n)
                continue;
            if (arrow.to < 0 || arrow.to >= count())
                DrawWorldArrowOut(painter, QRectF(from - QPointF(cell.width(), cell.height()) / 2, cell),
                                  arrow.link);
            else
                DrawWorldArrow(painter, from, cellInView(arrow.to).center(), arrow.warning, cell.width());
        }
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
}

void WorldMap::fit() {
    userMovedView();
    fitView();
}

void WorldMap::fitView() {
    const double worldWidth = double(m_bounds.width()) * StepX - WorldGap;
    const double worldHeight = double(m_bounds.height()) * StepY - WorldGap;
    const double room = std::max(width() - 2 * Margin, 1);
    const double roomHigh = std::max(height() - 2 * Margin, 1);
    m_scale = std::min({room / worldWidth, roomHigh / worldHeight, MaxScale});
    m_offset = QPointF((width() - worldWidth * m_scale) / 2, (height() - worldHeight * m_scale) / 2);
    update();
}

void WorldMap::clampScale() {
    const double worldWidth = double(m_bounds.width()) * StepX;
    const double worldHeight = double(m_bounds.height()) * StepY;
    const double smallest = std::min({width() / worldWidth, height() / worldHeight, 1.0}) / 2;
    m_scale = std::clamp(m_scale, smallest, MaxScale);
}

void WorldMap::zoomBy(double factor, const QPointF& anchor) {
    userMovedView();
    const QPointF world = (anchor - m_offset) / m_scale;
    m_scale *= factor;
    clampScale();
    m_offset = anchor - world * m_scale;
    update();
}

void WorldMap::zoomIn() {
    zoomBy(1.25, rect().center());
}

void WorldMap::zoomOut() {
    zoomBy(0.8, rect().center());
}

void WorldMap::centreOn(int screen, double width) {
    m_scale = width / ScreenImageWidth;
    clampScale();
    if (screen < 0 || screen >= count())
        screen = 0;
    m_offset = QPointF(rect().center()) - cellInWorld(screen).center() * m_scale;
    update();
}

void WorldMap::showOpeningView() {
    m_keepOpeningView = true;
    fitView();
    if (m_scale * ScreenImageWidth < OpeningWidth / 2)
        centreOn(m_level.CurrentScreen(), OpeningWidth);
}

QImage WorldMap::image() {
    return RenderWorld(
        count(), [this](int n) { return m_level.ReadScreen(static_cast<Integer>(n)); }, m_painter, 0, 1);
}

void WorldMap::wheelEvent(QWheelEvent* event) {
    zoomBy(std::pow(1.25, event->angleDelta().y() / 120.0), event->position());
    event->accept();
}

void WorldMap::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton && event->button() != Qt::MiddleButton)
        return;
    m_pressed = true;
    m_dragging = event->button() == Qt::MiddleButton;
    m_pressAt = event->position().toPoint();
    m_pressOffset = m_offset;
    m_pressedScreen = event->button() == Qt::LeftButton ? screenAt(m_pressAt) : std::nullopt;
}

void WorldMap::mouseMoveEvent(QMouseEvent* event) {
    if (!m_pressed)
        return;
    const QPoint moved = event->position().toPoint() - m_pressAt;
    if (!m_dragging && moved.manhattanLength() < QApplication::startDragDistance())
        return;
    m_dragging = true;
    if (m_pressedScreen) { // a thumbnail is carried toward another
        m_dragged = m_pressedScreen;
        m_dropTarget = screenAt(event->position().toPoint());
        if (m_dropTarget == m_dragged)
            m_dropTarget.reset();
        setCursor(m_dropTarget ? Qt::DragMoveCursor : Qt::ForbiddenCursor);
        update();
        return;
    }
    userMovedView();
    setCursor(Qt::ClosedHandCursor);
    m_offset = m_pressOffset + moved;
    update();
}

void WorldMap::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_pressed)
        return;
    const bool click = !m_dragging && event->button() == Qt::LeftButton;
    const std::optional<int> dragged = std::exchange(m_dragged, std::nullopt);
    const std::optional<int> target = std::exchange(m_dropTarget, std::nullopt);
    m_pressed = false;
    m_dragging = false;
    m_pressedScreen.reset();
    unsetCursor();
    update();
    if (dragged && target) {
        emit screenDropped(*dragged, *target);
        return;
    }
    if (!click)
        return;
    if (const std::optional<int> screen = screenAt(event->position().toPoint()))
        emit screenClicked(*screen);
}

void WorldMap::contextMenuEvent(QContextMenuEvent* event) {
    if (const std::optional<int> screen = screenAt(event->pos()))
        emit screenMenuAsked(*screen, event->globalPos());
}

bool WorldMap::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    auto* help = static_cast<QHelpEvent*>(event);
    if (const std::optional<int> screen = screenAt(help->pos()))
        QToolTip::showText(help->globalPos(), describe(*screen), this);
    else
        QToolTip::hideText();
    return true;
}

// --- The window -----------------------------------------------------------------------------------------

WorldOverviewWindow::WorldOverviewWindow(LevelDocument& document, LoadDialog*& dialog, QString settingsFile,
                                         QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window), m_document(document), m_dialog(dialog),
      m_settingsFile(std::move(settingsFile)) {
    setObjectName(QStringLiteral("WorldOverview"));
    setWindowTitle(DesignCaption());
    setAttribute(Qt::WA_DeleteOnClose);
    CloseOnEscape(this);

    Progress = new QLabel(this);
    Progress->setObjectName(QStringLiteral("Progress"));
    Map = new WorldMap(document.state(), this);
    Fit = new QPushButton(tr("Fit"), this);
    Fit->setObjectName(QStringLiteral("Fit"));
    Fit->setAutoDefault(false);
    ExportImage = new QPushButton(tr("Export Image..."), this);
    ExportImage->setObjectName(QStringLiteral("ExportImage"));
    ExportImage->setAutoDefault(false);

    auto* topRow = new QHBoxLayout;
    topRow->addWidget(Fit);
    topRow->addWidget(ExportImage);
    topRow->addStretch(1);
    topRow->addWidget(Progress);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(topRow);
    layout->addWidget(Map, 1);

    connect(Fit, &QPushButton::clicked, Map, &WorldMap::fit);
    connect(ExportImage, &QPushButton::clicked, this, &WorldOverviewWindow::ExportImage_Click);
    connect(Map, &WorldMap::screenClicked, this, &WorldOverviewWindow::screenChosen);
    connect(Map, &WorldMap::screenDropped, this, &WorldOverviewWindow::swapAsked);
    connect(Map, &WorldMap::screenMenuAsked, this, [this](int screen, const QPoint& at) {
        QMenu menu(this);
        connect(menu.addAction(tr("Show Screen %1").arg(screen)), &QAction::triggered, this,
                [this, screen] { emit screenChosen(screen); });
        menu.addSeparator();
        connect(menu.addAction(tr("Duplicate Screen")), &QAction::triggered, this,
                [this, screen] { emit duplicateAsked(screen); });
        connect(menu.addAction(tr("Delete Screen")), &QAction::triggered, this,
                [this, screen] { emit deleteAsked(screen); });
        connect(menu.addAction(tr("Move Screen To...")), &QAction::triggered, this,
                [this, screen] { emit moveAsked(screen); });
        menu.exec(at);
    });
    connect(Map, &WorldMap::linksRead, Progress, [this](int done, int total) {
        Progress->setText(done < total ? tr("Reading side links: %1 of %2").arg(done).arg(total) : QString());
    });
    const auto addShortcut = [this](const QKeySequence& keys, void (WorldMap::*zoom)()) {
        connect(new QShortcut(keys, this), &QShortcut::activated, Map, zoom);
    };
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_Plus), &WorldMap::zoomIn);
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), &WorldMap::zoomIn);
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus), &WorldMap::zoomOut);
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_0), &WorldMap::fit);

    connect(&document, &LevelDocument::tileChanged, Map,
            [this](int screen, int) { Map->screenChanged(screen); });
    connect(&document, &LevelDocument::screenEdited, Map, &WorldMap::screenChanged);
    connect(&document, &LevelDocument::linksChanged, Map, &WorldMap::linksChanged);
    connect(&document, &LevelDocument::propertiesChanged, Map, &WorldMap::lastScreenChanged);
    connect(&document, &LevelDocument::screenShown, Map, qOverload<>(&QWidget::update));
    connect(&document, &LevelDocument::levelReplaced, Map, [this] {
        Map->reload();
        Map->showOpeningView();
    });
    connect(&document, &LevelDocument::screensRenumbered, Map, &WorldMap::reload);

    resize(720, 540);
    if (!restoreGeometry(OpenSettings(m_settingsFile)->value(GeometryKey).toByteArray()))
        PlaceBesideMainWindow(this, mainWindow);
}

WorldOverviewWindow::~WorldOverviewWindow() {
    saveGeometryToSettings();
}

QString WorldOverviewWindow::DesignCaption() {
    return QStringLiteral("World Overview");
}

// A map that fits with its screens large enough to show opens whole; a larger one opens on the screen on
// display.
void WorldOverviewWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_fitted)
        return;
    m_fitted = true;
    Map->showOpeningView();
}

void WorldOverviewWindow::hideEvent(QHideEvent* event) {
    saveGeometryToSettings();
    QWidget::hideEvent(event);
}

void WorldOverviewWindow::saveGeometryToSettings() {
    OpenSettings(m_settingsFile)->setValue(GeometryKey, saveGeometry());
}

// The file proposed is the level's name with .png, beside the level file.
void WorldOverviewWindow::ExportImage_Click() {
    const Module1& level = m_document.state();
    try {
        m_dialog->DialogTitle = QStringLiteral("Export Image");
        m_dialog->Filters = {tr("PNG images (*.png)")};
        const QFileInfo levelFile(level.LevelFileName());
        m_dialog->FileName =
            level.LevelFileName().isEmpty()
                ? QStringLiteral("World.png")
                : levelFile.dir().filePath(levelFile.completeBaseName() + QStringLiteral(".png"));
        m_dialog->ShowSave();
        const QString path = m_dialog->FileName;
        // A large map takes a while to compress: it is written on a thread of its own, from a copy.
        Task task;
        task.thenAside([image = Map->image(), path, files = level.Files()] {
            const std::unique_ptr<AtomicFile> file = files->openWrite(path);
            if (!image.save(file.get(), "PNG"))
                throw WriteFailure(*file);
            files->commit(*file);
        });
        LongTaskLook look;
        look.title = QStringLiteral("Export Image");
        look.text = [](int, int) { return QStringLiteral("Writing the image..."); };
        RunLongTask(this, task, look);
    } catch (const Failure& failure) {
        if (failure.code() != ErrCancel)
            ShowFailure(failure, QStringLiteral("ExportImage_Click"));
    }
}

} // namespace tavrin
