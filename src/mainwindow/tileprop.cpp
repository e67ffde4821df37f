#include "mainwindow/tileprop.h"

#include "mainwindow/centring.h"
#include "mainwindow/controlhelp.h"
#include "mainwindow/picturebox.h"
#include "widgets/twips.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

namespace tavrin {

namespace {
constexpr int ClientWidth = 2835;
constexpr int ClientHeight = 2205;
constexpr qreal ControlFontPoints = 8;
} // namespace

TileProp::TileProp()
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("TileProp"));
    setWindowTitle(DesignCaption());
    setAttribute(Qt::WA_DeleteOnClose);
    CloseOnEscape(this);
    setFixedSize(TwipsToPixels(ClientWidth), TwipsToPixels(ClientHeight));
    QFont controlFont = font();
    controlFont.setPointSizeF(ControlFontPoints);
    setFont(controlFont);

    // Made in tab order, which is the order focus moves in; the picture boxes and the label take no
    // focus themselves.
    const QString one = QStringLiteral("1");
    const QString text1 = QStringLiteral("Text1");
    TileIndex = addTextBox("TileIndex", text1, TwipsRect(1680, 720, 735, 285));
    CurrentColor = addPictureBox("CurrentColor", TwipsRect(120, 720, 495, 525));
    CurrentPicture = addPictureBox("CurrentPicture", TwipsRect(120, 120, 495, 495));
    PropDown = addTextBox("PropDown", one, TwipsRect(1200, 1560, 255, 285));
    PropRight = addTextBox("PropRight", one, TwipsRect(1440, 1320, 255, 285));
    PropLeft = addTextBox("PropLeft", one, TwipsRect(960, 1320, 255, 285));
    PropUp = addTextBox("PropUp", one, TwipsRect(1200, 1080, 255, 285));
    TPicLabel = new QLabel(QStringLiteral("TPic"), this);
    TPicLabel->setObjectName(QStringLiteral("TPicLabel"));
    TPicLabel->setGeometry(TwipsRect(720, 120, 1695, 495));
    TPicLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    TPicLabel->setWordWrap(true);
    PropUpOps = addTextBox("PropUpOps", text1, TwipsRect(1080, 840, 495, 285));
    PropRightOps = addTextBox("PropRightOps", text1, TwipsRect(1680, 1320, 495, 285));
    PropLeftOps = addTextBox("PropLeftOps", text1, TwipsRect(480, 1320, 495, 285));
    PropDownOps = addTextBox("PropDownOps", text1, TwipsRect(1080, 1800, 495, 285));

    // What each box is: the narrow ones hold the direction values, the wide ones their operands.
    const auto addLabel = [this](const char* name, const QString& text, const QRect& geometry,
                                 Qt::Alignment alignment) {
        auto* label = new QLabel(text, this);
        label->setObjectName(QLatin1String(name));
        label->setGeometry(geometry);
        label->setAlignment(alignment | Qt::AlignVCenter);
    };
    addLabel("UpLabel", QStringLiteral("Up"), TwipsRect(600, 840, 450, 285), Qt::AlignRight);
    addLabel("LeftLabel", QStringLiteral("Left"), TwipsRect(0, 1320, 450, 285), Qt::AlignRight);
    addLabel("RightLabel", QStringLiteral("Right"), TwipsRect(2205, 1320, 630, 285), Qt::AlignLeft);
    addLabel("DownLabel", QStringLiteral("Down"), TwipsRect(600, 1800, 450, 285), Qt::AlignRight);
    addLabel("BoxesLabel", QStringLiteral("narrow: value\nwide: operand"), TwipsRect(1650, 1680, 1170, 480),
             Qt::AlignLeft);

    placeAtScreenCorner();
    ExplainTileProp(*this);
}

QString TileProp::DesignCaption() {
    return QStringLiteral("Tile Properties");
}

QLineEdit* TileProp::addTextBox(const char* name, const QString& text, const QRect& geometry) {
    auto* box = new QLineEdit(text, this);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(geometry);
    return box;
}

PictureBox* TileProp::addPictureBox(const char* name, const QRect& geometry) {
    auto* box = new PictureBox(this);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(geometry);
    return box;
}

// The window has no placement of its own: it opens in the top-left corner of the screen.
void TileProp::placeAtScreenCorner() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().topLeft());
}

} // namespace tavrin
