// Screens as units: a new screen beside the one on display, linked both ways, a copy of the screen on
// display as a new last screen, and screens deleted, moved or swapped with every side link following them.
// Each is one step to undo.
#include "mainwindow/screencontroller.h"

#include "level/core/messages.h"
#include "level/tools/directions.h"
#include "mainwindow/longtask.h"
#include "mainwindow/messagebox.h"
#include "mainwindow/windowview.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <limits>

namespace tavrin {

ScreenController::ScreenController(LevelDocument& document, WindowView& view)
    : m_document(document), m_level(document.state()), m_view(view) {}

void ScreenController::createMenu(QMenuBar* bar) {
    QMenu* mnuScreen = bar->addMenu(QStringLiteral("Screen"));
    mnuScreen->setObjectName(QStringLiteral("mnuScreen"));
    const Qt::Key keys[] = {Qt::Key_Left, Qt::Key_Up, Qt::Key_Right, Qt::Key_Down};
    const char* const names[] = {"Left", "Up", "Right", "Down"};
    for (int side = 0; side < 4; ++side) {
        QAction* item = mnuScreen->addAction(QStringLiteral("New Screen %1").arg(QLatin1String(names[side])));
        item->setObjectName(QStringLiteral("mnuNewScreen%1").arg(QLatin1String(names[side])));
        item->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | keys[side]));
        item->setShortcutContext(Qt::WindowShortcut);
        connect(item, &QAction::triggered, this, [this, side] { newScreenBeside(side); });
    }
    mnuScreen->addSeparator();
    QAction* mnuDuplicateScreen = mnuScreen->addAction(QStringLiteral("Duplicate Screen"));
    mnuDuplicateScreen->setObjectName(QStringLiteral("mnuDuplicateScreen"));
    mnuDuplicateScreen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    mnuDuplicateScreen->setShortcutContext(Qt::WindowShortcut);
    connect(mnuDuplicateScreen, &QAction::triggered, this,
            [this] { duplicateScreenOf(m_level.CurrentScreen()); });
    mnuScreen->addSeparator();
    QAction* mnuDeleteScreen = mnuScreen->addAction(QStringLiteral("Delete Screen"));
    mnuDeleteScreen->setObjectName(QStringLiteral("mnuDeleteScreen"));
    connect(mnuDeleteScreen, &QAction::triggered, this, [this] { deleteScreen(m_level.CurrentScreen()); });
    QAction* mnuMoveScreen = mnuScreen->addAction(QStringLiteral("Move Screen To..."));
    mnuMoveScreen->setObjectName(QStringLiteral("mnuMoveScreen"));
    connect(mnuMoveScreen, &QAction::triggered, this, [this] { moveScreen(m_level.CurrentScreen()); });
}

std::optional<int> ScreenController::nextScreenNumber() {
    const int next = m_level.LevelLastScreen() + 1;
    if (next > std::numeric_limits<Integer>::max() || next < 0) {
        m_view.confirm(QStringLiteral("The level has its last screen already: no screen can be added"));
        return std::nullopt;
    }
    return next;
}

// Screen `number` becomes `screen` and the last screen, with the links of the screen on display set to
// `links` when there are any; one step, after which the new screen is shown.
void ScreenController::addScreen(const QString& name, int number, const Screen& screen,
                                 const std::optional<SideLinks>& links) {
    LevelDocument::LevelEdit edit;
    if (links)
        edit.links.push_back({m_level.CurrentScreen(), *links});
    edit.links.push_back({number, screen.links});
    for (int t = FirstGridTile; t <= LastGridTile; ++t)
        edit.tiles.push_back({number, t, screen.tile(t)});
    edit.lastScreen = Integer(number);
    if (editLevel(name, std::move(edit)))
        m_document.changeScreen(Integer(number));
}

bool ScreenController::mayReplaceLinks(const QString& title, int screen, const SideLinks& before,
                                       const SideLinks& after) {
    for (Integer k = 2; k <= 9; ++k) {
        const Integer was = before[size_t(k)];
        if (was == after[size_t(k)] || was < 0 || was > m_level.LevelLastScreen())
            continue;
        if (Ask({title,
                 Text(Msg::NewScreenTakesLink).arg(k).arg(screen).arg(was).arg(after[size_t(k)]),
                 {QStringLiteral("Replace"), QStringLiteral("Cancel")},
                 1,
                 1}) != 0)
            return false;
    }
    return true;
}

// The link on that side of the screen on display leads to the new screen, and the link on the opposite side
// of the new one leads back; no other link of the new screen leads anywhere.
void ScreenController::newScreenBeside(int side) {
    const std::optional<int> number = nextScreenNumber();
    if (!number)
        return;
    const QString name = QStringLiteral("New Screen");
    try {
        SideLinks links = m_level.LinksOnDisplay();
        links[size_t(SideLinkOf(side))] = Integer(*number);
        if (!mayReplaceLinks(name, m_level.CurrentScreen(), m_level.LinksOnDisplay(), links))
            return;
        Screen screen = UnlinkedBlankScreen(m_document);
        screen.links[size_t(SideLinkOf(Opposite(side)))] = m_level.CurrentScreen();
        addScreen(name, *number, screen, links);
    } catch (const Failure& failure) {
        ShowFailure(failure, name);
    }
}

void ScreenController::duplicateScreenOf(int from) {
    const std::optional<int> number = nextScreenNumber();
    if (!number)
        return;
    try {
        int copy = 0;
        if (!RunLongTask(m_view.dialogParent(), *m_document.duplicateScreenTask(from, &copy)))
            return;
        m_document.changeScreen(Integer(copy));
        m_view.confirm(QStringLiteral("Screen %1 is a copy of screen %2").arg(*number).arg(from));
    } catch (const Failure& failure) {
        ShowFailure(failure, QStringLiteral("Duplicate Screen"));
    }
}

bool ScreenController::editLevel(const QString& name, LevelDocument::LevelEdit edit) {
    return RunLongTask(m_view.dialogParent(), *m_document.editLevelTask(name, std::move(edit)));
}

// Screens are renumbered with a progress dialog that can give the work up; the status bar says how it
// ended.
bool ScreenController::renumberScreens(const ScreenRenumbering& renumbering) {
    const QString name = RenumberingName(renumbering);
    if (const std::optional<QString> why = renumbering.refusal()) {
        m_view.confirm(*why);
        return false;
    }
    try {
        const std::unique_ptr<Task> task = m_document.renumberScreensTask(renumbering);
        if (task->finished())
            return false;
        if (RunLongTask(m_view.dialogParent(), *task))
            return true;
        m_view.confirm(QStringLiteral("%1: given up, nothing changed").arg(name));
    } catch (const Failure& failure) {
        ShowFailure(failure, name);
    }
    return false;
}

void ScreenController::deleteScreen(int screen) {
    const ScreenRenumbering renumbering = ScreenRenumbering::deleting(screen, m_level.LevelLastScreen());
    if (const std::optional<QString> why = renumbering.refusal()) {
        m_view.confirm(*why);
        return;
    }
    int links = 0;
    int screens = 0;
    LongTaskLook look;
    look.text = [screen](int, int) {
        return QStringLiteral("Counting the links to screen %1...").arg(screen);
    };
    const std::unique_ptr<Task> counting = m_document.linksToTask(screen, [&](int l, int s) {
        links = l;
        screens = s;
    });
    if (!RunLongTask(m_view.dialogParent(), *counting, look))
        return;
    QString text =
        QStringLiteral("Delete screen %1? The screens above it move down by one number.").arg(screen);
    if (links > 0)
        text += QStringLiteral("\n%1 side link(s) on %2 screen(s) lead to it; they will lead nowhere (-1).")
                    .arg(links)
                    .arg(screens);
    if (Ask({QStringLiteral("Delete Screen"),
             text,
             {QStringLiteral("Delete"), QStringLiteral("Cancel")},
             1,
             1}) == 0)
        renumberScreens(renumbering);
}

void ScreenController::moveScreen(int screen) {
    const int last = m_level.LevelLastScreen();
    if (const std::optional<QString> why = ScreenRenumbering::moving(screen, screen, last).refusal()) {
        m_view.confirm(*why);
        return;
    }
    const std::optional<int> to = AskNumber(
        {QStringLiteral("Move Screen To"),
         QStringLiteral("The new number of screen %1 (0 to %2):").arg(screen).arg(last), screen, 0, last});
    if (!to || *to == screen)
        return;
    const int answer =
        Ask({QStringLiteral("Move Screen To"),
             QStringLiteral("Move: screen %1 becomes screen %2, and the screens between move one "
                            "number toward %1.\nSwap: screens %1 and %2 take each other's number.")
                 .arg(screen)
                 .arg(*to),
             {QStringLiteral("Move"), QStringLiteral("Swap"), QStringLiteral("Cancel")},
             0,
             2});
    if (answer == 0)
        renumberScreens(ScreenRenumbering::moving(screen, *to, last));
    else if (answer == 1)
        renumberScreens(ScreenRenumbering::swapping(screen, *to, last));
}

} // namespace tavrin
