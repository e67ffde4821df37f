#pragma once

#include <QString>

class QWidget;

namespace tavrin {

// Sets a control's tooltip, wrapped at a readable width.
void SetHelp(QWidget* control, const QString& text);
// The help text `text` in the language of the user interface.
QString HelpText(const char* text);
// SetHelp with HelpText(text).
void Tip(QWidget* control, const char* text);

} // namespace tavrin
