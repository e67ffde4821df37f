// The document's work on many screens: edits of several screens, renumberings, their undo and redo, and
// counting links. Each is a task of a piece a screen, so that the editor can show its progress and keep
// its window drawn; nothing the level holds changes before the task's last piece.

#include "level/document/leveldocument.h"
#include "level/document/levelstep.h"
#include "level/document/renumberstep.h"

#include "level/core/messages.h"
#include "level/document/levelcopystage.h"
#include "level/document/scratchstage.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <limits>
#include <map>

namespace tavrin {

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

// The same on a screen's block as bytes; changes of whole tiles are made on values.
template <typename Changes>
void applyChangesToBlock(const Changes& changes, bool forward, WrittenBlock& block) {
    if (forward) {
        for (const auto& d : changes.directions)
            block.setNumber(d.index, 4 + d.side, d.after);
    } else {
        for (auto it = changes.directions.rbegin(); it != changes.directions.rend(); ++it)
            block.setNumber(it->index, 4 + it->side, it->before);
    }
    if (changes.links)
        block.setLinks(forward ? changes.links->second : changes.links->first);
}

} // namespace

// The stage of an edit of many screens, and the screen on display among them: it takes its tiles from
// memory only once the stage is committed.
struct LevelDocument::Staging {
    std::unique_ptr<ScreensStage> stage;
    int onDisplay = -1;
    Screen shown;
    std::unique_ptr<ReadAhead> levelFile;
};

void LevelDocument::stageValue(Staging& staging, int screen, Screen value) {
    const bool isShown = screen == m_level.CurrentScreen();
    if (!isShown || !m_level.ScreenOnDisplayPartlyRead())
        staging.stage->write(Integer(screen), value);
    if (isShown) {
        staging.onDisplay = screen;
        staging.shown = std::move(value);
    }
}

// Every screen the changes touch is read, changed and written into a stage first; only the session file
// that names them all makes them the level's (see ScreensStage), so that a stop or a failure anywhere
// before leaves every screen as it was, the step where it was, and says so once. Then the screen on
// display takes its tiles and the windows are told.
void LevelDocument::stageLevelChanges(Task& task, const std::vector<ScreenChanges>& changes, bool forward,
                                      Integer lastScreen, const QString& step, const char* done,
                                      std::function<void()> then, std::shared_ptr<Staging> staged) {
    std::shared_ptr<Staging> staging = staged;
    if (!staging) {
        staging = std::make_shared<Staging>();
        // The changes come screen after screen, in increasing order.
        const int highest = changes.empty() ? 0 : changes.back().screen;
        staging->stage = stageFor(int(changes.size()),
                                  std::max({lastScreen, m_level.LevelLastScreen(), Integer(highest)}));
    }
    const auto stageScreen = [this, &changes, staging, forward, step, done](int i) {
        const ScreenChanges& these = changes[size_t(i)];
        // Most edits of many screens change a few directions or links of each: changed as bytes.
        if (these.tiles.empty())
            if (std::optional<WrittenBlock> block =
                    m_level.WrittenBlockOf(these.screen, staging->levelFile)) {
                applyChangesToBlock(these, forward, *block);
                staging->stage->write(Integer(these.screen), *block);
                return;
            }
        Screen value = screenValue(these.screen, step, done);
        applyChanges(these, forward, value);
        stageValue(*staging, these.screen, std::move(value));
    };
    const auto commit = [this, &changes, staging, lastScreen, then = std::move(then)] {
        staging->levelFile.reset();
        staging->stage->commit(lastScreen);
        const ScreenChanges* onDisplay = nullptr;
        for (const ScreenChanges& these : changes) {
            const int screen = these.screen;
            edited(screen);
            if (screen == staging->onDisplay) {
                onDisplay = &these;
                continue;
            }
            emit screenEdited(screen);
            if (these.links)
                emit linksChanged(screen);
        }
        if (onDisplay) {
            const int screen = onDisplay->screen;
            for (const auto& tile : onDisplay->tiles)
                storeTile(screen, tile.index, staging->shown.tile(tile.index));
            for (const auto& d : onDisplay->directions)
                storeTile(screen, d.index, staging->shown.tile(d.index));
            if (onDisplay->links)
                storeLinks(screen, staging->shown.links);
        }
        if (then)
            then();
    };
    task.then(staged ? 0 : int(changes.size()), stageScreen, commit);
}

// A copy of the level is written at the speed of a save, whatever the number of screens that change; a
// scratch file a screen costs more than a screen of the copy, by about five times on a file system in
// memory. A level that cannot be written whole (a property no level file can hold) is staged screen by
// screen, as it always can be.
std::unique_ptr<ScreensStage> LevelDocument::stageFor(int screens, Integer last) {
    const qint64 level = qint64(std::max(last, m_level.LevelLastScreen())) + 1;
    if (m_levelCopyFrom > 0 && m_level.UseIndex() && screens >= m_levelCopyFrom &&
        qint64(screens) * 5 >= level)
        try {
            return std::make_unique<LevelCopyStage>(m_level, last);
        } catch (const Failure&) {
        }
    return std::make_unique<ScratchStage>(m_level);
}

// Run here and now, the task reads the caller's edit, which outlives it: an edit of every screen of a
// large level is not copied.
void LevelDocument::editLevel(const QString& name, const LevelEdit& edit) {
    RunToEnd(*editLevelTask(name, edit, nullptr));
}

std::unique_ptr<Task> LevelDocument::editLevelTask(const QString& name, LevelEdit edit) {
    auto kept = std::make_shared<LevelEdit>(std::move(edit));
    return editLevelTask(name, *kept, kept);
}

// Each screen is read once to work out what changes, and staged changed; only the changes are kept for the
// step, so that an edit of every screen of a large level holds a few bytes per tile changed.
std::unique_ptr<Task> LevelDocument::editLevelTask(const QString& name, const LevelEdit& edit,
                                                   std::shared_ptr<const LevelEdit> kept) {
    struct OfScreen {
        std::vector<const LevelEdit::Tile*> tiles;
        std::vector<const LevelEdit::Direction*> directions;
        const LevelEdit::Links* links = nullptr;
    };
    struct Editing {
        std::shared_ptr<const LevelEdit> kept;
        std::optional<Integer> lastScreen;
        std::optional<PropertyValues> properties;
        std::map<int, OfScreen> byScreen;
        std::map<int, OfScreen>::const_iterator next;
        std::vector<ScreenChanges> changes;
        LevelStep::Properties step;
        std::unique_ptr<ReadAhead> levelFile;
        std::shared_ptr<Staging> staging;
    };
    auto editing = std::make_shared<Editing>();
    editing->kept = std::move(kept);
    editing->lastScreen = edit.lastScreen;
    editing->properties = edit.properties;
    auto& byScreen = editing->byScreen;
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
    editing->next = byScreen.cbegin();

    // Edits of directions and links alone, on tiles of the grid, are read from a screen's block as bytes.
    const auto directionsOnly = [](const OfScreen& of) {
        return of.tiles.empty() && std::all_of(of.directions.begin(), of.directions.end(), [](const auto* d) {
                   return d->index >= FirstGridTile && d->index <= LastGridTile && d->side >= 0 &&
                          d->side < 4;
               });
    };
    auto task = std::make_unique<Task>();
    const auto readScreen = [this, editing, name, directionsOnly](int) {
        // What changes is staged as soon as it is known: each screen is read once.
        if (!editing->staging) {
            editing->staging = std::make_shared<Staging>();
            const Integer last = std::max({editing->lastScreen.value_or(0), m_level.LevelLastScreen(),
                                           Integer(editing->byScreen.rbegin()->first)});
            editing->staging->stage = stageFor(int(editing->byScreen.size()), last);
        }
        Staging& staging = *editing->staging;
        const auto& [screen, of] = *editing->next++;
        ScreenChanges these;
        these.screen = screen;
        // A screen past the last one is no screen of the level yet: what reading it gives may differ by the
        // time the step is redone (a save, a renumbering or a change of screen in between), so everything
        // the edit sets is kept, changed or not.
        const bool beyond = screen > m_level.LevelLastScreen();
        if (std::optional<WrittenBlock> block =
                directionsOnly(of) ? m_level.WrittenBlockOf(screen, editing->levelFile) : std::nullopt) {
            // The directions this edit changed so far, by tile and side.
            std::bitset<(LastGridTile + 1) * 4> set;
            std::array<Integer, (LastGridTile + 1) * 4> setTo;
            these.directions.reserve(of.directions.size());
            for (const LevelEdit::Direction* d : of.directions) {
                const size_t place = size_t(d->index * 4 + d->side);
                const Integer now = set[place] ? setTo[place] : block->number(d->index, 4 + d->side);
                if ((beyond || now != d->value) && !(d->keepExit && IsExit(now))) {
                    these.directions.push_back({qint16(d->index), qint8(d->side), now, d->value});
                    set[place] = true;
                    setTo[place] = d->value;
                }
            }
            const SideLinks& links = block->links();
            if (of.links && (beyond || links != of.links->links))
                these.links = std::make_pair(links, of.links->links);
            if (!these.empty()) {
                applyChangesToBlock(these, true, *block);
                staging.stage->write(Integer(screen), *block);
                editing->changes.push_back(std::move(these));
            }
            return;
        }
        Screen value = screenValue(screen, name, "made");
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
        if (of.links && (beyond || value.links != of.links->links)) {
            these.links = std::make_pair(value.links, of.links->links);
            value.links = of.links->links;
        }
        if (!these.empty()) {
            stageValue(staging, screen, std::move(value));
            editing->changes.push_back(std::move(these));
        }
    };
    Task* const running = task.get();
    const auto store = [this, editing, name, running] {
        editing->levelFile.reset();
        PropertyValues after = m_level.Properties();
        if (editing->properties) {
            after = *editing->properties;
            after.lastScreen = m_level.LevelLastScreen();
        }
        if (editing->lastScreen)
            after.lastScreen = *editing->lastScreen;
        if (after != m_level.Properties())
            editing->step = std::make_pair(m_level.Properties(), after);
        // A stage that holds nothing goes now; the task may outlive this piece.
        std::shared_ptr<Staging> staged = std::exchange(editing->staging, nullptr);
        if (editing->changes.empty())
            staged.reset();
        if (editing->changes.empty() && !editing->step)
            return;
        const auto& properties = editing->step;
        stageLevelChanges(
            *running, editing->changes, true,
            properties ? properties->second.lastScreen : m_level.LevelLastScreen(), name, "made",
            [this, editing, name] {
                if (editing->step) {
                    storeProperties(editing->step->second);
                    edited(-1);
                }
                m_stack.push(new LevelStep(name, m_level.CurrentScreen(), std::move(editing->changes),
                                           std::move(editing->step)));
            },
            std::move(staged));
    };
    task->then(int(byScreen.size()), readScreen, store);
    return task;
}

bool LevelDocument::renumberScreens(const ScreenRenumbering& renumbering,
                                    const std::function<bool(int, int)>& goOn) {
    const std::unique_ptr<Task> task = renumberScreensTask(renumbering);
    return !task->finished() && RunToEnd(*task, goOn);
}

std::unique_ptr<Task> LevelDocument::renumberScreensTask(const ScreenRenumbering& renumbering) {
    if (const std::optional<QString> why = renumbering.refusal())
        throw Failure(ErrInvalidCall, *why);
    auto task = std::make_unique<Task>();
    if (renumbering.kind != ScreenRenumbering::Delete && renumbering.from == renumbering.to)
        return task;
    auto renumbered =
        std::make_shared<Renumbered>(Renumbered{renumbering, RenumberingName(renumbering), {}, {}, 0});
    renumberTask(*task, *renumbered, true, "made",
                 [this, renumbered] { m_stack.push(new RenumberStep(std::move(*renumbered))); });
    return task;
}

int LevelDocument::duplicateScreen(int screen) {
    int number = 0;
    RunToEnd(*duplicateScreenTask(screen, &number));
    return number;
}

std::unique_ptr<Task> LevelDocument::duplicateScreenTask(int screen, int* number) {
    const QString name = QStringLiteral("Duplicate Screen");
    const qint64 next = qint64(m_level.LevelLastScreen()) + 1;
    if (next > std::numeric_limits<Integer>::max() || next < 0)
        throw Failure(ErrOverflow, Text(Msg::LastScreenTaken));
    const Screen value = screenValue(screen, name);
    LevelEdit edit;
    edit.links.push_back({int(next), value.links});
    for (int t = FirstGridTile; t <= LastGridTile; ++t)
        edit.tiles.push_back({int(next), t, value.tile(t)});
    edit.lastScreen = Integer(next);
    *number = int(next);
    return editLevelTask(name, std::move(edit));
}

std::optional<std::pair<int, int>> LevelDocument::linksTo(int screen,
                                                          const std::function<bool(int, int)>& goOn) const {
    std::optional<std::pair<int, int>> counted;
    const std::unique_ptr<Task> task =
        linksToTask(screen, [&counted](int links, int screens) { counted = std::make_pair(links, screens); });
    if (!RunToEnd(*task, goOn))
        return std::nullopt;
    return counted;
}

std::unique_ptr<Task> LevelDocument::linksToTask(int screen,
                                                 std::function<void(int links, int screens)> counted) const {
    struct Counting {
        int links = 0;
        int screens = 0;
        std::unique_ptr<ReadAhead> levelFile;
    };
    auto counting = std::make_shared<Counting>();
    auto task = std::make_unique<Task>();
    task->then(
        m_level.LevelLastScreen() + 1,
        [this, screen, counting](int s) {
            const SideLinks of = m_level.ReadSideLinks(Integer(s), counting->levelFile);
            const auto count = int(std::count(of.begin() + 2, of.end(), Integer(screen)));
            counting->links += count;
            counting->screens += count > 0;
        },
        [counting, counted = std::move(counted)] {
            counting->levelFile.reset();
            counted(counting->links, counting->screens);
        });
    return task;
}

// Every screen of the level whose number or links change is written beside the scratch files first; only
// when all are written do they take their places, and the last screen and the screen on display change.
void LevelDocument::renumberTask(Task& task, Renumbered& renumbered, bool forward, const char* done,
                                 std::function<void()> then) {
    const ScreenRenumbering& r = renumbered.renumbering;
    const int lastAfter = forward ? r.lastAfter() : r.last;
    if (forward) {
        renumbered.shownBefore = m_level.CurrentScreen();
        renumbered.linksToDeleted.clear();
        renumbered.deleted.reset();
        if (r.kind == ScreenRenumbering::Delete)
            renumbered.deleted = screenValue(r.from, renumbered.name, done);
    }
    struct Staging {
        std::unique_ptr<ScreensStage> stage;
        std::vector<int> written;
        std::unique_ptr<ReadAhead> levelFile;
    };
    auto staging = std::make_shared<Staging>();
    // The screens from the first one moved on take other numbers or links; those before it, only links.
    const int firstMoved = r.kind == ScreenRenumbering::Delete ? r.from : std::min(r.from, r.to);
    staging->stage = stageFor(lastAfter + 1 - firstMoved, Integer(lastAfter));
    const auto stageScreen = [this, &renumbered, forward, done, staging](int screen) {
        const ScreenRenumbering& r = renumbered.renumbering;
        const int source = forward ? r.before(screen) : r.after(screen);
        // A block as the editor writes it takes its new number and links as bytes; any other screen is
        // read as a value and written again.
        std::optional<WrittenBlock> block;
        std::optional<Screen> value;
        if (source < 0)
            value = *renumbered.deleted;
        else if (!(block = m_level.WrittenBlockOf(Integer(source), staging->levelFile)))
            value = screenValue(source, renumbered.name, done);
        const SideLinks before = block ? block->links() : value->links;
        // The deleted screen kept its links as they were.
        SideLinks links = source < 0 ? before : forward ? r.linksAfter(before) : r.linksBefore(before);
        if (r.kind == ScreenRenumbering::Delete) {
            if (forward) {
                for (int k = 2; k <= 9; ++k)
                    if (before[size_t(k)] == r.from)
                        renumbered.linksToDeleted.emplace_back(screen, k);
            } else {
                const auto& to = renumbered.linksToDeleted;
                for (auto it = std::lower_bound(to.begin(), to.end(), std::make_pair(source, 0));
                     it != to.end() && it->first == source; ++it)
                    links[size_t(it->second)] = Integer(r.from);
            }
        }
        if (source == screen && links == before)
            return;
        if (block) {
            block->setLinks(links);
            staging->stage->write(Integer(screen), *block);
        } else {
            value->links = links;
            staging->stage->write(Integer(screen), *value);
        }
        staging->written.push_back(screen);
    };
    const auto commit = [this, &renumbered, forward, lastAfter, staging, then = std::move(then)] {
        const ScreenRenumbering& r = renumbered.renumbering;
        staging->levelFile.reset();
        if (forward && r.kind == ScreenRenumbering::Delete)
            staging->stage->drop(Integer(r.last));
        // The screen on display is shown again from the files; it goes to its own first, in case it keeps
        // its number and its links.
        m_level.SaveScreenTmp();
        staging->stage->commit(Integer(lastAfter));

        QSet<int> edited;
        for (const int screen : std::as_const(m_editedScreens))
            if (const int now = forward ? r.after(screen) : r.before(screen); now >= 0)
                edited.insert(now);
        for (const int screen : staging->written)
            edited.insert(screen);
        m_editedScreens = edited;
        PropertyValues properties = m_level.Properties();
        properties.lastScreen = Integer(lastAfter);
        if (properties != m_level.Properties())
            storeProperties(properties);
        m_level.Sessions().edited();

        int shown = renumbered.shownBefore;
        if (forward) {
            shown = r.after(renumbered.shownBefore);
            if (shown < 0)
                shown = std::min(r.from, lastAfter);
        }
        const auto number = Integer(shown);
        m_level.ShowLoadedScreen(number, m_level.LoadScreenValue(number, m_level.ScreenOnDisplay()));
        if (then)
            then();
        emit screensRenumbered();
    };
    task.then(lastAfter + 1, stageScreen, commit);
}

// --- Undo and redo ---------------------------------------------------------------------------------------

void LevelDocument::undo() {
    RunToEnd(*undoTask());
}

void LevelDocument::redo() {
    RunToEnd(*redoTask());
}

// Each step says how it is undone and redone (see Step::plan).
std::unique_ptr<Task> LevelDocument::stepTask(bool forward) {
    auto task = std::make_unique<Task>();
    if (forward ? !m_stack.canRedo() : !m_stack.canUndo())
        return task;
    const int index = m_stack.index();
    // Nothing but the task's own dialog takes input while it runs; should the stack have moved all the
    // same, the step is not made on a stack it no longer belongs to.
    const auto move = [this, forward, index] {
        if (m_stack.index() != index)
            throw Failure(ErrCancel);
        forward ? m_stack.redo() : m_stack.undo();
    };
    stepAt(forward ? index : index - 1).plan(*this, *task, forward, move);
    return task;
}

} // namespace tavrin
