#pragma once

#include "level/document/renumbering.h"
#include "level/document/undostep.h"

#include <optional>
#include <vector>

namespace tavrin {

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

// Screens deleted, moved or swapped: level-wide. The document does the work before the stack moves, so
// that a screen that cannot be read stops it with the stack as it was.
class LevelDocument::RenumberStep : public Step {
public:
    explicit RenumberStep(Renumbered renumbered)
        : Step(renumbered.name, -1), m_renumbered(std::move(renumbered)) {}
    void undo() override {}
    void redo() override {}

    void plan(LevelDocument& document, Task& task, bool forward, std::function<void()> move) const override {
        document.renumberTask(task, m_renumbered, forward, forward ? "redone" : "undone", std::move(move));
    }

private:
    // What a redo finds again is written back as it runs.
    mutable Renumbered m_renumbered;
};

} // namespace tavrin
