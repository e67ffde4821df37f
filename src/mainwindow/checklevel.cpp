#include "mainwindow/checklevel.h"

#include "mainwindow/centring.h"

#include "level/core/failure.h"
#include "level/core/messages.h"
#include "level/document/leveldocument.h"
#include "level/document/module1.h"
#include "level/tools/levelcheckfix.h"
#include "mainwindow/inputonlyto.h"
#include "mainwindow/longtask.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <map>
#include <set>

namespace tavrin {

namespace {
constexpr int WindowWidth = 960;
constexpr int WindowHeight = 300;
// The index of a row's problem in the list of problems; -1 for a row of a group or of a screen.
constexpr int ProblemRole = Qt::UserRole;
// The code of a group's row and of a screen's row of edge-wraps.
constexpr int KindRole = Qt::UserRole + 1;
// The screen of a screen's row of edge-wraps.
constexpr int ScreenRole = Qt::UserRole + 2;
// In the fix column: the names of the row's fixes, a button each.
constexpr int FixNamesRole = Qt::UserRole;
const QString EdgeWrap = QStringLiteral("edge-wrap");

QString NumberOrBlank(const std::optional<qint64>& number) {
    return number ? QString::number(*number) : QString();
}

// The buttons of the fix column, drawn in the row: a click on one (no need to select the row first) asks
// for its fix, and hovering says what it will change.
class FixButtons : public QStyledItemDelegate {
public:
    using Clicked = std::function<void(const QModelIndex&, int)>;
    using Told = std::function<QString(const QModelIndex&, int)>;
    FixButtons(QObject* parent, Clicked clicked, Told told)
        : QStyledItemDelegate(parent), m_clicked(std::move(clicked)), m_told(std::move(told)) {}

    // Where button `fix` of the names `names` stands in a cell at `cell`.
    static QRect buttonRect(const QRect& cell, const QStringList& names, int fix,
                            const QFontMetrics& metrics) {
        int left = cell.left() + Gap;
        for (int i = 0; i < names.size(); ++i) {
            const int width = metrics.horizontalAdvance(names[i]) + 2 * Padding;
            if (i == fix)
                return QRect(left, cell.top() + 1, width, cell.height() - 2);
            left += width + Gap;
        }
        return QRect();
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        const QStringList names = index.data(FixNamesRole).toStringList();
        const QWidget* view = option.widget;
        for (int i = 0; i < names.size(); ++i) {
            QStyleOptionButton button;
            button.rect = buttonRect(option.rect, names, i, option.fontMetrics);
            button.text = names[i];
            button.state = QStyle::State_Enabled | QStyle::State_Raised;
            view->style()->drawControl(QStyle::CE_PushButton, &button, painter, view);
        }
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QStringList names = index.data(FixNamesRole).toStringList();
        const QRect last = buttonRect(QRect(0, 0, 0, 0), names, int(names.size()) - 1, option.fontMetrics);
        return QSize(names.isEmpty() ? 0 : last.right() + 1 + Gap,
                     QStyledItemDelegate::sizeHint(option, index).height() + 4);
    }
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override {
        if (event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (const int fix = buttonAt(option, index, mouse->position().toPoint());
                fix >= 0 && mouse->button() == Qt::LeftButton) {
                m_clicked(index, fix);
                return true;
            }
        }
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    }
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (const int fix = buttonAt(option, index, event->pos()); fix >= 0) {
            QToolTip::showText(event->globalPos(), m_told(index, fix), view);
            return true;
        }
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    }

private:
    static constexpr int Gap = 4;
    static constexpr int Padding = 10;
    static int buttonAt(const QStyleOptionViewItem& option, const QModelIndex& index, const QPoint& at) {
        const QStringList names = index.data(FixNamesRole).toStringList();
        for (int i = 0; i < names.size(); ++i)
            if (buttonRect(option.rect, names, i, option.fontMetrics).contains(at))
                return i;
        return -1;
    }
    Clicked m_clicked;
    Told m_told;
};

QStringList FixNames(const LevelProblem& problem) {
    QStringList names;
    for (const LevelFixKind kind : FixesFor(problem))
        names << FixName(kind);
    return names;
}
} // namespace

CheckLevelWindow::CheckLevelWindow(const LevelDocument& document, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window), m_document(document), m_level(document.state()) {
    setObjectName(QStringLiteral("CheckLevel"));
    setWindowTitle(DesignCaption());
    setAttribute(Qt::WA_DeleteOnClose);
    CloseOnEscape(this);

    KindFilter = new QComboBox(this);
    KindFilter->setObjectName(QStringLiteral("KindFilter"));
    KindFilter->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    ScreenFilter = new QComboBox(this);
    ScreenFilter->setObjectName(QStringLiteral("ScreenFilter"));
    ScreenFilter->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    ProblemList = new QTreeWidget(this);
    ProblemList->setObjectName(QStringLiteral("ProblemList"));
    ProblemList->setHeaderLabels({tr("Severity"), tr("Screen"), tr("Tile"), tr("Direction"), tr("Line"),
                                  tr("Message"), Text(Msg::CheckFixColumn)});
    ProblemList->setUniformRowHeights(true);
    ProblemList->setAlternatingRowColors(true);
    ProblemList->setSelectionBehavior(QAbstractItemView::SelectRows);
    ProblemList->setAllColumnsShowFocus(true);
    ProblemList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ProblemList->header()->setStretchLastSection(false);
    ProblemList->header()->setSectionResizeMode(MessageColumn, QHeaderView::Stretch);
    ProblemList->header()->setSectionsMovable(false);
    ProblemList->setItemDelegateForColumn(
        FixColumn,
        new FixButtons(
            ProblemList,
            // After the click has been handled: the fix checks the list again, which takes the row away.
            [this](const QModelIndex& index, int fix) {
                bool whole = false;
                const std::optional<LevelProblem> target =
                    targetOf(ProblemList->itemFromIndex(index), &whole);
                if (target)
                    QTimer::singleShot(0, this, [this, target = *target, whole, fix] {
                        fixRow(rowLike(target, whole), fix);
                    });
            },
            [this](const QModelIndex& index, int fix) {
                const std::vector<LevelFix> plans = plansOf(ProblemList->itemFromIndex(index));
                if (fix >= int(plans.size()))
                    return QString();
                const LevelFix& plan = plans[size_t(fix)];
                return plan.refusal.isEmpty() ? plan.change : plan.refusal;
            }));

    Summary = new QLabel(this);
    Summary->setObjectName(QStringLiteral("Summary"));
    Refresh = new QPushButton(tr("Refresh"), this);
    Refresh->setObjectName(QStringLiteral("Refresh"));
    Refresh->setAutoDefault(false);
    Fix = new QPushButton(this);
    Fix->setObjectName(QStringLiteral("Fix"));
    Fix->setAutoDefault(false);
    Fix->hide();
    SecondFix = new QPushButton(this);
    SecondFix->setObjectName(QStringLiteral("SecondFix"));
    SecondFix->setAutoDefault(false);
    SecondFix->hide();
    FixPlan = new QLabel(this);
    FixPlan->setObjectName(QStringLiteral("FixPlan"));
    FixPlan->setWordWrap(true);
    FixPlan->hide();
    m_recheck = new QTimer(this);
    m_recheck->setSingleShot(true);
    connect(m_recheck, &QTimer::timeout, this, &CheckLevelWindow::recheck);

    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(new QLabel(Text(Msg::CheckKindFilter), this));
    filterRow->addWidget(KindFilter);
    filterRow->addWidget(new QLabel(Text(Msg::CheckScreenFilter), this));
    filterRow->addWidget(ScreenFilter);
    filterRow->addStretch(1);
    auto* bottomRow = new QHBoxLayout;
    bottomRow->addWidget(Summary, 1);
    bottomRow->addWidget(Fix);
    bottomRow->addWidget(SecondFix);
    bottomRow->addWidget(Refresh);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filterRow);
    layout->addWidget(ProblemList, 1);
    layout->addWidget(FixPlan);
    layout->addLayout(bottomRow);

    connect(Refresh, &QPushButton::clicked, this, &CheckLevelWindow::Refresh_Click);
    connect(ProblemList, &QTreeWidget::itemActivated, this, &CheckLevelWindow::ProblemList_Activated);
    connect(ProblemList, &QTreeWidget::itemSelectionChanged, this, &CheckLevelWindow::showFix);
    for (const auto& [signal, open] :
         {std::pair{&QTreeWidget::itemExpanded, true}, {&QTreeWidget::itemCollapsed, false}})
        connect(ProblemList, signal, this, [this, open = open](QTreeWidgetItem* row) {
            m_expanded.insert(row->data(SeverityColumn, KindRole).toString() + u'/' + row->text(ScreenColumn),
                              open);
        });
    connect(Fix, &QPushButton::clicked, this, [this] { fixRow(ProblemList->selectedItems().value(0), 0); });
    connect(SecondFix, &QPushButton::clicked, this,
            [this] { fixRow(ProblemList->selectedItems().value(0), 1); });
    for (QComboBox* filter : {KindFilter, ScreenFilter})
        connect(filter, &QComboBox::currentIndexChanged, this, &CheckLevelWindow::fillRows);

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
    settings.picturesFolders = m_level.Pictures().folders();
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
    if (isVisible() && m_level.LevelLastScreen() < CheckAtOnceBelow) {
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
        m_recheck->start(m_level.LevelLastScreen() < CheckAtOnceBelow ? RecheckAfter : RecheckBigAfter);
}

// The row selected stays selected when what it holds is found again at its place. While a save, a question
// or the progress of a long edit holds the editor, the check waits until it has ended.
void CheckLevelWindow::recheck() {
    if (!isVisible())
        return;
    if (InputOnlyTo::active() || QApplication::activeModalWidget()) {
        m_recheck->start();
        return;
    }
    const QList<QTreeWidgetItem*> selected = ProblemList->selectedItems();
    bool whole = false;
    const std::optional<LevelProblem> wanted =
        selected.isEmpty() ? std::nullopt : targetOf(selected[0], &whole);
    CheckLevel(QStringLiteral("Refresh_Click"));
    if (QTreeWidgetItem* row = wanted ? rowLike(*wanted, whole) : nullptr)
        ProblemList->setCurrentItem(row);
}

void CheckLevelWindow::Refresh_Click() {
    CheckLevel(QStringLiteral("Refresh_Click"));
}

void CheckLevelWindow::fillFilters() {
    const auto refill = [](QComboBox* filter, const QString& all,
                           const QList<QPair<QString, QVariant>>& entries) {
        const QVariant chosen = filter->currentData();
        const QSignalBlocker quiet(filter);
        filter->clear();
        filter->addItem(all);
        for (const auto& [text, value] : entries)
            filter->addItem(text, value);
        // A filter chosen stays, though its kind or screen has no problems left.
        if (chosen.isValid() && filter->findData(chosen) < 0)
            filter->addItem(chosen.toString(), chosen);
        filter->setCurrentIndex(std::max(0, filter->findData(chosen)));
    };
    QList<QPair<QString, QVariant>> kinds;
    for (const ProblemGroup& group : GroupProblems(m_problems))
        kinds.append({group.code, group.code});
    std::set<qint64> screens;
    for (const LevelProblem& problem : m_problems)
        if (problem.screen)
            screens.insert(*problem.screen);
    QList<QPair<QString, QVariant>> screenEntries;
    for (const qint64 screen : screens)
        screenEntries.append({QString::number(screen), screen});
    refill(KindFilter, Text(Msg::CheckAllKinds), kinds);
    refill(ScreenFilter, Text(Msg::CheckAllScreens), screenEntries);
}

void CheckLevelWindow::fillList() {
    fillFilters();
    fillRows();
}

// The groups open, and the screens' rows of edge-wraps closed, unless the user opened or closed them.
void CheckLevelWindow::fillRows() {
    ProblemList->clear();
    m_rowOf.assign(m_problems.size(), nullptr);
    showFix();
    const QString kind = KindFilter->currentData().toString();
    const QVariant screen = ScreenFilter->currentData();
    const auto shown = [&](const LevelProblem& problem) {
        return (kind.isEmpty() || problem.code == kind) &&
               (!screen.isValid() || problem.screen == screen.toLongLong());
    };
    const auto headRow = [this](const LevelProblem& problem, const QString& message) {
        auto* row = makeRow(problem);
        row->setText(MessageColumn, message);
        row->setToolTip(MessageColumn, message);
        row->setData(SeverityColumn, ProblemRole, -1);
        row->setData(SeverityColumn, KindRole, problem.code);
        return row;
    };
    const auto open = [this](QTreeWidgetItem* row, bool byDefault) {
        row->setExpanded(m_expanded.value(
            row->data(SeverityColumn, KindRole).toString() + u'/' + row->text(ScreenColumn), byDefault));
    };
    for (const ProblemGroup& group : GroupProblems(m_problems)) {
        std::vector<size_t> members;
        for (const size_t i : group.members)
            if (shown(m_problems[i]))
                members.push_back(i);
        if (members.empty())
            continue;
        LevelProblem kindOnly;
        kindOnly.code = group.code;
        kindOnly.severity = group.severity;
        QTreeWidgetItem* groupRow =
            headRow(kindOnly, Text(Msg::CheckKindRow).arg(group.code).arg(members.size()));
        QFont bold = groupRow->font(MessageColumn);
        bold.setBold(true);
        groupRow->setFont(MessageColumn, bold);
        ProblemList->addTopLevelItem(groupRow);
        // The edge-wraps of a screen come together, in the order of the level.
        std::map<qint64, std::vector<size_t>> byScreen;
        if (group.code == EdgeWrap)
            for (const size_t i : members)
                byScreen[m_problems[i].screen.value_or(-1)].push_back(i);
        QList<QTreeWidgetItem*> rows;
        for (const auto& [number, wraps] : byScreen) {
            LevelProblem screenOnly = kindOnly;
            screenOnly.screen = number;
            QTreeWidgetItem* screenRow = headRow(screenOnly, Text(Msg::CheckWrapScreenRow).arg(wraps.size()));
            screenRow->setData(SeverityColumn, ScreenRole, number);
            for (const size_t i : wraps) {
                m_rowOf[i] = makeRow(m_problems[i]);
                m_rowOf[i]->setData(SeverityColumn, ProblemRole, int(i));
                screenRow->addChild(m_rowOf[i]);
            }
            rows << screenRow;
        }
        if (byScreen.empty())
            for (const size_t i : members) {
                m_rowOf[i] = makeRow(m_problems[i]);
                m_rowOf[i]->setData(SeverityColumn, ProblemRole, int(i));
                rows << m_rowOf[i];
            }
        groupRow->addChildren(rows);
        open(groupRow, true);
        for (QTreeWidgetItem* row : std::as_const(rows))
            if (row->childCount())
                open(row, false);
    }
    for (int column = SeverityColumn; column < MessageColumn; ++column)
        ProblemList->resizeColumnToContents(column);
    ProblemList->resizeColumnToContents(FixColumn);
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
    row->setData(FixColumn, FixNamesRole, FixNames(problem));
    for (int column : {ScreenColumn, TileColumn, LineColumn})
        row->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    return row;
}

QTreeWidgetItem* CheckLevelWindow::rowOfProblem(size_t index) const {
    return index < m_rowOf.size() ? m_rowOf[index] : nullptr;
}

QRect CheckLevelWindow::fixButtonRect(QTreeWidgetItem* row, int fix) const {
    const QRect cell = ProblemList->visualItemRect(row);
    const int left = ProblemList->header()->sectionViewportPosition(FixColumn);
    return FixButtons::buttonRect(QRect(left, cell.top(), ProblemList->columnWidth(FixColumn), cell.height()),
                                  row->data(FixColumn, FixNamesRole).toStringList(), fix,
                                  ProblemList->fontMetrics());
}

std::optional<LevelProblem> CheckLevelWindow::targetOf(const QTreeWidgetItem* row, bool* whole) const {
    if (!row)
        return std::nullopt;
    const int index = row->data(SeverityColumn, ProblemRole).toInt();
    if (whole)
        *whole = index < 0;
    if (index >= 0)
        return index < int(m_problems.size()) ? std::optional(m_problems[size_t(index)]) : std::nullopt;
    LevelProblem kindOnly;
    kindOnly.code = row->data(SeverityColumn, KindRole).toString();
    if (const QVariant screen = row->data(SeverityColumn, ScreenRole); screen.isValid())
        kindOnly.screen = screen.toLongLong();
    return kindOnly;
}

QTreeWidgetItem* CheckLevelWindow::rowLike(const LevelProblem& wanted, bool whole) const {
    for (QTreeWidgetItemIterator it(ProblemList); *it; ++it) {
        bool rowWhole = false;
        const std::optional<LevelProblem> now = targetOf(*it, &rowWhole);
        if (now && rowWhole == whole && now->code == wanted.code && now->screen == wanted.screen &&
            now->tile == wanted.tile && now->direction == wanted.direction)
            return *it;
    }
    return nullptr;
}

std::vector<LevelFix> CheckLevelWindow::plansOf(const QTreeWidgetItem* row) const {
    std::vector<LevelFix> plans;
    const std::optional<LevelProblem> target = targetOf(row);
    if (!target)
        return plans;
    for (const LevelFixKind kind : FixesFor(*target)) {
        LevelFix& plan = plans.emplace_back();
        try {
            plan = PlanFix(m_document, *target, kind);
        } catch (const Failure& failure) {
            plan.refusal = ShownText(failure);
        }
    }
    return plans;
}

// What each fix will change is said before it is clicked; a fix that cannot be made leaves its button
// disabled, saying why. A screen that cannot be read is said the same way.
void CheckLevelWindow::showFix() {
    const QList<QTreeWidgetItem*> selected = ProblemList->selectedItems();
    const std::optional<LevelProblem> target = selected.isEmpty() ? std::nullopt : targetOf(selected[0]);
    const std::vector<LevelFixKind> kinds = target ? FixesFor(*target) : std::vector<LevelFixKind>();
    const std::vector<LevelFix> plans = kinds.empty() ? std::vector<LevelFix>() : plansOf(selected[0]);
    QStringList said;
    for (QPushButton* button : {Fix, SecondFix}) {
        const size_t i = button == Fix ? 0 : 1;
        button->setVisible(i < kinds.size());
        if (i >= kinds.size())
            continue;
        const LevelFix& plan = plans[i];
        const QString sentence = plan.refusal.isEmpty() ? plan.change : plan.refusal;
        button->setText(FixName(kinds[i]));
        button->setEnabled(plan.refusal.isEmpty());
        button->setToolTip(sentence);
        said << (kinds.size() > 1 ? FixName(kinds[i]) + QStringLiteral(": ") + sentence : sentence);
    }
    FixPlan->setVisible(!kinds.empty());
    FixPlan->setText(said.join(u'\n'));
}

// A row of a level that changed since is checked against the level as it is now: the fix is made only
// where the same problem is found again at the same place, and only when it breaks nothing.
void CheckLevelWindow::fixRow(QTreeWidgetItem* row, int fix) {
    bool whole = false;
    const std::optional<LevelProblem> wanted = targetOf(row, &whole);
    if (!wanted)
        return;
    if (m_stale) {
        CheckLevel(QStringLiteral("Fix_Click"));
        row = rowLike(*wanted, whole);
        if (!row) {
            Summary->setText(Summary->text() + u' ' +
                             tr("The level changed since it was checked, and that problem is "
                                "no longer there: nothing was changed."));
            return;
        }
    }
    ProblemList->setCurrentItem(row);
    QPushButton* button = fix == 0 ? Fix : SecondFix;
    if (!button->isVisible() || !button->isEnabled())
        return;
    const LevelProblem chosen = *targetOf(row); // the list is checked again while it is mended
    emit fixChosen(chosen, FixesFor(chosen)[size_t(fix)]);
}

void CheckLevelWindow::ProblemList_Activated(QTreeWidgetItem* item) {
    // A screen's row of edge-wraps goes where its first one is.
    if (item->data(SeverityColumn, ScreenRole).isValid() && item->childCount())
        item = item->child(0);
    const int index = item->data(SeverityColumn, ProblemRole).toInt();
    if (index >= 0 && index < static_cast<int>(m_problems.size()))
        emit problemChosen(m_problems[static_cast<size_t>(index)]);
}

} // namespace tavrin
