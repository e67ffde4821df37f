#pragma once

#include "level/document/leveldocument.h"
#include "level/tools/tileblock.h"
#include "mainwindow/gridtool.h"

#include <QObject>
#include <array>
#include <optional>
#include <vector>

class QAction;
class QCheckBox;
class QMenu;
class QWidget;

namespace tavrin {

class BlockPlacer;
class PictureBox;
class SelectionFrame;

// Selecting tiles on the grid, the clipboard (cut, copy, paste, delete), moving, flipping and turning the
// selection, and the stamp and the pasted tiles, which its BlockPlacer holds.
class SelectionController : public QObject {
    Q_OBJECT
public:
    SelectionController(LevelDocument& document, SelectionView& view,
                        const std::array<PictureBox*, 301>& grid);

    // The selection's layer over the grid, the stamp's and the select tool's box, on `clientArea`.
    void createControls(QWidget* clientArea);
    // The items of the Edit menu, and the keys without an item, which `window` takes.
    void createMenus(QMenu* edit, QWidget* window);

    // The layer over the grid that frames the selected tiles.
    QWidget* layer() const;
    // The tiles selected on the screen on display, in tile order.
    std::vector<int> selectedTiles() const;
    bool hasStamp() const;
    // The stamp and the pasted tiles not yet dropped.
    BlockPlacer& blockPlacer() const { return *m_placer; }
    // The select tool's box and menu item show whether it is the grid tool.
    void showSelectTool();

    // The select tool: a press on a selected tile starts moving the selection, on any other tile a new
    // rectangle (with `add`, one more beside those selected); the pointer over `tile` stretches or moves
    // it, and the release ends it: a move is one step.
    void pressSelection(int tile, bool add);
    void dragSelection(int tile);
    void releaseSelection();
    void selectAllTiles();
    // Esc: no tile is selected, and the stamp or the pasted tiles not yet dropped are put away.
    void clearSelection();
    void copyTiles();
    void cutTiles();
    void pasteTiles();
    void deleteTiles();
    void useAsStamp();
    enum class Turn { FlipHorizontal, FlipVertical, Rotate };
    void turnSelection(Turn turn);

private:
    // The items that need a selection are on only while there is one.
    void selectionChanged();
    // The tiles Copy takes: those selected, else the one under the pointer.
    std::vector<int> tilesToCopy() const;
    bool putOnClipboard(const std::vector<int>& tiles);
    // The block on the clipboard; none (and the status bar says why) when it holds no tiles.
    std::optional<TileBlock> blockOnClipboard();
    // Tiles of the screen on display changed together, as one step named `name`.
    void editTiles(const QString& name, const std::vector<std::pair<int, TileState>>& tiles);
    // The selected tiles lifted (left as blank tiles) and `block` placed with its top-left on `topLeft`,
    // as one step; the tiles placed are selected.
    void replaceSelection(const QString& name, const TileBlock& block, int topLeft);

    LevelDocument& m_document;
    const Module1& m_level;
    SelectionView& m_view;
    const std::array<PictureBox*, 301>& m_grid;
    QCheckBox* m_selectTool = nullptr;
    QAction* m_selectItem = nullptr;
    std::vector<QAction*> m_needSelection; // Cut and Delete
    std::vector<QAction*> m_turns;         // the Transform menu's items
    QMenu* m_transform = nullptr;
    SelectionFrame* m_selectionFrame = nullptr;
    QAction* m_escape = nullptr;
    BlockPlacer* m_placer = nullptr;
    std::vector<QAction*> m_blockKeys; // X, Y, Z: on while a block is held or selected
    int m_selectFrom = 0;              // the tile the select tool was pressed on, 0 while it is not
    int m_selectTo = 0;
    bool m_movingSelection = false;
    std::array<bool, 301> m_selectedBefore{}; // the selection a rectangle is added to
};

} // namespace tavrin
