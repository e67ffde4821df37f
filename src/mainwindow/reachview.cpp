#include "mainwindow/reachview.h"

#include "level/core/messages.h"
#include "level/core/task.h"
#include "level/document/leveldocument.h"
#include "level/tools/levelrender.h"
#include "mainwindow/centring.h"
#include "mainwindow/directionscontroller.h"
#include "mainwindow/form1.h"
#include "mainwindow/inputonlyto.h"
#include "mainwindow/longtask.h"
#include "mainwindow/picturebox.h"
#include "mainwindow/worldoverview.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSettings>
#include <QSignalBlocker>
#include <QTimer>
#include <cstdlib>
#include <set>

namespace tavrin {

namespace {

const QString ShowReachableKey = QStringLiteral("View/ShowReachable");

// Searches with `walk` from `from` as a long task, a piece a screen (each piece goes through as many
// tiles as a screen has and reads a screen, so the last piece finds the search done), until `target` is
// reached or everything that can be; false when it was given up.
bool SearchAsTask(QWidget* parent, Reachability& walk, WalkPlace from, std::optional<WalkPlace> target) {
    Task task;
    task.then(walk.lastScreen() + 1, [&walk, from, target](int piece) {
        if (piece == 0)
            walk.start(from);
        if (!(target && walk.reached(*target)))
            walk.step(2 * (LastGridTile + 1));
    });
    return RunLongTask(parent, task);
}

// Drawn over the grid, never into it: mouse presses go through to the tiles below.
class ReachableShade : public QWidget {
public:
    ReachableShade(QWidget* parent, const ReachView& view, const Module1& level)
        : QWidget(parent), m_view(view), m_level(level) {
        setObjectName(QStringLiteral("ReachableLayer"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (const Reachability* walk = m_view.walk()) {
            QPainter painter(this);
            ShadeUnreached(painter, QRectF(rect()), *walk, int(m_level.CurrentScreen()), true);
        }
    }

private:
    const ReachView& m_view;
    const Module1& m_level;
};

} // namespace

ReachView::ReachView(Form1& form, LevelDocument& document, const QString& settingsFile,
                     std::function<void(const QString&)> say)
    : QObject(&form), m_form(form), m_document(document), m_settingsFile(settingsFile),
      m_say(std::move(say)) {
    setObjectName(QStringLiteral("ReachView"));
    QWidget* marks = form.directions().layer();
    m_layer = new ReachableShade(marks->parentWidget(), *this, document.state());
    m_layer->setGeometry(marks->geometry());
    m_layer->stackUnder(marks);
    m_layer->hide();
    for (int tile = FirstGridTile; tile <= LastGridTile; ++tile)
        form.Tile(tile)->installEventFilter(this);

    m_show = form.findChild<QMenu*>(QStringLiteral("mnuView"))->addAction(QStringLiteral("Show Reachable"));
    m_show->setObjectName(QStringLiteral("mnuShowReachable"));
    m_show->setCheckable(true);
    connect(m_show, &QAction::toggled, this, [this](bool on) {
        setShown(on);
        OpenSettings(m_settingsFile)->setValue(ShowReachableKey, on);
    });

    m_again = new QTimer(this);
    m_again->setSingleShot(true);
    connect(m_again, &QTimer::timeout, this, &ReachView::searchAgain);
    const auto stale = [this] { levelChanged(); };
    connect(&document, &LevelDocument::tileChanged, this, stale);
    connect(&document, &LevelDocument::linksChanged, this, stale);
    connect(&document, &LevelDocument::screenEdited, this, stale);
    connect(&document, &LevelDocument::propertiesChanged, this, stale);
    connect(&document, &LevelDocument::screensRenumbered, this, stale);
    connect(&document, &LevelDocument::levelReplaced, this, stale);
    // A save or another level: the level file is read again.
    connect(&document, &LevelDocument::modifiedChanged, this, [this] { m_kept.reset(); });
    connect(&document, &LevelDocument::levelReplaced, this, [this] { m_kept.reset(); });
    connect(&document, &LevelDocument::screenShown, m_layer, [this] { m_layer->update(); });
}

std::unique_ptr<Reachability> ReachView::newSearch() {
    const Module1& level = m_document.state();
    // The file the screens without a scratch file are read from: the level file, or the level's copy.
    const QString path = level.ScreensFile();
    const QFileInfo file(path);
    if (path.isEmpty()) {
        m_kept.reset();
    } else if (!m_kept || m_kept->path != path || m_kept->size != file.size() ||
               m_kept->modified != file.lastModified()) {
        m_kept = std::make_unique<KeptTable>(
            KeptTable{path, file.size(), file.lastModified(), ReadWalkTable(*level.Files(), path)});
    }
    if (!m_kept || !m_kept->table)
        return HeldLevelSearch(level, std::nullopt, false);
    return HeldLevelSearch(level, m_kept->table->copy());
}

void ReachView::restore() {
    const bool shown = OpenSettings(m_settingsFile)->value(ShowReachableKey, false).toBool();
    const QSignalBlocker quiet(m_show);
    m_show->setChecked(shown);
    setShown(shown);
}

const Reachability* ReachView::walk() const {
    return m_show->isChecked() ? m_walk.get() : nullptr;
}

void ReachView::attach(WorldMap* map) {
    map->reachable = [this] { return walk(); };
    connect(this, &ReachView::changed, map, [map] { map->update(); });
}

void ReachView::setShown(bool shown) {
    m_layer->setVisible(shown);
    if (shown)
        levelChanged();
    else
        m_walk.reset();
    emit changed();
}

void ReachView::levelChanged() {
    if (!m_show->isChecked())
        return m_walk.reset();
    // On a large level the shading goes until it is worked out again: it would show an older level.
    const bool large = m_document.state().LevelLastScreen() >= AtOnceScreens;
    if (large && m_walk) {
        m_walk.reset();
        m_layer->update();
        emit changed();
        m_say(Text(Msg::ReachableDeferred));
    }
    m_again->start(large ? 1000 : 0);
}

void ReachView::searchAgain() {
    const Module1& level = m_document.state();
    const bool large = level.LevelLastScreen() >= AtOnceScreens;
    if (!m_show->isChecked())
        return;
    if (InputOnlyTo::active() || (large && QGuiApplication::mouseButtons() != Qt::NoButton))
        return m_again->start(); // a long task or a stroke under way: later
    std::unique_ptr<Reachability> walk = newSearch();
    const WalkPlace start{0, int(level.LevelStartTile())};
    try {
        if (start.tile < FirstGridTile || !walk->inLevel(start))
            walk.reset();
        else if (!large)
            walk->start(start), walk->run();
        else if (!SearchAsTask(&m_form, *walk, start, std::nullopt))
            walk.reset();
    } catch (const Failure&) {
        walk.reset(); // a screen that cannot be read: the shading would say too little
    }
    m_walk = std::move(walk);
    m_layer->update();
    emit changed();
}

void ReachView::walkTo(int tile) {
    const Module1& level = m_document.state();
    const WalkPlace from{int(level.CurrentScreen()), int(level.WalkerTile())},
        to{int(level.CurrentScreen()), tile};
    const std::unique_ptr<Reachability> search = newSearch();
    if (!search->inLevel(from))
        return m_say(Text(Msg::NoWalkToHere).arg(tile).arg(from.tile));
    const QString place = QStringLiteral("Walk To Here");
    try {
        if (!SearchAsTask(&m_form, *search, from, to))
            return;
    } catch (const Failure& failure) {
        return ShowFailure(failure, place);
    }
    const std::optional<std::vector<RouteStep>> route = search->route(to);
    if (!route) {
        // The tile reached nearest on the grid, the lowest number of those as near.
        const auto distance = [tile](int other) {
            return std::abs((other - 1) % GridColumns - (tile - 1) % GridColumns) +
                   std::abs((other - 1) / GridColumns - (tile - 1) / GridColumns);
        };
        int nearest = from.tile;
        for (int other = FirstGridTile; other <= LastGridTile; ++other)
            if (search->reached({to.screen, other}) && distance(other) < distance(nearest))
                nearest = other;
        return m_say(Text(Msg::NoWalkToHere).arg(tile).arg(nearest));
    }
    std::set<int> screens{from.screen};
    try {
        for (const RouteStep& step : *route) {
            m_document.walk(step.key);
            screens.insert(step.to.screen);
        }
    } catch (const Failure& failure) {
        ShowFailure(failure, place);
    }
    emit changed(); // the marker on the map
    m_say(Text(Msg::WalkedToHere).arg(route->size()).arg(screens.size()).arg(tile));
}

bool ReachView::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || !(mouse->modifiers() & Qt::ControlModifier))
            return false;
        m_ctrlPressed = watched;
        for (int tile = FirstGridTile; tile <= LastGridTile; ++tile)
            if (m_form.Tile(tile) == watched)
                walkTo(tile);
        return true;
    }
    if (type == QEvent::MouseButtonRelease && watched == m_ctrlPressed) {
        m_ctrlPressed = nullptr;
        return true;
    }
    return false;
}

} // namespace tavrin
