#include "mainwindow/inputonlyto.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace tavrin {

namespace {
bool isUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}
} // namespace

InputOnlyTo::InputOnlyTo(QWidget* only) : m_only(only) {
    QCoreApplication::instance()->installEventFilter(this);
    ++s_living;
}

InputOnlyTo::~InputOnlyTo() {
    QCoreApplication::instance()->removeEventFilter(this);
    --s_living;
}

bool InputOnlyTo::reaches(QObject* watched) const {
    if (!m_only)
        return false;
    if (auto* widget = qobject_cast<QWidget*>(watched))
        return widget == m_only || m_only->isAncestorOf(widget);
    if (auto* window = qobject_cast<QWindow*>(watched))
        return window == m_only->windowHandle();
    return false; // an action's shortcut, say
}

bool InputOnlyTo::eventFilter(QObject* watched, QEvent* event) {
    if (!isUserInput(event->type()) || reaches(watched))
        return false;
    // A key taken here as the widget's own is tried as nobody's shortcut.
    if (event->type() == QEvent::ShortcutOverride)
        event->accept();
    return true;
}

} // namespace tavrin
