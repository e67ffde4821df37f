#include "level/document/leveldocument.h"
#include "level/storage/dataplace.h"
#include "mainwindow/form1.h"
#include "mainwindow/messagebox.h"
#include "mainwindow/viewscale.h"

#include <QApplication>

// The scale is Qt's scale factor, which holds for the whole life of the application object: when the
// window would not fit on the screen at the saved scale, the application is made again at one that fits.
int main(int argc, char* argv[]) {
    tavrin::ApplySavedScale();
    for (;;) {
        QApplication app(argc, argv);
        QCoreApplication::setApplicationVersion(QStringLiteral(TAVRIN_VERSION));

        tavrin::LevelDocument document(tavrin::ProgramDataFolder(QCoreApplication::applicationDirPath()));
        tavrin::InstallMessageBoxSink();
        tavrin::Form1 form(document);
        if (tavrin::FitScaleToScreen(form))
            continue;
        form.Form_Load();
        form.show();
        return app.exec();
    }
}
