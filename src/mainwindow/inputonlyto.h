#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace tavrin {

// While it lives, user input (keys, shortcuts, mouse buttons, the wheel, touches, drops) reaches `only` and
// the widgets inside it, and no other window or widget of the program. A long task that keeps the event
// loop running (to repaint, and to let its own dialog offer Cancel) uses it so that nothing else can act
// in the meantime.
class InputOnlyTo : public QObject {
public:
    explicit InputOnlyTo(QWidget* only);
    ~InputOnlyTo() override;

    // Whether one lives: a long task is running.
    static bool active() { return s_living > 0; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool reaches(QObject* watched) const;

    QPointer<QWidget> m_only;
    static inline int s_living = 0;
};

} // namespace tavrin
