// Drawing the level: the grid shows the screen on display from the document's values, with the walk
// marker and the look under it, and follows the document's signals.
#include "mainwindow/form1.h"

#include "level/document/module1.h"
#include "mainwindow/picturebox.h"

#include <QLineEdit>

namespace tavrin {

namespace {
Long ShownColour(const FieldValue& colour) {
    try {
        return colour.isNumeric() ? colour.toLong() : 0;
    } catch (const Failure&) {
        return 0; // a number no colour can be shows as black, as an empty colour does
    }
}
} // namespace

QImage Form1::referencedPicture(const FieldValue& reference) const {
    std::array<bool, LastGridTile + 1> seen{};
    FieldValue current = reference;
    for (;;) {
        if (!current.isNumeric()) {
            try {
                return m_level.Pictures().load(current.textValue());
            } catch (const Failure&) {
                return QImage(); // missing or no picture: the tile shows none and keeps its reference
            }
        }
        int box = 0;
        try {
            box = current.toInteger();
        } catch (const Failure&) {
            return QImage();
        }
        if (box == BuiltinTile)
            return m_builtinTile->picture();
        if (box == MarkerTile)
            return m_markerTile->picture();
        if (box == PreviewTile) // the look of the tile under the marker
            box = m_level.WalkerTile();
        if (box < 0 || box > LastGridTile || seen[size_t(box)])
            return QImage(); // no box, or tiles that lead round in a loop
        seen[size_t(box)] = true;
        current = m_level.TilePicture(box);
    }
}

// Tile(0), below the grid, keeps its own back colour: the marker may stand on it, but it is no tile of
// the screen.
Long Form1::shownColour(int index) const {
    return index == BlankTile ? m_gridTiles[BlankTile]->backColour()
                              : ShownColour(m_level.TileBackColor(index));
}

void Form1::redrawTile(int index) {
    PictureBox* tile = m_gridTiles[size_t(index)];
    tile->setBackColour(shownColour(index));
    const bool marker = m_markerOnGrid && index == m_level.WalkerTile();
    tile->setPicture(marker ? m_markerTile->picture() : referencedPicture(m_level.TilePicture(index)));
}

void Form1::redrawPreview() {
    const int tile = m_level.WalkerTile();
    if (tile < BlankTile || tile > LastGridTile)
        return;
    m_previewTile->setBackColour(shownColour(tile));
    m_previewTile->setPicture(referencedPicture(m_level.TilePicture(tile)));
}

void Form1::showSideLinks() {
    for (int k = 2; k <= 5; ++k)
        SideText(k)->setText(QString::number(m_level.SideScreen(k)));
}

void Form1::redrawTiles() {
    m_level.Pictures().beginPass();
    if (m_markerDrawnOn != m_level.WalkerTile() && m_markerDrawnOn == BlankTile)
        redrawTile(BlankTile); // the marker left Tile(0)
    m_markerDrawnOn = m_level.WalkerTile();
    for (int index = FirstGridTile; index <= LastGridTile; ++index)
        redrawTile(index);
    if (m_level.WalkerTile() == BlankTile)
        redrawTile(BlankTile);
    redrawPreview();
}

void Form1::redrawGrid() {
    redrawTiles();
    showSideLinks();
}

// Tiles whose picture is that of another box may show the changed one. Tile(0) is drawn by the brush
// itself, unless the marker comes or goes.
void Form1::tileChanged(int tile) {
    m_level.Pictures().beginPass();
    for (int index = FirstGridTile; index <= LastGridTile; ++index)
        if (index == tile || m_level.TilePicture(index).isNumeric())
            redrawTile(index);
    redrawPreview();
}

// A step undone or redone on its own screen is no walk: the marker is back on the tile the walk left it on.
void Form1::showMarker() {
    m_markerOnGrid = true;
    redrawTiles();
}

void Form1::walkerMoved(int tile, bool onGrid) {
    const int before = m_markerDrawnOn;
    m_markerOnGrid = onGrid;
    m_markerDrawnOn = tile;
    if (before >= BlankTile && before <= LastGridTile)
        redrawTile(before);
    if (tile == BlankTile)
        redrawTile(BlankTile);
    tileChanged(tile);
    if (onGrid)
        DisplayTileProp(static_cast<Integer>(tile));
}

} // namespace tavrin
