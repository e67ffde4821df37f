#include "mainwindow/longtask.h"

#include "level/core/task.h"
#include "mainwindow/inputonlyto.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <exception>
#include <limits>
#include <memory>

namespace tavrin {

namespace {

constexpr int SliceMs = 40;      // the window repaints between slices
constexpr int ShowAfterMs = 500; // a task shorter than this shows no dialog

// Pieces until the slice's time is up; false once the task is done.
bool runSlice(Task& task) {
    QElapsedTimer time;
    time.start();
    while (!task.asideNext() && time.elapsed() < SliceMs)
        if (!task.advance())
            return false;
    return true;
}

} // namespace

bool RunLongTask(QWidget* parent, Task& task, const LongTaskLook& look) {
    if (!task.asideNext() && !runSlice(task))
        return true;

    QElapsedTimer time;
    time.start();
    const auto textOf = [&look](int done, int total) {
        return look.text ? look.text(done, total) : QStringLiteral("Changing the screens of the level...");
    };
    // Not modal to Qt: a modal progress dialog turns the event loop itself at every value it is given.
    // InputOnlyTo keeps input to it.
    QProgressDialog progress(textOf(task.done(), task.total()), QStringLiteral("Cancel"), 0, task.total(),
                             parent);
    progress.setObjectName(look.objectName);
    progress.setWindowTitle(look.title);
    progress.setWindowModality(Qt::NonModal);
    progress.setMinimumDuration(std::numeric_limits<int>::max());
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    const InputOnlyTo onlyProgress(&progress);

    QEventLoop loop;
    QTimer slices;
    slices.setInterval(0);
    bool cancelled = false;
    std::exception_ptr failure;
    std::unique_ptr<QThread> aside;
    std::exception_ptr asideFailure;
    QObject::connect(&progress, &QProgressDialog::canceled, &loop, [&] {
        cancelled = true;
        if (!aside)
            loop.quit();
    });
    const auto show = [&] {
        const int done = task.done();
        const int total = task.total();
        if (look.shown)
            look.shown(done, total);
        if (time.elapsed() < ShowAfterMs)
            return;
        progress.setLabelText(textOf(done, total));
        progress.setMaximum(std::max(total, 1));
        progress.setValue(std::min(done, total));
        if (!progress.isVisible())
            progress.show();
    };
    QObject::connect(&slices, &QTimer::timeout, &loop, [&] {
        try {
            if (task.asideNext()) {
                // Work that touches nothing the windows read runs on a thread of its own, and the loop
                // waits for it without turning slices.
                slices.stop();
                aside.reset(QThread::create([work = task.takeAside(), &asideFailure] {
                    try {
                        work();
                    } catch (...) {
                        asideFailure = std::current_exception();
                    }
                }));
                QObject::connect(aside.get(), &QThread::finished, &loop, [&] {
                    aside->wait();
                    aside.reset();
                    if (asideFailure) {
                        failure = asideFailure;
                        loop.quit();
                    } else if (cancelled || task.finished()) {
                        loop.quit();
                    } else {
                        slices.start();
                    }
                });
                aside->start();
                show();
                return;
            }
            if (!runSlice(task)) {
                loop.quit();
                return;
            }
            show();
        } catch (...) {
            failure = std::current_exception();
            loop.quit();
        }
    });
    slices.start();
    loop.exec();
    slices.stop();
    if (aside)
        aside->wait();
    // The window the task was run from takes the keyboard again, as it had it before.
    if (progress.isVisible() && parent) {
        progress.hide();
        parent->window()->activateWindow();
    }
    if (failure)
        std::rethrow_exception(failure);
    return !cancelled || task.finished();
}

} // namespace tavrin
