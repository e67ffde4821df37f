#include "level/core/colour.h"

#include <QGuiApplication>
#include <QPalette>

// The palette Qt's platform themes start from: the one a window of the editor gets where the desktop sets
// none. Exported by Qt Gui, though no header of it declares it.
QPalette qt_fusionPalette();

namespace tavrin {

namespace {
// The application's palette. A program without windows (tavrin-level) runs a QCoreApplication, whose
// palette cannot be asked for (Qt crashes), and draws with the palette the editor gets from Qt itself.
QPalette applicationPalette() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return QGuiApplication::palette();
    return qt_fusionPalette();
}

QColor systemColour(int index) {
    const QPalette palette = applicationPalette();
    switch (index) {
    case 1: // desktop
        return QColor(0, 128, 128);
    case 2:  // active caption
    case 13: // highlight
        return palette.color(QPalette::Highlight);
    case 5: // window background
        return palette.color(QPalette::Base);
    case 6: // window frame
    case 8: // window text
        return palette.color(QPalette::Text);
    case 7:  // menu text
    case 18: // button text
        return palette.color(QPalette::ButtonText);
    case 9:  // caption text
    case 14: // highlight text
        return palette.color(QPalette::HighlightedText);
    case 16: // button shadow
        return palette.color(QPalette::Dark);
    case 17: // grey text
        return palette.color(QPalette::Disabled, QPalette::Text);
    case 20: // 3D highlight
        return palette.color(QPalette::Light);
    case 21: // 3D dark shadow
        return palette.color(QPalette::Shadow);
    case 22: // 3D light
        return palette.color(QPalette::Midlight);
    case 23: // tooltip text
        return palette.color(QPalette::ToolTipText);
    case 24: // tooltip background
        return palette.color(QPalette::ToolTipBase);
    default: // 0 scroll bars, 3 inactive caption, 4 menu, 10..12 borders and workspace, 15 button face
        return palette.color(QPalette::Button);
    }
}
} // namespace

QColor ColourToQColor(Long colour) {
    const auto value = static_cast<quint32>(colour);
    if (value & 0x80000000u)
        return systemColour(static_cast<int>(value & 0xFFu));
    return QColor(static_cast<int>(value & 0xFFu), static_cast<int>((value >> 8) & 0xFFu),
                  static_cast<int>((value >> 16) & 0xFFu));
}

Long QColorToColour(const QColor& colour) {
    return Rgb(colour.red(), colour.green(), colour.blue());
}

} // namespace tavrin
