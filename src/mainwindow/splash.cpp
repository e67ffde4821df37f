#include "mainwindow/splash.h"

#include "level/core/colour.h"
#include "level/core/numbers.h"
#include "mainwindow/centring.h"
#include "mainwindow/picturebox.h"
#include "widgets/twips.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTimer>
#include <QVersionNumber>

namespace tavrin {

namespace {

constexpr int TicksShown = 4;
constexpr int TickInterval = 1000;

} // namespace

Splash::Splash(QWidget* mainWindow)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint), m_mainWindow(mainWindow) {
    setObjectName(QStringLiteral("Splash"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(TwipsToPixels(8550), TwipsToPixels(3900));

    Picture1 = new PictureBox(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(TwipsRect(0, 0, 8655, 3255));
    Picture1->setBorder(false);
    Picture1->setBackColour(Rgb(0, 0, 128));

    QLabel* title = addLabel("LabelTitle", QStringLiteral("TavrinEditor"), TwipsRect(120, 3240, 2655, 240));
    QFont titleFont = title->font();
    titleFont.setBold(true);
    title->setFont(titleFont);
    addLabel("LabelPurpose", tr("A level editor for tile games"), TwipsRect(3000, 3240, 5400, 240));
    addLabel("LabelHint", tr("Screens of 20 x 15 tiles, linked through their sides"),
             TwipsRect(3000, 3480, 5400, 240));

    Label2 = addLabel("Label2", QStringLiteral("Version:"), TwipsRect(120, 3480, 2655, 255));
    QFont versionFont(QStringLiteral("Times New Roman"));
    versionFont.setPointSizeF(9.75);
    Label2->setFont(versionFont);

    Label3 = addLabel("Label3", QStringLiteral("0"), TwipsRect(960, 3960, 495, 375));
    Label3->hide();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(TickInterval);
    connect(Timer1, &QTimer::timeout, this, &Splash::Timer1_Timer);

    Form_Load();
    Timer1->start();
}

QLabel* Splash::addLabel(const char* name, const QString& text, const QRect& geometry) {
    auto* label = new QLabel(text, this);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QString Splash::VersionLine() {
    const QVersionNumber version = QVersionNumber::fromString(QCoreApplication::applicationVersion());
    return QStringLiteral("Version: %1.%2.%3")
        .arg(version.majorVersion())
        .arg(version.minorVersion())
        .arg(version.microVersion());
}

void Splash::Form_Load() {
    CentreOnScreen(this);
    showMainWindow();
    Label2->setText(VersionLine());
}

void Splash::Timer1_Timer() {
    const double count = TextToNumber(Label3->text()) + 1;
    Label3->setText(NumberToText(count));
    if (count != TicksShown)
        return;
    Timer1->stop();
    showMainWindow();
    close();
}

void Splash::showMainWindow() {
    if (!m_mainWindow)
        return;
    m_mainWindow->show();
    m_mainWindow->raise();
}

} // namespace tavrin
