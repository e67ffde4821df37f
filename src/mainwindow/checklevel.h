#pragma once

#include "level/tools/levelcheck.h"
#include "level/tools/levelcheckfix.h"

#include <QHash>
#include <QWidget>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace tavrin {

class LevelDocument;
class Module1;

// The Check Level window: the problems of the level as it is being edited, a summary of them and a Refresh
// button. The problems are grouped by kind under a row that counts them, errors first; the edge-wraps of
// a screen make one row, its steps under it. A filter by kind and one by screen narrow the list. It checks
// the level when it is opened, when Refresh is clicked, when another level is loaded, and again by itself a
// moment after the level changed, once the list holds a check. A double click on a problem (or Enter) hands
// the problem to whoever shows where it is.
class CheckLevelWindow : public QWidget {
    Q_OBJECT
public:
    // The columns of ProblemList.
    enum Column {
        SeverityColumn,
        ScreenColumn,
        TileColumn,
        DirectionColumn,
        LineColumn,
        MessageColumn,
        FixColumn // a button for each fix of the row
    };

    CheckLevelWindow(const LevelDocument& document, QWidget* mainWindow);

    static QString DesignCaption();

    QComboBox* KindFilter;   // "All kinds", then each kind found, by its code
    QComboBox* ScreenFilter; // "All screens", then each screen with problems, by its number
    QTreeWidget* ProblemList;
    QLabel* Summary;
    QPushButton* Refresh;
    // Mends the problem selected, when it is one the editor can mend in one step; its caption says how.
    // It is disabled, its tooltip saying why, when the mend would break what works.
    QPushButton* Fix;
    // The second fix of the row selected, for a problem that has two ("Block this step" beside "Make the
    // screen"); hidden otherwise.
    QPushButton* SecondFix;
    // Under the list: what each fix will change, in one sentence, or why it cannot.
    QLabel* FixPlan;

    // The problems found, in the order of the level file.
    const std::vector<LevelProblem>& problems() const { return m_problems; }
    // The row of problems()[index]; null when a filter hides it.
    QTreeWidgetItem* rowOfProblem(size_t index) const;
    // Where the button of fix `fix` of `row` is, in the list's viewport; empty when the row has none.
    QRect fixButtonRect(QTreeWidgetItem* row, int fix) const;

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
    // A fix to make: `problem` stands for what the row holds (see FixesFor).
    void fixChosen(const tavrin::LevelProblem& problem, tavrin::LevelFixKind kind);
    // The list holds a check of the level as it is now.
    void checked();

private:
    void recheck();
    // What `row` holds: its problem, or for a row of a group or of a screen's edge-wraps, a problem with its
    // code (and screen) alone; `whole` tells which. None for no row.
    std::optional<LevelProblem> targetOf(const QTreeWidgetItem* row, bool* whole = nullptr) const;
    // The row that holds what `wanted` stood for, at its place; null when there is none.
    QTreeWidgetItem* rowLike(const LevelProblem& wanted, bool whole) const;
    void fillList(); // the filters and the rows
    void fillFilters();
    void fillRows();
    QTreeWidgetItem* makeRow(const LevelProblem& problem) const;
    // The plan of each fix of `row`, said as a tooltip of its button and under the list.
    std::vector<LevelFix> plansOf(const QTreeWidgetItem* row) const;
    void ProblemList_Activated(QTreeWidgetItem* item);
    void showFix();
    // Fix number `fix` of `row`, as its button in the row or under the list does it.
    void fixRow(QTreeWidgetItem* row, int fix);

    const LevelDocument& m_document;
    const Module1& m_level;
    std::vector<LevelProblem> m_problems;
    std::vector<QTreeWidgetItem*> m_rowOf; // by problem
    QHash<QString, bool> m_expanded;       // of group and screen rows the user opened or closed
    bool m_stale = false;
    bool m_checked = false; // the list holds a check, not "Refresh to check"
    QTimer* m_recheck;
};

} // namespace tavrin
