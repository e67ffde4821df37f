#pragma once

#include <QString>
#include <array>

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

} // namespace tavrin
