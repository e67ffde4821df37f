#pragma once

#include "levelcheck.h"

#include <QWidget>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tavrin {

class Module1;

// The Check Level window: the problems of the level as it is being edited, one a row, a summary of them
// and a Refresh button. It checks the level when it is opened, when Refresh is clicked and when another
// level is loaded, not on every edit. A double click on a problem (or Enter) hands the problem to whoever
// shows where it is.
class CheckLevelWindow : public QWidget {
    Q_OBJECT
public:
    // The columns of ProblemList.
    enum Column { SeverityColumn, ScreenColumn, TileColumn, DirectionColumn, LineColumn, MessageColumn };

    CheckLevelWindow(const Module1& level, QWidget* mainWindow);

    static QString DesignCaption();

    QTreeWidget* ProblemList;
    QLabel* Summary;
    QPushButton* Refresh;
    // Mends the problem selected, when it is one the editor can mend in one step; its caption says how.
    QPushButton* Fix;

    // What Fix does for a problem ("Block this step"); empty for a problem it cannot mend.
    static QString FixFor(const LevelProblem& problem);

    // The problems listed, in the order of the rows.
    const std::vector<LevelProblem>& problems() const { return m_problems; }

    // Checks the level and lists what it finds. A check that fails lists nothing and is shown under
    // `place`.
    void CheckLevel(const QString& place);

    // Another level replaced the one checked: its problems go. The window checks the new level at once,
    // unless it is not on view or the level has so many screens that the check would hold up the load;
    // then it asks for Refresh.
    void LevelReplaced();
    static constexpr int CheckAtOnceBelow = 200; // screens
    // Screens took new numbers: the rows name the old ones, so they go as for another level.
    void ScreensRenumbered() { LevelReplaced(); }
    // The level changed since it was checked: a Fix checks it again first and mends the problem only if
    // it is still there.
    void LevelChanged() { m_stale = true; }

public slots:
    void Refresh_Click();

signals:
    void problemChosen(const tavrin::LevelProblem& problem);
    void fixChosen(const tavrin::LevelProblem& problem);

private:
    void fillList();
    QTreeWidgetItem* makeRow(const LevelProblem& problem) const;
    void ProblemList_Activated(QTreeWidgetItem* item);
    // The problem of the row selected; null when none is.
    const LevelProblem* selectedProblem() const;
    void showFix();
    void fixSelected();

    const Module1& m_level;
    std::vector<LevelProblem> m_problems;
    bool m_stale = false;
};

} // namespace tavrin
