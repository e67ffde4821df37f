#pragma once

#include "level/tools/levelmerge.h"

#include <QWidget>
#include <optional>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace tavrin {

class LevelDocument;

// The Resolve Conflicts window: the conflicts a merge left in the level being edited (read from the
// conflicts file beside it), a row each, with the base value and the two sides' values. Take Ours or Take
// Theirs, on a row or for every row, sets the fields through the document as one step of Undo. Once every
// row is settled the conflicts file goes, and the window says that git add is next.
class ResolveConflicts : public QWidget {
    Q_OBJECT
public:
    enum Column { ScreenColumn, TileColumn, FieldColumn, BaseColumn, OursColumn, TheirsColumn, TakeColumn };

    ResolveConflicts(QWidget* mainWindow, LevelDocument& document, QString levelFile,
                     std::vector<MergeConflict> conflicts);

    // Opens the window when a conflicts file stands beside the level file `levelFile`; a file that cannot
    // be read is told, and no window opens.
    static ResolveConflicts* openFor(QWidget* mainWindow, LevelDocument& document, const QString& levelFile);

    QLabel* Summary;
    QTreeWidget* ConflictList;
    QPushButton* TakeAllOurs;
    QPushButton* TakeAllTheirs;

    // Takes `side` for the rows `rows` as one step; false when the edit failed (told) and nothing changed.
    bool take(const std::vector<int>& rows, MergeSide side);
    bool settled() const;

signals:
    // `tile` is 0 for a link, a property or a whole screen, and `screen` -1 for a property.
    void placeChosen(int screen, int tile);

private:
    void addRow(int row);
    void showState();

    LevelDocument& m_document;
    QString m_levelFile;
    std::vector<MergeConflict> m_conflicts;
    std::vector<std::optional<MergeSide>> m_taken;
};

} // namespace tavrin
