#include "widgets/sethelp.h"

#include <QCoreApplication>
#include <QWidget>

namespace tavrin {

void SetHelp(QWidget* control, const QString& text) {
    // As a paragraph, a tooltip wraps at a readable width instead of running across the screen.
    control->setToolTip(QStringLiteral("<p>%1</p>").arg(text.toHtmlEscaped()));
}

QString HelpText(const char* text) {
    return QCoreApplication::translate("tavrin::ControlHelp", text);
}

void Tip(QWidget* control, const char* text) {
    SetHelp(control, HelpText(text));
}

} // namespace tavrin
