#pragma once

#include "level/tools/levelrender.h"
#include "level/tools/worldarrows.h"
#include "level/tools/worldlayout.h"

#include <QCache>
#include <QElapsedTimer>
#include <QHash>
#include <QThreadPool>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QPushButton;
class QTimer;

namespace tavrin {

class LevelDocument;
class LoadDialog;
class Module1;

// The exits of screen `from` into screen `to`, however many tiles carry them, as the map draws them.

// The map of the level, drawn as the World Overview shows it: each screen a thumbnail of its tiles in its
// place of LayOutWorld, the exits as arrows. Thumbnails, numbers and arrows are drawn once a screen is
// DetailWidth pixels wide or more, and the tiles' walls and exits (DrawDirections) once a tile is more
// than 8; only the screens in view are read and drawn, each thumbnail kept in a bounded cache until its
// screen changes. The wheel zooms, a drag from between the screens (or with the middle button) pans, a
// click chooses a screen, and a thumbnail dragged onto another asks for the two to swap numbers.
class WorldMap : public QWidget {
    Q_OBJECT
public:
    static constexpr int DetailWidth = 16;
    static constexpr QRgb ArrowColour = WorldArrowColour;
    static constexpr QRgb WarningColour = WorldWarningColour;
    static constexpr QRgb FrameColour = 0xFF40D0FF;
    static constexpr QRgb DragColour = 0xFFFF80FF;

    WorldMap(const Module1& level, QWidget* parent);

    // Reads every screen's side links and lays the map out again; every thumbnail is dropped. The links
    // of a large level are read a slice at a time while the window goes on working, the map laid out
    // again now and then and once they are all read.
    void reload();
    // True while side links are still being read.
    bool readingLinks() const { return m_linksRead < count(); }
    // Screen `screen` changed: its thumbnail and exits are read again when next drawn.
    void screenChanged(int screen);
    // The side links of `screen` changed: read again, and the map laid out again.
    void linksChanged(int screen);
    // The level's last screen may have changed.
    void lastScreenChanged();

    // The screen whose cell holds `point` of the widget; none over the gaps.
    std::optional<int> screenAt(const QPoint& point) const;
    // The cell of a screen in the widget.
    QRectF cellInView(int screen) const;
    // Every arrow of the level, reading the screens not read yet.
    std::vector<WorldArrow> arrows();
    // The arrows from `screen`, one per screen its exits lead to, in the order of the links.
    std::vector<WorldArrow> arrowsFrom(int screen);
    // How many thumbnails were drawn from a screen since the map was made.
    int thumbnailRenders() const { return m_renders; }
    // How many thumbnails are drawn and kept.
    int thumbnailsKept() const { return int(m_thumbnails.count()); }
    // True while thumbnails asked for are still being drawn.
    bool drawingThumbnails() const { return !m_drawing.isEmpty(); }
    // Where the walk marker is drawn: on its tile of the screen on display; empty when it is not drawn.
    QRectF markerInView() const;
    // The text of the tooltip over `screen`.
    QString describe(int screen);

    // The whole map in view (the user's command).
    void fit();
    // Zooms by `factor` about `anchor` of the widget.
    void zoomBy(double factor, const QPointF& anchor);
    void zoomIn();
    void zoomOut();
    // Screen `screen` at the centre, at a scale where it is `width` pixels wide.
    void centreOn(int screen, double width);
    // The view a window opens with: the whole map when its screens show large enough, else the screen on
    // display. It is kept while the map is laid out again, until the user zooms or pans.
    void showOpeningView();
    double scale() const { return m_scale; }

    // The map as `tavrin-level render --world` draws it, from the level as it is edited.
    QImage image();

    // The screen being dragged and the one it would be dropped on, while a thumbnail is dragged.
    std::optional<int> draggedScreen() const { return m_dragged; }
    std::optional<int> dropTarget() const { return m_dropTarget; }
    // The walk whose screens it never comes into are shaded (ShadeUnreached); none: nothing is.
    std::function<const Reachability*()> reachable;

signals:
    void screenClicked(int screen);
    // Thumbnail `screen` was dropped on `onto`.
    void screenDropped(int screen, int onto);
    // The context menu was asked for over `screen`, at `globalPosition`.
    void screenMenuAsked(int screen, const QPoint& globalPosition);
    // `done` of the `total` screens' side links are read.
    void linksRead(int done, int total);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool event(QEvent* event) override;

private:
    int count() const { return int(m_links.size()); }
    SideLinks readLinks(int screen);
    // The side links of `screen`, read now when the reading has not come to it yet.
    const SideLinks& linksOf(int screen);
    // Reads side links for at most `milliseconds`; lays the map out when they are all read.
    void readMoreLinks(int milliseconds);
    void userMovedView() { m_keepOpeningView = false; }
    void layOut();
    QRectF cellInWorld(int screen) const;
    const ScreenExits& exitsOf(int screen);
    // The thumbnail of `screen` at `level` (0 smallest); none while it is not drawn yet. With `mayDraw`
    // the screen is read and its drawing handed to the drawing thread, which asks for a repaint when done.
    const QImage* thumbnail(int screen, int level, bool mayDraw);
    void drawCells(QPainter& painter, const std::vector<int>& visible);
    void drawArrows(QPainter& painter, const std::vector<int>& visible);
    void clampScale();
    void fitView();

    const Module1& m_level;
    ScreenPainter m_painter;
    QImage m_marker;
    std::vector<SideLinks> m_links;
    std::vector<bool> m_linksKnown;
    int m_linksRead = 0; // the screens before it have their links read
    QTimer* m_linkReader;
    QElapsedTimer m_sinceLayout;
    bool m_keepOpeningView = false;
    WorldLayout m_layout;
    QRect m_bounds;
    std::vector<std::optional<ScreenExits>> m_exits;
    QCache<qint64, QImage> m_thumbnails;
    // Thumbnails being drawn, each with the stamp of its request: a result whose request was dropped since
    // (its screen changed, another level came) is not kept.
    QHash<qint64, quint64> m_drawing;
    quint64 m_lastStamp = 0;
    int m_renders = 0;
    double m_scale = 0.25;
    QPointF m_offset; // where the map's top-left corner stands in the widget
    QPoint m_pressAt;
    QPointF m_pressOffset;
    bool m_dragging = false;
    bool m_pressed = false;
    std::optional<int> m_dragged; // the thumbnail pressed on, once the press moved
    std::optional<int> m_pressedScreen;
    std::optional<int> m_dropTarget;
    bool m_morePending = false;
    // Thumbnails are drawn on a thread of their own with a painter of its own; the pool is destroyed
    // first and waits for a drawing under way.
    std::unique_ptr<ScreenPainter> m_drawingPainter;
    QThreadPool m_drawingThread;
};

// The World Overview window: the map of the level with Fit and Export Image... above it. It follows the
// level through the document's signals; a click on a screen asks for that screen on display.
class WorldOverviewWindow : public QWidget {
    Q_OBJECT
public:
    // `dialog` is the file dialog every command shares; `settingsFile` where the window keeps its place
    // (empty for the user's settings).
    WorldOverviewWindow(LevelDocument& document, LoadDialog*& dialog, QString settingsFile,
                        QWidget* mainWindow);
    ~WorldOverviewWindow() override;

    static QString DesignCaption();

    WorldMap* Map;
    QPushButton* Fit;
    QPushButton* ExportImage;
    QLabel* Progress;

public slots:
    void ExportImage_Click();

signals:
    void screenChosen(int screen);
    // What the map's context menu and a thumbnail dropped on another ask of the main window.
    void swapAsked(int screen, int other);
    void duplicateAsked(int screen);
    void deleteAsked(int screen);
    void moveAsked(int screen);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void saveGeometryToSettings();

    LevelDocument& m_document;
    LoadDialog*& m_dialog;
    QString m_settingsFile;
    bool m_fitted = false;
};

} // namespace tavrin
