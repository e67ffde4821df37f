#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

class QKeyEvent;
class QWidget;

namespace tavrin {

// Key codes as the program's key handling knows them (37 Left, 38 Up, 39 Right, 40 Down, 65 for A ...);
// 0 for a key without one.
int WindowsKeyCode(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// The shift state: 1 Shift, 2 Ctrl, 4 Alt, added together.
int WindowsShiftState(Qt::KeyboardModifiers modifiers);

// Lets a window see every key pressed in it before the control that has the focus. The handler runs once
// per key press; the control still receives the key afterwards.
class KeyPreview : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(int keyCode, int shift)>;

    KeyPreview(QWidget* window, Handler handler);
    ~KeyPreview() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isPassedOnToParent(QWidget* receiver, const QKeyEvent* event) const;
    void remember(QWidget* receiver, const QKeyEvent* event);

    QWidget* m_window;
    Handler m_handler;
    // The key press last handled and where it went first. A key that a control ignores travels on to the
    // control's parents as the same event object; those later stops are not new key presses.
    const QKeyEvent* m_lastEvent = nullptr;
    QPointer<QWidget> m_lastReceiver;
    int m_lastKey = 0;
    quint64 m_lastTimestamp = 0;
};

} // namespace tavrin
