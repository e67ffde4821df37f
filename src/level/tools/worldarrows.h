#pragma once

#include "level/document/screen.h"

#include <QPointF>
#include <QRectF>
#include <QRgb>

#include <functional>
#include <vector>

class QPainter;

namespace tavrin {

// The arrows of a world map, as the World Overview and `tavrin-level render --world` draw them: one from a
// screen to each screen its exits lead to.
constexpr QRgb WorldArrowColour = 0xFFFFE050;
constexpr QRgb WorldWarningColour = 0xFFFF4030;

// Which side links a screen's exits go through, and how many exits its tiles have.
struct ScreenExits {
    quint16 links = 0; // bit k: some tile leads through link k
    int count = 0;
};
ScreenExits ExitsOf(const Screen& screen);

struct WorldArrow {
    int from = 0;
    int to = 0;
    int link = 0; // the lowest side link 2..9 an exit goes through
    // `to` is no screen of the level, or no exit of `to` leads back to `from`.
    bool warning = false;

    bool operator==(const WorldArrow& other) const {
        return from == other.from && to == other.to && link == other.link && warning == other.warning;
    }
};

// The arrows from screen `from` of a level of `count` screens, given each screen's side links and exits.
std::vector<WorldArrow> ArrowsFrom(int from, int count, const std::function<const SideLinks&(int)>& links,
                                   const std::function<const ScreenExits&(int)>& exits);

// The way link k leads on the map: 2..5 as the main window places their boxes, 6..9 the diagonals.
QPointF LinkDirection(int k);

// An arrow from inside one cell to inside the other, beside the arrow back so that both show; `width` is
// the width of a cell as drawn.
void DrawWorldArrow(QPainter& painter, QPointF from, QPointF to, bool warning, double width);
// An arrow to no screen of the level: from the cell's centre out over its side of link `link`.
void DrawWorldArrowOut(QPainter& painter, const QRectF& cell, int link);
// The screen's number in the top left corner of its cell.
void DrawScreenNumber(QPainter& painter, const QRectF& cell, int screen);

} // namespace tavrin
