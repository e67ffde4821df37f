#include "form1.h"
#include "messagebox.h"
#include "module1.h"
#include "viewscale.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    tavrin::ApplySavedScale();
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVRIN_VERSION));

    tavrin::Module1 module(nullptr, QCoreApplication::applicationDirPath());
    tavrin::InstallMessageBoxSink();
    tavrin::Form1 form(module);
    form.Form_Load();
    form.show();
    return app.exec();
}
