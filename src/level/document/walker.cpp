#include "level/document/walker.h"

namespace tavrin {

namespace {
struct Direction {
    const TileArray<Integer>& (Module1::*property)() const;
    const TileArray<FieldValue>& (Module1::*operand)() const;
};

const Direction* directionOf(int keyCode) {
    static const Direction directions[] = {
        {&Module1::TilePropLeft, &Module1::TilePropLeftOps},
        {&Module1::TilePropUp, &Module1::TilePropUpOps},
        {&Module1::TilePropRight, &Module1::TilePropRightOps},
        {&Module1::TilePropDown, &Module1::TilePropDownOps},
    };
    const int d = WalkDirection(keyCode);
    return d < 0 ? nullptr : &directions[d];
}

bool isTile(int tile) {
    return TileArray<Integer>::inRange(tile);
}
} // namespace

WalkStep NextWalkStep(const Module1& m, int keyCode) {
    const Direction* direction = directionOf(keyCode);
    const Integer from = m.WalkerTile();
    if (!direction || !isTile(from))
        return {};
    const Integer property = (m.*(direction->property))()(from);
    return WalkStepFrom(m.CurrentScreen(), from, WalkDirection(keyCode), property,
                        (m.*(direction->operand))()(from), m.LinksOnDisplay());
}

WalkStep WalkStepFrom(Integer screen, Integer from, int d, Integer property, const FieldValue& operand,
                      const SideLinks& links) {
    static const int offsets[] = {-1, -GridColumns, +1, +GridColumns};
    if (d < 0 || d > 3 || !isTile(from) || property == 1)
        return {};
    if (IsExit(property)) {
        const std::optional<Integer> landing = LandingTile(operand);
        if (!landing) // a landing tile that is no tile of the grid blocks the step
            return {};
        const Integer to = links[size_t(property)];
        return {to < 0 ? WalkStep::NoScreen : WalkStep::Exit, *landing, to};
    }
    const int to = from + offsets[d];
    if (!isTile(to))
        return {WalkStep::OffGrid, from, screen};
    return {WalkStep::Move, static_cast<Integer>(to), screen};
}

} // namespace tavrin
