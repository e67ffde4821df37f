#pragma once

// Header only: the support library links no widgets, the GUI tests that include this do.

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <functional>

// Drives a modal dialog from a test. `open` is called at once and shows a dialog with exec(), so it
// returns only when the dialog closes. As soon as that dialog is the active modal widget, `drive` is
// called with it (from inside the dialog's event loop) and may fill it, press its buttons and check it.
// A watchdog rejects the dialog `watchdogMs` after it appeared, so a test never hangs on it.
//
// Returns true when a modal dialog appeared and closed before the watchdog had to step in.
inline bool DriveModalDialog(const std::function<void()>& open, const std::function<void(QDialog*)>& drive,
                             int watchdogMs = 3000) {
    QPointer<QDialog> dialog;
    bool appeared = false;
    bool watchdogFired = false;

    QTimer watchdog;
    watchdog.setSingleShot(true);
    watchdog.setInterval(watchdogMs);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        if (dialog && dialog->isVisible()) {
            watchdogFired = true;
            dialog->reject();
        }
    });

    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* active = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!active || !active->isVisible())
            return;
        poll.stop();
        dialog = active;
        appeared = true;
        watchdog.start();
        drive(active);
    });

    poll.start();
    open();
    return appeared && !watchdogFired;
}
