#pragma once

#include "level/document/screen.h"

#include <QPoint>
#include <QRect>
#include <vector>

namespace tavrin {

// A map of a level: where each screen goes, in cells of one screen each (columns to the right, rows
// down). Screen 0 stands at (0, 0). The screens reached from screen 0 through the side links 2..5 stand
// on the map, each next to the screen it was reached from on the side where the main window shows that
// link's box: 2 above, 3 left, 4 right, 5 below. The rest stand in a row below the map, in number order:
// a screen whose place was taken already, one reached only through the links 6..9, and one not reached.
struct WorldLayout {
    std::vector<QPoint> cells; // of the screens 0..last
    std::vector<bool> onMap;   // false: in the row below the map

    // The cells taken, the map and the row below it.
    QRect bounds() const;
};

// The cell next to a screen on the side of side link k (2..5).
QPoint SideOffset(int k);

// Lays out the screens 0..links.size() - 1, `links[n]` holding screen n's side links. The screens are
// placed breadth first from screen 0, each screen's links in the order 2, 3, 4, 5; a link to a screen
// outside the level places nothing.
WorldLayout LayOutWorld(const std::vector<SideLinks>& links);

} // namespace tavrin
