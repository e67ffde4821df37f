#include "mainwindow/resolveconflicts.h"

#include "level/core/colour.h"
#include "level/core/failure.h"
#include "level/core/messages.h"
#include "level/document/leveldocument.h"
#include "level/tools/leveldiff.h"
#include "level/tools/mergeconflicts.h"
#include "level/tools/tileblock.h"
#include "mainwindow/centring.h"
#include "mainwindow/longtask.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>
#include <map>
#include <set>

namespace tavrin {

namespace {

constexpr int ColourField = 2;
const QString Place = QStringLiteral("Resolve Conflicts");

// The colour a value of a tile's colour field is drawn in, when it is one.
std::optional<QColor> SwatchOf(const MergeConflict& conflict, const std::optional<FieldValue>& value) {
    if (conflict.kind != MergeConflict::Kind::Tile || conflict.field != ColourField || !value ||
        !value->isNumber())
        return std::nullopt;
    const double number = value->numberValue();
    if (number < std::numeric_limits<Long>::min() || number > std::numeric_limits<Long>::max())
        return std::nullopt;
    return ColourToQColor(Long(number));
}

QString FieldText(const MergeConflict& conflict) {
    switch (conflict.kind) {
    case MergeConflict::Kind::Tile:
        return TileFieldName(conflict.field);
    case MergeConflict::Kind::Link:
        return QStringLiteral("link %1").arg(conflict.link);
    case MergeConflict::Kind::Property:
        return PropertyFieldName(conflict.field);
    default:
        return conflict.place;
    }
}

} // namespace

ResolveConflicts::ResolveConflicts(QWidget* mainWindow, LevelDocument& document, QString levelFile,
                                   std::vector<MergeConflict> conflicts)
    : QWidget(mainWindow, Qt::Window), m_document(document), m_levelFile(std::move(levelFile)),
      m_conflicts(std::move(conflicts)), m_taken(m_conflicts.size()) {
    setObjectName(QStringLiteral("ResolveConflicts"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Resolve Conflicts - %1").arg(QFileInfo(m_levelFile).fileName()));
    CloseOnEscape(this);
    Summary = new QLabel(this);
    Summary->setObjectName(QStringLiteral("Summary"));
    Summary->setWordWrap(true);
    ConflictList = new QTreeWidget(this);
    ConflictList->setObjectName(QStringLiteral("ConflictList"));
    ConflictList->setRootIsDecorated(false);
    ConflictList->setAlternatingRowColors(true);
    ConflictList->setHeaderLabels(
        {tr("Screen"), tr("Tile"), tr("Field"), tr("Base"), tr("Ours"), tr("Theirs"), tr("Take")});
    ConflictList->header()->setStretchLastSection(false);
    TakeAllOurs = new QPushButton(tr("Take All Ours"), this);
    TakeAllOurs->setObjectName(QStringLiteral("TakeAllOurs"));
    TakeAllTheirs = new QPushButton(tr("Take All Theirs"), this);
    TakeAllTheirs->setObjectName(QStringLiteral("TakeAllTheirs"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(TakeAllOurs);
    buttons->addWidget(TakeAllTheirs);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Summary);
    layout->addWidget(ConflictList, 1);
    layout->addLayout(buttons);
    for (int row = 0; row < int(m_conflicts.size()); ++row)
        addRow(row);
    for (const int column : {ScreenColumn, TileColumn, FieldColumn, BaseColumn, OursColumn, TheirsColumn})
        ConflictList->resizeColumnToContents(column);
    const auto all = [this](MergeSide side) {
        std::vector<int> rows(m_conflicts.size());
        for (int row = 0; row < int(rows.size()); ++row)
            rows[size_t(row)] = row;
        take(rows, side);
    };
    connect(TakeAllOurs, &QPushButton::clicked, this, [all] { all(MergeSide::Ours); });
    connect(TakeAllTheirs, &QPushButton::clicked, this, [all] { all(MergeSide::Theirs); });
    connect(ConflictList, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        const MergeConflict& conflict = m_conflicts[size_t(ConflictList->indexOfTopLevelItem(item))];
        emit placeChosen(conflict.screen, conflict.tile);
    });
    // Another level, or screens that took other numbers: the rows no longer name its places.
    connect(&m_document, &LevelDocument::levelReplaced, this, &QWidget::close);
    connect(&m_document, &LevelDocument::screensRenumbered, this, &QWidget::close);
    showState();
    // Wide enough for every column, the buttons included, as far as the screen allows.
    if (QTreeWidgetItem* first = ConflictList->topLevelItem(0))
        ConflictList->header()->resizeSection(
            TakeColumn, ConflictList->itemWidget(first, TakeColumn)->sizeHint().width() + 8);
    const int width = ConflictList->header()->length() + 2 * ConflictList->frameWidth() +
                      layout->contentsMargins().left() + layout->contentsMargins().right() + 24;
    resize(std::clamp(width, 640, 1100), 420);
    PlaceBesideMainWindow(this, mainWindow);
}

ResolveConflicts* ResolveConflicts::openFor(QWidget* mainWindow, LevelDocument& document,
                                            const QString& levelFile) {
    const QString path = ConflictsFileOf(levelFile);
    if (!QFileInfo(path).isFile())
        return nullptr;
    try {
        FileAccess files;
        auto* window = new ResolveConflicts(mainWindow, document, levelFile, ReadConflictsFile(files, path));
        window->show();
        return window;
    } catch (const Failure& failure) {
        ShowFailure(failure, Place);
    }
    return nullptr;
}

void ResolveConflicts::addRow(int row) {
    const MergeConflict& conflict = m_conflicts[size_t(row)];
    const bool ofTile = conflict.kind == MergeConflict::Kind::Tile;
    auto* item = new QTreeWidgetItem(ConflictList);
    item->setText(ScreenColumn, conflict.screen < 0 ? QString() : QString::number(conflict.screen));
    if (ofTile)
        item->setText(TileColumn, QStringLiteral("col %1, row %2")
                                      .arg(GridColumnOf(conflict.tile) + 1)
                                      .arg(GridRowOf(conflict.tile) + 1));
    item->setText(FieldColumn, FieldText(conflict));
    const std::pair<int, std::optional<FieldValue>> values[] = {{BaseColumn, conflict.baseValue},
                                                                {OursColumn, conflict.oursValue},
                                                                {TheirsColumn, conflict.theirsValue}};
    const QString texts[] = {conflict.base, conflict.ours, conflict.theirs};
    for (int i = 0; i < 3; ++i) {
        const auto& [column, value] = values[i];
        item->setText(column, texts[i]);
        if (const std::optional<QColor> swatch = SwatchOf(conflict, value))
            item->setData(column, Qt::DecorationRole, *swatch);
    }
    auto* cell = new QWidget;
    auto* layout = new QHBoxLayout(cell);
    layout->setContentsMargins(0, 0, 0, 0);
    for (const MergeSide side : {MergeSide::Ours, MergeSide::Theirs}) {
        const bool ours = side == MergeSide::Ours;
        auto* button = new QToolButton(cell);
        button->setObjectName(ours ? QStringLiteral("TakeOurs") : QStringLiteral("TakeTheirs"));
        button->setText(ours ? tr("Ours") : tr("Theirs"));
        button->setCheckable(true);
        if (!ours && !conflict.isField()) {
            button->setEnabled(false);
            button->setToolTip(Text(Msg::ResolveTheirsWhole));
        }
        connect(button, &QToolButton::clicked, this, [this, row, side] { take({row}, side); });
        layout->addWidget(button);
    }
    ConflictList->setItemWidget(item, TakeColumn, cell);
}

bool ResolveConflicts::settled() const {
    return std::all_of(m_taken.begin(), m_taken.end(), [](const auto& side) { return side.has_value(); });
}

// Each screen is read once; the tiles and links take the values of every row of them, and the whole is
// one edit of the level.
bool ResolveConflicts::take(const std::vector<int>& rows, MergeSide side) {
    const bool ours = side == MergeSide::Ours;
    const QString name = ours ? tr("Take Ours") : tr("Take Theirs");
    std::map<int, Screen> screens;
    std::set<std::pair<int, int>> tiles;
    std::set<int> links;
    std::optional<PropertyValues> properties;
    std::vector<int> taken;
    try {
        for (const int row : rows) {
            const MergeConflict& conflict = m_conflicts[size_t(row)];
            const FieldValue& value = ours ? conflict.oursValue : conflict.theirsValue;
            if (conflict.kind == MergeConflict::Kind::Property) {
                if (!properties)
                    properties = m_document.state().Properties();
                SetPropertyField(*properties, conflict.field, value);
            } else if (conflict.isField()) {
                auto screen = screens.find(conflict.screen);
                if (screen == screens.end())
                    screen =
                        screens.emplace(conflict.screen, m_document.screenValue(conflict.screen, name)).first;
                if (conflict.kind == MergeConflict::Kind::Tile) {
                    SetTileField(screen->second.tile(conflict.tile), conflict.field, value);
                    tiles.insert({conflict.screen, conflict.tile});
                } else {
                    screen->second.links[size_t(conflict.link)] = value.toInteger();
                    links.insert(conflict.screen);
                }
            } else if (!ours) {
                continue; // the level holds our side of a whole screen; theirs is not the editor's to take
            }
            taken.push_back(row);
        }
        LevelDocument::LevelEdit edit;
        for (const auto& [screen, tile] : tiles)
            edit.tiles.push_back({screen, tile, screens.at(screen).tile(tile)});
        for (const int screen : links)
            edit.links.push_back({screen, screens.at(screen).links});
        edit.properties = properties;
        const std::unique_ptr<Task> task = m_document.editLevelTask(name, std::move(edit));
        LongTaskLook look;
        look.title = name;
        if (!RunLongTask(this, *task, look))
            return false;
    } catch (const Failure& failure) {
        ShowFailure(failure, Place);
        return false;
    }
    for (const int row : taken)
        m_taken[size_t(row)] = side;
    showState();
    return true;
}

void ResolveConflicts::showState() {
    int left = 0;
    for (int row = 0; row < int(m_conflicts.size()); ++row) {
        QTreeWidgetItem* item = ConflictList->topLevelItem(row);
        const std::optional<MergeSide>& side = m_taken[size_t(row)];
        left += side ? 0 : 1;
        const std::pair<int, MergeSide> sides[] = {{OursColumn, MergeSide::Ours},
                                                   {TheirsColumn, MergeSide::Theirs}};
        for (const auto& [column, chosen] : sides) {
            QFont font = ConflictList->font();
            font.setBold(side == chosen);
            item->setFont(column, font);
        }
        QWidget* cell = ConflictList->itemWidget(item, TakeColumn);
        cell->findChild<QToolButton*>(QStringLiteral("TakeOurs"))->setChecked(side == MergeSide::Ours);
        cell->findChild<QToolButton*>(QStringLiteral("TakeTheirs"))->setChecked(side == MergeSide::Theirs);
    }
    const QString conflictsFile = ConflictsFileOf(m_levelFile);
    if (left > 0) {
        Summary->setText(Text(Msg::ResolveLeft)
                             .arg(left)
                             .arg(m_conflicts.size())
                             .arg(QDir::toNativeSeparators(m_levelFile)));
        return;
    }
    // Settled: the file that said there were conflicts goes, and git is told by the user.
    QFile::remove(conflictsFile);
    Summary->setText(Text(Msg::ResolveSettled)
                         .arg(QFileInfo(conflictsFile).fileName(), QFileInfo(m_levelFile).fileName()));
}

} // namespace tavrin
