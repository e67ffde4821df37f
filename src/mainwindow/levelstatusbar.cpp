// The status bar under the window's fixed area: where the user is, the tile under the mouse pointer, the
// level's name, and a few seconds' confirmation of what just happened.
#include "mainwindow/levelstatusbar.h"

#include "level/core/messages.h"
#include "level/document/leveldocument.h"
#include "level/document/screen.h"
#include "level/tools/directions.h"
#include "mainwindow/controlhelp.h"
#include "mainwindow/picturebox.h"

#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>

namespace tavrin {

namespace {

constexpr int ConfirmationTime = 5000; // ms

QLabel* AddStatusLabel(QStatusBar* bar, const char* name, bool permanent) {
    auto* label = new QLabel(bar);
    label->setObjectName(QString::fromLatin1(name));
    if (permanent)
        bar->addPermanentWidget(label);
    else
        bar->addWidget(label, 1);
    return label;
}

// One direction of a tile in words: what the walk does on that key.
QString DirectionInWords(const Module1& module, Integer property, const FieldValue& operand) {
    if (property == 1)
        return QStringLiteral("blocked");
    if (!IsExit(property))
        return QStringLiteral("free");
    const std::optional<Integer> landing = LandingTile(operand);
    return QStringLiteral("exit %1 to screen %2, tile %3")
        .arg(property)
        .arg(module.SideScreen(property))
        .arg(landing ? QString::number(*landing) : QStringLiteral("none"));
}

QString StatusScreenText(int screen, int lastScreen) {
    return QStringLiteral("Screen %1 of 0-%2").arg(screen).arg(lastScreen);
}

} // namespace

LevelStatusBar::LevelStatusBar(QStatusBar* bar, const LevelDocument& document,
                               const std::array<PictureBox*, 301>& grid)
    : QObject(bar), m_bar(bar), m_document(document) {
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(false);
    m_tile = AddStatusLabel(bar, "StatusTile", false);
    SetHelp(m_tile, QStringLiteral("The tile under the mouse pointer and what each arrow key does "
                                   "there: free, blocked, or an exit to a linked screen"));
    // A confirmation takes the tile's place while it lasts, also when it came before the window was shown.
    connect(bar, &QStatusBar::messageChanged, m_tile,
            [this](const QString& message) { m_tile->setVisible(message.isEmpty()); });
    m_beyond = AddStatusLabel(bar, "StatusBeyond", true);
    m_beyond->setText(QStringLiteral("beyond the last screen"));
    m_beyond->setStyleSheet(QStringLiteral("QLabel { color: #b00000; font-weight: bold; }"));
    SetHelp(m_beyond, QStringLiteral("This screen lies above the level's last screen, so Save Level "
                                     "leaves it out. Raise the last screen in Level Properties (F3) "
                                     "to keep it."));
    m_screen = AddStatusLabel(bar, "StatusScreen", true);
    SetHelp(m_screen, QStringLiteral("The screen on display, and the level's screens"));
    m_level = AddStatusLabel(bar, "StatusLevel", true);
    SetHelp(m_level, QStringLiteral("The level's name, from Level Properties (F3)"));

    for (int index = FirstGridTile; index <= LastGridTile; ++index) {
        connect(grid[size_t(index)], &PictureBox::entered, this, [this, index] {
            m_hoveredTile = index;
            showHoveredTile();
        });
        // The outer part of a tile toward a side is where the arrow of an exit through that side is drawn.
        grid[size_t(index)]->setMouseTracking(true);
        connect(grid[size_t(index)], &PictureBox::hovered, this, [this, index, grid](const QPoint& at) {
            const QSize size = grid[size_t(index)]->size();
            const double dx = (at.x() - size.width() / 2.0) / size.width();
            const double dy = (at.y() - size.height() / 2.0) / size.height();
            int side = -1;
            if (std::max(std::abs(dx), std::abs(dy)) > 0.2)
                side = std::abs(dx) > std::abs(dy) ? (dx < 0 ? SideLeft : SideRight)
                                                   : (dy < 0 ? SideUp : SideDown);
            if (std::exchange(m_hoveredSide, side) != side && m_directionsShown) {
                m_hoveredTile = index;
                showHoveredTile();
            }
        });
        connect(grid[size_t(index)], &PictureBox::left, this, [this, index] {
            if (m_hoveredTile == index) {
                m_hoveredTile = 0;
                showHoveredTile();
            }
        });
    }
    connect(&m_document, &LevelDocument::screenShown, this, &LevelStatusBar::showWhereYouAre);
    connect(&m_document, &LevelDocument::propertiesChanged, this, &LevelStatusBar::showWhereYouAre);
    connect(&m_document, &LevelDocument::levelReplaced, this, &LevelStatusBar::showWhereYouAre);
    connect(&m_document, &LevelDocument::tileChanged, this, [this](int, int tile) {
        if (tile == m_hoveredTile)
            showHoveredTile();
    });
    connect(&m_document, &LevelDocument::linksChanged, this, &LevelStatusBar::showHoveredTile);
    showWhereYouAre();
}

void LevelStatusBar::showWhereYouAre() {
    const Module1& level = m_document.state();
    m_screen->setText(StatusScreenText(level.CurrentScreen(), level.LevelLastScreen()));
    m_beyond->setVisible(level.CurrentScreen() > level.LevelLastScreen());
    QString name = level.LevelName();
    if (name.isEmpty() && !level.LevelFileName().isEmpty())
        name = QFileInfo(level.LevelFileName()).completeBaseName();
    m_level->setText(name);
    m_level->setVisible(!name.isEmpty());
    showHoveredTile();
}

void LevelStatusBar::showHoveredTile() {
    const int tile = m_hoveredTile;
    if (tile == 0) {
        m_tile->clear();
        return;
    }
    const Module1& m = m_document.state();
    if (m_directionsShown && m_hoveredSide >= 0) {
        const EdgeMark mark =
            MarkOf(m.TileOnDisplay(tile), m_hoveredSide, m.LinksOnDisplay(), m.LevelLastScreen());
        if (mark.kind == EdgeMark::Exit) {
            m_tile->setText(
                QStringLiteral("Tile %1 %2: ").arg(tile).arg(QLatin1String(SideName(m_hoveredSide))) +
                Text(Msg::ExitHover)
                    .arg(mark.screen)
                    .arg(mark.landing ? QString::number(*mark.landing) : QStringLiteral("none"))
                    .arg(mark.link));
            return;
        }
    }
    m_tile->setText(QStringLiteral("Tile %1: left %2, up %3, right %4, down %5")
                        .arg(tile)
                        .arg(DirectionInWords(m, m.TilePropLeft(tile), m.TilePropLeftOps(tile)),
                             DirectionInWords(m, m.TilePropUp(tile), m.TilePropUpOps(tile)),
                             DirectionInWords(m, m.TilePropRight(tile), m.TilePropRightOps(tile)),
                             DirectionInWords(m, m.TilePropDown(tile), m.TilePropDownOps(tile))));
}

void LevelStatusBar::confirm(const QString& text) {
    m_bar->showMessage(text, ConfirmationTime);
}

} // namespace tavrin
