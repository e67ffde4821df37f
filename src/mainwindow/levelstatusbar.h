#pragma once

#include <QObject>
#include <QString>
#include <array>

class QLabel;
class QStatusBar;

namespace tavrin {

class LevelDocument;
class PictureBox;

// The status bar under the main window's fixed area: the screen on display against the level's screens,
// the tile under the mouse pointer with what each arrow key does there, the level's name, and a few
// seconds' confirmation of what a command just did. It follows the document's signals and the grid's
// pointer.
class LevelStatusBar : public QObject {
    Q_OBJECT
public:
    LevelStatusBar(QStatusBar* bar, const LevelDocument& document, const std::array<PictureBox*, 301>& grid);

    // Tells for a few seconds what a command just did.
    void confirm(const QString& text);
    // While the grid shows the directions, the pointer over an exit's arrow tells where the exit leads.
    void setDirectionsShown(bool shown) { m_directionsShown = shown; }

private:
    // The screen on display against the last screen, and the level's name.
    void showWhereYouAre();
    // The tile under the mouse pointer with its four directions.
    void showHoveredTile();

    QStatusBar* m_bar;
    const LevelDocument& m_document;
    QLabel* m_screen = nullptr;
    QLabel* m_beyond = nullptr;
    QLabel* m_tile = nullptr;
    QLabel* m_level = nullptr;
    int m_hoveredTile = 0;  // 0 while the pointer is on no grid tile
    int m_hoveredSide = -1; // the side of the tile the pointer is near, -1 for its middle
    bool m_directionsShown = false;
};

} // namespace tavrin
