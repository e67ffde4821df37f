#include "level/tools/worldlayout.h"

#include <algorithm>
#include <deque>
#include <set>
#include <utility>

namespace tavrin {

QRect WorldLayout::bounds() const {
    QRect taken;
    for (const QPoint& cell : cells)
        taken |= QRect(cell, QSize(1, 1));
    return taken;
}

QPoint SideOffset(int k) {
    switch (k) {
    case 2:
        return {0, -1};
    case 3:
        return {-1, 0};
    case 4:
        return {1, 0};
    case 5:
        return {0, 1};
    default:
        return {0, 0};
    }
}

WorldLayout LayOutWorld(const std::vector<SideLinks>& links) {
    const int count = int(links.size());
    WorldLayout layout;
    layout.cells.assign(size_t(count), QPoint());
    layout.onMap.assign(size_t(count), false);
    if (count == 0)
        return layout;
    std::set<std::pair<int, int>> taken{{0, 0}};
    std::deque<int> placed{0};
    layout.onMap[0] = true;
    for (; !placed.empty(); placed.pop_front()) {
        const int from = placed.front();
        for (int k = 2; k <= 5; ++k) {
            const int to = links[size_t(from)][size_t(k)];
            if (to < 0 || to >= count || layout.onMap[size_t(to)])
                continue;
            const QPoint cell = layout.cells[size_t(from)] + SideOffset(k);
            if (!taken.insert({cell.x(), cell.y()}).second)
                continue;
            layout.cells[size_t(to)] = cell;
            layout.onMap[size_t(to)] = true;
            placed.push_back(to);
        }
    }
    int left = 0;
    int bottom = 0;
    for (int n = 0; n < count; ++n) {
        if (layout.onMap[size_t(n)]) {
            left = std::min(left, layout.cells[size_t(n)].x());
            bottom = std::max(bottom, layout.cells[size_t(n)].y());
        }
    }
    int column = left;
    for (int n = 0; n < count; ++n)
        if (!layout.onMap[size_t(n)])
            layout.cells[size_t(n)] = QPoint(column++, bottom + 1);
    return layout;
}

} // namespace tavrin
