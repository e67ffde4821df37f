// The status bar under the window's fixed area: where the user is, the tile under the mouse pointer, the
// level's name, and a few seconds' confirmation of what just happened.
#include "form1.h"

#include "controlhelp.h"
#include "module1.h"
#include "picturebox.h"
#include "screen.h"

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

void Form1::createStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(false);
    m_statusTile = AddStatusLabel(bar, "StatusTile", false);
    SetHelp(m_statusTile, QStringLiteral("The tile under the mouse pointer and what each arrow key does "
                                         "there: free, blocked, or an exit to a linked screen"));
    // A confirmation takes the tile's place while it lasts, also when it came before the window was shown.
    connect(bar, &QStatusBar::messageChanged, m_statusTile,
            [this](const QString& message) { m_statusTile->setVisible(message.isEmpty()); });
    m_statusBeyond = AddStatusLabel(bar, "StatusBeyond", true);
    m_statusBeyond->setText(QStringLiteral("beyond the last screen"));
    m_statusBeyond->setStyleSheet(QStringLiteral("QLabel { color: #b00000; font-weight: bold; }"));
    SetHelp(m_statusBeyond, QStringLiteral("This screen lies above the level's last screen, so Save Level "
                                           "leaves it out. Raise the last screen in Level Properties (F3) "
                                           "to keep it."));
    m_statusScreen = AddStatusLabel(bar, "StatusScreen", true);
    SetHelp(m_statusScreen, QStringLiteral("The screen on display, and the level's screens"));
    m_statusLevel = AddStatusLabel(bar, "StatusLevel", true);
    SetHelp(m_statusLevel, QStringLiteral("The level's name, from Level Properties (F3)"));

    for (int index = FirstGridTile; index <= LastGridTile; ++index) {
        connect(m_gridTiles[index], &PictureBox::entered, this, [this, index] {
            m_hoveredTile = index;
            showHoveredTile();
        });
        connect(m_gridTiles[index], &PictureBox::left, this, [this, index] {
            if (m_hoveredTile == index) {
                m_hoveredTile = 0;
                showHoveredTile();
            }
        });
    }
    connect(&m_document, &LevelDocument::screenShown, this, &Form1::showWhereYouAre);
    connect(&m_document, &LevelDocument::propertiesChanged, this, &Form1::showWhereYouAre);
    connect(&m_document, &LevelDocument::levelReplaced, this, &Form1::showWhereYouAre);
    connect(&m_document, &LevelDocument::tileChanged, this, [this](int, int tile) {
        if (tile == m_hoveredTile)
            showHoveredTile();
    });
    connect(&m_document, &LevelDocument::linksChanged, this, &Form1::showHoveredTile);
    showWhereYouAre();
}

void Form1::showWhereYouAre() {
    m_statusScreen->setText(StatusScreenText(m_module.CurrentScreen, m_module.LevelLastScreen));
    m_statusBeyond->setVisible(m_module.CurrentScreen > m_module.LevelLastScreen);
    QString name = m_module.LevelName;
    if (name.isEmpty() && !m_module.LevelFileName.isEmpty())
        name = QFileInfo(m_module.LevelFileName).completeBaseName();
    m_statusLevel->setText(name);
    m_statusLevel->setVisible(!name.isEmpty());
    showHoveredTile();
}

void Form1::showHoveredTile() {
    const int tile = m_hoveredTile;
    if (tile == 0) {
        m_statusTile->clear();
        return;
    }
    const Module1& m = m_module;
    m_statusTile->setText(QStringLiteral("Tile %1: left %2, up %3, right %4, down %5")
                              .arg(tile)
                              .arg(DirectionInWords(m, m.TilePropLeft(tile), m.TilePropLeftOps(tile)),
                                   DirectionInWords(m, m.TilePropUp(tile), m.TilePropUpOps(tile)),
                                   DirectionInWords(m, m.TilePropRight(tile), m.TilePropRightOps(tile)),
                                   DirectionInWords(m, m.TilePropDown(tile), m.TilePropDownOps(tile))));
}

void Form1::confirm(const QString& text) {
    statusBar()->showMessage(text, ConfirmationTime);
}

} // namespace tavrin
