#include "mainwindow/centring.h"

#include <QSettings>

#include <QRect>

#include "widgets/twips.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QWidget>

namespace tavrin {

namespace {
// Takes Esc from the shortcuts (the main window's Esc, Select Nothing, counts in the windows it owns too)
// and closes the window with it. Esc reaches the window once the control with the focus lets it pass.
class EscapeCloser : public QObject {
public:
    explicit EscapeCloser(QWidget* window) : QObject(window), m_window(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_window ||
            (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress))
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier)
            return false;
        event->accept();
        if (event->type() == QEvent::KeyPress)
            m_window->close();
        return true;
    }

private:
    QWidget* m_window;
};
} // namespace

void CloseOnEscape(QWidget* window) {
    window->installEventFilter(new EscapeCloser(window));
}

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
