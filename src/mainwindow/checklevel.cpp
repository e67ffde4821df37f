#include "checklevel.h"

#include "centring.h"

#include "failure.h"
#include "inputonlyto.h"
#include "levelcheckfix.h"
#include "leveldocument.h"
#include "longtask.h"
#include "messages.h"
#include "module1.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tavrin {

namespace {
constexpr int WindowWidth = 800;
constexpr int WindowHeight = 240;
// The index of a row's problem in the list of problems.
constexpr int ProblemRole = Qt::UserRole;

QString NumberOrBlank(const std::optional<qint64>& number) {
    return number ? QString::number(*number) : QString();
}
} // namespace

CheckLevelWindow::CheckLevelWindow(const LevelDocument& document, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window), m_document(document), m_level(document.state()) {
    setObjectName(QStringLiteral("CheckLevel"));
    setWindowTitle(DesignCaption());
    setAttribute(Qt::WA_DeleteOnClose);
    CloseOnEscape(this);

    ProblemList = new QTreeWidget(this);
    ProblemList->setObjectName(QStringLiteral("ProblemList"));
    ProblemList->setHeaderLabels(
        {tr("Severity"), tr("Screen"), tr("Tile"), tr("Direction"), tr("Line"), tr("Message")});
    ProblemList->setRootIsDecorated(false);
    ProblemList->setUniformRowHeights(true);
    ProblemList->setAlternatingRowColors(true);
    ProblemList->setSelectionBehavior(QAbstractItemView::SelectRows);
    ProblemList->setAllColumnsShowFocus(true);
    ProblemList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ProblemList->header()->setStretchLastSection(true);
    ProblemList->header()->setSectionsMovable(false);

    Summary = new QLabel(this);
    Summary->setObjectName(QStringLiteral("Summary"));
    Refresh = new QPushButton(tr("Refresh"), this);
    Refresh->setObjectName(QStringLiteral("Refresh"));
    Refresh->setAutoDefault(false);
    Fix = new QPushButton(this);
    Fix->setObjectName(QStringLiteral("Fix"));
    Fix->setAutoDefault(false);
    Fix->hide();
    FixPlan = new QLabel(this);
    FixPlan->setObjectName(QStringLiteral("FixPlan"));
    FixPlan->setWordWrap(true);
    FixPlan->hide();
    m_recheck = new QTimer(this);
    m_recheck->setSingleShot(true);
    connect(m_recheck, &QTimer::timeout, this, &CheckLevelWindow::recheck);

    auto* bottomRow = new QHBoxLayout;
    bottomRow->addWidget(Summary, 1);
    bottomRow->addWidget(Fix);
    bottomRow->addWidget(Refresh);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ProblemList, 1);
    layout->addWidget(FixPlan);
    layout->addLayout(bottomRow);

    connect(Refresh, &QPushButton::clicked, this, &CheckLevelWindow::Refresh_Click);
    connect(ProblemList, &QTreeWidget::itemActivated, this, &CheckLevelWindow::ProblemList_Activated);
    connect(ProblemList, &QTreeWidget::itemSelectionChanged, this, &CheckLevelWindow::showFix);
    connect(Fix, &QPushButton::clicked, this, &CheckLevelWindow::fixSelected);

    resize(WindowWidth, WindowHeight);
    PlaceBesideMainWindow(this, mainWindow);
}

QString CheckLevelWindow::DesignCaption() {
    return QStringLiteral("Check Level");
}

// The level as it is in memory: the screen on display is read from the arrays, so nothing is saved first.
void CheckLevelWindow::CheckLevel(const QString& place) {
    m_recheck->stop();
    m_problems.clear();
    m_stale = false;
    m_checked = true;
    LevelCheckSettings settings;
    settings.picturesFolders = m_level.PictureFolders();
    try {
        LongTaskLook look;
        look.title = DesignCaption();
        look.text = [](int, int) { return QStringLiteral("Checking the level..."); };
        const std::unique_ptr<Task> check = CheckEditedLevelTask(
            m_level, settings, [this](std::vector<LevelProblem> found) { m_problems = std::move(found); });
        if (RunLongTask(this, *check, look)) {
            Summary->setText(ProblemSummary(m_problems));
        } else {
            m_checked = false;
            Summary->setText(Text(Msg::RefreshToCheck));
        }
    } catch (const Failure& failure) {
        m_checked = false; // not again by itself: each check would tell the failure once more
        Summary->setText(tr("The level could not be checked."));
        ShowFailure(failure, place);
    }
    fillList();
    if (m_checked)
        emit checked();
}

void CheckLevelWindow::LevelReplaced() {
    if (isVisible() && m_level.LevelLastScreen < CheckAtOnceBelow) {
        CheckLevel(QStringLiteral("Refresh_Click"));
        return;
    }
    m_recheck->stop();
    m_checked = false;
    m_problems.clear();
    Summary->setText(Text(Msg::RefreshToCheck));
    fillList();
}

void CheckLevelWindow::LevelChanged() {
    m_stale = true;
    if (m_checked)
        m_recheck->start(m_level.LevelLastScreen < CheckAtOnceBelow ? RecheckAfter : RecheckBigAfter);
}

// The problem selected stays selected when it is found again at its place. While a save, a question or
// the progress of a long edit holds the editor, the check waits until it has ended.
void CheckLevelWindow::recheck() {
    if (!isVisible())
        return;
    if (InputOnlyTo::active() || QApplication::activeModalWidget()) {
        m_recheck->start();
        return;
    }
    const LevelProblem* selected = selectedProblem();
    const std::optional<LevelProblem> wanted =
        selected ? std::optional<LevelProblem>(*selected) : std::nullopt;
    CheckLevel(QStringLiteral("Refresh_Click"));
    if (const int row = wanted ? rowLike(*wanted) : -1; row >= 0)
        ProblemList->setCurrentItem(ProblemList->topLevelItem(row));
}

void CheckLevelWindow::Refresh_Click() {
    CheckLevel(QStringLiteral("Refresh_Click"));
}

void CheckLevelWindow::fillList() {
    ProblemList->clear();
    showFix();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(m_problems.size()));
    for (const LevelProblem& problem : m_problems) {
        QTreeWidgetItem* row = makeRow(problem);
        row->setData(SeverityColumn, ProblemRole, static_cast<int>(rows.size()));
        rows << row;
    }
    ProblemList->addTopLevelItems(rows);
    for (int column = SeverityColumn; column < MessageColumn; ++column)
        ProblemList->resizeColumnToContents(column);
}

QTreeWidgetItem* CheckLevelWindow::makeRow(const LevelProblem& problem) const {
    auto* row = new QTreeWidgetItem;
    const bool error = problem.isError();
    row->setIcon(SeverityColumn,
                 style()->standardIcon(error ? QStyle::SP_MessageBoxCritical : QStyle::SP_MessageBoxWarning));
    row->setText(SeverityColumn, error ? tr("error") : tr("warning"));
    row->setText(ScreenColumn, NumberOrBlank(problem.screen));
    row->setText(TileColumn, problem.tile ? QString::number(*problem.tile) : QString());
    row->setText(DirectionColumn, problem.directionName());
    row->setText(LineColumn, problem.line > 0 ? QString::number(problem.line) : QString());
    row->setText(MessageColumn, problem.message);
    row->setToolTip(MessageColumn, problem.message);
    for (int column : {ScreenColumn, TileColumn, LineColumn})
        row->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    return row;
}

QString CheckLevelWindow::FixFor(const LevelProblem& problem) {
    if (!problem.screen || !problem.tile || !problem.direction)
        return QString();
    if (problem.code == QLatin1String("edge-wrap"))
        return tr("Block this step");
    if (problem.code == QLatin1String("exit-no-way-back"))
        return tr("Add the way back");
    return QString();
}

const LevelProblem* CheckLevelWindow::selectedProblem() const {
    const QList<QTreeWidgetItem*> rows = ProblemList->selectedItems();
    if (rows.isEmpty())
        return nullptr;
    const int index = rows.first()->data(SeverityColumn, ProblemRole).toInt();
    return index >= 0 && index < int(m_problems.size()) ? &m_problems[size_t(index)] : nullptr;
}

// What Fix will change is said before it is clicked; a fix that cannot be made leaves it disabled, saying
// why. A screen that cannot be read is said the same way.
void CheckLevelWindow::showFix() {
    const LevelProblem* problem = selectedProblem();
    const QString fix = problem ? FixFor(*problem) : QString();
    Fix->setText(fix);
    Fix->setVisible(!fix.isEmpty());
    FixPlan->setVisible(!fix.isEmpty());
    if (fix.isEmpty())
        return;
    LevelFix plan;
    try {
        plan = PlanFix(m_document, *problem, fix);
    } catch (const Failure& failure) {
        plan.refusal = ShownText(failure);
    }
    Fix->setEnabled(plan.refusal.isEmpty());
    Fix->setToolTip(plan.refusal.isEmpty() ? plan.change : plan.refusal);
    FixPlan->setText(plan.refusal.isEmpty() ? plan.change : plan.refusal);
}

int CheckLevelWindow::rowLike(const LevelProblem& wanted) const {
    for (size_t i = 0; i < m_problems.size(); ++i) {
        const LevelProblem& now = m_problems[i];
        if (now.code == wanted.code && now.screen == wanted.screen && now.tile == wanted.tile &&
            now.direction == wanted.direction)
            return int(i);
    }
    return -1;
}

// A row of a level that changed since is checked against the level as it is now: the fix is made only
// where the same problem is found again at the same place, and only when it breaks nothing.
void CheckLevelWindow::fixSelected() {
    const LevelProblem* selected = selectedProblem();
    if (!selected)
        return;
    if (m_stale) {
        const LevelProblem wanted = *selected;
        CheckLevel(QStringLiteral("Fix_Click"));
        const int row = rowLike(wanted);
        if (row < 0) {
            Summary->setText(Summary->text() + u' ' +
                             tr("The level changed since it was checked, and that problem is "
                                "no longer there: nothing was changed."));
            return;
        }
        ProblemList->setCurrentItem(ProblemList->topLevelItem(row));
    }
    selected = selectedProblem();
    if (!selected || !Fix->isEnabled())
        return;
    const LevelProblem chosen = *selected; // the list is checked again while it is mended
    emit fixChosen(chosen);
}

void CheckLevelWindow::ProblemList_Activated(QTreeWidgetItem* item) {
    const int index = item->data(SeverityColumn, ProblemRole).toInt();
    if (index >= 0 && index < static_cast<int>(m_problems.size()))
        emit problemChosen(m_problems[static_cast<size_t>(index)]);
}

} // namespace tavrin
