#pragma once

#include "module1.h"

#include <QObject>
#include <QUndoStack>
#include <array>

namespace tavrin {

// What one tile of the screen on display holds: its colour as shown, its picture reference, and its four
// direction properties and operands, in the order left, up, right, down.
struct TileState {
    FieldValue colour;
    FieldValue picture;
    std::array<Integer, 4> directions = {};
    std::array<FieldValue, 4> operands;

    bool operator==(const TileState& other) const;
    bool operator!=(const TileState& other) const { return !(*this == other); }
};

using SideLinks = std::array<Integer, 10>; // indices 2..9

// The level as the user edits it: the level state of Module1 and the steps that can be undone. An edit is
// made on the screen on display and then recorded here with what it replaced; undoing and redoing a step
// put the tile, the links or the properties back. A step of a tile or of the links belongs to its screen:
// the window brings that screen on display before it undoes or redoes the step.
class LevelDocument : public QObject {
    Q_OBJECT
public:
    explicit LevelDocument(Module1& module, QObject* parent = nullptr);

    Module1& module() { return m_module; }
    QUndoStack& undoStack() { return m_stack; }

    TileState tile(int index) const;
    void setTile(int index, const TileState& state);
    SideLinks links() const;
    void setLinks(const SideLinks& links);

    // Record an edit already made; an edit that changed nothing is not recorded.
    void recordTileEdit(int index, const TileState& before);
    void recordLinksEdit(const SideLinks& before);
    void recordPropertiesEdit(const PropertyValues& before);

    // The screen the next step to undo (or to redo) belongs to; -1 when there is none or it is level-wide.
    int undoScreen() const;
    int redoScreen() const;

    // A level was loaded: nothing is left to undo. A level was saved: this is the state saved.
    void levelLoaded();
    void levelSaved();

private:
    Module1& m_module;
    QUndoStack m_stack;
};

} // namespace tavrin
