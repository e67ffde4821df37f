#pragma once

#include "level/core/numbers.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace tavrin {

// The one file and colour dialog that every command shares. Each command sets what it needs and leaves
// the rest as the previous command left it. A cancel is failure 32755, and FileName and Color then keep
// their previous values. Tests replace it with a scripted one.
class LoadDialog {
public:
    virtual ~LoadDialog() = default;

    QString DialogTitle = QStringLiteral("Load Level");
    QString FileName = QStringLiteral("Level.txt");
    Long Color = 0;
    // Where the file dialog starts; the editor sets it to the program folder.
    QString InitDir;
    QWidget* Parent = nullptr;
    // The name filters of the file dialog, the first one chosen; none lists every file.
    QStringList Filters;

    virtual void ShowOpen();
    // Opens for choosing several existing files: FileNames holds them, FileName the first.
    virtual void ShowOpenMany();
    QStringList FileNames;
    virtual void ShowSave();
    virtual void ShowColor();

private:
    void showFileDialog(bool saving, bool many = false);
};

} // namespace tavrin
