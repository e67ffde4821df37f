#include "level/tools/directions.h"

#include <QFont>
#include <QPolygonF>

#include <map>

namespace tavrin {

namespace {

constexpr int Columns = GridColumns;

int columnOf(int tile) {
    return (tile - 1) % Columns;
}
int rowOf(int tile) {
    return (tile - 1) / Columns;
}

// Whether some exit of `screen` goes through link `link`.
bool LinkUsed(const Screen& screen, Integer link) {
    for (int t = FirstGridTile; t <= LastGridTile; ++t)
        for (const Integer d : screen.tile(t).directions)
            if (d == link)
                return true;
    return false;
}

} // namespace

const char* SideName(int side) {
    static const char* const names[] = {"left", "up", "right", "down"};
    return side >= 0 && side < 4 ? names[side] : "";
}

bool OnBorder(int tile, int side) {
    switch (side) {
    case SideLeft:
        return columnOf(tile) == 0;
    case SideUp:
        return rowOf(tile) == 0;
    case SideRight:
        return columnOf(tile) == Columns - 1;
    case SideDown:
        return rowOf(tile) == GridRows - 1;
    }
    return false;
}

std::optional<int> TileBeside(int tile, int side) {
    if (tile < FirstGridTile || tile > LastGridTile || OnBorder(tile, side))
        return std::nullopt;
    static const int offsets[] = {-1, -Columns, +1, +Columns};
    return tile + offsets[side];
}

int MirroredTile(int tile, int side) {
    switch (side) {
    case SideLeft:
        return tile + (Columns - 1);
    case SideRight:
        return tile - (Columns - 1);
    case SideUp:
        return tile + Columns * (GridRows - 1);
    case SideDown:
        return tile - Columns * (GridRows - 1);
    }
    return tile;
}

std::vector<int> BorderTiles(int side) {
    std::vector<int> tiles;
    for (int t = FirstGridTile; t <= LastGridTile; ++t)
        if (OnBorder(t, side))
            tiles.push_back(t);
    return tiles;
}

EdgeMark MarkOf(const TileState& tile, int side, const SideLinks& links, Integer lastScreen) {
    EdgeMark mark;
    const Integer property = tile.directions[size_t(side)];
    if (property == 1) {
        mark.kind = EdgeMark::Blocked;
    } else if (IsExit(property)) {
        mark.kind = EdgeMark::Exit;
        mark.link = property;
        mark.screen = links[size_t(property)];
        mark.landing = LandingTile(tile.operands[size_t(side)]);
        mark.valid = mark.landing && mark.screen >= 0 && mark.screen <= lastScreen;
    }
    return mark;
}

bool LeadsBack(const EdgeMark& mark, int number, int tile, const Screen& there, Integer lastScreen) {
    if (mark.kind != EdgeMark::Exit || !mark.valid)
        return false;
    for (int back = 0; back < 4; ++back) {
        const EdgeMark way = MarkOf(there.tile(int(*mark.landing)), back, there.links, lastScreen);
        if (way.kind == EdgeMark::Exit && way.screen == number && way.landing == Integer(tile))
            return true;
    }
    return false;
}

OneWayExits FindOneWayExits(int number, const Screen& screen, Integer lastScreen,
                            const std::function<std::optional<Screen>(int)>& read) {
    OneWayExits oneWay;
    std::map<Integer, std::optional<Screen>> screens;
    for (int t = FirstGridTile; t <= LastGridTile; ++t)
        for (int side = 0; side < 4; ++side) {
            const EdgeMark mark = MarkOf(screen.tile(t), side, screen.links, lastScreen);
            if (mark.kind != EdgeMark::Exit || !mark.valid)
                continue;
            const Screen* there = &screen;
            if (mark.screen != number) {
                auto it = screens.find(mark.screen);
                if (it == screens.end())
                    it = screens.emplace(mark.screen, read(int(mark.screen))).first;
                if (!it->second)
                    continue;
                there = &*it->second;
            }
            if (!LeadsBack(mark, number, t, *there, lastScreen))
                oneWay.set(size_t(t * 4 + side));
        }
    return oneWay;
}

bool WalledIn(const Screen& screen, int tile) {
    for (int side = 0; side < 4; ++side) {
        const std::optional<int> beside = TileBeside(tile, side);
        if (beside && screen.tile(*beside).directions[size_t(Opposite(side))] != 1)
            return false;
    }
    return true;
}

namespace {

// The bar of a blocked step through `side` of `cell`: inside the cell along that side, or with `onLine`
// centred on the line between the cell and the next one, reaching half a bar past both ends so that the
// bars of a wall join at its corners.
QRectF BarOf(const QRectF& cell, int side, qreal bar, bool onLine) {
    QRectF r = cell;
    const qreal half = bar / 2;
    switch (side) {
    case SideLeft:
        r = onLine ? QRectF(cell.left() - half, cell.top() - half, bar, cell.height() + bar)
                   : QRectF(cell.left(), cell.top(), bar, cell.height());
        break;
    case SideUp:
        r = onLine ? QRectF(cell.left() - half, cell.top() - half, cell.width() + bar, bar)
                   : QRectF(cell.left(), cell.top(), cell.width(), bar);
        break;
    case SideRight:
        r = onLine ? QRectF(cell.right() - half, cell.top() - half, bar, cell.height() + bar)
                   : QRectF(cell.right() - bar, cell.top(), bar, cell.height());
        break;
    case SideDown:
        r = onLine ? QRectF(cell.left() - half, cell.bottom() - half, cell.width() + bar, bar)
                   : QRectF(cell.left(), cell.bottom() - bar, cell.width(), bar);
        break;
    }
    return r;
}

} // namespace

void DrawDirections(QPainter& painter, const QRectF& grid, const Screen& screen, Integer lastScreen,
                    const OneWayExits* oneWay) {
    const qreal w = grid.width() / Columns;
    const qreal h = grid.height() / GridRows;
    const qreal bar = std::max<qreal>(2, std::min(w, h) / 5);
    const bool numbers = std::min(w, h) >= 12;
    painter.save();
    painter.setClipRect(grid, Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing, true);
    QFont font = painter.font();
    font.setPixelSize(std::max(6, int(h * 0.38)));
    font.setBold(true);
    painter.setFont(font);
    const QColor barColour(20, 20, 20);
    const QColor shade(20, 20, 20, 80);
    const QColor exitColour(255, 215, 0);
    const QColor oneWayColour(255, 120, 0);
    const QColor badColour(230, 30, 30);
    std::bitset<LastGridTile + 1> walled;
    for (int t = FirstGridTile; t <= LastGridTile; ++t)
        walled[size_t(t)] = WalledIn(screen, t);
    const auto cellOf = [&](int t) {
        return QRectF(grid.left() + columnOf(t) * w, grid.top() + rowOf(t) * h, w, h);
    };
    for (int t = FirstGridTile; t <= LastGridTile; ++t)
        if (walled[size_t(t)])
            painter.fillRect(cellOf(t), shade);
    for (int t = FirstGridTile; t <= LastGridTile; ++t) {
        const QRectF cell = cellOf(t);
        const TileState& tile = screen.tile(t);
        for (int side = 0; side < 4; ++side) {
            const EdgeMark mark = MarkOf(tile, side, screen.links, lastScreen);
            if (mark.kind == EdgeMark::Free)
                continue;
            if (mark.kind == EdgeMark::Blocked) {
                const std::optional<int> beside = TileBeside(t, side);
                if (beside && walled[size_t(t)] && walled[size_t(*beside)])
                    continue; // inside a wall
                const bool bothWays = beside && screen.tile(*beside).directions[size_t(Opposite(side))] == 1;
                if (!bothWays || t < *beside)
                    painter.fillRect(BarOf(cell, side, bar, bothWays), barColour);
                continue;
            }
            // An arrow from the middle of the tile toward the side, outlined so that it reads on any
            // colour, and the target screen's number beside its tip.
            const QPointF centre = cell.center();
            const QPointF unit[] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};
            const QPointF along = unit[side];
            const QPointF across(-along.y(), along.x());
            const qreal reach = (side % 2 == 0 ? w : h) / 2 - 1;
            const QPointF tip = centre + along * reach;
            const qreal head = std::min(w, h) * 0.3;
            QPolygonF arrow;
            arrow << tip << tip - along * head + across * head * 0.6 << tip - along * head * 0.6
                  << tip - along * head - across * head * 0.6;
            const bool noWayBack = mark.valid && oneWay && oneWay->test(size_t(t * 4 + side));
            const QColor fill = !mark.valid ? badColour : noWayBack ? oneWayColour : exitColour;
            painter.setPen(QPen(Qt::black, 1));
            painter.setBrush(fill);
            const QPointF tail = centre + along * (reach * 0.2);
            painter.drawLine(tail, tip - along * head * 0.6);
            painter.drawPolygon(arrow);
            if (noWayBack) // a bar across the tail: there is no coming back this way
                painter.fillRect(
                    QRectF(tail - across * head * 0.6 - along, tail + across * head * 0.6 + along)
                        .normalized()
                        .adjusted(-0.5, -0.5, 0.5, 0.5),
                    Qt::black);
            if (numbers) {
                const QString text = QString::number(mark.screen);
                const QPointF label = centre - along * (reach * 0.35);
                const QRectF box(label.x() - w / 2, label.y() - h / 2, w, h);
                painter.setPen(Qt::black);
                for (const QPointF shift : {QPointF(1, 1), QPointF(-1, -1), QPointF(1, -1), QPointF(-1, 1)})
                    painter.drawText(box.translated(shift), Qt::AlignCenter, text);
                painter.setPen(fill);
                painter.drawText(box, Qt::AlignCenter, text);
            }
        }
    }
    painter.restore();
}

std::vector<DirectionChange> WallChanges(const Screen& screen, int tile, bool clear, bool blockExits,
                                         int* exitsMet) {
    std::vector<DirectionChange> changes;
    for (int side = 0; side < 4; ++side) {
        const std::optional<int> beside = TileBeside(tile, side);
        if (!beside)
            continue;
        const int toward = Opposite(side); // the neighbour steps into `tile` through this side
        const Integer now = screen.tile(*beside).directions[size_t(toward)];
        if (clear) {
            if (now == 1)
                changes.push_back({*beside, toward, 0});
        } else if (IsExit(now)) {
            if (exitsMet)
                ++*exitsMet;
            if (blockExits)
                changes.push_back({*beside, toward, 1});
        } else if (now != 1) {
            changes.push_back({*beside, toward, 1});
        }
    }
    return changes;
}

std::optional<Integer> LinkToward(const Screen& screen, Integer target, int side, bool ownFirst,
                                  bool* changed) {
    *changed = false;
    const Integer own = SideLinkOf(side);
    if (screen.links[size_t(own)] == target)
        return own;
    const bool ownFree = !LinkUsed(screen, own);
    if (ownFirst && ownFree) {
        *changed = true;
        return own;
    }
    for (Integer k = 2; k <= 9; ++k)
        if (screen.links[size_t(k)] == target)
            return k;
    *changed = true;
    if (ownFree)
        return own;
    for (Integer k = 2; k <= 9; ++k)
        if (!LinkUsed(screen, k))
            return k;
    return std::nullopt;
}

namespace {

// Links `screen` (number `number`) to `target` through a link free for it, leaving `through`; its number.
Integer LinkFrom(Screen& screen, int number, int target, int through, bool ownFirst) {
    bool changed = false;
    const std::optional<Integer> link =
        LinkToward(screen, static_cast<Integer>(target), through, ownFirst, &changed);
    if (!link)
        throw Failure(ErrInvalidCall, Text(Msg::ExitNoLinkLeft).arg(number).arg(target));
    screen.links[size_t(*link)] = static_cast<Integer>(target);
    return *link;
}

// Sets side `through` of a tile of `screen` (and of its copy, when both ends are one screen).
TileState SetSide(Screen& screen, Screen* copy, int tile, int through, Integer link, int operand) {
    TileState state = screen.tile(tile);
    state.directions[size_t(through)] = link;
    state.operands[size_t(through)] = FieldValue::number(operand);
    screen.tile(tile) = state;
    if (copy)
        copy->tile(tile) = state;
    return state;
}

} // namespace

LevelDocument::LevelEdit ExitEdit(int fromNumber, const Screen& fromScreen, int toNumber,
                                  const Screen& toScreen, const std::vector<int>& tiles, int side) {
    const bool oneScreen = fromNumber == toNumber;
    Screen from = fromScreen;
    const Integer out = LinkFrom(from, fromNumber, toNumber, side, true);
    Screen to = oneScreen ? from : toScreen;
    const int back = Opposite(side);
    const Integer in = LinkFrom(to, toNumber, fromNumber, back, true);
    if (oneScreen)
        from.links = to.links;

    LevelDocument::LevelEdit edit;
    for (const int tile : tiles) {
        const int landing = MirroredTile(tile, side);
        edit.tiles.push_back(
            {fromNumber, tile, SetSide(from, oneScreen ? &to : nullptr, tile, side, out, landing)});
        edit.tiles.push_back(
            {toNumber, landing, SetSide(to, oneScreen ? &from : nullptr, landing, back, in, tile)});
    }
    edit.links.push_back({fromNumber, from.links});
    if (!oneScreen)
        edit.links.push_back({toNumber, to.links});
    return edit;
}

LevelDocument::LevelEdit WayBackEdit(int fromNumber, const Screen& fromScreen, int tile, int side,
                                     int toNumber, const Screen& toScreen) {
    const std::optional<Integer> landing = LandingTile(fromScreen.tile(tile).operands[size_t(side)]);
    if (!landing)
        throw Failure(ErrInvalidCall, Text(Msg::ExitLandsNowhere).arg(tile));
    Screen to = toScreen;
    const int back = Opposite(side);
    const Integer link = LinkFrom(to, toNumber, fromNumber, back, false);
    LevelDocument::LevelEdit edit;
    edit.tiles.push_back({toNumber, int(*landing), SetSide(to, nullptr, int(*landing), back, link, tile)});
    edit.links.push_back({toNumber, to.links});
    return edit;
}

Screen UnlinkedBlankScreen(const LevelDocument& document) {
    Screen screen = document.blankScreen();
    for (Integer k = 2; k <= 9; ++k)
        screen.links[size_t(k)] = -1;
    return screen;
}

void AddBlockEdges(LevelDocument::LevelEdit& edit, int number) {
    for (int side = 0; side < 4; ++side)
        for (const int t : BorderTiles(side))
            edit.directions.push_back({number, t, side, 1, true});
}

} // namespace tavrin
