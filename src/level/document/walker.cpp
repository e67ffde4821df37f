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

void Walker::KeyDown(int keyCode) {
    const Direction* direction = directionOf(keyCode);
    const Integer from = m.WalkerTile;
    if (!direction || !isTile(from))
        return;
    const Integer property = (m.*(direction->property))(from);
    if (property == 1)
        return;
    if (IsExit(property)) {
        const std::optional<Integer> landing = LandingTile((m.*(direction->operand))(from));
        if (!landing) // a landing tile that is no tile of the grid blocks the step
            return;
        takeExit(m.SideScreen(property), *landing);
        return;
    }
    step(from, direction->offset);
}

// The screen being left goes to its scratch file first, like every other change of screen; the screen
// entered comes with its own side links from where its tiles come from.
void Walker::takeExit(Integer screen, Integer tile) {
    m.SaveScreenTmp();
    m.CurrentScreen = screen;
    m.LoadScreen();
    placeMarker(tile);
}

void Walker::step(Integer from, int offset) {
    const int to = from + offset;
    m.Grid->copyPicture(PreviewTile, from);
    m.Grid->setBackColour(from, m.Grid->backColour(PreviewTile));
    if (!isTile(to))
        return; // off the grid: the marker is taken off, and stands on the same tile for the next key
    placeMarker(static_cast<Integer>(to));
}

void Walker::placeMarker(Integer tile) {
    m.Grid->copyPicture(tile, PreviewTile);
    m.Grid->setBackColour(PreviewTile, m.Grid->backColour(tile));
    m.WalkerTile = tile;
    m.Grid->copyPicture(MarkerTile, tile);
    if (displayTileProp)
        displayTileProp(tile);
}

} // namespace tavrin
