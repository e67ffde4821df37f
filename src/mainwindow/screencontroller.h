#pragma once

#include "level/document/leveldocument.h"

#include <QObject>
#include <array>
#include <optional>

class QAction;
class QMenu;
class QMenuBar;

namespace tavrin {

class WindowView;

// The Screen menu: screens as units. A new screen beside the one on display, linked both ways, a copy of
// the screen on display as a new last screen, and screens deleted, moved or swapped with every side link
// following them. Each is one step to undo.
class ScreenController : public QObject {
    Q_OBJECT
public:
    ScreenController(LevelDocument& document, WindowView& view);

    // The Screen menu, added to `bar`.
    void createMenu(QMenuBar* bar);

    // A new last screen, blank, linked both ways with the screen on display through the links on `side`
    // (a Side) and shown; one step. Its other links lead nowhere (-1). Asks before the link of the screen
    // on display is taken from a screen of the level.
    void newScreenBeside(int side);
    // A new last screen with the tiles and links of screen `screen`, shown; one step.
    void duplicateScreenOf(int screen);
    // Asks first, naming the links that lead to the screen; then deletes it as one step.
    void deleteScreen(int screen);
    // Asks for the new number, then whether to move the screen there or swap the two.
    void moveScreen(int screen);
    // Renumbers the screens as one step, with progress that can be given up; true when it was made.
    bool renumberScreens(const ScreenRenumbering& renumbering);

    // An edit of several screens as one step, run as a long task; false when the user gave it up.
    bool editLevel(const QString& name, LevelDocument::LevelEdit edit);
    // Whether screen `screen`'s links may become `after`: true when no link that leads to a screen of the
    // level would lead elsewhere, or when the user, asked (`title`) for each such link, answers Replace.
    bool mayReplaceLinks(const QString& title, int screen, const SideLinks& before, const SideLinks& after);

private:
    // The number a new screen takes; none (and the status bar says why) when the level has no room.
    std::optional<int> nextScreenNumber();
    void addScreen(const QString& name, int number, const Screen& screen,
                   const std::optional<SideLinks>& links);

    LevelDocument& m_document;
    const Module1& m_level;
    WindowView& m_view;
};

} // namespace tavrin
