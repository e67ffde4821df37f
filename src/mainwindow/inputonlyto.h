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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool reaches(QObject* watched) const;

    QPointer<QWidget> m_only;
};

} // namespace tavrin
