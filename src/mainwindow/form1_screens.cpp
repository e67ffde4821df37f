// Screens as units: a new screen beside the one on display, linked both ways, and a copy of the screen on
// display as a new last screen. Each is one step to undo.
#include "form1.h"

#include "directions.h"
#include "messages.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <limits>

namespace tavrin {

void Form1::createScreenMenu() {
    mnuScreen = menuBar()->addMenu(QStringLiteral("Screen"));
    mnuScreen->setObjectName(QStringLiteral("mnuScreen"));
    const Qt::Key keys[] = {Qt::Key_Left, Qt::Key_Up, Qt::Key_Right, Qt::Key_Down};
    const char* const names[] = {"Left", "Up", "Right", "Down"};
    for (int side = 0; side < 4; ++side) {
        QAction* item = mnuScreen->addAction(QStringLiteral("New Screen %1").arg(QLatin1String(names[side])));
        item->setObjectName(QStringLiteral("mnuNewScreen%1").arg(QLatin1String(names[side])));
        item->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | keys[side]));
        item->setShortcutContext(Qt::WindowShortcut);
        connect(item, &QAction::triggered, this, [this, side] { newScreenBeside(side); });
        mnuNewScreen[size_t(side)] = item;
    }
    mnuScreen->addSeparator();
    mnuDuplicateScreen = mnuScreen->addAction(QStringLiteral("Duplicate Screen"));
    mnuDuplicateScreen->setObjectName(QStringLiteral("mnuDuplicateScreen"));
    mnuDuplicateScreen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    mnuDuplicateScreen->setShortcutContext(Qt::WindowShortcut);
    connect(mnuDuplicateScreen, &QAction::triggered, this, &Form1::duplicateScreen);
}

std::optional<int> Form1::nextScreenNumber() {
    const int next = m_level.LevelLastScreen + 1;
    if (next > std::numeric_limits<Integer>::max() || next < 0) {
        confirm(QStringLiteral("The level has its last screen already: no screen can be added"));
        return std::nullopt;
    }
    return next;
}

Screen Form1::newScreenValue(int number, const QString& step) const {
    Screen screen = m_document.screenValue(number, step);
    screen.links = Screen::freshLinks();
    return screen;
}

// Screen `number` becomes `screen` and the last screen, with the links of the screen on display set to
// `links` when there are any; one step, after which the new screen is shown.
void Form1::addScreen(const QString& name, int number, const Screen& screen,
                      const std::optional<SideLinks>& links) {
    LevelDocument::LevelEdit edit;
    if (links)
        edit.links.push_back({m_level.CurrentScreen, *links});
    edit.links.push_back({number, screen.links});
    for (int t = FirstGridTile; t <= LastGridTile; ++t)
        edit.tiles.push_back({number, t, screen.tile(t)});
    edit.lastScreen = Integer(number);
    m_document.editLevel(name, edit);
    m_document.changeScreen(Integer(number));
}

// The link on that side of the screen on display leads to the new screen, and the link on the opposite side
// of the new one leads back.
void Form1::newScreenBeside(int side) {
    const std::optional<int> number = nextScreenNumber();
    if (!number)
        return;
    const QString name = QStringLiteral("New Screen");
    try {
        SideLinks links = m_level.LinksOnDisplay();
        links[size_t(SideLinkOf(side))] = Integer(*number);
        Screen screen = newScreenValue(*number, name);
        screen.links[size_t(SideLinkOf(Opposite(side)))] = m_level.CurrentScreen;
        addScreen(name, *number, screen, links);
    } catch (const Failure& failure) {
        ShowFailure(failure, name);
    }
}

void Form1::duplicateScreen() {
    const std::optional<int> number = nextScreenNumber();
    if (!number)
        return;
    const QString name = QStringLiteral("Duplicate Screen");
    const int from = m_level.CurrentScreen;
    try {
        addScreen(name, *number, m_level.ScreenOnDisplay(), std::nullopt);
        confirm(QStringLiteral("Screen %1 is a copy of screen %2").arg(*number).arg(from));
    } catch (const Failure& failure) {
        ShowFailure(failure, name);
    }
}

} // namespace tavrin
