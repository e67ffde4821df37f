#pragma once

#include "level/tools/leveldiff.h"

#include <QWidget>
#include <vector>

class QLabel;
class QTreeWidget;

namespace tavrin {

// The Compare With window: what differs between the level being edited and another level file, a change a
// row, as tavrin-level diff tells it. A double click on a row (or Enter) asks to show its screen and tile.
class CompareWindow : public QWidget {
    Q_OBJECT
public:
    enum Column { ScreenColumn, TileColumn, ChangeColumn };
    explicit CompareWindow(QWidget* mainWindow);

    QTreeWidget* ChangeList;
    QLabel* Summary;

    // Lists `changes` from the level being edited to `other`, named `shownAs` when it is given (a git
    // revision's file in a temporary folder).
    void showChanges(const std::vector<LevelChange>& changes, const QString& other,
                     const QString& shownAs = QString());
    // The level being edited took other screen numbers, or is another level: the rows name screens that
    // may be others now, so they go, and the window asks for the comparison again.
    void levelRenumbered();

signals:
    // `tile` is 0 for a change of the screen's links or of the whole screen, and `screen` -1 for one of the
    // level's properties.
    void placeChosen(int screen, int tile);
};

} // namespace tavrin
