#include "mainwindow/comparewindow.h"

#include "mainwindow/centring.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tavrin {

CompareWindow::CompareWindow(QWidget* mainWindow) : QWidget(mainWindow, Qt::Window) {
    setObjectName(QStringLiteral("CompareWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    CloseOnEscape(this);
    Summary = new QLabel(this);
    Summary->setObjectName(QStringLiteral("Summary"));
    Summary->setWordWrap(true);
    ChangeList = new QTreeWidget(this);
    ChangeList->setObjectName(QStringLiteral("ChangeList"));
    ChangeList->setRootIsDecorated(false);
    ChangeList->setAlternatingRowColors(true);
    ChangeList->setHeaderLabels({tr("Screen"), tr("Tile"), tr("Change")});
    ChangeList->header()->setStretchLastSection(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Summary);
    layout->addWidget(ChangeList, 1);
    connect(ChangeList, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        emit placeChosen(item->data(ScreenColumn, Qt::UserRole).toInt(),
                         item->data(TileColumn, Qt::UserRole).toInt());
    });
    resize(640, 420);
    PlaceBesideMainWindow(this, mainWindow);
}

void CompareWindow::showChanges(const std::vector<LevelChange>& changes, const QString& other,
                                const QString& shownAs) {
    const QString name = shownAs.isEmpty() ? QDir::toNativeSeparators(other) : shownAs;
    setWindowTitle(tr("Compare With %1").arg(shownAs.isEmpty() ? QFileInfo(other).fileName() : shownAs));
    ChangeList->clear();
    QList<QTreeWidgetItem*> rows;
    for (const LevelChange& change : changes) {
        const bool ofTile = change.kind == LevelChange::Kind::Tile;
        auto* row = new QTreeWidgetItem({change.screen < 0 ? QString() : QString::number(change.screen),
                                         ofTile ? QString::number(change.place) : QString(), change.line()});
        row->setData(ScreenColumn, Qt::UserRole, change.screen);
        row->setData(TileColumn, Qt::UserRole, ofTile ? change.place : 0);
        rows << row;
    }
    ChangeList->addTopLevelItems(rows);
    ChangeList->resizeColumnToContents(ScreenColumn);
    ChangeList->resizeColumnToContents(TileColumn);
    Summary->setText(
        changes.empty()
            ? tr("The level being edited means the same as %1.").arg(name)
            : tr("%n change(s) from the level being edited to %1:", nullptr, int(changes.size())).arg(name));
}

void CompareWindow::levelRenumbered() {
    if (ChangeList->topLevelItemCount() == 0)
        return;
    ChangeList->clear();
    Summary->setText(tr("The screens of the level took other numbers since it was compared: use Compare "
                        "With again."));
}

} // namespace tavrin
