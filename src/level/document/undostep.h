#pragma once

// The undo steps are the document's own: only its files include their headers.

#include "level/core/task.h"
#include "level/document/leveldocument.h"

#include <QUndoCommand>

#include <functional>
#include <utility>

namespace tavrin {

// A step of the document's undo stack: the screen it belongs to (-1 for a level-wide one), which undoing
// or redoing it brings on display, and how it is undone or redone as a task of the document.
class LevelDocument::Step : public QUndoCommand {
public:
    Step(const QString& name, int screen) : QUndoCommand(name), m_screen(screen) {}
    int screen() const { return m_screen; }

    // Adds to `task` the pieces that undo (`forward` false) or redo the step; the last one calls `move`,
    // which moves the stack. A step of one screen brings its screen on display first, then the stack makes
    // the change; a step of several screens makes its changes itself before the stack moves.
    virtual void plan(LevelDocument& document, Task& task, bool forward, std::function<void()> move) const {
        task.then(0, {}, [&document, screen = m_screen, forward, move = std::move(move)] {
            document.showScreenOfStep(screen, !forward);
            move();
        });
    }

protected:
    // The edit was made before the step was recorded, so the first redo, which the stack runs on push,
    // changes nothing.
    bool firstRedo() { return !std::exchange(m_done, true); }

private:
    int m_screen;
    bool m_done = false;
};

} // namespace tavrin
