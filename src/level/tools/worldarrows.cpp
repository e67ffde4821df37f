#include "level/tools/worldarrows.h"

#include "level/tools/worldlayout.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace tavrin {

ScreenExits ExitsOf(const Screen& screen) {
    ScreenExits exits;
    for (int i = FirstGridTile; i <= LastGridTile; ++i)
        for (const Integer direction : screen.tile(i).directions)
            if (IsExit(direction)) {
                exits.links |= quint16(1u << direction);
                ++exits.count;
            }
    return exits;
}

std::vector<WorldArrow> ArrowsFrom(int from, int count, const std::function<const SideLinks&(int)>& links,
                                   const std::function<const ScreenExits&(int)>& exits) {
    const auto leadsTo = [&](int screen, int to) {
        const quint16 used = exits(screen).links;
        for (int k = 2; k <= 9; ++k)
            if ((used & (1u << k)) && links(screen)[size_t(k)] == to)
                return true;
        return false;
    };
    std::vector<WorldArrow> result;
    const quint16 used = exits(from).links;
    for (int k = 2; k <= 9; ++k) {
        const int to = links(from)[size_t(k)];
        if (!(used & (1u << k)) ||
            std::any_of(result.begin(), result.end(), [to](const WorldArrow& a) { return a.to == to; }))
            continue;
        const bool inLevel = to >= 0 && to < count;
        result.push_back({from, to, k, !inLevel || !leadsTo(to, from)});
    }
    return result;
}

QPointF LinkDirection(int k) {
    static const QPointF diagonals[] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
    return k >= 6 && k <= 9 ? diagonals[k - 6] : QPointF(SideOffset(k));
}

void DrawWorldArrow(QPainter& painter, QPointF from, QPointF to, bool warning, double width) {
    const QPointF way = to - from;
    const double length = std::hypot(way.x(), way.y());
    if (length < 1)
        return;
    const QPointF unit = way / length;
    const QPointF side(-unit.y(), unit.x());
    const QPointF shift = side * std::clamp(width / 30, 2.0, 8.0);
    const double inset = std::min(length * 0.3, width * 0.3);
    const QPointF start = from + unit * inset + shift;
    const QPointF end = to - unit * inset + shift;
    const double head = std::clamp(width / 14, 5.0, 14.0);
    QPainterPath tip;
    tip.moveTo(end);
    tip.lineTo(end - unit * head + side * head * 0.5);
    tip.lineTo(end - unit * head - side * head * 0.5);
    tip.closeSubpath();
    const QColor colour = QColor::fromRgb(warning ? WorldWarningColour : WorldArrowColour);
    painter.setPen(QPen(QColor(0, 0, 0, 160), 4.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(start, end - unit * head * 0.5);
    painter.strokePath(tip, QPen(QColor(0, 0, 0, 160), 2.5));
    painter.setPen(QPen(colour, 2.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(start, end - unit * head * 0.5);
    painter.fillPath(tip, colour);
}

void DrawWorldArrowOut(QPainter& painter, const QRectF& cell, int link) {
    const QPointF way = LinkDirection(link);
    const QPointF from = cell.center();
    DrawWorldArrow(painter, from, from + QPointF(way.x() * cell.width(), way.y() * cell.height()) * 0.8, true,
                   cell.width());
}

void DrawScreenNumber(QPainter& painter, const QRectF& cell, int screen) {
    const QString number = QString::number(screen);
    const QRectF label(cell.topLeft(), QSizeF(painter.fontMetrics().horizontalAdvance(number) + 6,
                                              painter.fontMetrics().height() + 2));
    painter.fillRect(label, QColor(0, 0, 0, 170));
    painter.setPen(Qt::white);
    painter.drawText(label, Qt::AlignCenter, number);
}

} // namespace tavrin
