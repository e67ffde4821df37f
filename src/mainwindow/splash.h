#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QTimer;

namespace tavrin {

class PictureBox;

// The About window: a borderless panel with the program's name and version that closes itself on the
// fourth tick of its one-second timer. It has no owner; the main window only brings it up.
class Splash : public QWidget {
    Q_OBJECT
public:
    explicit Splash(QWidget* mainWindow);

    PictureBox* Picture1;
    QLabel* Label2;
    QLabel* Label3;
    QTimer* Timer1;

    // "Version: " and the three parts of the program's version number.
    static QString VersionLine();

public slots:
    void Form_Load();
    void Timer1_Timer();

private:
    QLabel* addLabel(const char* name, const QString& text, const QRect& geometry);
    void showMainWindow();

    QPointer<QWidget> m_mainWindow;
};

} // namespace tavrin
