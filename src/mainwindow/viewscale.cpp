#include "viewscale.h"

#include "centring.h"

#include <QSettings>
#include <algorithm>

namespace tavrin {

namespace {
const QString ScaleKey = QStringLiteral("View/Scale");
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
}

} // namespace tavrin
