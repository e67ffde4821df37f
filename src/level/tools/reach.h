#pragma once

#include "level/document/screen.h"
#include "level/document/walker.h"
#include "level/format/screenblock.h"
#include "level/storage/fileaccess.h"
#include "level/tools/walktable.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

namespace tavrin {

class LevelSource;
class Module1;

// A place the walk marker can stand on: a screen and a tile of it. Tile 0 is the box below the grid, which
// the walk steps onto from tile 1 going left when that step is free, and off again to tiles 1 and 20.
struct WalkPlace {
    int screen = 0;
    int tile = 1;
    bool operator==(const WalkPlace& other) const { return screen == other.screen && tile == other.tile; }
    bool operator!=(const WalkPlace& other) const { return !(*this == other); }
};

// One key press of a route: the arrow key (KeyLeft..KeyDown) and the place it takes the marker to.
struct RouteStep {
    int key = 0;
    WalkPlace to;
};

// What the walk reads of a screen: its side links, and each tile's four direction properties and the
// operands of those that are exits (the other operands may hold anything).
struct WalkScreen {
    SideLinks links = {};
    std::array<std::array<Integer, 4>, LastGridTile + 1> directions = {}; // tiles 1..300
    std::array<std::array<FieldValue, 4>, LastGridTile + 1> operands;
    // The walk's part of `screen`.
    void take(const Screen& screen);
};

// Where the walk can take the marker from one place, by the steps NextWalkStep takes (WalkStepFrom): a
// breadth-first search over every tile of every screen it comes to, giving each tile reached its distance
// in key presses and the place and key it was first reached from.
//
// Each screen is read once, as a value, when the search first comes into it (or its steps are taken from a
// WalkTable made before), and kept as one byte a tile: which of its four steps move on the same screen,
// whether it has exits, and how the search reached it (not yet, the start, a key from the neighbouring
// tile, an exit). The exits themselves, and the tiles first reached through one, are kept apart; their
// memory follows the number of exits. Distances and routes are worked out by going back from a tile to the
// start.
//
// An exit through a link below 0 is refused as the walk refuses it. An exit to a screen past the last one
// leads out of the level: the search goes no further there, and names the screen in exitsOutside().
//
// The search runs whole (run()) or in pieces (step()), so that a window can run it between repaints.
class Reachability {
public:
    // Screen `screen` (0..lastScreen) as a value; may throw a Failure, which the search lets through.
    using ScreenReader = std::function<Screen(int screen)>;
    // The walk's part of screen `screen` into `into`; may throw as well.
    using WalkReader = std::function<void(int screen, WalkScreen& into)>;

    // The screens 0..`lastScreen` read through `read`; `blankTile` is Tile(0), whose directions and
    // operands the walk follows on tile 0 of every screen.
    Reachability(int lastScreen, WalkReader read, const TileState& blankTile = TileState());
    Reachability(int lastScreen, const ScreenReader& read, const TileState& blankTile = TileState());
    // The screens in `table` taken from it as they stand, the others read through `read`.
    Reachability(int lastScreen, WalkTable table, WalkReader read, const TileState& blankTile = TileState());

    int lastScreen() const { return m_last; }
    // A place of the level: screens 0..lastScreen(), tiles 0..300.
    bool inLevel(WalkPlace place) const;

    // Starts a new search from `from`; failure 9 for a place that is not in the level.
    void start(WalkPlace from);
    // Goes on with the search for about `budget` tiles (a screen read counts as 300); true once it is done.
    // A screen that cannot be read throws its failure from here (or from start()) and leaves the search
    // unfinished: start it again.
    bool step(int budget);
    // The whole search at once.
    void run();
    bool done() const { return m_started && m_head == m_tail; }

    WalkPlace from() const { return m_from; }
    bool reached(WalkPlace place) const;
    // Key presses from the start to `place`; -1 when it was not reached (yet).
    int distance(WalkPlace place) const;
    // The place `place` was first reached from and the key that took the marker on; none for the start
    // and for a place not reached.
    std::optional<std::pair<WalkPlace, int>> predecessor(WalkPlace place) const;
    // A shortest route from the start to `place`, its key presses in order; none when it was not reached
    // (and empty when it is the start).
    std::optional<std::vector<RouteStep>> route(WalkPlace place) const;

    // Whether the search came into `screen` (read it).
    bool entered(int screen) const {
        return m_started && screen >= 0 && screen <= m_last && m_entered[size_t(screen)];
    }
    // The directions (bit d for direction d) in which `place`, on a screen the search came into, has an exit
    // the walk takes.
    int exitSides(WalkPlace place) const;
    // Whether no step from `place`, on a screen the search came into, takes the marker anywhere: a tile
    // blocked all round, a wall or a tree, which no one is meant to stand on.
    bool leadsNowhere(WalkPlace place) const;
    // Tiles reached on `screen`, tile 0 included; all of them.
    int tilesReached(int screen) const;
    qint64 tilesReached() const { return m_count; }
    // Screens past the last one that exits of tiles reached lead to.
    const std::set<int>& exitsOutside() const { return m_outside; }
    // What the search keeps, in bytes, besides the screen being read: the byte a tile, the exits and the
    // queue at its longest.
    size_t memoryBytes() const;

private:
    static constexpr int Slots = WalkSlots;
    using Slot = std::uint32_t;
    Slot slotOf(WalkPlace place) const { return Slot(place.screen) * Slots + Slot(place.tile); }
    static WalkPlace placeOf(Slot slot) { return {int(slot / Slots), int(slot % Slots)}; }
    // Reads screen `screen` into its bytes, unless it was read before; true when it was read now.
    bool enter(int screen);
    void reach(Slot slot, std::uint8_t how);
    const std::array<Slot, 4>& exitsOf(Slot slot) const;
    // `targets` with those past the last screen as OutsideBit | the screen.
    std::array<Slot, 4> outsideMarked(std::array<Slot, 4> targets) const;

    int m_last;
    WalkReader m_read;
    WalkScreen m_screen; // the screen being read
    TileState m_blank;
    ZeroBytes m_tiles;           // a byte a tile of every screen, Slots a screen
    std::vector<bool> m_entered; // by screen
    // The targets of the exits of a tile, by direction: a slot, or OutsideBit | the screen, or NoTarget.
    std::unordered_map<Slot, std::array<Slot, 4>> m_exits;
    // The screens of a table, whose tiles' bytes m_tiles holds from the start, their links and exits.
    std::vector<std::uint8_t> m_tableHas;
    std::vector<SideLinks> m_tableLinks;
    std::unordered_map<Slot, std::array<Slot, 4>> m_tableExits;
    std::unordered_map<Slot, Slot> m_exitArrivals; // a tile first reached through an exit: from | d << 28
    // The places reached and not yet gone on from: those from m_head to m_tail; the room past m_tail is
    // written before it is counted.
    std::vector<Slot> m_queue;
    size_t m_head = 0;
    size_t m_tail = 0;
    size_t m_longestQueue = 0;
    std::set<int> m_outside;
    WalkPlace m_from;
    bool m_started = false;
    qint64 m_count = 0;
};

// The walk's part of each screen of a level file, read through its index. A screen whose block is just as
// the editor writes it is read from its bytes: its direction properties, and the operands of the exits
// alone, without reading its records; any other screen as the value that LevelSource gives.
class LevelFileWalk {
public:
    // Fails as LevelSource does.
    LevelFileWalk(FileAccess& files, const QString& path);
    ~LevelFileWalk();
    const PropertyValues& properties() const;
    void read(int screen, WalkScreen& into);
    // The same from the bytes alone: false, with nothing read, when the screen's records are not one block
    // as the editor writes it.
    bool readBlock(int screen, WalkScreen& into);

private:
    std::unique_ptr<LevelSource> m_source;
    std::unique_ptr<BlockFieldEnds> m_fieldEnds;
};

// A search (not started) over the level file `path`, whose properties go to `properties`: its screens
// taken from its WalkTable when it has one, else read through a LevelFileWalk. Fails as LevelSource does.
std::unique_ptr<Reachability> FileReachability(FileAccess& files, const QString& path,
                                               PropertyValues* properties,
                                               const TileState& blankTile = TileState());

// The same over the table of a level file, whose properties go to `properties`.
std::unique_ptr<Reachability> TableReachability(WalkTable table, PropertyValues* properties,
                                                const TileState& blankTile = TileState());

// The walk's part of each screen of the level that `level` holds, as ReadScreen gives it: the screen on
// display and the screens with scratch files as values, the others from the bytes of the level file
// through `file` (made for that file; none for a level without one) when they are blocks as the editor
// writes them. Every other screen is read as a value too.
Reachability::WalkReader HeldLevelWalk(const Module1& level, std::shared_ptr<LevelFileWalk> file);
// A search (not started) over the level that `level` holds, its screens as HeldLevelWalk reads them, but
// those of a level file that ReadWalkTable takes read in its one pass (with `readTable`), or taken from
// `table` when the file was read into one already.
std::unique_ptr<Reachability>
HeldLevelSearch(const Module1& level, std::optional<WalkTable> table = std::nullopt, bool readTable = true);
// The level file of `level` read for the walk; none for a level without one, or whose file cannot be read
// as a level now (then every screen is read as a value).
std::shared_ptr<LevelFileWalk> HeldLevelFile(const Module1& level);

// An arrow key by name: "left", "up", "right", "down".
QString KeyName(int key);

} // namespace tavrin
