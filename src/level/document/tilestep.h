#pragma once

#include "level/document/undostep.h"

#include <vector>

namespace tavrin {

// Tiles of one screen, each with its state before and after. The tiles of one stroke (a drag, a fill)
// merge into the stroke's first step as they are pushed, so the stroke is undone as one.
class LevelDocument::TileStep : public Step {
public:
    struct Tile {
        int index;
        TileState before, after;
    };
    // `stroke` 0: the step stands alone.
    TileStep(LevelDocument& document, const QString& name, int screen, Tile tile, int stroke)
        : Step(name, screen), m_document(document), m_tiles{std::move(tile)}, m_stroke(stroke) {}

    int id() const override { return m_stroke ? StrokeId : -1; }
    bool mergeWith(const QUndoCommand* other) override {
        const auto* next = static_cast<const TileStep*>(other);
        if (next->m_stroke != m_stroke || next->screen() != screen())
            return false;
        m_tiles.insert(m_tiles.end(), next->m_tiles.begin(), next->m_tiles.end());
        return true;
    }
    void undo() override {
        for (auto it = m_tiles.crbegin(); it != m_tiles.crend(); ++it)
            m_document.storeTile(screen(), it->index, it->before);
    }
    void redo() override {
        if (!firstRedo())
            for (const Tile& tile : m_tiles)
                m_document.storeTile(screen(), tile.index, tile.after);
    }

private:
    static constexpr int StrokeId = 1;
    LevelDocument& m_document;
    std::vector<Tile> m_tiles;
    int m_stroke;
};

} // namespace tavrin
