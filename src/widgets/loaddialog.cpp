#include "widgets/loaddialog.h"

#include "level/core/colour.h"
#include "level/core/failure.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace tavrin {

void LoadDialog::showFileDialog(bool saving, bool many) {
    QFileDialog dialog(Parent, DialogTitle);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(saving ? QFileDialog::AnyFile
                       : many ? QFileDialog::ExistingFiles
                              : QFileDialog::ExistingFile);
    const QFileInfo proposed(FileName);
    if (proposed.isAbsolute())
        dialog.setDirectory(proposed.absolutePath());
    else if (!InitDir.isEmpty())
        dialog.setDirectory(InitDir);
    if (!Filters.isEmpty())
        dialog.setNameFilters(Filters);
    dialog.selectFile(proposed.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        throw Failure(ErrCancel);
    FileNames.clear();
    for (const QString& file : dialog.selectedFiles())
        FileNames << QDir::toNativeSeparators(file);
    FileName = FileNames.constFirst();
}

void LoadDialog::ShowOpen() {
    showFileDialog(false);
}

void LoadDialog::ShowOpenMany() {
    showFileDialog(false, true);
}

void LoadDialog::ShowSave() {
    showFileDialog(true);
}

void LoadDialog::ShowColor() {
    QColorDialog dialog(ColourToQColor(Color), Parent);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted)
        throw Failure(ErrCancel);
    Color = QColorToColour(dialog.selectedColor());
}

} // namespace tavrin
