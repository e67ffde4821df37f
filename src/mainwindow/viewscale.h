#pragma once

#include <QSize>
#include <QString>
#include <array>
#include <utility>

class QWidget;

namespace tavrin {

// The scale of the whole editor, in percent: kept in the settings and applied when the editor starts,
// through Qt's scale factor. Pictures are drawn without smoothing, so they grow as sharp squares.
constexpr std::array<int, 4> ViewScales = {100, 150, 200, 300};

// The scale kept in the settings (`settingsFile`, empty for the user's); 100 when none or another value.
int SavedScale(const QString& settingsFile);
void SaveScale(const QString& settingsFile, int percent);

// Before the application object is made: the saved scale becomes Qt's scale factor, unless the
// environment sets one already (QT_SCALE_FACTOR), which then wins.
void ApplySavedScale();

// The scale this run shows the editor at: Qt's scale factor, in percent.
int RunningScale();

// Why a window that takes `window` of the screen's `available` area now, at the running scale `running`
// (both in the screen's device-independent pixels, `ratio` device pixels each), would not fit at
// `percent`; empty when it fits.
QString ScaleTooLarge(QSize window, QSize available, int running, int percent, double ratio);
// The same for the main window `window` on its screen.
QString ScaleTooLargeFor(const QWidget& window, int percent);

// Before the main window is first shown: when it would not fit on its screen at the saved scale, the
// largest scale that fits becomes Qt's scale factor and true is returned: the application is to be made
// again. RefusedScale() then tells the saved scale and the one shown instead (0, 0 when none was refused).
bool FitScaleToScreen(const QWidget& window);
std::pair<int, int> RefusedScale();

} // namespace tavrin
