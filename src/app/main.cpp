#include "form1.h"
#include "leveldocument.h"
#include "messagebox.h"
#include "viewscale.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    tavrin::ApplySavedScale();
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVRIN_VERSION));

    tavrin::LevelDocument document(QCoreApplication::applicationDirPath());
    tavrin::InstallMessageBoxSink();
    tavrin::Form1 form(document);
    form.Form_Load();
    form.show();
    return app.exec();
}
