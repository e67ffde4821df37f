#pragma once

// The undo steps of the document that more than one of its files needs; only the document includes this.

#include "leveldocument.h"

#include <QUndoCommand>

#include <utility>

namespace tavrin {

// A step of one screen; -1 for a level-wide one.
class ScreenStep : public QUndoCommand {
public:
    ScreenStep(const QString& name, int screen, QUndoCommand* parent = nullptr)
        : QUndoCommand(name, parent), m_screen(screen) {}
    int screen() const { return m_screen; }

protected:
    // The edit was made before the step was recorded, so the first redo, which the stack runs on push,
    // changes nothing.
    bool firstRedo() { return !std::exchange(m_done, true); }

private:
    int m_screen;
    bool m_done = false;
};

// The screen of a step: a stroke's tiles are all on one screen.
inline int screenOf(const QUndoCommand* step) {
    if (step->childCount() > 0)
        return screenOf(step->child(0));
    if (const auto* ofScreen = dynamic_cast<const ScreenStep*>(step))
        return ofScreen->screen();
    return -1;
}

// What an edit of several screens changed on one of them, before and after.
struct LevelDocument::ScreenChanges {
    struct Tile {
        int index;
        TileState before, after;
    };
    struct Direction { // one direction property: most edits of many screens change only these
        qint16 index;
        qint8 side;
        Integer before, after;
    };
    int screen = 0;
    std::vector<Tile> tiles;
    std::vector<Direction> directions;
    std::optional<std::pair<SideLinks, SideLinks>> links;

    bool empty() const { return tiles.empty() && directions.empty() && !links; }
};

// An edit of several screens: each screen's changes, and the level properties when the last screen
// changed. Its own screen is the one on display when it was made, which undoing brings back on display.
// The document makes the changes before the stack moves (see LevelDocument::stepTask), so that a screen
// that cannot be read stops them with the stack as it was; the stack's own undo and redo do nothing.
class LevelDocument::LevelStep : public ScreenStep {
public:
    using Properties = std::optional<std::pair<PropertyValues, PropertyValues>>;
    LevelStep(const QString& name, int screen, std::vector<ScreenChanges> changes, Properties properties)
        : ScreenStep(name, screen), m_changes(std::move(changes)), m_properties(std::move(properties)) {}
    const std::vector<ScreenChanges>& changes() const { return m_changes; }
    const Properties& properties() const { return m_properties; }
    void undo() override {}
    void redo() override {}

private:
    std::vector<ScreenChanges> m_changes;
    Properties m_properties;
};

// What undoing a renumbering of screens needs besides the renumbering: the screen deleted, the links that
// led to it and the screen that was on display. A redo finds them again. Undoing never reads a screen
// from the level file as it was before: a save in between wrote it in the new numbering, so every screen
// whose number or links change back is written again.
struct LevelDocument::Renumbered {
    ScreenRenumbering renumbering;
    QString name;
    std::optional<Screen> deleted;
    std::vector<std::pair<int, int>> linksToDeleted; // (screen after, side link), in order
    int shownBefore = 0;
};

// Screens deleted, moved or swapped: level-wide. The document does the work before the stack calls it, so
// that a screen that cannot be read stops it with the stack as it was.
class LevelDocument::RenumberStep : public ScreenStep {
public:
    explicit RenumberStep(Renumbered renumbered)
        : ScreenStep(renumbered.name, -1), m_renumbered(std::move(renumbered)) {}
    Renumbered& renumbered() { return m_renumbered; }
    void undo() override {}
    void redo() override {}

private:
    Renumbered m_renumbered;
};

} // namespace tavrin
