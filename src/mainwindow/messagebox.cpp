#include "messagebox.h"

#include "failure.h"

#include <QApplication>
#include <QMessageBox>

namespace tavrin {

void InstallMessageBoxSink() {
    SetMessageSink([](const QString& title, const QString& text) {
        QMessageBox::information(QApplication::activeWindow(), title, text, QMessageBox::Ok);
    });
}

} // namespace tavrin
