#pragma once

#include "levelcheck.h"

#include <QWidget>
#include <vector>

class QLabel;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace tavrin {

class LevelDocument;
class Module1;

// The Check Level window: the problems of the level as it is being edited, one a row, a summary of them
// and a Refresh button. It checks the level when it is opened, when Refresh is clicked, when another
// level is loaded, and again by itself a moment after the level changed, once the list holds a check.
// A double click on a problem (or Enter) hands the problem to whoever shows where it is.
class CheckLevelWindow : public QWidget {
    Q_OBJECT
public:
    // The columns of ProblemList.
    enum Column { SeverityColumn, ScreenColumn, TileColumn, DirectionColumn, LineColumn, MessageColumn };

    CheckLevelWindow(const LevelDocument& document, QWidget* mainWindow);

    static QString DesignCaption();

    QTreeWidget* ProblemList;
    QLabel* Summary;
    QPushButton* Refresh;
    // Mends the problem selected, when it is one the editor can mend in one step; its caption says how.
    // It is disabled, its tooltip saying why, when the mend would break what works.
    QPushButton* Fix;
    // Under the list: what Fix will change, in one sentence, or why it cannot.
    QLabel* FixPlan;

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
    // it is still there. A list that holds a check is checked again by itself once the level has not
    // changed for a moment (RecheckAfter, longer from CheckAtOnceBelow screens on), so that a stroke over
    // many tiles is checked once; a window not on view is checked when it is opened again.
    void LevelChanged();
    static constexpr int RecheckAfter = 150;     // ms
    static constexpr int RecheckBigAfter = 1000; // ms

public slots:
    void Refresh_Click();

signals:
    void problemChosen(const tavrin::LevelProblem& problem);
    void fixChosen(const tavrin::LevelProblem& problem);
    // The list holds a check of the level as it is now.
    void checked();

private:
    void recheck();
    // The row of the problem of `wanted`'s kind at its place; -1 when there is none.
    int rowLike(const LevelProblem& wanted) const;
    void fillList();
    QTreeWidgetItem* makeRow(const LevelProblem& problem) const;
    void ProblemList_Activated(QTreeWidgetItem* item);
    // The problem of the row selected; null when none is.
    const LevelProblem* selectedProblem() const;
    void showFix();
    void fixSelected();

    const LevelDocument& m_document;
    const Module1& m_level;
    std::vector<LevelProblem> m_problems;
    bool m_stale = false;
    bool m_checked = false; // the list holds a check, not "Refresh to check"
    QTimer* m_recheck;
};

} // namespace tavrin
