#include "mainwindow/keypreview.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

namespace tavrin {

namespace {

int LetterOrDigitCode(int qtKey, Qt::KeyboardModifiers modifiers) {
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return 'A' + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        const int digit = qtKey - Qt::Key_0;
        return (modifiers & Qt::KeypadModifier) ? 96 + digit : '0' + digit;
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 112 + (qtKey - Qt::Key_F1);
    return 0;
}

} // namespace

int WindowsKeyCode(int qtKey, Qt::KeyboardModifiers modifiers) {
    switch (qtKey) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Pause:
        return 19;
    case Qt::Key_CapsLock:
        return 20;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    case Qt::Key_Asterisk:
        return (modifiers & Qt::KeypadModifier) ? 106 : 0;
    case Qt::Key_Plus:
        return (modifiers & Qt::KeypadModifier) ? 107 : 187;
    case Qt::Key_Minus:
        return (modifiers & Qt::KeypadModifier) ? 109 : 189;
    case Qt::Key_Period:
        return (modifiers & Qt::KeypadModifier) ? 110 : 190;
    case Qt::Key_Slash:
        return (modifiers & Qt::KeypadModifier) ? 111 : 191;
    case Qt::Key_Comma:
        return 188;
    default:
        return LetterOrDigitCode(qtKey, modifiers);
    }
}

int WindowsShiftState(Qt::KeyboardModifiers modifiers) {
    int shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= 1;
    if (modifiers & Qt::ControlModifier)
        shift |= 2;
    if (modifiers & Qt::AltModifier)
        shift |= 4;
    return shift;
}

KeyPreview::KeyPreview(QWidget* window, Handler handler)
    : QObject(window), m_window(window), m_handler(std::move(handler)) {
    QCoreApplication::instance()->installEventFilter(this);
}

KeyPreview::~KeyPreview() {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

bool KeyPreview::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease) {
        m_lastEvent = nullptr;
        return false;
    }
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto* receiver = static_cast<QWidget*>(watched);
    if (receiver->window() != m_window)
        return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    if (isPassedOnToParent(receiver, key))
        return false;
    remember(receiver, key);
    const int code = WindowsKeyCode(key->key(), key->modifiers());
    if (code != 0)
        m_handler(code, WindowsShiftState(key->modifiers()));
    return false;
}

bool KeyPreview::isPassedOnToParent(QWidget* receiver, const QKeyEvent* event) const {
    // Stack-allocated events may reuse an address, so the key and time must match as well; a key release
    // always lies between two separate presses and forgets the last one.
    return event == m_lastEvent && m_lastReceiver && receiver != m_lastReceiver &&
           receiver->isAncestorOf(m_lastReceiver) && event->key() == m_lastKey &&
           event->timestamp() == m_lastTimestamp;
}

void KeyPreview::remember(QWidget* receiver, const QKeyEvent* event) {
    m_lastEvent = event;
    m_lastReceiver = receiver;
    m_lastKey = event->key();
    m_lastTimestamp = event->timestamp();
}

} // namespace tavrin
