#pragma once

#include "level/document/module1.h"
#include "level/document/screen.h"
#include "level/format/screenblock.h"
#include "level/storage/fileaccess.h"
#include "level/tools/levelrecords.h"

#include <QString>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace tavrin {

// Bytes that start as zeros. Many of them take memory only where they are written: the system hands out
// a large block of zeros a page at a time, as it is first written.
class ZeroBytes {
public:
    // `size` zeros; what was held before goes.
    void assign(size_t size);
    std::uint8_t& operator[](size_t i) { return m_data.get()[i]; }
    std::uint8_t operator[](size_t i) const { return m_data.get()[i]; }
    std::uint8_t* data() { return m_data.get(); }
    const std::uint8_t* data() const { return m_data.get(); }
    size_t size() const { return m_size; }

private:
    struct Free {
        void operator()(std::uint8_t* bytes) const { std::free(bytes); }
    };
    std::unique_ptr<std::uint8_t[], Free> m_data;
    size_t m_size = 0;
};

// How the walk's steps from one tile are kept: a byte, whose bits 0..3 say its step in direction d moves on
// the same screen and bit 4 that some step is an exit; the exits' targets, by direction, each the place
// screen * WalkSlots + tile or NoWalkTarget.
constexpr int WalkSlots = LastGridTile + 1; // tiles 0..300 of a screen
constexpr std::uint8_t WalkHasExit = 1 << 4;
constexpr std::uint32_t NoWalkTarget = 0xffffffffu;
using WalkTargets = std::array<std::uint32_t, 4>;

// The steps WalkStepFrom takes from tile `tile` of screen `screen`, whose directions are `directions`, the
// operands of its exits `operands` and the screen's links `links`; `targets` are set when it has exits.
std::uint8_t WalkTileSteps(Integer screen, int tile, const std::array<Integer, 4>& directions,
                           const std::array<FieldValue, 4>& operands, const SideLinks& links,
                           WalkTargets& targets);

// The walk's part of a level file whose screens are all blocks as the editor writes them, read in one
// pass: the steps of every tile of every screen, the screens' links, and the level properties.
struct WalkTable {
    static constexpr int Screens = 32768;
    WalkTable(); // no screen in it
    // The table is large: copies are made on purpose.
    WalkTable copy() const;
    ZeroBytes tiles;               // WalkSlots a screen for screens 0..32767; tile 0 is left to the search
    std::vector<std::uint8_t> has; // by screen: 1 when its block is in the table
    std::vector<SideLinks> links;  // by screen
    std::vector<std::pair<std::uint32_t, WalkTargets>> exits; // of the tiles with one
    PropertyValues properties;
};

// The steps of the tiles of screen `screen`'s block as the editor writes it, which `bytes` hold, scanned
// (ScanCopyableBlockAt) into `block`, `ends` and, when given, `found`, into `table`: its exits to `exits`.
void AddBlockSteps(WalkTable& table, Integer screen, QByteArrayView bytes, const CopyableBlock& block,
                   const BlockFieldEnds& ends, const BlockDirections* found,
                   std::vector<std::pair<std::uint32_t, WalkTargets>>& exits);

// A WalkTable made from the records of a level file as VisitLevelRecords tells them.
class WalkTableBuilder : public LevelRecordVisitor {
public:
    void block(Integer screen, QByteArrayView bytes, const CopyableBlock& scanned, qint64 begin,
               const BlockFieldEnds& fieldEnds) override;
    void record(const Record& record, qint64 begin) override;
    // The records stop short of the end of the file.
    void cut() { m_whole = false; }
    // The table, when the records went to the end of the file, every screen's records were one block as
    // the editor writes it (or none), and the level properties converted; none otherwise.
    std::optional<WalkTable> take();

private:
    WalkTable m_table;
    bool m_whole = true;
};

// The table of level file `path`, when it is a run of blocks as the editor writes them from its first
// byte on, each screen's block once, followed by records of no screen (the level properties, records of
// other keys) that read without a failure. Both halves of a file of `splitFrom` bytes or more are read at
// once, each by a thread. None for any other file, and for a file that cannot be read: its screens are then
// to be read through its index, which tells the failure.
std::optional<WalkTable> ReadWalkTable(FileAccess& files, const QString& path,
                                       qint64 splitFrom = 4 * 1024 * 1024);

} // namespace tavrin
