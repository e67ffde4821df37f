#include "paintgestures.h"

#include "form1.h"
#include "leveldocument.h"
#include "picturebox.h"

#include <vector>

namespace tavrin {

PaintGestures::PaintGestures(Form1& form, LevelDocument& document, const std::array<PictureBox*, 301>& grid)
    : QObject(&form), m_form(form), m_document(document), m_grid(grid) {
    for (int index = FirstGridTile; index <= LastGridTile; ++index) {
        PictureBox* tile = grid[size_t(index)];
        connect(tile, &PictureBox::clicked, this, [this, index] { clicked(index); });
        connect(tile, &PictureBox::pressed, this, [this, index] { pressed(index); });
        connect(tile, &PictureBox::dragged, this, &PaintGestures::dragged);
        connect(tile, &PictureBox::released, this, &PaintGestures::released);
        connect(tile, &PictureBox::rightClicked, this, [this, index] { m_form.pickIntoBrush(index); });
    }
}

void PaintGestures::pressed(int index) {
    m_start = index;
    m_moved = false;
    m_painted.fill(false);
}

void PaintGestures::dragged(const QPoint& globalPosition) {
    if (m_start == 0)
        return;
    const int index = tileAt(globalPosition);
    if (index == 0 || (index == m_start && !m_moved) || m_painted[size_t(index)])
        return;
    if (!m_moved) { // the stroke leaves the tile it began on: that one is painted first
        m_moved = true;
        m_document.beginStroke(QStringLiteral("Paint Stroke"));
        m_painted[size_t(m_start)] = true;
        if (!m_form.paintTile(m_start))
            return released();
    }
    m_painted[size_t(index)] = true;
    if (!m_form.paintTile(index)) // one message is enough: the rest of the stroke paints nothing
        released();
}

void PaintGestures::released() {
    m_document.endStroke();
    m_start = 0;
}

void PaintGestures::clicked(int index) {
    if (m_moved) // the stroke painted this tile already
        return;
    if (m_grid[size_t(index)]->clickModifiers() & Qt::ShiftModifier)
        fillFrom(index);
    else
        m_form.Tile_Click(index);
}

void PaintGestures::fillFrom(int index) {
    const Module1& level = m_document.state();
    const TileState like = level.TileOnDisplay(index);
    const auto looksLike = [&](int tile) {
        const TileState state = level.TileOnDisplay(tile);
        return state.colour == like.colour && state.picture == like.picture;
    };
    std::array<bool, LastGridTile + 1> seen{};
    std::vector<int> region{index};
    seen[size_t(index)] = true;
    for (size_t next = 0; next < region.size(); ++next) {
        const int tile = region[next];
        const int column = (tile - FirstGridTile) % GridColumns;
        for (const int neighbour : {column > 0 ? tile - 1 : 0, column < GridColumns - 1 ? tile + 1 : 0,
                                    tile - GridColumns, tile + GridColumns}) {
            if (neighbour >= FirstGridTile && neighbour <= LastGridTile && !seen[size_t(neighbour)] &&
                looksLike(neighbour)) {
                seen[size_t(neighbour)] = true;
                region.push_back(neighbour);
            }
        }
    }
    m_document.beginStroke(QStringLiteral("Fill"));
    for (const int tile : region)
        if (!m_form.paintTile(tile))
            break;
    m_document.endStroke();
}

int PaintGestures::tileAt(const QPoint& globalPosition) const {
    for (int index = FirstGridTile; index <= LastGridTile; ++index) {
        const PictureBox* tile = m_grid[size_t(index)];
        if (tile->rect().contains(tile->mapFromGlobal(globalPosition)))
            return index;
    }
    return 0;
}

} // namespace tavrin
