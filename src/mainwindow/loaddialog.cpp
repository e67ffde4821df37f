#include "loaddialog.h"

#include "colour.h"
#include "failure.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace tavrin {

void LoadDialog::showFileDialog(bool saving) {
    QFileDialog dialog(Parent, DialogTitle);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
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
    FileName = QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

void LoadDialog::ShowOpen() {
    showFileDialog(false);
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
