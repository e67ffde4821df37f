#include "centring.h"

#include "twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace tavrin {

int CentredOffset(int screenPixels, int windowPixels) {
    // Integer division drops the fraction toward zero, also when the window is larger than the screen.
    const int freeTwips = (screenPixels - windowPixels) * TwipsPerPixel;
    return freeTwips / 2 / TwipsPerPixel;
}

void CentreOnScreen(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QSize outer = window->frameGeometry().size();
    window->move(area.left() + CentredOffset(area.width(), outer.width()),
                 area.top() + CentredOffset(area.height(), outer.height()));
}

} // namespace tavrin
