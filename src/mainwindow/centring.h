#pragma once

#include <QString>
#include <memory>

class QSettings;
class QWidget;

namespace tavrin {

// Where a window of `windowPixels` starts so that it sits in the middle of `screenPixels`: the free
// space in whole twips, halved with the fraction dropped, and brought back to pixels.
int CentredOffset(int screenPixels, int windowPixels);

// Moves a top-level window so that its outer frame is centred on its screen.
void CentreOnScreen(QWidget* window);

// Moves a tool window right of the main window, else below it, where the screen has room for it, so that
// the grid stays in sight; else to the foot of the screen, over as little of the grid as it can.
void PlaceBesideMainWindow(QWidget* window, const QWidget* mainWindow);

// Esc closes `window`, as Cancel closes a dialog, while the window is active.
void CloseOnEscape(QWidget* window);

// The editor's settings: in `file` (tests give one), else where the system keeps the user's settings.
std::unique_ptr<QSettings> OpenSettings(const QString& file);

} // namespace tavrin
