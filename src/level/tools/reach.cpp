#include "level/tools/reach.h"
#include "level/document/module1.h"
#include "level/tools/leveldiff.h"
#include "level/tools/levelrecords.h"

#include <algorithm>

namespace tavrin {

namespace {
// A tile's byte: bits 0..3 say its step in direction d moves on the same screen, bit 4 that it has an
// exit, bits 5..7 how the search reached it.
constexpr std::uint8_t HasExit = WalkHasExit;
constexpr int HowShift = 5;
constexpr std::uint8_t NotReached = 0;
constexpr std::uint8_t AtStart = 1;
constexpr std::uint8_t ByKey = 2; // + d: from the neighbouring tile with key d
constexpr std::uint8_t ByExit = 6;

constexpr std::uint32_t NoTarget = NoWalkTarget;
constexpr std::uint32_t OutsideBit = 0x80000000u;
constexpr int Offsets[4] = {-1, -GridColumns, +1, +GridColumns};

std::uint8_t howOf(std::uint8_t byte) {
    return byte >> HowShift;
}
} // namespace

void WalkScreen::take(const Screen& screen) {
    links = screen.links;
    for (int tile = FirstGridTile; tile <= LastGridTile; ++tile) {
        directions[size_t(tile)] = screen.tile(tile).directions;
        operands[size_t(tile)] = screen.tile(tile).operands;
    }
}

Reachability::Reachability(int lastScreen, WalkReader read, const TileState& blankTile)
    : m_last(std::max(lastScreen, -1)), m_read(std::move(read)), m_blank(blankTile) {}

Reachability::Reachability(int lastScreen, const ScreenReader& read, const TileState& blankTile)
    : Reachability(
          lastScreen, [read](int screen, WalkScreen& into) { into.take(read(screen)); }, blankTile) {}

Reachability::Reachability(int lastScreen, WalkTable table, WalkReader read, const TileState& blankTile)
    : Reachability(lastScreen, std::move(read), blankTile) {
    const size_t screens = size_t(m_last + 1);
    m_tiles = std::move(table.tiles);
    m_tableHas = std::move(table.has);
    m_tableHas.resize(std::min(m_tableHas.size(), screens));
    m_tableLinks = std::move(table.links);
    m_tableLinks.resize(m_tableHas.size());
    m_tableLinks.shrink_to_fit();
    for (auto& [slot, targets] : table.exits)
        if (slot / Slots < screens)
            m_tableExits.emplace(slot, outsideMarked(targets));
}

std::array<Reachability::Slot, 4> Reachability::outsideMarked(std::array<Slot, 4> targets) const {
    for (Slot& target : targets)
        if (target != NoTarget && target / Slots > Slot(m_last))
            target = OutsideBit | target / Slots;
    return targets;
}

bool Reachability::inLevel(WalkPlace place) const {
    return place.screen >= 0 && place.screen <= m_last && place.tile >= 0 && place.tile <= LastGridTile;
}

void Reachability::start(WalkPlace from) {
    if (!inLevel(from))
        throw Failure(ErrSubscript);
    if (m_tableHas.empty()) {
        m_tiles.assign(size_t(m_last + 1) * Slots);
    } else {
        for (size_t i = 0; i < size_t(m_last + 1) * Slots; ++i)
            m_tiles[i] &= (1 << HowShift) - 1;
    }
    m_entered.assign(size_t(m_last + 1), false);
    m_exits.clear();
    m_exitArrivals.clear();
    m_queue.assign(4096, 0);
    m_head = m_tail = 0;
    m_longestQueue = 0;
    m_outside.clear();
    m_count = 0;
    m_from = from;
    m_started = false;
    enter(from.screen);
    m_started = true;
    reach(slotOf(from), AtStart);
}

bool Reachability::enter(int screen) {
    if (m_entered[size_t(screen)])
        return false;
    const bool inTable = size_t(screen) < m_tableHas.size() && m_tableHas[size_t(screen)];
    if (!inTable)
        m_read(screen, m_screen);
    m_screen.directions[0] = m_blank.directions;
    m_screen.operands[0] = m_blank.operands;
    const SideLinks& links = inTable ? m_tableLinks[size_t(screen)] : m_screen.links;
    m_entered[size_t(screen)] = true;
    const Slot first = Slot(screen) * Slots;
    for (int tile = 0; tile <= (inTable ? 0 : LastGridTile); ++tile) {
        std::array<Slot, 4> targets;
        const std::uint8_t byte = WalkTileSteps(Integer(screen), tile, m_screen.directions[size_t(tile)],
                                                m_screen.operands[size_t(tile)], links, targets);
        if (byte & HasExit)
            m_exits.emplace(first + Slot(tile), outsideMarked(targets));
        m_tiles[first + Slot(tile)] = byte;
    }
    return true;
}

const std::array<Reachability::Slot, 4>& Reachability::exitsOf(Slot slot) const {
    const auto found = m_exits.find(slot);
    return found != m_exits.end() ? found->second : m_tableExits.at(slot);
}

void Reachability::reach(Slot slot, std::uint8_t how) {
    std::uint8_t& byte = m_tiles[slot];
    if (howOf(byte) != NotReached)
        return;
    byte = std::uint8_t(byte | how << HowShift);
    ++m_count;
    if (m_tail == m_queue.size())
        m_queue.resize(2 * m_queue.size());
    m_queue[m_tail++] = slot;
    m_longestQueue = std::max(m_longestQueue, m_tail - m_head);
}

bool Reachability::step(int budget) {
    if (!m_started)
        return true;
    while (budget > 0 && m_head < m_tail) {
        // The places gone on from give their room back once they are half the queue.
        if (m_head >= 4096 && 2 * m_head >= m_tail) {
            std::copy(m_queue.begin() + std::ptrdiff_t(m_head), m_queue.begin() + std::ptrdiff_t(m_tail),
                      m_queue.begin());
            m_tail -= m_head;
            m_head = 0;
        }
        if (m_queue.size() - m_tail < 4)
            m_queue.resize(2 * m_queue.size());
        const Slot slot = m_queue[m_head++];
        --budget;
        const std::uint8_t byte = m_tiles[slot];
        if (!(byte & HasExit)) {
            // The steps on the same screen alone, with no branch on what a step finds, which no processor
            // foresees: a direction with no step looks at the tile itself, reached already.
            Slot* const queued = m_queue.data() + m_tail;
            size_t added = 0;
#pragma GCC unroll 4
            for (int d = 0; d < 4; ++d) {
                const Slot moves = (byte >> d) & 1;
                const Slot to = slot + (Slot(Offsets[d]) & (0 - moves));
                const std::uint8_t next = m_tiles[to];
                const Slot first = moves & Slot(howOf(next) == NotReached);
                m_tiles[to] = std::uint8_t(next | ((0 - first) & Slot((ByKey + d) << HowShift)));
                queued[added] = to;
                added += first;
            }
            m_tail += added;
            m_count += qint64(added);
            m_longestQueue = std::max(m_longestQueue, m_tail - m_head);
            continue;
        }
        const std::array<Slot, 4>* const exits = &exitsOf(slot);
        for (int d = 0; d < 4; ++d) {
            if (byte & (1 << d)) { // reach() without its call, for the step most tiles are reached by
                std::uint8_t& next = m_tiles[Slot(std::int64_t(slot) + Offsets[d])];
                if (howOf(next) == NotReached) {
                    next = std::uint8_t(next | (ByKey + d) << HowShift);
                    ++m_count;
                    m_queue[m_tail++] = Slot(std::int64_t(slot) + Offsets[d]);
                }
                continue;
            }
            const Slot target = (*exits)[size_t(d)];
            if (target == NoTarget)
                continue;
            if (target & OutsideBit) {
                m_outside.insert(int(target & ~OutsideBit));
                continue;
            }
            if (enter(int(target / Slots)))
                budget -= LastGridTile;
            if (howOf(m_tiles[target]) == NotReached)
                m_exitArrivals.emplace(target, slot | Slot(d) << 28);
            reach(target, ByExit);
        }
        m_longestQueue = std::max(m_longestQueue, m_tail - m_head);
    }
    return m_head == m_tail;
}

void Reachability::run() {
    while (!step(1 << 20)) {
    }
}

bool Reachability::reached(WalkPlace place) const {
    return m_started && inLevel(place) && howOf(m_tiles[slotOf(place)]) != NotReached;
}

std::optional<std::pair<WalkPlace, int>> Reachability::predecessor(WalkPlace place) const {
    if (!reached(place))
        return std::nullopt;
    const Slot slot = slotOf(place);
    const std::uint8_t how = howOf(m_tiles[slot]);
    if (how == AtStart)
        return std::nullopt;
    if (how == ByExit) {
        const Slot from = m_exitArrivals.at(slot);
        return std::make_pair(placeOf(from & 0x0fffffffu), KeyLeft + int(from >> 28));
    }
    const int d = how - ByKey;
    return std::make_pair(placeOf(Slot(std::int64_t(slot) - Offsets[d])), KeyLeft + d);
}

std::optional<std::vector<RouteStep>> Reachability::route(WalkPlace place) const {
    if (!reached(place))
        return std::nullopt;
    std::vector<RouteStep> steps;
    for (auto before = predecessor(place); before; before = predecessor(before->first)) {
        steps.push_back({before->second, place});
        place = before->first;
    }
    std::reverse(steps.begin(), steps.end());
    return steps;
}

int Reachability::distance(WalkPlace place) const {
    if (!reached(place))
        return -1;
    int steps = 0;
    for (auto before = predecessor(place); before; before = predecessor(before->first))
        ++steps;
    return steps;
}

int Reachability::exitSides(WalkPlace place) const {
    if (!inLevel(place) || !entered(place.screen) || !(m_tiles[slotOf(place)] & HasExit))
        return 0;
    int sides = 0;
    const std::array<Slot, 4>& targets = exitsOf(slotOf(place));
    for (int d = 0; d < 4; ++d)
        sides |= targets[size_t(d)] != NoTarget ? 1 << d : 0;
    return sides;
}

bool Reachability::leadsNowhere(WalkPlace place) const {
    return inLevel(place) && entered(place.screen) && (m_tiles[slotOf(place)] & (HasExit | 0x0f)) == 0;
}

int Reachability::tilesReached(int screen) const {
    if (!m_started || screen < 0 || screen > m_last || !m_entered[size_t(screen)])
        return 0;
    const std::uint8_t* const first = m_tiles.data() + std::ptrdiff_t(screen) * Slots;
    return int(
        std::count_if(first, first + Slots, [](std::uint8_t byte) { return howOf(byte) != NotReached; }));
}

size_t Reachability::memoryBytes() const {
    // A node of an unordered_map holds its key, its value, the pointer to the next and a bucket pointer.
    const size_t exitNode = sizeof(Slot) + sizeof(std::array<Slot, 4>) + 2 * sizeof(void*);
    const size_t arrivalNode = 2 * sizeof(Slot) + 2 * sizeof(void*);
    return size_t(m_last + 1) * Slots + m_entered.capacity() / 8 +
           (m_exits.size() + m_tableExits.size()) * exitNode + m_exitArrivals.size() * arrivalNode +
           m_longestQueue * sizeof(Slot);
}

LevelFileWalk::LevelFileWalk(FileAccess& files, const QString& path)
    : m_source(std::make_unique<LevelSource>(files, path)), m_fieldEnds(std::make_unique<BlockFieldEnds>()) {}

LevelFileWalk::~LevelFileWalk() = default;

const PropertyValues& LevelFileWalk::properties() const {
    return m_source->properties();
}

void LevelFileWalk::read(int screen, WalkScreen& into) {
    if (!readBlock(screen, into))
        into.take(m_source->screen(screen, m_source->block(screen)));
}

bool LevelFileWalk::readBlock(int screen, WalkScreen& into) {
    const QByteArray bytes = m_source->block(screen);
    CopyableBlock block;
    if (bytes.isEmpty() ||
        ScanCopyableBlockAt(bytes, Integer(screen), &block, m_fieldEnds.get()) != bytes.size())
        return false;
    std::copy(std::begin(block.links), std::end(block.links), into.links.begin());
    ForEachBlockTile(bytes, *m_fieldEnds, 0,
                     [&](Integer tile, const std::array<QByteArrayView, 12>& fields, qint64) {
                         for (size_t d = 0; d < 4; ++d) {
                             const Integer property = Integer(BlockFieldNumber(fields[4 + d]));
                             into.directions[size_t(tile)][d] = property;
                             if (IsExit(property))
                                 into.operands[size_t(tile)][d] = BlockFieldValue(fields[8 + d]);
                         }
                     });
    return true;
}

std::unique_ptr<Reachability> TableReachability(WalkTable table, PropertyValues* properties,
                                                const TileState& blankTile) {
    *properties = table.properties;
    // A screen of no block has no records at all.
    return std::make_unique<Reachability>(
        properties->lastScreen, std::move(table),
        [](int screen, WalkScreen& into) { into.take(Screen::decode(QByteArray(), Integer(screen))); },
        blankTile);
}

std::unique_ptr<Reachability> FileReachability(FileAccess& files, const QString& path,
                                               PropertyValues* properties, const TileState& blankTile) {
    if (std::optional<WalkTable> table = ReadWalkTable(files, path))
        return TableReachability(std::move(*table), properties, blankTile);
    const auto file = std::make_shared<LevelFileWalk>(files, path);
    *properties = file->properties();
    return std::make_unique<Reachability>(
        properties->lastScreen, [file](int screen, WalkScreen& into) { file->read(screen, into); },
        blankTile);
}

Reachability::WalkReader HeldLevelWalk(const Module1& level, std::shared_ptr<LevelFileWalk> file) {
    return [&level, file](int screen, WalkScreen& into) {
        if (!file || screen == level.CurrentScreen() || level.ScreenIsEdited(Integer(screen)) ||
            !file->readBlock(screen, into))
            into.take(level.ReadScreen(Integer(screen)));
    };
}

std::unique_ptr<Reachability> HeldLevelSearch(const Module1& level, std::optional<WalkTable> table,
                                              bool readTable) {
    const TileState blank = level.TileOnDisplay(0);
    if (!level.ScreensFile().isEmpty()) {
        if (!table && readTable)
            table = ReadWalkTable(*level.Files(), level.ScreensFile());
        if (table) {
            // The screen on display and those with scratch files are read as values.
            for (size_t screen = 0; screen < table->has.size(); ++screen)
                if (table->has[screen] &&
                    (Integer(screen) == level.CurrentScreen() || level.ScreenIsEdited(Integer(screen))))
                    table->has[screen] = 0;
            return std::make_unique<Reachability>(level.LevelLastScreen(), std::move(*table),
                                                  HeldLevelWalk(level, nullptr), blank);
        }
    }
    return std::make_unique<Reachability>(level.LevelLastScreen(), HeldLevelWalk(level, HeldLevelFile(level)),
                                          blank);
}

std::shared_ptr<LevelFileWalk> HeldLevelFile(const Module1& level) {
    if (level.ScreensFile().isEmpty())
        return nullptr;
    try {
        return std::make_shared<LevelFileWalk>(*level.Files(), level.ScreensFile());
    } catch (const Failure&) {
        return nullptr;
    }
}

QString KeyName(int key) {
    static const char* const names[] = {"left", "up", "right", "down"};
    const int d = WalkDirection(key);
    return d < 0 ? QString() : QLatin1String(names[d]);
}

} // namespace tavrin
