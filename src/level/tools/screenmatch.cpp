#include "level/tools/screenmatch.h"

#include "level/core/messages.h"
#include "level/format/screenblock.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

namespace tavrin {

namespace {

// The most screens of the base that one screen's tiles are matched with, and the most renumberings weighed
// by their side links, before the match is taken as one that cannot be told.
constexpr size_t MostMatches = 8;
constexpr size_t MostWeighed = 16;

using TilesHash = std::pair<size_t, size_t>;

struct TilesHashOf {
    size_t operator()(const TilesHash& hash) const { return hash.first ^ (hash.second << 1); }
};

// What the match needs of a screen: its tiles hashed, whatever its number, and its side links.
struct ScreenPrint {
    TilesHash tiles;
    SideLinks links = {};
};

// The tile records of a block as the editor writes them, each without its key, so that the same tiles
// give the same bytes under any number.
QByteArray TileRecords(QByteArrayView tiles, int number) {
    const qsizetype key = QByteArray("\"Screen" + QByteArray::number(number) + "\",").size();
    QByteArray records;
    records.reserve(tiles.size());
    for (qsizetype p = 0; p < tiles.size();) {
        qsizetype end = tiles.indexOf('\n', p);
        end = end < 0 ? tiles.size() : end + 1;
        records += tiles.sliced(std::min(p + key, end), end - std::min(p + key, end));
        p = end;
    }
    return records;
}

ScreenPrint PrintOf(LevelSource& source, int n) {
    const QByteArray block = source.block(n);
    ScreenPrint print;
    CopyableBlock copyable;
    QByteArray records;
    if (ScanCopyableBlock(block, Integer(n), &copyable)) {
        records = TileRecords(QByteArrayView(block).first(copyable.tileBytes), n);
        std::copy(std::begin(copyable.links), std::end(copyable.links), print.links.begin());
    } else {
        Screen screen = source.screen(n, block);
        print.links = screen.links;
        const QByteArray encoded = screen.encode(0);
        records =
            TileRecords(QByteArrayView(encoded).first(encoded.indexOf("\"Screen0\",\"ScreenInfo\"")), 0);
    }
    print.tiles = {qHash(records, 0x5eed), qHash(records, 0x7a1e)};
    return print;
}

// Puts a renumbering in one form for each way of moving the screens: a move by one is a swap.
ScreenRenumbering Canonical(ScreenRenumbering r) {
    if (r.kind == ScreenRenumbering::Move && std::abs(r.from - r.to) == 1)
        r.kind = ScreenRenumbering::Swap;
    if (r.kind == ScreenRenumbering::Swap && r.from > r.to)
        std::swap(r.from, r.to);
    return r;
}

bool Same(const ScreenRenumbering& a, const ScreenRenumbering& b) {
    return a.kind == b.kind && a.from == b.from && a.to == b.to && a.last == b.last;
}

class Matcher {
public:
    Matcher(LevelSource& base, LevelSource& side)
        : m_base(base), m_side(side), m_bases(size_t(base.lastScreen() + 1)),
          m_sides(size_t(side.lastScreen() + 1)) {}

    FoundRenumbering find() {
        const int nb = m_base.lastScreen();
        const int ns = m_side.lastScreen();
        // The screens whose tiles changed at their own number, and those of the base the side has not.
        std::vector<int> changed;
        for (int n = 0; n <= std::min(nb, ns); ++n)
            if (m_base.block(n) != m_side.block(n) && base(n).tiles != side(n).tiles)
                changed.push_back(n);
        std::vector<int> candidates = changed;
        for (int n = ns + 1; n <= nb; ++n)
            candidates.push_back(n);
        std::unordered_multimap<TilesHash, int, TilesHashOf> byTiles;
        for (const int n : candidates)
            byTiles.emplace(base(n).tiles, n);
        const bool moved = std::any_of(changed.begin(), changed.end(), [&](int n) {
            const auto [begin, end] = byTiles.equal_range(side(n).tiles);
            return std::any_of(begin, end, [n](const auto& entry) { return entry.second != n; });
        });
        if (!moved)
            return {};
        if (ns != nb && ns != nb - 1)
            return {FoundRenumbering::Kind::Unclear, {}};
        for (int n = 0; n <= nb; ++n)
            base(n);
        for (int n = 0; n <= ns; ++n)
            side(n);
        return ns == nb ? choose(movesAndSwaps(changed), ScreenRenumbering::swapping(0, 0, nb))
                        : choose(deletes(), ScreenRenumbering::deleting(nb, nb));
    }

private:
    const ScreenPrint& base(int n) { return print(m_base, m_bases, n); }
    const ScreenPrint& side(int n) { return print(m_side, m_sides, n); }
    static const ScreenPrint& print(LevelSource& source, std::vector<std::optional<ScreenPrint>>& prints,
                                    int n) {
        std::optional<ScreenPrint>& print = prints[size_t(n)];
        if (!print)
            print = PrintOf(source, n);
        return *print;
    }

    bool holds(int sideScreen, int baseScreen) const {
        return baseScreen >= 0 && baseScreen < int(m_bases.size()) &&
               m_sides[size_t(sideScreen)]->tiles == m_bases[size_t(baseScreen)]->tiles;
    }

    // Sums of the side screens 0..j-1 that hold the base screen of their own number, of the one after,
    // and of the one before.
    void countHolds() {
        const int ns = int(m_sides.size());
        for (auto* sums : {&m_same, &m_down, &m_up})
            sums->assign(size_t(ns + 1), 0);
        for (int j = 0; j < ns; ++j) {
            m_same[size_t(j + 1)] = m_same[size_t(j)] + holds(j, j);
            m_down[size_t(j + 1)] = m_down[size_t(j)] + holds(j, j + 1);
            m_up[size_t(j + 1)] = m_up[size_t(j)] + holds(j, j - 1);
        }
    }
    static int Sum(const std::vector<int>& sums, int from, int to) { // from..to, both included
        return from > to ? 0 : sums[size_t(to + 1)] - sums[size_t(from)];
    }

    // The side screens that hold the tiles the base screen a renumbering brings to their number had.
    int tilesHeld(const ScreenRenumbering& r) const {
        const int all = Sum(m_same, 0, int(m_sides.size()) - 1);
        switch (r.kind) {
        case ScreenRenumbering::Delete:
            return Sum(m_same, 0, r.from - 1) + Sum(m_down, r.from, int(m_sides.size()) - 1);
        case ScreenRenumbering::Swap:
            return all - Sum(m_same, r.from, r.from) - (r.to != r.from ? Sum(m_same, r.to, r.to) : 0) +
                   (r.to != r.from ? holds(r.from, r.to) + holds(r.to, r.from) : holds(r.from, r.from));
        case ScreenRenumbering::Move:
            if (r.from < r.to)
                return all - Sum(m_same, r.from, r.to) + Sum(m_down, r.from, r.to - 1) + holds(r.to, r.from);
            return all - Sum(m_same, r.to, r.from) + Sum(m_up, r.to + 1, r.from) + holds(r.to, r.from);
        }
        return 0;
    }

    // Those of them whose side links are the base screen's, renumbered.
    int linksHeld(const ScreenRenumbering& r) const {
        int held = 0;
        for (int j = 0; j < int(m_sides.size()); ++j) {
            const int i = r.before(j);
            held += holds(j, i) && m_sides[size_t(j)]->links == r.linksAfter(m_bases[size_t(i)]->links);
        }
        return held;
    }

    std::vector<ScreenRenumbering> deletes() {
        std::vector<ScreenRenumbering> all;
        for (int d = 0; d < int(m_bases.size()) - 1; ++d)
            all.push_back(ScreenRenumbering::deleting(d, int(m_bases.size()) - 1));
        return all;
    }

    // Each move and swap that brings a changed screen's tiles to it, and each move that shifts a run of
    // screens by one, as a move does to the screens between.
    std::vector<ScreenRenumbering> movesAndSwaps(const std::vector<int>& changed) {
        const int last = int(m_bases.size()) - 1;
        std::unordered_multimap<TilesHash, int, TilesHashOf> byTiles;
        for (int n = 0; n <= last; ++n)
            byTiles.emplace(m_bases[size_t(n)]->tiles, n);
        std::vector<ScreenRenumbering> all;
        for (const int n : changed) {
            const auto [begin, end] = byTiles.equal_range(m_sides[size_t(n)]->tiles);
            if (size_t(std::distance(begin, end)) > MostMatches)
                continue;
            for (auto it = begin; it != end; ++it)
                if (it->second != n) {
                    all.push_back(ScreenRenumbering::moving(it->second, n, last));
                    all.push_back(ScreenRenumbering::swapping(it->second, n, last));
                }
        }
        for (int j = 0; j <= last;) {
            const int step = holds(j, j + 1) && !holds(j, j) ? 1 : holds(j, j - 1) && !holds(j, j) ? -1 : 0;
            int k = j;
            while (step && k <= last && holds(k, k + step) && !holds(k, k))
                ++k;
            if (step == 1 && k <= last)
                all.push_back(ScreenRenumbering::moving(j, k, last));
            if (step == -1 && j > 0)
                all.push_back(ScreenRenumbering::moving(k - 1, j - 1, last));
            j = std::max(k, j + 1);
        }
        return all;
    }

    // The renumbering that puts the most screens on their tiles, then the most side links in place;
    // `none` stands for leaving every number as it is.
    FoundRenumbering choose(std::vector<ScreenRenumbering> all, const ScreenRenumbering& none) {
        countHolds();
        std::vector<ScreenRenumbering> best{none};
        int most = tilesHeld(none);
        for (ScreenRenumbering& r : all) {
            r = Canonical(r);
            const int held = tilesHeld(r);
            if (held < most)
                continue;
            if (held > most)
                best.clear();
            most = held;
            if (std::none_of(best.begin(), best.end(), [&](const auto& b) { return Same(b, r); }))
                best.push_back(r);
        }
        if (best.size() > MostWeighed)
            return {FoundRenumbering::Kind::Unclear, {}};
        std::vector<std::pair<int, const ScreenRenumbering*>> weighed;
        for (const ScreenRenumbering& r : best)
            weighed.emplace_back(linksHeld(r), &r);
        std::sort(weighed.begin(), weighed.end(),
                  [](const auto& a, const auto& b) { return a.first > b.first; });
        const ScreenRenumbering& chosen = *weighed.front().second;
        if (Same(chosen, none) && (weighed.size() == 1 || weighed[1].first < weighed.front().first))
            return {};
        // The screens moved: only a renumbering that the side links followed, and no other as well.
        if ((weighed.size() > 1 && weighed[1].first == weighed.front().first) ||
            2 * weighed.front().first < most)
            return {FoundRenumbering::Kind::Unclear, {}};
        return {FoundRenumbering::Kind::One, chosen};
    }

    LevelSource& m_base;
    LevelSource& m_side;
    std::vector<std::optional<ScreenPrint>> m_bases;
    std::vector<std::optional<ScreenPrint>> m_sides;
    std::vector<int> m_same, m_down, m_up;
};

} // namespace

bool FoundRenumbering::sameAs(const FoundRenumbering& other) const {
    return kind == other.kind && (kind != Kind::One || Same(renumbering, other.renumbering));
}

QString FoundRenumbering::text() const {
    switch (kind) {
    case Kind::None:
        return Text(Msg::MergeScreensKept);
    case Kind::Unclear:
        return Text(Msg::MergeScreensUnclear);
    case Kind::One:
        break;
    }
    const ScreenRenumbering& r = renumbering;
    switch (r.kind) {
    case ScreenRenumbering::Delete:
        return Text(Msg::MergeScreenDeleted).arg(r.from);
    case ScreenRenumbering::Move:
        return Text(Msg::MergeScreenMoved).arg(r.from).arg(r.to);
    case ScreenRenumbering::Swap:
        break;
    }
    return Text(Msg::MergeScreensSwapped).arg(r.from).arg(r.to);
}

FoundRenumbering FindRenumbering(LevelSource& base, LevelSource& side) {
    return Matcher(base, side).find();
}

} // namespace tavrin
