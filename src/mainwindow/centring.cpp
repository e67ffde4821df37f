#include "centring.h"

#include <QSettings>

#include <QRect>

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

void PlaceBesideMainWindow(QWidget* window, const QWidget* mainWindow) {
    if (!mainWindow)
        return;
    constexpr int Gap = 12;
    const QRect main = mainWindow->frameGeometry();
    const QScreen* screen = mainWindow->screen();
    const QRect available = screen ? screen->availableGeometry() : main;
    for (const QPoint place :
         {QPoint(main.right() + Gap, main.top()), QPoint(main.left(), main.bottom() + Gap)}) {
        if (available.contains(QRect(place, window->size()))) {
            window->move(place);
            return;
        }
    }
    const int left =
        qBound(available.left(), main.left(), qMax(available.left(), available.right() - window->width()));
    window->move(left, qMax(available.top(), available.bottom() - window->height()));
}

std::unique_ptr<QSettings> OpenSettings(const QString& file) {
    if (file.isEmpty())
        return std::make_unique<QSettings>(QStringLiteral("TavrinEditor"), QStringLiteral("TavrinEditor"));
    return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

} // namespace tavrin
