#pragma once

#include "level/document/undostep.h"

#include <optional>
#include <vector>

namespace tavrin {

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
// The document makes the changes before the stack moves, so that a screen that cannot be read stops them
// with the stack as it was; the stack's own undo and redo do nothing.
class LevelDocument::LevelStep : public Step {
public:
    using Properties = std::optional<std::pair<PropertyValues, PropertyValues>>;
    LevelStep(const QString& name, int screen, std::vector<ScreenChanges> changes, Properties properties)
        : Step(name, screen), m_changes(std::move(changes)), m_properties(std::move(properties)) {}
    void undo() override {}
    void redo() override {}

    void plan(LevelDocument& document, Task& task, bool forward, std::function<void()> move) const override {
        const Integer last = !m_properties ? document.m_level.LevelLastScreen()
                             : forward     ? m_properties->second.lastScreen
                                           : m_properties->first.lastScreen;
        document.stageLevelChanges(task, m_changes, forward, last, text(), forward ? "redone" : "undone",
                                   [this, &document, forward, move = std::move(move)] {
                                       if (m_properties)
                                           document.storeProperties(forward ? m_properties->second
                                                                            : m_properties->first);
                                       move();
                                       try {
                                           document.showScreenOfStep(screen(), !forward);
                                       } catch (const Failure&) {
                                           // The step is made; its screen is told of when it is gone to.
                                       }
                                   });
    }

private:
    std::vector<ScreenChanges> m_changes;
    Properties m_properties;
};

} // namespace tavrin
