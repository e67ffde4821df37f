#include "level/tools/walktable.h"

#include "level/document/module1_fields.h"
#include "level/document/walker.h"
#include "level/format/levelkeys.h"
#include "level/format/record.h"
#include "level/format/screenblock.h"

#include <QFileInfo>
#include <atomic>
#include <new>
#include <thread>

namespace tavrin {

void ZeroBytes::assign(size_t size) {
    m_data.reset(static_cast<std::uint8_t*>(std::calloc(std::max<size_t>(size, 1), 1)));
    if (!m_data)
        throw std::bad_alloc();
    m_size = size;
}

namespace {
// A direction that is neither blocked (1) nor an exit steps as a free one (0) does, whatever its operand
// and the links: the steps of each tile's free directions are worked out once.
const std::array<std::uint8_t, WalkSlots>& FreeSteps() {
    static const std::array<std::uint8_t, WalkSlots> steps = [] {
        std::array<std::uint8_t, WalkSlots> made = {};
        for (int from = 0; from < WalkSlots; ++from)
            for (int d = 0; d < 4; ++d)
                if (WalkStepFrom(0, Integer(from), d, 0, FieldValue(), SideLinks()).kind == WalkStep::Move)
                    made[size_t(from)] |= std::uint8_t(1 << d);
        return made;
    }();
    return steps;
}
} // namespace

std::uint8_t WalkTileSteps(Integer screen, int tile, const std::array<Integer, 4>& directions,
                           const std::array<FieldValue, 4>& operands, const SideLinks& links,
                           WalkTargets& targets) {
    std::uint8_t byte = FreeSteps()[size_t(tile)];
    for (int d = 0; d < 4; ++d) {
        const Integer property = directions[size_t(d)];
        if (property == 1) {
            byte &= std::uint8_t(~(1 << d));
        } else if (IsExit(property)) {
            byte &= std::uint8_t(~(1 << d));
            const WalkStep step =
                WalkStepFrom(screen, Integer(tile), d, property, operands[size_t(d)], links);
            if (step.kind == WalkStep::Move)
                byte |= std::uint8_t(1 << d);
            else if (step.kind == WalkStep::Exit) {
                if (!(byte & WalkHasExit))
                    targets.fill(NoWalkTarget);
                byte |= WalkHasExit;
                targets[size_t(d)] = std::uint32_t(step.screen) * WalkSlots + std::uint32_t(step.tile);
            }
        }
    }
    return byte;
}

void AddBlockSteps(WalkTable& table, Integer screen, QByteArrayView bytes, const CopyableBlock& block,
                   const BlockFieldEnds& ends, const BlockDirections* found,
                   std::vector<std::pair<std::uint32_t, WalkTargets>>& exits) {
    SideLinks& links = table.links[size_t(screen)];
    std::copy(std::begin(block.links), std::end(block.links), links.begin());
    const std::uint32_t first = std::uint32_t(screen) * WalkSlots;
    std::array<Integer, 4> directions;
    std::array<FieldValue, 4> operands;
    WalkTargets targets;
    // Each field begins after the comma that ends the one before.
    const auto field = [&](const quint32* fieldEnds, size_t i) {
        return bytes.sliced(fieldEnds[i - 1] + 1, fieldEnds[i] - fieldEnds[i - 1] - 1);
    };
    const std::array<std::uint8_t, WalkSlots>& freeSteps = FreeSteps();
    for (int tile = 1; tile <= LastGridTile; ++tile) {
        const quint32* const fieldEnds = ends.data() + (tile - 1) * 12;
        bool exit = false;
        std::uint8_t blocked = 0;
        for (size_t d = 0; d < 4; ++d) {
            directions[d] = found ? (*found)[size_t(tile - 1) * 4 + d]
                                  : Integer(BlockFieldNumber(field(fieldEnds, 4 + d)));
            exit = exit || IsExit(directions[d]);
            blocked = std::uint8_t(blocked | (directions[d] == 1) << d);
        }
        if (!exit) { // as WalkTileSteps takes such a tile
            table.tiles[first + std::uint32_t(tile)] = std::uint8_t(freeSteps[size_t(tile)] & ~blocked);
            continue;
        }
        for (size_t d = 0; d < 4; ++d)
            if (IsExit(directions[d])) // the operands of the exits alone, which WalkTileSteps reads
                operands[d] = BlockFieldValue(field(fieldEnds, 8 + d));
        const std::uint8_t byte = WalkTileSteps(screen, tile, directions, operands, links, targets);
        table.tiles[first + std::uint32_t(tile)] = byte;
        if (byte & WalkHasExit)
            exits.emplace_back(first + std::uint32_t(tile), targets);
    }
}

WalkTable::WalkTable() {
    tiles.assign(size_t(Screens) * WalkSlots);
    has.resize(Screens);
    links.resize(Screens);
}

WalkTable WalkTable::copy() const {
    WalkTable other;
    size_t screens = has.size();
    while (screens > 0 && !has[screens - 1])
        --screens;
    std::copy_n(tiles.data(), screens * WalkSlots, other.tiles.data()); // the pages past them stay unused
    other.has = has;
    other.links = links;
    other.exits = exits;
    other.properties = properties;
    return other;
}

void WalkTableBuilder::block(Integer screen, QByteArrayView bytes, const CopyableBlock& scanned, qint64,
                             const BlockFieldEnds& fieldEnds) {
    if (m_table.has[size_t(screen)])
        m_whole = false; // a screen of two blocks
    m_table.has[size_t(screen)] = 1;
    AddBlockSteps(m_table, screen, bytes, scanned, fieldEnds, nullptr, m_table.exits);
}

namespace {
// A record that is no block: the level properties go to `properties`. False for a screen's record and for
// level properties that do not convert.
bool TakeOtherRecord(const Record& record, PropertyValues& properties) {
    if (!record[0].isText())
        return true;
    const QString& key = record[0].textValue();
    if (key != levelfields::LevelPropKey)
        return !key.startsWith(QLatin1String("Screen")) && !IsLevelKey(key);
    try {
        int field = 0;
        properties = PropertiesOfRecord(record, &field);
        return true;
    } catch (const Failure&) {
        return false;
    }
}
} // namespace

void WalkTableBuilder::record(const Record& record, qint64) {
    m_whole = TakeOtherRecord(record, m_table.properties) && m_whole;
}

std::optional<WalkTable> WalkTableBuilder::take() {
    if (!m_whole)
        return std::nullopt;
    return std::move(m_table);
}

namespace {

// A block is seldom longer than 20 KB; one with longer texts is looked at again with more bytes, up to
// this many.
constexpr qint64 LongestBlock = 1024 * 1024;

// The blocks one thread reads, one after another from `from` on: it stops at the first bytes that are no
// block, at `stopAt`, or at a block of a screen that the other thread (or this one) has taken already.
struct Part {
    qint64 end = 0;
    bool clash = false;
    std::vector<std::pair<std::uint32_t, WalkTargets>> exits;
};

void ReadBlocks(ReadAhead& file, qint64 from, qint64 stopAt, WalkTable& table,
                std::atomic<std::uint8_t>* taken, const std::atomic<bool>& giveUp, Part& part) {
    BlockFieldEnds ends;
    BlockDirections found;
    qint64 at = from;
    while (at != stopAt && !giveUp.load(std::memory_order_relaxed)) {
        QByteArrayView bytes = file.bytes(at, at + 64 * 1024);
        const int screen = ScreenOfBlockStart(bytes.first(std::min<qsizetype>(bytes.size(), 16)));
        if (screen < 0)
            break;
        CopyableBlock block;
        qsizetype length = ScanCopyableBlockAt(bytes, Integer(screen), &block, &ends, &found);
        for (qint64 want = 128 * 1024; length < 0 && bytes.size() == want / 2 && want <= LongestBlock;
             want *= 2) {
            bytes = file.bytes(at, at + want);
            length = ScanCopyableBlockAt(bytes, Integer(screen), &block, &ends, &found);
        }
        if (length < 0)
            break;
        if (taken[screen].exchange(1)) {
            part.clash = true;
            break;
        }
        AddBlockSteps(table, Integer(screen), bytes, block, ends, &found, part.exits);
        at += length;
    }
    part.end = at;
}

// Where the second thread starts: the first block start after a line end from the middle of the file on,
// or -1.
qint64 SecondStart(ReadAhead& file, qint64 size, qint64 splitFrom) {
    if (size < splitFrom)
        return -1;
    const qint64 middle = size / 2;
    const QByteArrayView bytes = file.bytes(middle, middle + 256 * 1024);
    for (qsizetype i = 0; i + 2 < bytes.size(); ++i)
        if (bytes[i] == '\r' && bytes[i + 1] == '\n' &&
            ScreenOfBlockStart(bytes.sliced(i + 2).first(std::min<qsizetype>(16, bytes.size() - i - 2))) >= 0)
            return middle + i + 2;
    return -1;
}

// The records from `from` to the end: none may belong to a screen. False for one that does, one that
// cannot be read, and level properties that do not convert.
bool ReadRest(FileAccess& files, const QString& path, qint64 from, PropertyValues& properties,
              bool& levelRecords) {
    const std::unique_ptr<QIODevice> device = files.openRead(path);
    if (!device->seek(from))
        return false;
    RecordReader reader(device.get(), from == 0, from);
    try {
        while (!reader.atEnd()) {
            const Record record = reader.read();
            if (!TakeOtherRecord(record, properties))
                return false;
            levelRecords =
                levelRecords || (record[0].isText() && record[0].textValue() == levelfields::LevelPropKey);
        }
    } catch (const Failure&) {
        return false;
    }
    return true;
}

} // namespace

std::optional<WalkTable> ReadWalkTable(FileAccess& files, const QString& path, qint64 splitFrom) {
    try {
        WalkTable table;
        const auto taken = std::make_unique<std::atomic<std::uint8_t>[]>(WalkTable::Screens);
        std::atomic<bool> giveUp{false};
        ReadAhead first(files.openRead(path));
        const qint64 split = SecondStart(first, QFileInfo(path).size(), splitFrom);
        Part parts[2];
        std::thread second;
        std::unique_ptr<ReadAhead> secondFile;
        if (split > 0) {
            secondFile = std::make_unique<ReadAhead>(files.openRead(path));
            second = std::thread([&] {
                try {
                    ReadBlocks(*secondFile, split, -1, table, taken.get(), giveUp, parts[1]);
                } catch (...) {
                    parts[1].clash = true; // memory ran out: the index reads the file instead
                }
            });
        }
        try {
            ReadBlocks(first, 0, split, table, taken.get(), giveUp, parts[0]);
        } catch (...) {
            giveUp = true;
            if (second.joinable())
                second.join();
            throw;
        }
        // Stopped short of the second part, the first leaves the second's blocks to the records after it.
        if (split > 0 && parts[0].end != split)
            giveUp = true;
        if (second.joinable())
            second.join();
        if (giveUp || parts[0].clash || parts[1].clash)
            return std::nullopt;
        bool levelRecords = false;
        for (int screen = 0; screen < WalkTable::Screens && !levelRecords; ++screen)
            levelRecords = taken[size_t(screen)].load() != 0;
        if (!ReadRest(files, path, split > 0 ? parts[1].end : parts[0].end, table.properties, levelRecords) ||
            !levelRecords)
            return std::nullopt;
        for (int screen = 0; screen < WalkTable::Screens; ++screen)
            table.has[size_t(screen)] = taken[size_t(screen)].load();
        table.exits = std::move(parts[0].exits);
        table.exits.insert(table.exits.end(), parts[1].exits.begin(), parts[1].exits.end());
        return table;
    } catch (const Failure&) {
        return std::nullopt;
    }
}

} // namespace tavrin
