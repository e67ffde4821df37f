#include "leveldocument.h"

#include <QUndoCommand>

namespace tavrin {

namespace {

// One step: a value of the document before and after the edit. The edit was made before the step was
// recorded, so the first redo, which the stack runs on push, changes nothing.
template <typename Value> class EditStep : public QUndoCommand {
public:
    using Apply = std::function<void(const Value&)>;
    EditStep(const QString& name, int screen, Value before, Value after, Apply apply,
             QUndoCommand* stroke = nullptr)
        : QUndoCommand(name, stroke), m_screen(screen), m_before(std::move(before)),
          m_after(std::move(after)), m_apply(std::move(apply)) {}

    void undo() override { m_apply(m_before); }
    void redo() override {
        if (m_done)
            m_apply(m_after);
        m_done = true;
    }
    int screen() const { return m_screen; }

private:
    int m_screen;
    Value m_before;
    Value m_after;
    Apply m_apply;
    bool m_done = false;
};

// The screen of a step; -1 for the level-wide ones.
int screenOf(const QUndoCommand* step) {
    if (step->childCount() > 0) // a stroke: its tiles are all on one screen
        return screenOf(step->child(0));
    if (const auto* tile = dynamic_cast<const EditStep<std::pair<int, TileState>>*>(step))
        return tile->screen();
    if (const auto* links = dynamic_cast<const EditStep<SideLinks>*>(step))
        return links->screen();
    return -1;
}

// The name of a tile step after what the click changed.
QString tileStepName(const TileState& before, const TileState& after) {
    const bool colour = before.colour != after.colour;
    const bool picture = before.picture != after.picture;
    const bool properties = before.directions != after.directions || before.operands != after.operands;
    if (colour + picture + properties > 1)
        return QStringLiteral("Paint Tile");
    if (colour)
        return QStringLiteral("Paint Colour");
    return picture ? QStringLiteral("Paint Picture") : QStringLiteral("Apply Properties");
}

} // namespace

LevelDocument::LevelDocument(Module1& module, QObject* parent) : QObject(parent), m_module(module) {
    connect(&m_stack, &QUndoStack::cleanChanged, this, [this] { emit modifiedChanged(isModified()); });
    m_module.ScreenShown = [this](Integer screen) { emit screenShown(screen); };
}

// The stack clears itself as it goes, which would tell the windows, half gone themselves, that the level is
// unmodified.
LevelDocument::~LevelDocument() {
    m_module.ScreenShown = nullptr;
    blockSignals(true);
}

TileState LevelDocument::tile(int index) const {
    return m_module.TileOnDisplay(index);
}

void LevelDocument::setTile(int index, const TileState& state) {
    Module1& m = m_module;
    m.StoreTile(index, state);
    m.Grid->setBackColour(index, state.colour.toLong());
    try {
        m.ShowPicture(index, state.picture);
    } catch (const Failure&) {
        m.Grid->setPicture(index, QImage()); // a reference the tile held before: it showed none then too
    }
    emit tileChanged(m.CurrentScreen, index);
}

SideLinks LevelDocument::links() const {
    SideLinks links = {};
    for (int k = 2; k <= 9; ++k)
        links[size_t(k)] = m_module.SideScreen(k);
    return links;
}

void LevelDocument::setLinks(const SideLinks& links) {
    for (int k = 2; k <= 9; ++k)
        m_module.SideScreen(k) = links[size_t(k)];
    for (int k = 2; k <= 5; ++k)
        m_module.Grid->showSideLink(k, QString::number(links[size_t(k)]));
    emit linksChanged(m_module.CurrentScreen);
}

void LevelDocument::editTile(int index, const TileState& state) {
    const TileState before = tile(index);
    if (state == before)
        return;
    setTile(index, state);
    m_editedScreens.insert(m_module.CurrentScreen);
    using Step = EditStep<std::pair<int, TileState>>;
    auto* step = new Step(
        tileStepName(before, state), m_module.CurrentScreen, {index, before}, {index, state},
        [this](const std::pair<int, TileState>& value) { setTile(value.first, value.second); },
        m_stroke.get());
    if (!m_stroke)
        m_stack.push(step);
}

void LevelDocument::beginStroke(const QString& name) {
    endStroke();
    m_stroke = std::make_unique<QUndoCommand>(name);
}

void LevelDocument::endStroke() {
    std::unique_ptr<QUndoCommand> stroke = std::move(m_stroke);
    if (stroke && stroke->childCount() > 0)
        m_stack.push(stroke.release()); // its tiles are painted already: the first redo changes nothing
}

void LevelDocument::recordLinksEdit(const SideLinks& before) {
    const SideLinks after = links();
    for (int k = 2; k <= 5; ++k)
        m_module.Grid->showSideLink(k, QString::number(after[size_t(k)]));
    if (after == before)
        return;
    m_editedScreens.insert(m_module.CurrentScreen);
    m_stack.push(new EditStep<SideLinks>(QStringLiteral("Screen Properties"), m_module.CurrentScreen, before,
                                         after, [this](const SideLinks& value) { setLinks(value); }));
    emit linksChanged(m_module.CurrentScreen);
}

void LevelDocument::recordPropertiesEdit(const PropertyValues& before) {
    const PropertyValues after = m_module.Properties();
    if (after == before)
        return;
    m_stack.push(new EditStep<PropertyValues>(QStringLiteral("Level Properties"), -1, before, after,
                                              [this](const PropertyValues& value) {
                                                  m_module.SetProperties(value);
                                                  emit propertiesChanged();
                                              }));
    emit propertiesChanged();
}

int LevelDocument::undoScreen() const {
    return m_stack.canUndo() ? screenOf(m_stack.command(m_stack.index() - 1)) : -1;
}

int LevelDocument::redoScreen() const {
    return m_stack.canRedo() ? screenOf(m_stack.command(m_stack.index())) : -1;
}

QList<int> LevelDocument::editedScreensAbove(int lastScreen) const {
    QList<int> screens;
    for (const int screen : m_editedScreens)
        if (screen > lastScreen)
            screens << screen;
    std::sort(screens.begin(), screens.end());
    return screens;
}

void LevelDocument::levelRecovered() {
    m_recovered = true;
    emit modifiedChanged(true);
}

void LevelDocument::levelLoaded() {
    m_editedScreens.clear();
    const bool wasRecovered = std::exchange(m_recovered, false);
    m_stack.clear();
    if (wasRecovered && !isModified())
        emit modifiedChanged(false);
    emit levelReplaced();
}

void LevelDocument::levelSaved() {
    m_editedScreens.removeIf([this](int screen) { return screen <= m_module.LevelLastScreen; });
    const bool wasRecovered = std::exchange(m_recovered, false);
    m_stack.setClean();
    if (wasRecovered && !isModified())
        emit modifiedChanged(false);
}

} // namespace tavrin
