#include "level/tools/levelcheck.h"

#include "level/tools/directions.h"
#include "level/tools/levelrecords.h"
#include "level/tools/reachcheck.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

namespace tavrin {

namespace {

using Severity = LevelProblem::Severity;

constexpr qint64 NoOffset = -1;
constexpr int TilesPerScreen = LastGridTile + 1; // tile 0 has a slot too: a record may name it
constexpr qint64 TrackedScreens = qint64(std::numeric_limits<Integer>::max()) + 1;
// The tiles of the left and right borders, two a row: what each one's outward step does is kept.
constexpr int EdgeSlots = 2 * GridRows;
// An edge slot whose step is blocked or an exit; any other value is a free step, and where its tile's
// record stands.
constexpr qint64 EdgeShut = -2;

// While the check runs, a problem's `line` holds the byte offset of the level file where it stands
// (NoOffset for none) until the end, when all offsets are turned into lines in one pass.
using Found = LevelProblem;

// What the check keeps of a tile that has an exit: its four directions and where each exit lands.
struct ExitTile {
    std::array<Integer, 4> directions = {};
    std::array<std::optional<Integer>, 4> landing;
    std::array<QString, 4> operand; // as a message shows it
    qint64 offset = NoOffset;
};

struct ScreenState {
    SideLinks links = Screen::freshLinks();
    qint64 firstOffset = NoOffset;
    int expectedSide = 2;
    bool hasRecords = false;
    bool hasTiles = false;
    bool sidesFailed = false;
};

struct PictureUse {
    qint64 tiles = 0;
    qint64 screen = 0;
    int tile = 0;
    qint64 offset = NoOffset;
    bool numeric = false; // a text that reads as a number names a picture box, not a file
};

const QString NoLevelProperties = QStringLiteral("no-level-properties");
// A failure of each code that problemCode tells apart.
constexpr int ReadingFailures[] = {ErrOverflow, ErrNoSuchControl, ErrInvalidFormat};

QString problemCode(const Failure& failure) {
    switch (failure.code()) {
    case ErrOverflow:
    case ErrSubscript:
        return QStringLiteral("number-out-of-range");
    case ErrNoSuchControl:
        return QStringLiteral("picture-box-missing");
    default:
        return QStringLiteral("unreadable-record");
    }
}

// Room of `bytes` from `begin` on that is about to be filled, asked for in huge pages where the system
// gives them on request: a million problems take 80 MB, and the first touch of each small page of it
// costs more than filling it.
void AskForHugePages(void* begin, size_t bytes) {
#ifdef Q_OS_LINUX
    constexpr quintptr HugePage = 2 * 1024 * 1024;
    const quintptr from = (quintptr(begin) + HugePage - 1) & ~(HugePage - 1);
    const quintptr to = (quintptr(begin) + bytes) & ~(HugePage - 1);
    if (from < to)
        madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
    Q_UNUSED(begin);
    Q_UNUSED(bytes);
#endif
}

// What the check keeps for each tile or edge of every screen it is told of, `PerScreen` slots a screen,
// each `initial` at first. The screens are held in groups, each group made when a screen of it is first
// told: screens come in any order, and one array grown for them all would be copied again and again.
template <typename T, size_t PerScreen> class ScreenSlots {
public:
    explicit ScreenSlots(T initial) : m_initial(initial) {}

    // The slots of `screen`, 0 to 32767.
    T* of(qint64 screen) {
        std::unique_ptr<T[]>& group = m_groups[size_t(screen / GroupScreens)];
        if (!group) {
            group.reset(new T[GroupScreens * PerScreen]);
            std::fill_n(group.get(), GroupScreens * PerScreen, m_initial);
        }
        return group.get() + size_t(screen % GroupScreens) * PerScreen;
    }
    // The same, or nullptr when no screen of its group has been told (or it is no screen 0 to 32767).
    const T* find(qint64 screen) const {
        if (screen < 0 || screen >= TrackedScreens || !m_groups[size_t(screen / GroupScreens)])
            return nullptr;
        return m_groups[size_t(screen / GroupScreens)].get() + size_t(screen % GroupScreens) * PerScreen;
    }

private:
    static constexpr qint64 GroupScreens = 1024;
    const T m_initial;
    std::array<std::unique_ptr<T[]>, size_t(TrackedScreens / GroupScreens)> m_groups;
};

// The check itself: told the records of a level one by one (from its file, or a screen from memory), it
// keeps what the rules need, and finish() gives the problems.
class Checker {
public:
    explicit Checker(const LevelCheckSettings& settings) : m_settings(settings) {}

    void properties(const PropertyValues& values, qint64 offset) {
        m_properties = values;
        m_propertiesOffset = offset;
        m_hasProperties = true;
        m_propertiesBroken = false;
    }

    void propertiesFault(const Failure& failure, int field, const Record& record, qint64 offset) {
        m_propertiesOffset = offset;
        m_propertiesBroken = true;
        add(Severity::Error, problemCode(failure), std::nullopt, std::nullopt, std::nullopt, offset,
            faultText(failure, field, record));
    }

    // A record keyed "Screen<screen>"; none for a screen outside 0..32767, which nothing can show.
    //
    // A record that cannot be read is reported where it stands, and the records after it are still
    // taken, although the editor stops reading the screen there: the rest of the check goes by what the
    // file says, so that one fault gives one problem and not a train of them.
    ScreenState* screenRecord(qint64 screen, qint64 offset) {
        if (screen < 0 || screen >= TrackedScreens) {
            m_otherScreens.emplace(screen, offset); // keeps the first
            return nullptr;
        }
        if (qint64(m_screens.size()) <= screen)
            m_screens.resize(size_t(screen) + 1);
        ScreenState& state = m_screens[size_t(screen)];
        if (!state.hasRecords) {
            state.hasRecords = true;
            state.firstOffset = offset;
        }
        return &state;
    }

    void tileFault(qint64 screen, const FieldFault& fault, const Record& record, qint64 offset) {
        std::optional<int> tile;
        if (fault.field > 1 && record[1].isNumeric())
            tile = record[1].toInteger();
        add(Severity::Error, problemCode(fault.failure), screen, tile, std::nullopt, offset,
            faultText(fault.failure, fault.field, record) +
                QStringLiteral("; the editor reads no further records of this screen"));
    }

    // A tile as read: its picture, its four directions and the four operands that follow one another from
    // `operands` on.
    void tile(ScreenState& state, qint64 screen, Integer index, const FieldValue& picture,
              const std::array<Integer, 4>& directions, const FieldValue* operands, qint64 offset) {
        state.hasTiles = true;
        if (index == 0) {
            add(Severity::Warning, QStringLiteral("tile-outside-grid"), screen, 0, std::nullopt, offset,
                QStringLiteral("a record of tile 0, which is no tile of the grid: a save leaves it out"));
            return;
        }
        quint8& flags = m_tileFlags.of(screen)[index];
        if (flags & Seen)
            add(Severity::Warning, QStringLiteral("duplicate-tile"), screen, index, std::nullopt, offset,
                QStringLiteral("a second record of this tile: the last one counts"));
        const bool blocked =
            std::all_of(directions.begin(), directions.end(), [](Integer d) { return d == 1; });
        const bool exits = std::any_of(directions.begin(), directions.end(), IsExit);
        const qint64 key = screen * TilesPerScreen + index;
        if (flags & HasExit)
            m_exits.erase(key);
        flags = Seen | (blocked ? Blocked : 0) | (exits ? HasExit : 0);
        if (const std::optional<int> slot = edgeSlot(int(index))) {
            const Integer step = directions[size_t(edgeSide(*slot))];
            m_edges.of(screen)[*slot] = step == 1 || IsExit(step) ? EdgeShut : offset;
        }
        if (exits) {
            ExitTile& exit = m_exits[key];
            exit.offset = offset;
            for (size_t d = 0; d < 4; ++d) {
                exit.directions[d] = directions[d];
                exit.landing[d] = LandingTile(operands[d]);
                exit.operand[d] = ShownValue(operands[d]);
            }
        }
        if (picture.isText()) {
            auto use = m_pictures.find(picture.textValue());
            if (use == m_pictures.end())
                use = m_pictures.insert(picture.textValue(),
                                        PictureUse{0, screen, index, offset, picture.isNumeric()});
            ++use->tiles;
        }
    }

    void screenInfo(ScreenState& state) { state.links = Screen::freshLinks(); }

    // A side record: taken only as the next one in the order Side2 .. Side9.
    void side(ScreenState& state, qint64 screen, int k, const Record& record, qint64 offset) {
        if (state.sidesFailed || k != state.expectedSide)
            return;
        try {
            sideLink(state, k, InField(2, [&] { return record[2].toInteger(); }));
        } catch (const FieldFault& fault) {
            state.sidesFailed = true;
            add(Severity::Error, problemCode(fault.failure), screen, std::nullopt, std::nullopt, offset,
                faultText(fault.failure, fault.field, record));
        }
    }

    // The link of a side record read as it should be.
    void sideLink(ScreenState& state, int k, Integer link) {
        if (state.sidesFailed || k != state.expectedSide)
            return;
        state.links[size_t(k)] = link;
        ++state.expectedSide;
    }

    // A whole screen held in memory, in place of whatever its file holds.
    void screenValue(Integer screen, const Screen& value) {
        ScreenState* state = screenRecord(screen, NoOffset);
        for (int i = FirstGridTile; i <= LastGridTile; ++i)
            tile(*state, screen, static_cast<Integer>(i), value.tile(i).picture, value.tile(i).directions,
                 value.tile(i).operands.data(), NoOffset);
        state->links = value.links;
        state->expectedSide = 10;
    }

    void unreadable(const Failure& failure, qint64 offset) {
        add(Severity::Error, QStringLiteral("unreadable-record"), std::nullopt, std::nullopt, std::nullopt,
            offset, failure.description() + QStringLiteral("; nothing after it can be read"));
    }

    // The problems; those of the walk too, given the walk from the start tile.
    std::vector<Found> finish(const Reachability* walk = nullptr);

private:
    enum : quint8 { Seen = 1, Blocked = 2, HasExit = 4 };

    // The edge slot of a tile of the left or right border: its row, twice, and 1 more on the right.
    static std::optional<int> edgeSlot(int tile) {
        const int column = (tile - 1) % GridColumns;
        if (column != 0 && column != GridColumns - 1)
            return std::nullopt;
        return (tile - 1) / GridColumns * 2 + (column ? 1 : 0);
    }
    static int edgeSide(int slot) { return slot % 2 ? SideRight : SideLeft; }
    static int edgeTile(int slot) { return slot / 2 * GridColumns + (slot % 2 ? GridColumns : 1); }

    void add(Severity severity, const QString& code, std::optional<qint64> screen, std::optional<int> tile,
             std::optional<int> direction, qint64 offset, const QString& message) {
        Found& found = m_found.emplace_back();
        found.severity = severity;
        found.code = code;
        found.screen = screen;
        found.tile = tile;
        found.direction = direction;
        found.message = message;
        found.line = offset;
    }

    static QString faultText(const Failure& failure, int field, const Record& record) {
        return QStringLiteral("%1 in field %2 (%3): %4")
            .arg(failure.description())
            .arg(field + 1)
            .arg(QLatin1String(FieldNameOf(record, field)))
            .arg(ShownValue(record[field]));
    }

    const ScreenState* stateOf(qint64 screen) const {
        return screen >= 0 && screen < qint64(m_screens.size()) ? &m_screens[size_t(screen)] : nullptr;
    }
    // The links a walk into the screen finds: a screen without tile records has the links every screen
    // starts with.
    SideLinks linksOf(qint64 screen) const {
        const ScreenState* state = stateOf(screen);
        if (!state || !state->hasTiles)
            return Screen::freshLinks();
        return state->links;
    }
    bool blockedAllRound(qint64 screen, Integer tile) const {
        const quint8* flags = m_tileFlags.find(screen);
        return flags && (flags[tile] & Blocked);
    }
    // Whether an exit of tile `tile` of screen `from` leads to screen `to` onto tile `landing`; an exit
    // toward `to` whose landing is no tile counts, as it is reported already.
    bool exitBack(qint64 from, Integer tile, qint64 to, int landing) const;
    void checkExits(qint64 last);
    void checkEdges(qint64 last);
    void checkPictures();

    const LevelCheckSettings& m_settings;
    PropertyValues m_properties;
    qint64 m_propertiesOffset = NoOffset;
    bool m_hasProperties = false;
    bool m_propertiesBroken = false; // the last "LevelProp" record could not be read
    std::vector<ScreenState> m_screens;
    ScreenSlots<quint8, TilesPerScreen> m_tileFlags{0};
    ScreenSlots<qint64, EdgeSlots> m_edges{NoOffset};
    std::unordered_map<qint64, ExitTile> m_exits;
    std::map<qint64, qint64> m_otherScreens; // screens outside 0..32767: where their first record is
    QHash<QString, PictureUse> m_pictures;
    std::vector<Found> m_found;
};

std::vector<Found> Checker::finish(const Reachability* walk) {
    // Without properties that can be read, the level is taken to end with the last screen that has
    // records, so that one fault does not bring a problem for every screen.
    const bool known = m_hasProperties && !m_propertiesBroken;
    qint64 last = m_properties.lastScreen;
    if (!known) {
        last = 0;
        for (qint64 screen = 0; screen < qint64(m_screens.size()); ++screen)
            if (m_screens[size_t(screen)].hasRecords)
                last = screen;
    }
    if (!m_hasProperties && !m_propertiesBroken)
        add(Severity::Warning, NoLevelProperties, std::nullopt, std::nullopt, std::nullopt, NoOffset,
            QStringLiteral("the file has no level properties (no \"LevelProp\" record): the check takes the "
                           "level to end with screen %1, the last with records")
                .arg(last));
    if (known && (m_properties.startTile < FirstGridTile || m_properties.startTile > LastGridTile))
        add(Severity::Error, QStringLiteral("start-tile-out-of-range"), std::nullopt, std::nullopt,
            std::nullopt, m_propertiesOffset,
            QStringLiteral("the start tile %1 is no tile 1..300").arg(m_properties.startTile));
    if (known && last < 0)
        add(Severity::Error, QStringLiteral("number-out-of-range"), std::nullopt, std::nullopt, std::nullopt,
            m_propertiesOffset,
            QStringLiteral("the last screen %1 is below 0: the level cannot be saved").arg(last));
    checkExits(last);
    // A last screen below 0 leaves the level no screens at all.
    for (qint64 screen = std::max<qint64>(last + 1, 0); screen < qint64(m_screens.size()); ++screen)
        if (m_screens[size_t(screen)].hasRecords)
            m_otherScreens.emplace(screen, m_screens[size_t(screen)].firstOffset);
    const QString screens =
        last < 0 ? QStringLiteral(", which has none") : QStringLiteral(" 0..%1").arg(last);
    for (const auto& [screen, offset] : m_otherScreens)
        add(Severity::Warning, QStringLiteral("screen-outside-level"), screen, std::nullopt, std::nullopt,
            offset,
            QStringLiteral("records of screen %1, which is not one of the level's screens%2: a save leaves "
                           "them out")
                .arg(screen)
                .arg(screens));
    checkPictures();
    if (walk)
        AddWalkProblems(*walk, m_found, [this](qint64 screen, int tile) {
            const auto exit = m_exits.find(screen * TilesPerScreen + tile);
            const ScreenState* state = stateOf(screen);
            return tile && exit != m_exits.end() ? exit->second.offset
                   : state                       ? state->firstOffset
                                                 : NoOffset;
        });
    checkEdges(last); // last: it makes room for the problems it adds, which may be a million
    return std::move(m_found);
}

void Checker::checkExits(qint64 last) {
    // Taken in the order of the level, so that a pair of screens is reported at its first exit.
    std::vector<std::pair<qint64, const ExitTile*>> exits;
    exits.reserve(m_exits.size());
    for (const auto& [key, exit] : m_exits)
        exits.emplace_back(key, &exit);
    std::sort(exits.begin(), exits.end());
    struct Joint {
        qint64 offset;
        int tile;
        int direction;
    };
    std::map<std::pair<qint64, qint64>, Joint> joints; // (from, to) -> its first exit
    for (const auto& [key, exit] : exits) {
        const qint64 screen = key / TilesPerScreen;
        const int tile = int(key % TilesPerScreen);
        if (screen > last)
            continue;
        const SideLinks links = linksOf(screen);
        for (int d = 0; d < 4; ++d) {
            const Integer k = exit->directions[size_t(d)];
            if (!IsExit(k))
                continue;
            const qint64 to = links[size_t(k)];
            const std::optional<Integer> landing = exit->landing[size_t(d)];
            if (!landing)
                add(Severity::Error, QStringLiteral("landing-out-of-range"), screen, tile, d, exit->offset,
                    QStringLiteral("the exit lands on %1, which is no tile 1..300: the walk refuses the step")
                        .arg(exit->operand[size_t(d)]));
            if (to < 0 || to > last) {
                add(Severity::Error, QStringLiteral("link-out-of-range"), screen, tile, d, exit->offset,
                    QStringLiteral("the exit through link %1 leads to screen %2, outside the level's screens "
                                   "0..%3")
                        .arg(k)
                        .arg(to)
                        .arg(last));
                continue;
            }
            joints.emplace(std::make_pair(screen, to), Joint{exit->offset, tile, d});
            if (!landing)
                continue;
            const SideLinks back = linksOf(to);
            if (blockedAllRound(to, *landing))
                add(Severity::Warning, QStringLiteral("landing-blocked"), screen, tile, d, exit->offset,
                    QStringLiteral("the exit lands on tile %1 of screen %2, which is blocked in all four "
                                   "directions")
                        .arg(*landing)
                        .arg(to));
            else if (std::find(back.begin() + 2, back.end(), screen) != back.end() &&
                     !exitBack(to, *landing, screen, tile))
                add(Severity::Warning, QStringLiteral("exit-no-way-back"), screen, tile, d, exit->offset,
                    QStringLiteral(
                        "the exit lands on tile %1 of screen %2, and no exit of that tile leads back "
                        "to tile %3 of screen %4")
                        .arg(*landing)
                        .arg(to)
                        .arg(tile)
                        .arg(screen));
        }
    }
    for (const auto& [pair, joint] : joints)
        if (pair.first != pair.second && !joints.count({pair.second, pair.first}))
            add(Severity::Warning, QStringLiteral("one-way-link"), pair.first, joint.tile, joint.direction,
                joint.offset,
                QStringLiteral(
                    "the exit leads to screen %1, but no exit of screen %1 leads back to screen %2")
                    .arg(pair.second)
                    .arg(pair.first));
    if (last < 0)
        return;
    std::vector<bool> reached(size_t(last) + 1, false);
    std::vector<qint64> queue{0};
    reached[0] = true;
    auto next = joints.begin();
    for (size_t i = 0; i < queue.size(); ++i) {
        next = joints.lower_bound({queue[i], std::numeric_limits<qint64>::min()});
        for (; next != joints.end() && next->first.first == queue[i]; ++next)
            if (!reached[size_t(next->first.second)]) {
                reached[size_t(next->first.second)] = true;
                queue.push_back(next->first.second);
            }
    }
    for (qint64 screen = 1; screen <= last; ++screen)
        if (!reached[size_t(screen)]) {
            const ScreenState* state = stateOf(screen);
            add(Severity::Warning, QStringLiteral("unreachable-screen"), screen, std::nullopt, std::nullopt,
                state ? state->firstOffset : NoOffset,
                QStringLiteral("no exit leads to screen %1 from screen 0").arg(screen));
        }
}

bool Checker::exitBack(qint64 from, Integer tile, qint64 to, int landing) const {
    const auto exit = m_exits.find(from * TilesPerScreen + tile);
    if (exit == m_exits.end())
        return false;
    const SideLinks links = linksOf(from);
    for (size_t d = 0; d < 4; ++d) {
        const Integer k = exit->second.directions[d];
        const std::optional<Integer> back = exit->second.landing[d];
        if (IsExit(k) && links[size_t(k)] == to && (!back || *back == landing))
            return true;
    }
    return false;
}

// The walk steps by tile numbers: a free step off the left or right border comes out on the other border,
// a row up or down. A tile without a record is taken as free all round, as every tile of a blank screen
// is, so that a screen without records has all 28 such steps.
void Checker::checkEdges(qint64 last) {
    // The messages depend on the tile alone: made once, and shared by every screen's problems.
    std::array<QString, EdgeSlots> messages;
    for (int slot = 0; slot < EdgeSlots; ++slot) {
        const int tile = edgeTile(slot);
        messages[size_t(slot)] =
            edgeSide(slot) == SideRight
                ? QStringLiteral("the step right from tile %1 is free, and the walk takes it to tile %2 at "
                                 "the start of the next row")
                      .arg(tile)
                      .arg(tile + 1)
                : QStringLiteral("the step left from tile %1 is free, and the walk takes it to tile %2 at "
                                 "the end of the row above")
                      .arg(tile)
                      .arg(tile - 1);
    }
    // Tile 1 to the left and tile 300 to the right step off the grid altogether.
    const auto offsetOf = [&](qint64 screen, int slot) {
        const qint64* edges = m_edges.find(screen);
        return edges ? edges[slot] : NoOffset;
    };
    size_t count = 0;
    for (qint64 screen = 0; screen <= last; ++screen)
        for (int slot = 1; slot < EdgeSlots - 1; ++slot)
            count += offsetOf(screen, slot) != EdgeShut;
    m_found.reserve(m_found.size() + count);
    AskForHugePages(m_found.data() + m_found.size(), count * sizeof(Found));
    const QString code = QStringLiteral("edge-wrap");
    for (qint64 screen = 0; screen <= last; ++screen)
        for (int slot = 1; slot < EdgeSlots - 1; ++slot)
            if (const qint64 offset = offsetOf(screen, slot); offset != EdgeShut)
                add(Severity::Warning, code, screen, edgeTile(slot), edgeSide(slot), offset,
                    messages[size_t(slot)]);
}

void Checker::checkPictures() {
    const QString first =
        m_settings.picturesFolders.isEmpty() ? QStringLiteral("Pics") : m_settings.picturesFolders.first();
    QStringList shownFolders;
    for (const QString& folder : m_settings.picturesFolders)
        shownFolders << QDir::toNativeSeparators(folder);
    for (auto it = m_pictures.cbegin(); it != m_pictures.cend(); ++it) {
        const PictureUse& use = it.value();
        if (use.numeric)
            continue;
        const QString uses = use.tiles == 1 ? QStringLiteral("1 tile uses it")
                                            : QStringLiteral("%1 tiles use it").arg(use.tiles);
        try {
            PictureFilePath(first, it.key());
        } catch (const Failure&) {
            add(Severity::Error, QStringLiteral("picture-outside-pics"), use.screen, use.tile, std::nullopt,
                use.offset,
                QStringLiteral("the picture reference \"%1\" reaches outside the Pics folder (%2)")
                    .arg(it.key(), uses));
            continue;
        }
        const bool found = std::any_of(
            m_settings.picturesFolders.begin(), m_settings.picturesFolders.end(),
            [&](const QString& folder) { return QFileInfo(PictureFilePath(folder, it.key())).isFile(); });
        if (!found)
            add(Severity::Warning, QStringLiteral("picture-missing"), use.screen, use.tile, std::nullopt,
                use.offset,
                QStringLiteral("the picture file \"%1\" is in no Pics folder (%2; looked in %3)")
                    .arg(it.key(), uses,
                         shownFolders.isEmpty() ? QStringLiteral("none")
                                                : shownFolders.join(QStringLiteral(", "))));
    }
}

// Tells `checker` the records of a level file, passing over the screens in `skip`.
class CheckVisitor : public LevelRecordVisitor {
public:
    CheckVisitor(Checker& checker, const std::function<bool(qint64)>& skip, bool keepProperties)
        : m_checker(checker), m_skip(skip), m_keepProperties(keepProperties) {}

    bool levelRecords = false;

    void block(Integer screen, QByteArrayView bytes, const CopyableBlock& scanned, qint64 begin,
               const BlockFieldEnds& fieldEnds) override {
        levelRecords = true;
        if (m_skip && m_skip(screen))
            return;
        ScreenState* state = m_checker.screenRecord(screen, begin);
        // What the records of a block give: its numbers are whole and in range, its pictures boxes
        // that exist or texts that name files, so that no conversion fails.
        ForEachBlockTile(bytes, fieldEnds, begin,
                         [&](Integer tile, const std::array<QByteArrayView, 12>& fields, qint64 offset) {
                             std::array<Integer, 4> directions;
                             for (size_t d = 0; d < 4; ++d)
                                 directions[d] = Integer(BlockFieldNumber(fields[4 + d]));
                             std::array<FieldValue, 4> operands;
                             if (std::any_of(directions.begin(), directions.end(), IsExit))
                                 for (size_t d = 0; d < 4; ++d)
                                     operands[d] = BlockFieldValue(fields[8 + d]);
                             m_checker.tile(*state, screen, tile, pictureOf(fields[3]), directions,
                                            operands.data(), offset);
                         });
        m_checker.screenInfo(*state);
        for (int k = 2; k <= 9; ++k)
            m_checker.sideLink(*state, k, scanned.links[k]);
    }

    void record(const Record& record, qint64 offset) override {
        if (!record[0].isText())
            return;
        const QString& key = record[0].textValue();
        if (key.constData() != m_lastKey.constData() && key != m_lastKey) {
            m_lastKey = key;
            m_lastScreen = ScreenOfKey(key);
            m_lastIsProperties = key == QLatin1String("LevelProp");
        }
        if (m_lastIsProperties) {
            levelRecords = true;
            if (!m_keepProperties)
                return;
            int field = 0;
            try {
                m_checker.properties(PropertiesOfRecord(record, &field), offset);
            } catch (const Failure& failure) {
                m_checker.propertiesFault(failure, field, record, offset);
            }
            return;
        }
        const std::optional<qint64> screen = m_lastScreen;
        if (!screen)
            return;
        levelRecords = true;
        if (m_skip && m_skip(*screen))
            return;
        ScreenState* state = m_checker.screenRecord(*screen, offset);
        if (!state)
            return;
        try {
            if (const std::optional<Integer> tile = TileOfRecord(record)) {
                const std::array<Integer, 4> directions = {record[4].toInteger(), record[5].toInteger(),
                                                           record[6].toInteger(), record[7].toInteger()};
                m_checker.tile(*state, *screen, *tile, record[3], directions, &record[8], offset);
                return;
            }
        } catch (const FieldFault& fault) {
            m_checker.tileFault(*screen, fault, record, offset);
            return;
        }
        const QString& second = record[1].textValue();
        if (second == QLatin1String("ScreenInfo"))
            m_checker.screenInfo(*state);
        else if (second.startsWith(QLatin1String("Side")) && second.size() == 5)
            m_checker.side(*state, *screen, second.at(4).digitValue(), record, offset);
    }

private:
    // A picture field of a block as it reads: tiles of a screen mostly name a picture that the tile before
    // named.
    const FieldValue& pictureOf(QByteArrayView field) {
        if (field != QByteArrayView(m_lastPicture.data(), qsizetype(m_lastPicture.size()))) {
            m_lastPicture.assign(field.data(), size_t(field.size())); // in the room it had
            m_lastPictureValue = BlockFieldValue(field);
        }
        return m_lastPictureValue;
    }

    Checker& m_checker;
    const std::function<bool(qint64)>& m_skip;
    const bool m_keepProperties;
    // The key of the record before, and what it is: records of one screen come together.
    QString m_lastKey;
    std::optional<qint64> m_lastScreen;
    bool m_lastIsProperties = false;
    std::string m_lastPicture;
    FieldValue m_lastPictureValue;
};

// Reads the records of a level file into `checker`, passing over the screens in `skip`, and into
// `walkTable`, for the walk. Failure 321 when the file holds no level record at all.
void readLevelFile(FileAccess& files, const QString& path, Checker& checker,
                   const std::function<bool(qint64)>& skip, bool keepProperties,
                   WalkTableBuilder& walkTable) {
    CheckVisitor checks(checker, skip, keepProperties);
    BothVisitors visitor(checks, walkTable);
    // A tile's operands count only where it has an exit; other records are read whole.
    const std::optional<UnreadRecord> unread =
        VisitLevelRecords(files.openRead(path).get(), visitor, 0xFF, [](const Record& record) {
            return !std::all_of(record.cbegin() + 4, record.cbegin() + 8, [](const FieldValue& direction) {
                return direction.isNumber() && (direction.numberValue() == 0 || direction.numberValue() == 1);
            });
        });
    if (!checks.levelRecords)
        throw Failure::notALevelFile(path);
    if (unread) { // else the file is no level file at all: told above
        checker.unreadable(unread->failure, unread->begin);
        walkTable.cut();
    }
}

// Sorts `items` by `less`, keeping the order of items that neither goes before, when they come as a few
// runs in order already: the problems found while reading, in file order, then those of each rule that
// runs at the end. Runs side by side are merged, pass by pass, moving the items in sequence.
template <typename T, typename Less> void MergeRuns(std::vector<T>& items, Less less) {
    std::vector<size_t> starts{0};
    for (size_t i = 1; i < items.size(); ++i)
        if (less(items[i], items[i - 1]))
            starts.push_back(i);
    starts.push_back(items.size());
    while (starts.size() > 2) {
        std::vector<size_t> merged;
        for (size_t k = 0; k + 1 < starts.size(); k += 2) {
            merged.push_back(starts[k]);
            if (k + 2 < starts.size())
                std::inplace_merge(items.begin() + qsizetype(starts[k]),
                                   items.begin() + qsizetype(starts[k + 1]),
                                   items.begin() + qsizetype(starts[k + 2]), less);
        }
        merged.push_back(items.size());
        starts = std::move(merged);
    }
}

// The problems in file order, with their lines; problems without a line last. Problems at one offset stay
// in the order they were found.
std::vector<LevelProblem> withLines(FileAccess& files, const QString& path, std::vector<Found> found) {
    const auto place = [](const Found& problem) {
        return problem.line < 0 ? std::numeric_limits<qint64>::max() : problem.line;
    };
    MergeRuns(found, [&](const Found& a, const Found& b) { return place(a) < place(b); });
    std::vector<qint64> offsets;
    offsets.reserve(found.size());
    for (const Found& problem : found) {
        if (problem.line < 0)
            break;
        offsets.push_back(problem.line);
    }
    std::vector<qint64> lines;
    if (!offsets.empty() && !path.isEmpty()) {
        try {
            lines = LinesOfOffsets(files.openRead(path).get(), offsets);
        } catch (const Failure&) {
            // the file went while it was checked: no lines
        }
    }
    lines.resize(offsets.size(), 0);
    for (size_t at = 0; at < found.size(); ++at)
        found[at].line = at < lines.size() ? lines[at] : 0;
    return found;
}

} // namespace

std::vector<LevelProblem> CheckLevelFile(FileAccess& files, const QString& path,
                                         const LevelCheckSettings& settings) {
    Checker checker(settings);
    WalkTableBuilder walkTable;
    readLevelFile(files, path, checker, {}, true, walkTable);
    return withLines(files, path, checker.finish(WalkOfLevelFile(files, path, walkTable.take()).get()));
}

std::vector<LevelProblem> CheckEditedLevel(const Module1& level, const LevelCheckSettings& settings) {
    std::vector<LevelProblem> problems;
    RunToEnd(*CheckEditedLevelTask(level, settings,
                                   [&](std::vector<LevelProblem> found) { problems = std::move(found); }));
    return problems;
}

// The screens with scratch files are known before the level file is read aside, which then reads nothing
// of the level's state.
std::unique_ptr<Task> CheckEditedLevelTask(const Module1& level, const LevelCheckSettings& settings,
                                           std::function<void(std::vector<LevelProblem>)> done) {
    auto checker = std::make_shared<Checker>(settings);
    checker->properties(level.Properties(), NoOffset);
    auto edited = std::make_shared<std::vector<Integer>>();
    for (int screen = 0; screen <= level.LevelLastScreen(); ++screen) // int: the last may be 32767
        if (level.ScreenIsEdited(Integer(screen)))
            edited->push_back(Integer(screen));
    const QString file = level.ScreensFile();
    // Lines are told in the level file; a copy of the level the editor wrote has none to tell.
    const QString lines = file == level.LevelFileName() ? file : QString();
    FileAccess* files = level.Files();
    auto task = std::make_unique<Task>();
    const auto walkTable = std::make_shared<WalkTableBuilder>();
    if (!file.isEmpty())
        task->thenAside([checker, edited, files, file, walkTable] {
            const auto isEdited = [&edited](qint64 screen) {
                return std::binary_search(edited->begin(), edited->end(), screen);
            };
            try {
                readLevelFile(*files, file, *checker, isEdited, false, *walkTable);
            } catch (const Failure& failure) {
                checker->unreadable(failure, NoOffset);
                walkTable->cut();
            }
        });
    task->then(int(edited->size()), [&level, checker, edited](int i) {
        const Integer screen = (*edited)[size_t(i)];
        checker->screenValue(screen, level.ReadScreen(screen));
    });
    const auto walk = std::make_shared<std::unique_ptr<Reachability>>();
    ThenWalkFromStart(
        *task, level.LevelLastScreen(), level.Properties().startTile,
        [&level, walkTable] { return HeldLevelSearch(level, walkTable->take()); }, walk);
    task->then(0, {}, [checker, files, lines, walk, done = std::move(done)] {
        done(withLines(*files, lines, checker->finish(walk->get())));
    });
    return task;
}

bool LeavesLevelUnsure(const LevelProblem& problem) {
    if (problem.code == NoLevelProperties)
        return true;
    // The codes of the failures of reading a record.
    return problem.isError() &&
           std::any_of(std::begin(ReadingFailures), std::end(ReadingFailures),
                       [&](int code) { return problem.code == problemCode(Failure(code)); });
}

} // namespace tavrin
