#pragma once

#include "numbers.h"

#include <QImage>
#include <QString>

namespace tavrin {

// Indices of the special picture boxes next to the grid.
constexpr int BlankTile = 0;
constexpr int BuiltinTile = 997;
constexpr int PreviewTile = 998;
constexpr int MarkerTile = 999;

// The boxes of the Tile array: the grid and Tile(0), and the three beside it.
constexpr bool IsTileBox(int index) {
    return (index >= 0 && index <= 300) || index == BuiltinTile || index == PreviewTile ||
           index == MarkerTile;
}

// What level storage reads and writes of the screen on display. The main window implements it over its
// picture boxes; tests implement it with plain arrays. Indices are those of the Tile array: 0..300 and
// 997..999. An index naming no box is failure 340.
class TileGrid {
public:
    virtual ~TileGrid() = default;

    virtual bool hasBox(int index) const = 0;
    virtual Long backColour(int index) const = 0;
    // Setting the back colour also clears any text printed on the box.
    virtual void setBackColour(int index, Long colour) = 0;
    virtual QImage picture(int index) const = 0;
    // A null image shows no picture (the empty picture of Tile(0) and ErrPic).
    virtual void setPicture(int index, const QImage& picture) = 0;
    void copyPicture(int from, int to) { setPicture(to, picture(from)); }

    // The brush colour, the back colour of the NewColor swatch.
    virtual Long brushColour() const = 0;
    // The side-link box k (2..5) beside the grid.
    virtual void showSideLink(int k, const QString& text) = 0;
    // Clears the box's drawing surface and prints text from its top-left corner.
    virtual void printText(int index, const QString& text) = 0;
};

} // namespace tavrin
