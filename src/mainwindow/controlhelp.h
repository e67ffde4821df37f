#pragma once

#include "widgets/sethelp.h"

#include <QList>
#include <QString>

class QMenuBar;
class QWidget;

namespace tavrin {

class Form1;
class TileProp;

// Tooltips that say what each control of a window does and what to do with it, with its keys and mouse
// gestures where it has some. They change no caption, text, place or behaviour.
void ExplainMainWindow(Form1& window);
void ExplainTileProp(TileProp& window);

// One line of the Keyboard Shortcuts window: the keys (or mouse gesture) and what they do.
struct ShortcutRow {
    QString keys;
    QString what;
};

// Every menu item of `menuBar` that has a shortcut, in menu order, named by its menu path ("File > Save
// Level"), its keys in the platform's own notation; then the keys and mouse gestures that are no menu
// item.
QList<ShortcutRow> ShortcutRows(const QMenuBar* menuBar);

// The Keyboard Shortcuts window of `mainWindow`: a table of ShortcutRows for its menu bar. Opens it, or
// brings it to the front when it is open already. It does not block the main window.
void ShowKeyboardShortcuts(QWidget* mainWindow);

// The Level File Format window of `mainWindow`: the description of the level file that ships inside the
// program, rendered. Opens it, or brings it to the front when it is open already.
void ShowLevelFileFormat(QWidget* mainWindow);

} // namespace tavrin
