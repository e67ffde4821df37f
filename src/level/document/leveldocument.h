#pragma once

#include "module1.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QUndoStack>

#include <memory>

namespace tavrin {

// The level as the user edits it: the level state of Module1 (file name, properties, the screen on display
// and its scratch files) and the steps that can be undone. An edit is made on the screen on display and
// then recorded here with what it replaced; undoing and redoing a step put the tile, the links or the
// properties back. A step of a tile or of the links belongs to its screen: the window brings that screen
// on display before it undoes or redoes the step. Every change is announced by a signal, so that the
// windows showing the level redraw when it changes and only then.
class LevelDocument : public QObject {
    Q_OBJECT
public:
    explicit LevelDocument(Module1& module, QObject* parent = nullptr);
    ~LevelDocument() override;

    Module1& module() { return m_module; }
    QUndoStack& undoStack() { return m_stack; }

    TileState tile(int index) const;
    void setTile(int index, const TileState& state);
    SideLinks links() const;
    void setLinks(const SideLinks& links);

    // Tile `index` of the screen on display becomes `state`, as one step; nothing when it is already so.
    void editTile(int index, const TileState& state);
    // The tile edits from beginStroke() to endStroke() are one step, named `name`, of the screen on display
    // (a drag across tiles, a fill); a stroke that changed nothing leaves no step.
    void beginStroke(const QString& name);
    void endStroke();
    bool inStroke() const { return m_stroke != nullptr; }
    // Record an edit already made; an edit that changed nothing is not recorded.
    void recordLinksEdit(const SideLinks& before);
    void recordPropertiesEdit(const PropertyValues& before);

    // The screen the next step to undo (or to redo) belongs to; -1 when there is none or it is level-wide.
    int undoScreen() const;
    int redoScreen() const;

    // A level was loaded: nothing is left to undo. A level was saved: this is the state saved.
    void levelLoaded();
    void levelSaved();
    bool isModified() const { return m_recovered || !m_stack.isClean(); }
    // The level was recovered from what a crash left: it counts as modified until it is saved.
    void levelRecovered();
    // The screens above `lastScreen` edited since the level was loaded and not saved since, in order.
    QList<int> editedScreensAbove(int lastScreen) const;

signals:
    void tileChanged(int screen, int tile);
    void linksChanged(int screen);
    void propertiesChanged();
    // Another screen is on display, or the one on display was read again.
    void screenShown(int screen);
    // Another level was loaded (or the template level, or none): everything may differ.
    void levelReplaced();
    void modifiedChanged(bool modified);

private:
    Module1& m_module;
    QUndoStack m_stack;
    std::unique_ptr<QUndoCommand> m_stroke;
    QSet<int> m_editedScreens;
    bool m_recovered = false;
};

} // namespace tavrin
