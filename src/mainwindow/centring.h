#pragma once

class QWidget;

namespace tavrin {

// Where a window of `windowPixels` starts so that it sits in the middle of `screenPixels`: the free
// space in whole twips, halved with the fraction dropped, and brought back to pixels.
int CentredOffset(int screenPixels, int windowPixels);

// Moves a top-level window so that its outer frame is centred on its screen.
void CentreOnScreen(QWidget* window);

} // namespace tavrin
