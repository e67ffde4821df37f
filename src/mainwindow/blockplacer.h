#pragma once

#include "level/tools/tileblock.h"

#include <QObject>
#include <QPoint>
#include <array>
#include <functional>
#include <optional>
#include <vector>

class QImage;
class QWidget;

namespace tavrin {

class FieldValue;
class LevelDocument;
class PictureBox;

// A block of tiles held over the grid, to be placed: the stamp (Use as Stamp), which each click or drag
// puts down, or the tiles just pasted, floating over the screen until they are dropped. Either shows on
// the grid where it would go (the stamp under the pointer, the floating tiles where they lie) and can be
// flipped and turned there; putting it away leaves the level as it was. Each stamp stroke and each drop
// is one step.
class BlockPlacer : public QObject {
    Q_OBJECT
public:
    enum class Held { Nothing, Stamp, Floating };
    // The picture a tile's picture reference shows, as the grid draws it.
    using PictureOf = std::function<QImage(const FieldValue&)>;

    // The preview is drawn on a layer of `gridParent`, the grid's parent, over the grid.
    BlockPlacer(LevelDocument& document, const std::array<PictureBox*, 301>& grid, QWidget* gridParent,
                PictureOf pictureOf);

    Held held() const { return m_held; }
    const TileBlock& block() const { return m_block; }
    // The grid tile under the pointer; 0 for none.
    int hoveredTile() const { return m_hovered; }
    // What the preview shows on grid tile `tile` (the held block's tile that would go there); none where
    // it shows nothing.
    std::optional<TileState> previewOn(int tile) const;

    // `block` becomes the stamp.
    void holdStamp(TileBlock block);
    // `block` floats with its top-left on the tile under the pointer, or, with the pointer off the grid,
    // where it was copied from; moved as little as keeps it whole on the grid.
    void holdFloating(TileBlock block);
    // The held block goes; the level stays as it is.
    void putAway();
    // The held block turned by `turn`; false when nothing is held.
    bool turn(const std::function<TileBlock(const TileBlock&)>& turn);

    // A stamp stroke: from the press to the release each tile pressed or entered gets the stamp's block
    // with its top-left there, clipped at the grid's border, as one step.
    void beginStamp();
    void stampAt(int tile);
    void endStamp();

    // The floating tiles and a press on grid tile `tile`: inside them it starts dragging them, which
    // moves them with the pointer (over grid cell `cell`, counted on beyond the grid's borders) and keeps
    // them whole on the grid; outside them it drops them.
    void press(int tile);
    void dragTo(const QPoint& cell);
    void release();
    // The floating tiles are written where they lie, as one step named Paste.
    void drop();

signals:
    // A word for the status bar.
    void said(const QString& text);
    // The floating tiles were dropped onto `tiles`.
    void dropped(const std::vector<int>& tiles);
    // Something else is held, or nothing.
    void heldChanged();

private:
    // The grid tile the held block's top-left shows on; 0 when it does not show.
    int shownAt() const;
    void setHeld(Held held, TileBlock block);
    // The grid tile at `cell` (a column and row, counted on beyond the grid's borders), moved as little as
    // keeps the held block whole on the grid with its top-left there.
    int keptOnGrid(const QPoint& cell) const;
    // The tiles among `placed` whose exits lead somewhere odd, for the status bar.
    QString oddExitsNote(const std::vector<std::pair<int, TileState>>& placed) const;

    LevelDocument& m_document;
    const std::array<PictureBox*, 301>& m_grid;
    PictureOf m_pictureOf;
    class BlockPreview* m_preview = nullptr;
    Held m_held = Held::Nothing;
    TileBlock m_block;
    int m_hovered = 0;
    int m_topLeft = 0;            // where the floating block lies
    std::vector<int> m_stamped;   // the tiles the stamp was put on in this stroke
    std::optional<QPoint> m_grab; // the cell a drag of the floating block took it by, less its top-left
    friend class BlockPreview;
};

} // namespace tavrin
