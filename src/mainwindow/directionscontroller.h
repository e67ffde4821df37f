#pragma once

#include "level/document/leveldocument.h"
#include "mainwindow/gridtool.h"

#include <QObject>
#include <array>
#include <functional>
#include <vector>

class QAction;
class QCheckBox;
class QLineEdit;
class QMenu;
class QWidget;

namespace tavrin {

class PictureBox;
class ScreenController;
struct DirectionChange;
struct LevelProblem;
enum class LevelFixKind;

// Walls and exits: the grid tool, the layer over the grid that shows what each side of a tile does, the
// wall brush, the exit tool, Block Screen Edges, the fixes Check Level offers, and the picker beside the
// brush's direction boxes.
class DirectionsController : public QObject {
    Q_OBJECT
public:
    DirectionsController(LevelDocument& document, WindowView& view, ScreenController& screens,
                         const std::array<PictureBox*, 301>& grid);

    // The layer, the pickers beside `boxes` (the brush's direction boxes: left, up, right, down) and the
    // two tools' boxes, on `clientArea`. Checking one of `modes` makes painting the grid tool.
    void createControls(QWidget* clientArea, const std::array<QLineEdit*, 4>& boxes,
                        const std::array<QCheckBox*, 4>& modes);
    // Show Directions in `view`, the tools in `edit`, Block Screen Edges and Make Exit in `level`; the keys
    // of Make Exit go to `window`. Show Directions is kept in the settings of `settingsFile`.
    void createMenus(QMenu* view, QMenu* edit, QMenu* level, QWidget* window,
                     std::function<QString()> settingsFile);
    // Show Directions as the settings keep it.
    void restoreShowDirections();

    GridTool gridTool() const { return m_gridTool; }
    void setGridTool(GridTool tool);
    // The layer over the grid that shows what each side of each tile does.
    QWidget* layer() const { return m_directionsLayer; }

    // A stroke of the wall brush: each tile entered is walled in (with `clear`, opened). The end asks once
    // about exits leading into the walled tiles, and the stroke is one step.
    void beginWalls(bool clear);
    void wallTile(int index);
    void endWalls();
    // The exit tool: the tile exits are made from with Alt+arrow.
    void pickExitTile(int index);
    int pickedExitTile() const { return m_exitTile; }
    // Makes the exit through `side` from border tile `tile` (with `wholeEdge`, from every tile of that
    // border whose step is not blocked), with its way back, after asking where it leads.
    void makeExit(int tile, int side, bool wholeEdge);
    void blockScreenEdges(bool everyScreen);
    // What Check Level's Fix does for a problem it offers to mend, as one step.
    void fixProblem(const LevelProblem& problem, LevelFixKind kind);

signals:
    void gridToolChanged();
    void directionsShown(bool shown);

private:
    void showDirections(bool shown);
    // Show Directions turned on for a command that edits walls: a sentence that says so for the status
    // bar, or nothing when it was on already.
    QString showDirectionsFor();
    // Each change of a direction, as a tile edit of the stroke, counted in m_wallSteps.
    void applyToTiles(const std::vector<DirectionChange>& changes);

    LevelDocument& m_document;
    const Module1& m_level;
    WindowView& m_view;
    ScreenController& m_screens;
    const std::array<PictureBox*, 301>& m_grid;
    std::function<QString()> m_settingsFile;
    QCheckBox* m_wallBrush = nullptr;
    QCheckBox* m_exitTool = nullptr;
    QAction* m_showDirections = nullptr;
    QAction* m_wallItem = nullptr;
    QAction* m_exitItem = nullptr;
    GridTool m_gridTool = GridTool::Paint;
    QWidget* m_directionsLayer = nullptr;
    int m_exitTile = 0;
    bool m_wallClear = false;
    std::vector<int> m_walled; // the tiles of the wall stroke, in order
    int m_wallExitsMet = 0;
    int m_wallSteps = 0;      // the steps the stroke changed
    QString m_wallDirections; // what showDirectionsFor() said as the stroke began
};

} // namespace tavrin
