#include "walker.h"

namespace tavrin {

namespace {
struct Direction {
    TileArray<Integer> Module1::*property;
    TileArray<FieldValue> Module1::*operand;
    int offset;
};

const Direction* directionOf(int keyCode) {
    static const Direction directions[] = {
        {&Module1::TilePropLeft, &Module1::TilePropLeftOps, -1},
        {&Module1::TilePropUp, &Module1::TilePropUpOps, -20},
        {&Module1::TilePropRight, &Module1::TilePropRightOps, +1},
        {&Module1::TilePropDown, &Module1::TilePropDownOps, +20},
    };
    if (keyCode < KeyLeft || keyCode > KeyDown)
        return nullptr;
    return &directions[keyCode - KeyLeft];
}

bool isTile(int tile) {
    return TileArray<Integer>::inRange(tile);
}
} // namespace

WalkStep NextWalkStep(const Module1& m, int keyCode) {
    const Direction* direction = directionOf(keyCode);
    const Integer from = m.WalkerTile;
    if (!direction || !isTile(from))
        return {};
    const Integer property = (m.*(direction->property))(from);
    if (property == 1)
        return {};
    if (IsExit(property)) {
        const std::optional<Integer> landing = LandingTile((m.*(direction->operand))(from));
        if (!landing) // a landing tile that is no tile of the grid blocks the step
            return {};
        const Integer screen = m.SideScreen(property);
        return {screen < 0 ? WalkStep::NoScreen : WalkStep::Exit, *landing, screen};
    }
    const int to = from + direction->offset;
    if (!isTile(to))
        return {WalkStep::OffGrid, from, m.CurrentScreen};
    return {WalkStep::Move, static_cast<Integer>(to), m.CurrentScreen};
}

} // namespace tavrin
