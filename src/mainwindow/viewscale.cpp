#include "mainwindow/viewscale.h"

#include "mainwindow/centring.h"

#include "level/core/messages.h"

#include <QScreen>
#include <QSettings>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace tavrin {

namespace {
const QString ScaleKey = QStringLiteral("View/Scale");
bool s_scaleFromSettings = false;
std::pair<int, int> s_refused;
} // namespace

int SavedScale(const QString& settingsFile) {
    bool number = false;
    const int percent = OpenSettings(settingsFile)->value(ScaleKey).toString().toInt(&number);
    if (!number || std::find(ViewScales.begin(), ViewScales.end(), percent) == ViewScales.end())
        return 100;
    return percent;
}

void SaveScale(const QString& settingsFile, int percent) {
    OpenSettings(settingsFile)->setValue(ScaleKey, percent);
}

void ApplySavedScale() {
    if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
        return;
    const int percent = SavedScale(QString());
    if (percent != 100)
        qputenv("QT_SCALE_FACTOR", QByteArray::number(percent / 100.0));
    s_scaleFromSettings = true;
}

int RunningScale() {
    bool number = false;
    const double factor = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&number);
    return number && factor > 0 ? int(std::lround(factor * 100)) : 100;
}

// Both sizes grow with the scale in device pixels: the window by percent / running, the screen not at all.
QString ScaleTooLarge(QSize window, QSize available, int running, int percent, double ratio) {
    const QSize shown(int(std::lround(window.width() * ratio * percent / running)),
                      int(std::lround(window.height() * ratio * percent / running)));
    const QSize room(int(std::lround(available.width() * ratio)),
                     int(std::lround(available.height() * ratio)));
    if (shown.width() <= room.width() && shown.height() <= room.height())
        return QString();
    return Text(Msg::ScaleTooLarge)
        .arg(percent)
        .arg(shown.width())
        .arg(shown.height())
        .arg(room.width())
        .arg(room.height());
}

QString ScaleTooLargeFor(const QWidget& window, int percent) {
    const QScreen* screen = window.screen();
    if (!screen)
        return QString();
    return ScaleTooLarge(window.frameGeometry().size(), screen->availableGeometry().size(), RunningScale(),
                         percent, screen->devicePixelRatio());
}

bool FitScaleToScreen(const QWidget& window) {
    const int running = RunningScale();
    if (!s_scaleFromSettings || ScaleTooLargeFor(window, running).isEmpty())
        return false;
    int fitting = ViewScales.front(); // the smallest is shown even where it does not fit
    for (const int percent : ViewScales)
        if (percent < running && ScaleTooLargeFor(window, percent).isEmpty())
            fitting = percent;
    if (fitting == running)
        return false;
    s_refused = {running, fitting};
    qputenv("QT_SCALE_FACTOR", QByteArray::number(fitting / 100.0));
    return true;
}

std::pair<int, int> RefusedScale() {
    return s_refused;
}

} // namespace tavrin
