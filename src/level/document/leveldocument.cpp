#include "level/document/leveldocument.h"
#include "level/document/linksstep.h"
#include "level/document/propertiesstep.h"
#include "level/document/tilestep.h"

#include "level/core/messages.h"

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

} // namespace

LevelDocument::LevelDocument(QString programFolder, QObject* parent)
    : QObject(parent), m_level(std::move(programFolder)) {
    m_level.SetDefaults();
    connect(&m_stack, &QUndoStack::cleanChanged, this, [this] { emit modifiedChanged(isModified()); });
    m_level.setScreenShown([this](Integer screen) { emit screenShown(screen); });
}

// The stack clears itself as it goes, which would tell the windows, half gone themselves, that the level is
// unmodified.
LevelDocument::~LevelDocument() {
    m_level.setScreenShown(nullptr);
    blockSignals(true);
}

// --- The editor's run ------------------------------------------------------------------------------------

void LevelDocument::start() {
    m_level.Sessions().chooseScratchFolder();
    m_level.SetDefaults();
    m_level.m_state.CurrentScreen = 0;
}

void LevelDocument::end() {
    m_level.DeleteScratchFiles();
    m_level.Sessions().end();
}

std::optional<SessionState> LevelDocument::recoverableSession() const {
    return m_level.Sessions().recoverable();
}

void LevelDocument::discardSession(const SessionState& session) {
    m_level.Sessions().discard(session);
}

QString LevelDocument::setAsideSession(const SessionState& session) {
    return m_level.Sessions().setAside(session);
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
    m_level.setFiles(files);
}

void LevelDocument::setUseIndex(bool useIndex) {
    m_level.setUseIndex(useIndex);
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
    m_level.m_state.LevelFileName = path;
    m_level.m_state.LevelFileIsNew = true;
}

std::unique_ptr<LevelSave> LevelDocument::beginSave(const QString& path) {
    return std::make_unique<LevelSave>(m_level, path);
}

void LevelDocument::levelSavedAs(const QString& path) {
    m_level.m_state.LevelFileName = path;
    m_level.m_state.LevelFileIsNew = false;
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
        emit walkerMoved(m_level.WalkerTile(), false);
        break;
    case WalkStep::Exit:
        m_level.SaveScreenTmp(scratchSync());
        m_level.m_state.CurrentScreen = step.screen;
        m_level.LoadScreen();
        [[fallthrough]];
    case WalkStep::Move:
        m_level.PlaceWalker(step.tile);
        emit walkerMoved(step.tile, true);
        break;
    }
    return step;
}

// --- Edits -----------------------------------------------------------------------------------------------

void LevelDocument::edited(int screen) {
    m_level.Sessions().edited();
    if (screen >= 0)
        m_editedScreens.insert(screen);
}

void LevelDocument::storeTile(int screen, int index, const TileState& state) {
    if (screen != m_level.CurrentScreen()) // the step's screen is brought on display before; never here
        return;
    m_level.StoreTile(index, state);
    m_level.Sessions().edited();
    emit tileChanged(screen, index);
}

void LevelDocument::storeLinks(int screen, const SideLinks& links) {
    if (screen != m_level.CurrentScreen())
        return;
    for (int k = 2; k <= 9; ++k)
        m_level.m_state.SideScreen(k) = links[size_t(k)];
    m_level.Sessions().edited();
    emit linksChanged(screen);
}

void LevelDocument::storeProperties(const PropertyValues& properties) {
    m_level.SetProperties(properties);
    m_level.Sessions().edited();
    emit propertiesChanged();
}

void LevelDocument::editTile(int index, const TileState& state) {
    const TileState before = tile(index);
    if (state == before)
        return;
    const int screen = m_level.CurrentScreen();
    storeTile(screen, index, state);
    edited(screen);
    // The tile is painted already: the step's first redo, which the stack runs on push, changes nothing.
    m_stack.push(new TileStep(*this, m_stroke ? m_strokeName : tileStepName(before, state), screen,
                              {index, before, state}, m_stroke));
}

void LevelDocument::beginStroke(const QString& name) {
    m_stroke = ++m_strokes;
    m_strokeName = name;
}

void LevelDocument::endStroke() {
    m_stroke = 0;
}

void LevelDocument::paintBlankTile(const TileState& state) {
    m_level.StoreTile(BlankTile, state);
    emit tileChanged(m_level.CurrentScreen(), BlankTile); // tiles showing its picture show the new one
}

void LevelDocument::editLinks(const SideLinks& links) {
    const SideLinks before = m_level.LinksOnDisplay();
    if (links == before)
        return;
    const int screen = m_level.CurrentScreen();
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

Screen LevelDocument::blankScreen() const {
    Screen screen = Screen::fresh();
    for (int t = FirstGridTile; t <= LastGridTile; ++t) {
        screen.tile(t).colour = FieldValue::number(m_level.BrushColour());
        screen.tile(t).picture = FieldValue::number(0);
    }
    return screen;
}

void LevelDocument::setBrushColour(Long colour) {
    m_level.m_state.BrushColour = colour;
}

void LevelDocument::setBrushPicture(const QString& reference) {
    m_level.m_state.PictureName = reference;
}

QString LevelDocument::importPicture(const QString& path) {
    const QString reference = m_level.Pictures().importPicture(path);
    // The level's Pics folder is the program's.
    const bool intoProgramPictures = m_level.Pictures().folders().size() == 1;
    if (intoProgramPictures && !m_picturesToCarry.contains(reference))
        m_picturesToCarry << reference;
    return reference;
}

std::vector<LevelDocument::PictureToCarry> LevelDocument::picturesToCarry() const {
    const QStringList folders = m_level.Pictures().folders(); // the level's, then the program's
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
                                   !SameFileBytes(*m_level.Files(), picture.source, picture.copy.copyTarget);
        pictures.push_back(picture);
    }
    return pictures;
}

void LevelDocument::carryPicture(const PictureToCarry& picture, bool copy) {
    const bool there = QFileInfo::exists(picture.copy.copyTarget) && !picture.copy.targetTaken;
    if (copy && !there)
        m_level.Pictures().importPicture(picture.source);
    m_picturesToCarry.removeAll(picture.copy.reference);
}

// --- Undo ------------------------------------------------------------------------------------------------

// The screen is read before anything changes: a scratch file that went or became unreadable since the step
// was made stops the step here, with the screen on display and the step where they were.
void LevelDocument::showScreenOfStep(int screen, bool undoing) {
    if (screen < 0 || screen == m_level.CurrentScreen())
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

int LevelDocument::undoScreen() const {
    return m_stack.canUndo() ? stepAt(m_stack.index() - 1).screen() : -1;
}

int LevelDocument::redoScreen() const {
    return m_stack.canRedo() ? stepAt(m_stack.index()).screen() : -1;
}

// Every command on the stack is one of the document's steps.
const LevelDocument::Step& LevelDocument::stepAt(int index) const {
    return *static_cast<const Step*>(m_stack.command(index));
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
    m_levelFile.remember(m_level.LevelFileName());
    if (wasRecovered && !isModified())
        emit modifiedChanged(false);
    emit levelReplaced();
}

void LevelDocument::levelSaved() {
    m_editedScreens.removeIf([this](int screen) { return screen <= m_level.LevelLastScreen(); });
    // The level file holds every screen of the level copy now: the screens are read from it again, once
    // the session file no longer names the copy.
    if (const std::optional<ScratchFiles::LevelCopy> copy = m_level.m_scratch.levelCopy();
        copy && copy->last <= m_level.LevelLastScreen()) {
        m_level.m_scratch.setLevelCopy(std::nullopt);
        try {
            m_level.WriteSession(false);
            m_level.m_scratch.remove(*copy);
        } catch (const Failure&) {
            m_level.m_scratch.setLevelCopy(copy); // read from until the next save
        }
    }
    const bool wasRecovered = std::exchange(m_recovered, false);
    m_stack.setClean();
    m_levelFile.remember(m_level.LevelFileName());
    if (wasRecovered && !isModified())
        emit modifiedChanged(false);
}

} // namespace tavrin
