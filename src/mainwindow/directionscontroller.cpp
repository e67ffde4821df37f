// Walls and exits: the layer over the grid that shows what each side of a tile does, the wall brush, the
// exit tool, Block Screen Edges, and the picker beside the brush's direction boxes.
#include "mainwindow/directionscontroller.h"

#include "level/core/messages.h"
#include "level/tools/directions.h"
#include "level/tools/levelcheckfix.h"
#include "mainwindow/centring.h"
#include "mainwindow/controlhelp.h"
#include "mainwindow/messagebox.h"
#include "mainwindow/picturebox.h"
#include "mainwindow/screencontroller.h"
#include "mainwindow/windowview.h"
#include "widgets/twips.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QSettings>
#include <QSignalBlocker>
#include <QToolButton>

#include <limits>
#include <map>

namespace tavrin {

namespace {

const QString ShowDirectionsKey = QStringLiteral("View/ShowDirections");
const QString MakeExitPlace = QStringLiteral("Make Exit");

// Drawn over the grid, never into it: mouse presses go through to the tiles below. Which exits have no way
// back is worked out again, when the layer is next drawn, after any edit or change of screen.
class DirectionMarks : public QWidget {
public:
    DirectionMarks(QWidget* parent, const LevelDocument& document, const int& picked)
        : QWidget(parent), m_document(document), m_picked(picked) {
        setObjectName(QStringLiteral("DirectionsLayer"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    // `othersToo`: screens other than the one on display may have changed too, so the copies read of them
    // go. An edit of the screen on display keeps them: a stroke reads no other screen again.
    void levelChanged(bool othersToo) {
        m_oneWay.reset();
        if (othersToo)
            m_others.clear();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const Module1& level = m_document.state();
        const Screen shown = level.ScreenOnDisplay();
        if (!m_oneWay)
            m_oneWay = FindOneWayExits(int(level.CurrentScreen()), shown, level.LevelLastScreen(),
                                       [this, &level, &shown](int screen) -> std::optional<Screen> {
                                           if (screen == level.CurrentScreen())
                                               return shown;
                                           const auto known = m_others.find(screen);
                                           if (known != m_others.end())
                                               return known->second;
                                           std::optional<Failure> trouble;
                                           Screen value = m_document.readScreen(screen, &trouble);
                                           return m_others[screen] =
                                                      trouble ? std::nullopt : std::optional<Screen>(value);
                                       });
        QPainter painter(this);
        const QRectF grid(rect());
        DrawDirections(painter, grid, shown, level.LevelLastScreen(), &*m_oneWay);
        if (m_picked >= FirstGridTile && m_picked <= LastGridTile) {
            const qreal w = grid.width() / GridColumns;
            const qreal h = grid.height() / GridRows;
            const QRectF cell(((m_picked - 1) % GridColumns) * w, ((m_picked - 1) / GridColumns) * h, w, h);
            painter.setPen(QPen(Qt::yellow, 2, Qt::DashLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(cell.adjusted(1, 1, -1, -1));
        }
    }

private:
    const LevelDocument& m_document;
    const int& m_picked;
    std::optional<OneWayExits> m_oneWay;
    std::map<int, std::optional<Screen>> m_others; // other screens as read, by number
};

const char* const PickerArrows[] = {"\u2190", "\u2191", "\u2192", "\u2193"};

} // namespace

// --- Construction ----------------------------------------------------------------------------------------

DirectionsController::DirectionsController(LevelDocument& document, WindowView& view,
                                           ScreenController& screens,
                                           const std::array<PictureBox*, 301>& grid)
    : m_document(document), m_level(document.state()), m_view(view), m_screens(screens), m_grid(grid) {}

void DirectionsController::createControls(QWidget* clientArea, const std::array<QLineEdit*, 4>& boxes,
                                          const std::array<QCheckBox*, 4>& modes) {
    const QRect gridRect = m_grid[FirstGridTile]->geometry().united(m_grid[LastGridTile]->geometry());
    auto* layer = new DirectionMarks(clientArea, m_document, m_exitTile);
    m_directionsLayer = layer;
    m_directionsLayer->setGeometry(gridRect);
    m_directionsLayer->raise();
    m_directionsLayer->hide();

    for (int side = 0; side < 4; ++side) {
        auto* button = new QToolButton(clientArea);
        button->setObjectName(QStringLiteral("DirectionPicker%1").arg(side));
        button->setText(QString::fromUtf8(PickerArrows[side]));
        button->setGeometry(TwipsRect(8400 + side * 480, 6240, 450, 300));
        button->setPopupMode(QToolButton::InstantPopup);
        auto* menu = new QMenu(button);
        QLineEdit* box = boxes[size_t(side)];
        const auto choose = [menu, box](const QString& text, Integer value) {
            connect(menu->addAction(text), &QAction::triggered, box,
                    [box, value] { box->setText(QString::number(value)); });
        };
        choose(QStringLiteral("Free (0)"), 0);
        choose(QStringLiteral("Blocked (1)"), 1);
        menu->addSeparator();
        for (Integer k = 2; k <= 9; ++k)
            choose(QStringLiteral("Exit through link %1 (%2)").arg(k).arg(k), k);
        // The exits name the screens their links lead to when the menu opens.
        connect(menu, &QMenu::aboutToShow, this, [this, menu] {
            const QList<QAction*> items = menu->actions();
            for (int i = 3, k = 2; i < items.size() && k <= 9; ++i, ++k)
                items[i]->setText(
                    QStringLiteral("Exit through link %1 (screen %2)").arg(k).arg(m_level.SideScreen(k)));
        });
        button->setMenu(menu);
        SetHelp(button, QStringLiteral("Sets the brush's %1 direction box: free, blocked, or an exit through "
                                       "one of the screen's side links")
                            .arg(QLatin1String(SideName(side))));
    }
    const auto toolBox = [clientArea](const char* name, const QString& text, const QRect& geometry) {
        auto* box = PlaceControl<QCheckBox>(clientArea, name, text, geometry);
        box->setAutoFillBackground(true);
        return box;
    };
    m_wallBrush = toolBox("WallBrush", QStringLiteral("Wall Brush"), TwipsRect(8400, 6660, 1695, 255));
    SetHelp(m_wallBrush,
            QStringLiteral("Clicking or dragging over tiles walls them in: the steps into them "
                           "from the tiles beside them are blocked. With Shift it opens them again"));
    m_exitTool = toolBox("ExitTool", QStringLiteral("Exit Tool"), TwipsRect(8400, 6960, 1695, 255));
    SetHelp(m_exitTool,
            QStringLiteral("Drag from a tile on the grid's border out across the border, or click "
                           "it and press Alt+arrow, to make an exit there and its way back"));
    connect(m_wallBrush, &QCheckBox::clicked, this,
            [this](bool on) { setGridTool(on ? GridTool::Wall : GridTool::Paint); });
    connect(m_exitTool, &QCheckBox::clicked, this,
            [this](bool on) { setGridTool(on ? GridTool::Exit : GridTool::Paint); });
    for (QCheckBox* mode : modes)
        connect(mode, &QCheckBox::clicked, this, [this](bool on) {
            if (on)
                setGridTool(GridTool::Paint);
        });

    const auto shownEdited = [layer] { layer->levelChanged(false); };
    const auto levelEdited = [layer] { layer->levelChanged(true); };
    connect(&m_document, &LevelDocument::tileChanged, layer, shownEdited);
    connect(&m_document, &LevelDocument::linksChanged, layer, levelEdited);
    connect(&m_document, &LevelDocument::screenShown, layer, levelEdited);
    connect(&m_document, &LevelDocument::screenEdited, layer, levelEdited);
    connect(&m_document, &LevelDocument::screensRenumbered, layer, levelEdited);
    connect(&m_document, &LevelDocument::levelReplaced, layer, levelEdited);
    connect(&m_document, &LevelDocument::propertiesChanged, layer, levelEdited);
}

void DirectionsController::createMenus(QMenu* mnuView, QMenu* mnuEdit, QMenu* mnuLevel, QWidget* window,
                                       std::function<QString()> settingsFile) {
    m_settingsFile = std::move(settingsFile);
    m_showDirections = mnuView->addAction(QStringLiteral("Show Directions"));
    m_showDirections->setObjectName(QStringLiteral("mnuShowDirections"));
    m_showDirections->setCheckable(true);
    m_showDirections->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    m_showDirections->setShortcutContext(Qt::WindowShortcut);
    connect(m_showDirections, &QAction::toggled, this, [this](bool on) {
        showDirections(on);
        OpenSettings(m_settingsFile())->setValue(ShowDirectionsKey, on);
    });

    mnuEdit->addSeparator();
    m_wallItem = mnuEdit->addAction(QStringLiteral("Wall Brush"));
    m_wallItem->setObjectName(QStringLiteral("mnuWallBrush"));
    m_exitItem = mnuEdit->addAction(QStringLiteral("Exit Tool"));
    m_exitItem->setObjectName(QStringLiteral("mnuExitTool"));
    for (QAction* tool : {m_wallItem, m_exitItem})
        tool->setCheckable(true);
    connect(m_wallItem, &QAction::triggered, this,
            [this](bool on) { setGridTool(on ? GridTool::Wall : GridTool::Paint); });
    connect(m_exitItem, &QAction::triggered, this,
            [this](bool on) { setGridTool(on ? GridTool::Exit : GridTool::Paint); });

    mnuLevel->addSeparator();
    QAction* mnuBlockEdges = mnuLevel->addAction(Text(Msg::BlockEdgesTitle));
    mnuBlockEdges->setObjectName(QStringLiteral("mnuBlockEdges"));
    connect(mnuBlockEdges, &QAction::triggered, this, [this] { blockScreenEdges(false); });
    QAction* mnuBlockEdgesEverywhere = mnuLevel->addAction(Text(Msg::BlockEdgesEverywhereTitle));
    mnuBlockEdgesEverywhere->setObjectName(QStringLiteral("mnuBlockEdgesEverywhere"));
    connect(mnuBlockEdgesEverywhere, &QAction::triggered, this, [this] { blockScreenEdges(true); });
    QMenu* exits = mnuLevel->addMenu(QStringLiteral("Make Exit"));
    exits->setObjectName(QStringLiteral("mnuMakeExitMenu"));
    const Qt::Key keys[] = {Qt::Key_Left, Qt::Key_Up, Qt::Key_Right, Qt::Key_Down};
    for (int side = 0; side < 4; ++side) {
        const QString name = QLatin1String(SideName(side));
        QAction* one = exits->addAction(QStringLiteral("Exit %1 from the Picked Tile").arg(name));
        one->setShortcut(QKeySequence(Qt::ALT | keys[side]));
        connect(one, &QAction::triggered, this,
                [this, side] { makeExit(m_exitTile ? m_exitTile : int(m_level.WalkerTile()), side, false); });
        QAction* all = exits->addAction(QStringLiteral("Exits %1 from the Whole Border").arg(name));
        all->setShortcut(QKeySequence(Qt::SHIFT | Qt::ALT | keys[side]));
        connect(all, &QAction::triggered, this,
                [this, side] { makeExit(BorderTiles(side).front(), side, true); });
        for (QAction* action : {one, all}) {
            action->setShortcutContext(Qt::WindowShortcut);
            window->addAction(action);
        }
    }
}

void DirectionsController::restoreShowDirections() {
    const bool shown = OpenSettings(m_settingsFile())->value(ShowDirectionsKey, false).toBool();
    const QSignalBlocker quiet(m_showDirections);
    m_showDirections->setChecked(shown);
    showDirections(shown);
}

// --- Modes -----------------------------------------------------------------------------------------------

void DirectionsController::setGridTool(GridTool tool) {
    m_gridTool = tool;
    m_wallBrush->setChecked(tool == GridTool::Wall);
    m_exitTool->setChecked(tool == GridTool::Exit);
    m_wallItem->setChecked(tool == GridTool::Wall);
    m_exitItem->setChecked(tool == GridTool::Exit);
    if (tool != GridTool::Exit)
        m_exitTile = 0;
    m_directionsLayer->update();
    emit gridToolChanged();
}

QString DirectionsController::showDirectionsFor() {
    if (m_showDirections->isChecked())
        return QString();
    m_showDirections->setChecked(true);
    return Text(Msg::DirectionsTurnedOn);
}

void DirectionsController::showDirections(bool shown) {
    emit directionsShown(shown);
    m_directionsLayer->setVisible(shown);
    m_directionsLayer->raise();
}

// --- The wall brush ----------------------------------------------------------------------------------------

void DirectionsController::beginWalls(bool clear) {
    m_wallClear = clear;
    m_walled.clear();
    m_wallExitsMet = 0;
    m_wallSteps = 0;
    m_wallDirections = showDirectionsFor();
    m_document.beginStroke(clear ? QStringLiteral("Open Walls") : QStringLiteral("Wall"));
}

void DirectionsController::wallTile(int index) {
    if (index < FirstGridTile || index > LastGridTile ||
        std::find(m_walled.begin(), m_walled.end(), index) != m_walled.end())
        return;
    m_walled.push_back(index);
    applyToTiles(WallChanges(m_level.ScreenOnDisplay(), index, m_wallClear, false, &m_wallExitsMet));
}

void DirectionsController::applyToTiles(const std::vector<DirectionChange>& changes) {
    m_wallSteps += int(changes.size());
    for (const DirectionChange& change : changes) {
        TileState state = m_document.tile(change.tile);
        state.directions[size_t(change.side)] = change.value;
        m_document.editTile(change.tile, state);
    }
}

// Exits are kept unless the user says otherwise: an exit is more work to make again than a wall.
void DirectionsController::endWalls() {
    if (m_wallExitsMet > 0 && !m_wallClear &&
        Ask({Text(Msg::WallOverExitsTitle),
             Text(Msg::WallOverExits).arg(m_wallExitsMet),
             {QStringLiteral("Keep Them"), QStringLiteral("Block Them")},
             0,
             0}) == 1) {
        for (const int index : m_walled)
            applyToTiles(WallChanges(m_level.ScreenOnDisplay(), index, false, true));
    }
    m_view.confirm(
        Text(m_wallClear ? Msg::WallsOpened : Msg::WallsMade).arg(m_wallSteps).arg(m_walled.size()) +
        m_wallDirections);
    m_walled.clear();
    m_wallExitsMet = 0;
    m_document.endStroke();
}

// --- The exit tool
// -------------------------------------------------------------------------------------------

void DirectionsController::pickExitTile(int index) {
    m_exitTile = index;
    m_directionsLayer->update();
    m_view.confirm(QStringLiteral("Tile %1 picked: Alt+arrow makes an exit from it").arg(index));
}

void DirectionsController::makeExit(int tile, int side, bool wholeEdge) {
    if (!OnBorder(tile, side)) {
        m_view.confirm(Text(Msg::ExitNeedsBorder).arg(tile).arg(QLatin1String(SideName(side))));
        return;
    }
    const int from = m_level.CurrentScreen();
    const Integer linked = m_level.SideScreen(SideLinkOf(side));
    const int newScreen = m_level.LevelLastScreen() + 1;
    QStringList buttons;
    std::vector<int> targets;
    if (linked >= 0 && linked <= m_level.LevelLastScreen()) {
        buttons << Text(Msg::ExitToScreen).arg(linked);
        targets.push_back(linked);
    }
    const bool roomForNew = newScreen <= std::numeric_limits<Integer>::max();
    if (roomForNew) {
        buttons << Text(Msg::ExitNewScreen);
        targets.push_back(newScreen);
    }
    buttons << Text(Msg::ExitAnotherScreen) << QStringLiteral("Cancel");
    const QString where =
        wholeEdge ? QStringLiteral("the whole border") : QStringLiteral("tile %1").arg(tile);
    const int answer = Ask({Text(Msg::ExitTitle),
                            Text(Msg::ExitQuestion).arg(QLatin1String(SideName(side)), where).arg(from),
                            buttons, 0, int(buttons.size()) - 1});
    if (answer < 0 || answer > int(targets.size()))
        return;
    int target = 0;
    if (answer < int(targets.size())) {
        target = targets[size_t(answer)];
    } else {
        // Any screen of the level, or the one past the last, which is then made as New Screen makes it.
        const int highest = roomForNew ? newScreen : newScreen - 1;
        const std::optional<int> chosen = AskNumber(
            {Text(Msg::ExitTitle), Text(Msg::ExitAnotherScreenQuestion).arg(newScreen - 1).arg(newScreen),
             targets.empty() ? 0 : targets.front(), 0, highest});
        if (!chosen)
            return;
        target = *chosen;
    }
    std::vector<int> tiles;
    for (const int t : wholeEdge ? BorderTiles(side) : std::vector<int>{tile})
        if (!wholeEdge || m_level.TileOnDisplay(t).directions[size_t(side)] != 1)
            tiles.push_back(t);
    const QString name = Text(Msg::ExitTitle);
    try {
        const Screen fromValue = m_document.screenValue(from, name);
        // A new screen is blank, and its only link is the one the way back takes.
        const Screen toValue = target == newScreen ? UnlinkedBlankScreen(m_document)
                               : target == from    ? fromValue
                                                   : m_document.screenValue(target, name);
        LevelDocument::LevelEdit edit = ExitEdit(from, fromValue, target, toValue, tiles, side);
        if (target == newScreen)
            edit.lastScreen = newScreen;
        for (const LevelDocument::LevelEdit::Links& links : edit.links)
            if (links.screen == from && !m_screens.mayReplaceLinks(name, from, fromValue.links, links.links))
                return;
        if (m_screens.editLevel(name, std::move(edit)))
            m_view.confirm(QStringLiteral("%1 exit(s) %2 to screen %3, each with its way back")
                               .arg(tiles.size())
                               .arg(QLatin1String(SideName(side)))
                               .arg(target));
    } catch (const Failure& failure) {
        ShowFailure(failure, MakeExitPlace);
    }
}

// --- Block Screen Edges ------------------------------------------------------------------------------------

void DirectionsController::blockScreenEdges(bool everyScreen) {
    const QString name = Text(Msg::BlockEdgesTitle);
    LevelDocument::LevelEdit edit;
    const int last = m_level.LevelLastScreen();
    try {
        if (!everyScreen) {
            AddBlockEdges(edit, m_level.CurrentScreen());
        } else {
            if (Ask({name,
                     Text(Msg::BlockEdgesQuestion).arg(last + 1),
                     {QStringLiteral("Block"), QStringLiteral("Cancel")},
                     0,
                     1}) != 0)
                return;
            for (int screen = 0; screen <= last; ++screen)
                AddBlockEdges(edit, screen);
        }
        // The steps of the screen on display it blocks: those neither blocked already nor exits.
        int blocked = 0;
        for (const LevelDocument::LevelEdit::Direction& step : edit.directions)
            if (step.screen == m_level.CurrentScreen()) {
                const Integer now = m_level.TileOnDisplay(step.index).directions[size_t(step.side)];
                blocked += now != 1 && !IsExit(now);
            }
        if (m_screens.editLevel(name, std::move(edit)))
            m_view.confirm((everyScreen ? Text(Msg::EdgesBlockedEverywhere).arg(last).arg(blocked)
                                        : Text(Msg::EdgesBlocked).arg(blocked).arg(m_level.CurrentScreen())) +
                           showDirectionsFor());
    } catch (const Failure& failure) {
        ShowFailure(failure, name);
    }
}

// --- Mending what Check Level finds ---------------------------------------------------------------------

void DirectionsController::fixProblem(const LevelProblem& problem, LevelFixKind kind) {
    const QString name = FixName(kind);
    try {
        // A fix that would break what works is refused; the window says why.
        const LevelFix fix = PlanFix(m_document, problem, kind);
        if (!fix.refusal.isEmpty())
            return;
        m_screens.editLevel(name, fix.edit);
    } catch (const Failure& failure) {
        ShowFailure(failure, name);
    }
}

} // namespace tavrin
