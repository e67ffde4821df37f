#include "leveldocument.h"

#include "messages.h"

#include <QDateTime>
#include <QFileInfo>
#include <QScopeGuard>
#include <QUndoCommand>

#include <algorithm>
#include <limits>
#include <map>

namespace tavrin {

namespace {

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
int screenOf(const QUndoCommand* step) {
    if (step->childCount() > 0)
        return screenOf(step->child(0));
    if (const auto* ofScreen = dynamic_cast<const ScreenStep*>(step))
        return ofScreen->screen();
    return -1;
}

} // namespace

class LevelDocument::TileStep : public ScreenStep {
public:
    TileStep(LevelDocument& document, int screen, int index, TileState before, TileState after,
             QUndoCommand* stroke)
        : ScreenStep(tileStepName(before, after), screen, stroke), m_document(document), m_index(index),
          m_before(std::move(before)), m_after(std::move(after)) {}
    void undo() override { m_document.storeTile(screen(), m_index, m_before); }
    void redo() override {
        if (!firstRedo())
            m_document.storeTile(screen(), m_index, m_after);
    }

private:
    LevelDocument& m_document;
    int m_index;
    TileState m_before;
    TileState m_after;
};

class LevelDocument::LinksStep : public ScreenStep {
public:
    LinksStep(LevelDocument& document, int screen, const SideLinks& before, const SideLinks& after)
        : ScreenStep(QStringLiteral("Screen Properties"), screen), m_document(document), m_before(before),
          m_after(after) {}
    void undo() override { m_document.storeLinks(screen(), m_before); }
    void redo() override {
        if (!firstRedo())
            m_document.storeLinks(screen(), m_after);
    }

private:
    LevelDocument& m_document;
    SideLinks m_before;
    SideLinks m_after;
};

class LevelDocument::PropertiesStep : public ScreenStep {
public:
    PropertiesStep(LevelDocument& document, PropertyValues before, PropertyValues after)
        : ScreenStep(QStringLiteral("Level Properties"), -1), m_document(document),
          m_before(std::move(before)), m_after(std::move(after)) {}
    void undo() override { m_document.storeProperties(m_before); }
    void redo() override {
        if (!firstRedo())
            m_document.storeProperties(m_after);
    }

private:
    LevelDocument& m_document;
    PropertyValues m_before;
    PropertyValues m_after;
};

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
class LevelDocument::LevelStep : public ScreenStep {
public:
    LevelStep(LevelDocument& document, const QString& name, int screen, std::vector<ScreenChanges> changes,
              std::optional<std::pair<PropertyValues, PropertyValues>> properties)
        : ScreenStep(name, screen), m_document(document), m_changes(std::move(changes)),
          m_properties(std::move(properties)) {}
    // The document makes the changes before the stack moves, so that a screen that cannot be read stops
    // them with the stack as it was.
    void apply(bool forward) {
        m_document.storeLevelChanges(m_changes, forward, lastScreen(forward), text(),
                                     forward ? "redone" : "undone");
        if (m_properties)
            m_document.storeProperties(forward ? m_properties->second : m_properties->first);
    }
    void undo() override {}
    void redo() override {}

private:
    LevelDocument& m_document;
    std::vector<ScreenChanges> m_changes;
    std::optional<std::pair<PropertyValues, PropertyValues>> m_properties;

    Integer lastScreen(bool forward) const {
        if (!m_properties)
            return m_document.state().LevelLastScreen;
        return forward ? m_properties->second.lastScreen : m_properties->first.lastScreen;
    }
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
    RenumberStep(Renumbered renumbered)
        : ScreenStep(renumbered.name, -1), m_renumbered(std::move(renumbered)) {}
    Renumbered& renumbered() { return m_renumbered; }
    void undo() override {}
    void redo() override {}

private:
    Renumbered m_renumbered;
};

LevelDocument::LevelDocument(QString programFolder, QObject* parent)
    : QObject(parent), m_level(std::move(programFolder)) {
    m_level.SetDefaults();
    connect(&m_stack, &QUndoStack::cleanChanged, this, [this] { emit modifiedChanged(isModified()); });
    m_level.ScreenShown = [this](Integer screen) { emit screenShown(screen); };
}

// The stack clears itself as it goes, which would tell the windows, half gone themselves, that the level is
// unmodified.
LevelDocument::~LevelDocument() {
    m_level.ScreenShown = nullptr;
    blockSignals(true);
}

// --- The editor's run ------------------------------------------------------------------------------------

void LevelDocument::start() {
    m_level.ChooseScratchFolder();
    m_level.SetDefaults();
    m_level.CurrentScreen = 0;
}

void LevelDocument::end() {
    m_level.DeleteScratchFiles();
    m_level.EndSession();
}

std::optional<SessionState> LevelDocument::recoverableSession() const {
    return m_level.RecoverableSession();
}

void LevelDocument::discardSession(const SessionState& session) {
    m_level.DiscardSession(session);
}

QString LevelDocument::setAsideSession(const SessionState& session) {
    return m_level.SetAsideSession(session);
}

void LevelDocument::recoverSession(const SessionState& session) {
    std::optional<Failure> trouble;
    try {
        m_level.RecoverSession(session);
    } catch (const Failure& failure) {
        trouble = failure;
    }
    levelLoaded();
    // Every screen the session kept is an edited screen, as if edited in this run: a save asks before it
    // leaves out one above the last screen.
    for (auto it = session.scratchFiles.cbegin(); it != session.scratchFiles.cend(); ++it)
        if (m_level.ScratchFileName(static_cast<Integer>(it.key())) == it.value())
            m_editedScreens.insert(it.key());
    m_recovered = true;
    emit modifiedChanged(true);
    if (trouble)
        throw *trouble;
}

void LevelDocument::keepSession(bool unsaved) {
    m_level.WriteSession(unsaved);
}

void LevelDocument::keepScreenOnDisplay() {
    m_level.SaveScreenTmp();
}

void LevelDocument::setFiles(FileAccess* files) {
    m_level.Files = files;
}

void LevelDocument::setUseIndex(bool useIndex) {
    m_level.UseIndex = useIndex;
}

// --- Level files -----------------------------------------------------------------------------------------

void LevelDocument::loadLevel(const QString& path, const QString& callerName) {
    const std::optional<FileStamp> read = FileStampOf(path); // a change while it is read comes after
    m_level.LoadLevelSequence(path, callerName);
    levelLoaded();
    m_levelFile.remember(path, read);
}

void LevelDocument::newLevel() {
    const auto replaced = qScopeGuard([this] { levelLoaded(); });
    m_level.NewLevel();
}

void LevelDocument::nameNewLevelFile(const QString& path) {
    m_level.LevelFileName = path;
    m_level.LevelFileIsNew = true;
}

std::unique_ptr<LevelSave> LevelDocument::beginSave(const QString& path) {
    return std::make_unique<LevelSave>(m_level, path);
}

void LevelDocument::levelSavedAs(const QString& path) {
    m_level.LevelFileName = path;
    m_level.LevelFileIsNew = false;
    levelSaved();
}

std::optional<Failure> LevelDocument::saveLevel(const QString& path) {
    const std::optional<Failure> notice = m_level.SaveLevel(path);
    levelSavedAs(path);
    return notice;
}

// --- Screens and the walk --------------------------------------------------------------------------------

// A screen left while nothing is unsaved is the saved level's own: its scratch file need not wait for the
// disk, which would make every change of screen as slow as the disk.
Module1::ScratchSync LevelDocument::scratchSync() const {
    return isModified() ? Module1::ScratchSync::Now : Module1::ScratchSync::Later;
}

std::optional<QString> LevelDocument::goToScreen(const QString& text) {
    std::optional<Integer> number;
    try {
        number = ToInteger(TextToNumber(text));
    } catch (const Failure&) {
        // GoToScreen tells of it in its own words
    }
    if (number && *number < 0)
        return Text(Msg::NoSuchScreen).arg(*number);
    m_level.GoToScreen(text, scratchSync());
    return std::nullopt;
}

void LevelDocument::changeScreen(Integer screen) {
    if (screen < 0)
        throw Failure(ErrSubscript, Text(Msg::NoSuchScreen).arg(screen));
    m_level.ChangeScreen(screen, scratchSync());
}

// The screen being left goes to its scratch file first, like every other change of screen; the screen
// entered comes with its own side links from where its tiles come from. The marker lands only once the
// screen is on display.
WalkStep LevelDocument::walk(int keyCode) {
    const WalkStep step = NextWalkStep(m_level, keyCode);
    switch (step.kind) {
    case WalkStep::Stay:
    case WalkStep::NoScreen:
        break;
    case WalkStep::OffGrid:
        emit walkerMoved(m_level.WalkerTile, false);
        break;
    case WalkStep::Exit:
        m_level.SaveScreenTmp(scratchSync());
        m_level.CurrentScreen = step.screen;
        m_level.LoadScreen();
        [[fallthrough]];
    case WalkStep::Move:
        m_level.WalkerTile = step.tile;
        emit walkerMoved(step.tile, true);
        break;
    }
    return step;
}

// --- Edits -----------------------------------------------------------------------------------------------

void LevelDocument::edited(int screen) {
    m_level.LastEdit = QDateTime::currentDateTime();
    if (screen >= 0)
        m_editedScreens.insert(screen);
}

void LevelDocument::storeTile(int screen, int index, const TileState& state) {
    if (screen != m_level.CurrentScreen) // the step's screen is brought on display before; never here
        return;
    m_level.StoreTile(index, state);
    m_level.LastEdit = QDateTime::currentDateTime();
    emit tileChanged(screen, index);
}

void LevelDocument::storeLinks(int screen, const SideLinks& links) {
    if (screen != m_level.CurrentScreen)
        return;
    for (int k = 2; k <= 9; ++k)
        m_level.SideScreen(k) = links[size_t(k)];
    m_level.LastEdit = QDateTime::currentDateTime();
    emit linksChanged(screen);
}

void LevelDocument::storeProperties(const PropertyValues& properties) {
    m_level.SetProperties(properties);
    m_level.LastEdit = QDateTime::currentDateTime();
    emit propertiesChanged();
}

void LevelDocument::editTile(int index, const TileState& state) {
    const TileState before = tile(index);
    if (state == before)
        return;
    const int screen = m_level.CurrentScreen;
    storeTile(screen, index, state);
    edited(screen);
    auto* step = new TileStep(*this, screen, index, before, state, m_stroke.get());
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

void LevelDocument::paintBlankTile(const TileState& state) {
    m_level.StoreTile(BlankTile, state);
    emit tileChanged(m_level.CurrentScreen, BlankTile); // tiles showing its picture show the new one
}

void LevelDocument::editLinks(const SideLinks& links) {
    const SideLinks before = m_level.LinksOnDisplay();
    if (links == before)
        return;
    const int screen = m_level.CurrentScreen;
    storeLinks(screen, links);
    edited(screen);
    m_stack.push(new LinksStep(*this, screen, before, links));
}

void LevelDocument::editProperties(const PropertyValues& properties) {
    const PropertyValues before = m_level.Properties();
    if (properties == before)
        return;
    storeProperties(properties);
    edited(-1);
    m_stack.push(new PropertiesStep(*this, before, properties));
}

Screen LevelDocument::screenValue(int screen, const QString& step, const char* done) const {
    Module1::ScreenLoad load = m_level.SavedScreenValue(static_cast<Integer>(screen));
    if (load.trouble || load.partly) {
        const Failure& cause = load.trouble ? *load.trouble : load.partly->second;
        throw Failure(cause.code(),
                      Text(Msg::StepScreenUnreadable).arg(screen).arg(step, QLatin1String(done)));
    }
    return std::move(load.screen);
}

namespace {

// The state before (`forward` false) or after one screen's changes, made on the screen as a value.
template <typename Changes> void applyChanges(const Changes& changes, bool forward, Screen& value) {
    if (forward) {
        for (const auto& tile : changes.tiles)
            value.tile(tile.index) = tile.after;
        for (const auto& d : changes.directions)
            value.tile(d.index).directions[size_t(d.side)] = d.after;
    } else {
        for (auto it = changes.directions.rbegin(); it != changes.directions.rend(); ++it)
            value.tile(it->index).directions[size_t(it->side)] = it->before;
        for (auto it = changes.tiles.rbegin(); it != changes.tiles.rend(); ++it)
            value.tile(it->index) = it->before;
    }
    if (changes.links)
        value.links = forward ? changes.links->second : changes.links->first;
}

} // namespace

// Every screen the changes touch is read, changed and written into a stage first; only the session file
// that names them all makes them the level's (see ScratchStage), so that a stop or a failure anywhere
// before leaves every screen as it was, the step where it was, and says so once. Then the screen on
// display takes its tiles and the windows are told.
void LevelDocument::storeLevelChanges(const std::vector<ScreenChanges>& changes, bool forward,
                                      Integer lastScreen, const QString& step, const char* done) {
    ScratchStage stage(m_level);
    const ScreenChanges* onDisplay = nullptr;
    Screen shown;
    const int count = int(changes.size());
    for (int i = 0; i < count; ++i) {
        const ScreenChanges& these = changes[size_t(i)];
        Screen value = screenValue(these.screen, step, done);
        applyChanges(these, forward, value);
        const bool isShown = these.screen == m_level.CurrentScreen;
        if (isShown)
            onDisplay = &these;
        if (!isShown || !m_level.ScreenOnDisplayPartlyRead())
            stage.write(Integer(these.screen), value);
        if (isShown)
            shown = std::move(value);
        tellProgress(i + 1, count);
    }
    stage.commit(lastScreen);

    for (const ScreenChanges& these : changes) {
        const int screen = these.screen;
        edited(screen);
        if (&these == onDisplay)
            continue;
        emit screenEdited(screen);
        if (these.links)
            emit linksChanged(screen);
    }
    if (onDisplay) {
        const int screen = onDisplay->screen;
        for (const auto& tile : onDisplay->tiles)
            storeTile(screen, tile.index, shown.tile(tile.index));
        for (const auto& d : onDisplay->directions)
            storeTile(screen, d.index, shown.tile(d.index));
        if (onDisplay->links)
            storeLinks(screen, shown.links);
    }
}

void LevelDocument::tellProgress(int done, int total) const {
    if (m_progress && total > ProgressFrom)
        m_progress(done, total);
}

// Each screen is read once to work out what changes; only the changes are kept, so that an edit of every
// screen of a large level holds a few bytes per tile changed.
void LevelDocument::editLevel(const QString& name, const LevelEdit& edit) {
    struct OfScreen {
        std::vector<const LevelEdit::Tile*> tiles;
        std::vector<const LevelEdit::Direction*> directions;
        const LevelEdit::Links* links = nullptr;
    };
    std::map<int, OfScreen> byScreen;
    for (const auto& tile : edit.tiles)
        byScreen[tile.screen].tiles.push_back(&tile);
    for (const auto& d : edit.directions)
        byScreen[d.screen].directions.push_back(&d);
    for (const auto& links : edit.links)
        byScreen[links.screen].links = &links;
    // A screen numbered outside 0..32767 would be a scratch file of no screen.
    if (!byScreen.empty())
        for (const int screen : {byScreen.begin()->first, byScreen.rbegin()->first})
            if (screen < 0 || screen > std::numeric_limits<Integer>::max())
                throw Failure(ErrSubscript, Text(Msg::NoSuchScreen).arg(screen));
    std::vector<ScreenChanges> changes;
    int read = 0;
    for (const auto& [screen, of] : byScreen) {
        tellProgress(++read, 2 * int(byScreen.size()));
        Screen value = screenValue(screen, name, "made");
        ScreenChanges these;
        these.screen = screen;
        // A screen past the last one is no screen of the level yet: what reading it gives may differ by the
        // time the step is redone (a save, a renumbering or a change of screen in between), so everything
        // the edit sets is kept, changed or not.
        const bool beyond = screen > m_level.LevelLastScreen;
        for (const LevelEdit::Tile* tile : of.tiles)
            if (beyond || value.tile(tile->index) != tile->state) {
                these.tiles.push_back({tile->index, value.tile(tile->index), tile->state});
                value.tile(tile->index) = tile->state;
            }
        for (const LevelEdit::Direction* d : of.directions) {
            Integer& now = value.tile(d->index).directions[size_t(d->side)];
            if ((beyond || now != d->value) && !(d->keepExit && IsExit(now))) {
                these.directions.push_back({qint16(d->index), qint8(d->side), now, d->value});
                now = d->value;
            }
        }
        if (of.links && (beyond || value.links != of.links->links))
            these.links = std::make_pair(value.links, of.links->links);
        if (!these.empty())
            changes.push_back(std::move(these));
    }
    std::optional<std::pair<PropertyValues, PropertyValues>> properties;
    if (edit.lastScreen && *edit.lastScreen != m_level.LevelLastScreen) {
        PropertyValues after = m_level.Properties();
        after.lastScreen = *edit.lastScreen;
        properties = std::make_pair(m_level.Properties(), after);
    }
    if (changes.empty() && !properties)
        return;
    storeLevelChanges(changes, true, properties ? properties->second.lastScreen : m_level.LevelLastScreen,
                      name, "made");
    if (properties) {
        storeProperties(properties->second);
        edited(-1);
    }
    m_stack.push(
        new LevelStep(*this, name, m_level.CurrentScreen, std::move(changes), std::move(properties)));
}

bool LevelDocument::renumberScreens(const ScreenRenumbering& renumbering,
                                    const std::function<bool(int, int)>& goOn) {
    if (const std::optional<QString> why = renumbering.refusal())
        throw Failure(5, *why);
    if (renumbering.kind != ScreenRenumbering::Delete && renumbering.from == renumbering.to)
        return false;
    Renumbered renumbered{renumbering, RenumberingName(renumbering), {}, {}, 0};
    if (!renumber(renumbered, true, "made", goOn))
        return false;
    m_stack.push(new RenumberStep(std::move(renumbered)));
    return true;
}

int LevelDocument::duplicateScreen(int screen) {
    const QString name = QStringLiteral("Duplicate Screen");
    const qint64 number = qint64(m_level.LevelLastScreen) + 1;
    if (number > std::numeric_limits<Integer>::max() || number < 0)
        throw Failure(6, QStringLiteral("The level has its last screen already: no screen can be added"));
    const Screen value = screenValue(screen, name);
    LevelEdit edit;
    edit.links.push_back({int(number), value.links});
    for (int t = FirstGridTile; t <= LastGridTile; ++t)
        edit.tiles.push_back({int(number), t, value.tile(t)});
    edit.lastScreen = Integer(number);
    editLevel(name, edit);
    return int(number);
}

Screen LevelDocument::blankScreen() const {
    Screen screen = Screen::fresh();
    for (int t = FirstGridTile; t <= LastGridTile; ++t) {
        screen.tile(t).colour = FieldValue::number(m_level.BrushColour);
        screen.tile(t).picture = FieldValue::number(0);
    }
    return screen;
}

std::optional<std::pair<int, int>> LevelDocument::linksTo(int screen,
                                                          const std::function<bool(int, int)>& goOn) const {
    int links = 0;
    int screens = 0;
    const int last = m_level.LevelLastScreen;
    for (int s = 0; s <= last; ++s) {
        if (goOn && !goOn(s, last + 1))
            return std::nullopt;
        const SideLinks of = s == m_level.CurrentScreen ? m_level.LinksOnDisplay() : readSideLinks(s);
        const auto count = int(std::count(of.begin() + 2, of.end(), Integer(screen)));
        links += count;
        screens += count > 0;
    }
    return std::make_pair(links, screens);
}

// Every screen of the level whose number or links change is written beside the scratch files first; only
// when all are written do they take their places, and the last screen and the screen on display change.
bool LevelDocument::renumber(Renumbered& renumbered, bool forward, const char* done,
                             const std::function<bool(int, int)>& goOn) {
    const ScreenRenumbering& r = renumbered.renumbering;
    const int lastAfter = forward ? r.lastAfter() : r.last;
    const auto goingOn = [&](int screen, int total) {
        if (goOn)
            return goOn(screen, total);
        tellProgress(screen, total);
        return true;
    };
    if (forward) {
        renumbered.shownBefore = m_level.CurrentScreen;
        renumbered.linksToDeleted.clear();
        renumbered.deleted.reset();
        if (r.kind == ScreenRenumbering::Delete)
            renumbered.deleted = screenValue(r.from, renumbered.name, done);
    }
    ScratchStage stage(m_level);
    const int total = lastAfter + 2;
    std::vector<int> written;
    for (int screen = 0; screen <= lastAfter; ++screen) {
        if (!goingOn(screen, total))
            return false;
        const int source = forward ? r.before(screen) : r.after(screen);
        Screen value = source < 0 ? *renumbered.deleted : screenValue(source, renumbered.name, done);
        // The deleted screen kept its links as they were.
        SideLinks links = source < 0 ? value.links
                          : forward  ? r.linksAfter(value.links)
                                     : r.linksBefore(value.links);
        if (r.kind == ScreenRenumbering::Delete) {
            if (forward) {
                for (int k = 2; k <= 9; ++k)
                    if (value.links[size_t(k)] == r.from)
                        renumbered.linksToDeleted.emplace_back(screen, k);
            } else {
                const auto& to = renumbered.linksToDeleted;
                for (auto it = std::lower_bound(to.begin(), to.end(), std::make_pair(source, 0));
                     it != to.end() && it->first == source; ++it)
                    links[size_t(it->second)] = Integer(r.from);
            }
        }
        if (source == screen && links == value.links)
            continue;
        value.links = links;
        stage.write(Integer(screen), value);
        written.push_back(screen);
    }
    if (forward && r.kind == ScreenRenumbering::Delete)
        stage.drop(Integer(r.last));
    if (!goingOn(lastAfter + 1, total))
        return false;
    // The screen on display is shown again from the files; it goes to its own first, in case it keeps its
    // number and its links.
    m_level.SaveScreenTmp();
    stage.commit(Integer(lastAfter));

    QSet<int> edited;
    for (const int screen : std::as_const(m_editedScreens))
        if (const int now = forward ? r.after(screen) : r.before(screen); now >= 0)
            edited.insert(now);
    for (const int screen : written)
        edited.insert(screen);
    m_editedScreens = edited;
    PropertyValues properties = m_level.Properties();
    properties.lastScreen = Integer(lastAfter);
    if (properties != m_level.Properties())
        storeProperties(properties);
    m_level.LastEdit = QDateTime::currentDateTime();

    int shown = renumbered.shownBefore;
    if (forward) {
        shown = r.after(renumbered.shownBefore);
        if (shown < 0)
            shown = std::min(r.from, lastAfter);
    }
    const auto number = Integer(shown);
    m_level.ShowLoadedScreen(number, m_level.LoadScreenValue(number, m_level.ScreenOnDisplay()));
    goingOn(total, total);
    emit screensRenumbered();
    return true;
}

void LevelDocument::setBrushColour(Long colour) {
    m_level.BrushColour = colour;
}

void LevelDocument::setBrushPicture(const QString& reference) {
    m_level.PictureName = reference;
}

QString LevelDocument::importPicture(const QString& path) {
    const QString reference = m_level.ImportPicture(path);
    const bool intoProgramPictures = m_level.PictureFolders().size() == 1; // the level's are the program's
    if (intoProgramPictures && !m_picturesToCarry.contains(reference))
        m_picturesToCarry << reference;
    return reference;
}

std::vector<LevelDocument::PictureToCarry> LevelDocument::picturesToCarry() const {
    const QStringList folders = m_level.PictureFolders(); // the level's, then the program's
    std::vector<PictureToCarry> pictures;
    if (folders.size() < 2)
        return pictures;
    for (const QString& reference : m_picturesToCarry) {
        PictureToCarry picture;
        picture.source = PictureFilePath(folders[1], reference);
        picture.copy.reference = reference;
        picture.copy.outside = true;
        picture.copy.copyTarget = PictureFilePath(folders[0], reference);
        const QFileInfo target(picture.copy.copyTarget);
        picture.copy.targetTaken = (target.exists() || target.isSymLink()) &&
                                   !SameFileBytes(*m_level.Files, picture.source, picture.copy.copyTarget);
        pictures.push_back(picture);
    }
    return pictures;
}

void LevelDocument::carryPicture(const PictureToCarry& picture, bool copy) {
    const bool there = QFileInfo::exists(picture.copy.copyTarget) && !picture.copy.targetTaken;
    if (copy && !there)
        m_level.ImportPicture(picture.source);
    m_picturesToCarry.removeAll(picture.copy.reference);
}

// --- Undo ------------------------------------------------------------------------------------------------

// The screen is read before anything changes: a scratch file that went or became unreadable since the step
// was made stops the step here, with the screen on display and the step where they were.
void LevelDocument::showScreenOfStep(int screen, bool undoing) {
    if (screen < 0 || screen == m_level.CurrentScreen)
        return;
    const auto number = static_cast<Integer>(screen);
    const Module1::ScreenLoad load = m_level.LoadScreenValue(number, m_level.ScreenOnDisplay());
    if (load.trouble || load.partly) {
        const Failure& cause = load.trouble ? *load.trouble : load.partly->second;
        throw Failure(cause.code(), Text(Msg::StepScreenUnreadable)
                                        .arg(screen)
                                        .arg(undoing ? m_stack.undoText() : m_stack.redoText())
                                        .arg(undoing ? QStringLiteral("undone") : QStringLiteral("redone")));
    }
    m_level.SaveScreenTmp();
    m_level.ShowLoadedScreen(number, load);
}

void LevelDocument::undo() {
    if (m_stack.canUndo())
        applyStep(const_cast<QUndoCommand*>(m_stack.command(m_stack.index() - 1)), false);
}

void LevelDocument::redo() {
    if (m_stack.canRedo())
        applyStep(const_cast<QUndoCommand*>(m_stack.command(m_stack.index())), true);
}

// A step of several screens makes its changes first, which throws having changed nothing when one of its
// screens cannot be read whole; only then does its own screen come on display. A step of one screen brings
// its screen on display first, and the stack makes the change.
void LevelDocument::applyStep(QUndoCommand* step, bool forward) {
    const int screen = forward ? redoScreen() : undoScreen();
    const auto move = [&] { forward ? m_stack.redo() : m_stack.undo(); };
    if (auto* renumbering = dynamic_cast<RenumberStep*>(step)) {
        renumber(renumbering->renumbered(), forward, forward ? "redone" : "undone", {});
        move();
        return;
    }
    if (auto* ofLevel = dynamic_cast<LevelStep*>(step)) {
        ofLevel->apply(forward);
        move();
        try {
            showScreenOfStep(screen, !forward);
        } catch (const Failure&) {
            // The step is made; its screen is told of when it is gone to.
        }
        return;
    }
    showScreenOfStep(screen, !forward);
    move();
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

void LevelDocument::levelLoaded() {
    m_editedScreens.clear();
    m_picturesToCarry.clear();
    const bool wasRecovered = std::exchange(m_recovered, false);
    m_stack.clear();
    m_levelFile.remember(m_level.LevelFileName);
    if (wasRecovered && !isModified())
        emit modifiedChanged(false);
    emit levelReplaced();
}

void LevelDocument::levelSaved() {
    m_editedScreens.removeIf([this](int screen) { return screen <= m_level.LevelLastScreen; });
    const bool wasRecovered = std::exchange(m_recovered, false);
    m_stack.setClean();
    m_levelFile.remember(m_level.LevelFileName);
    if (wasRecovered && !isModified())
        emit modifiedChanged(false);
}

} // namespace tavrin
