#pragma once

#include <QLatin1String>
#include <QRect>
#include <QString>

class QWidget;

namespace tavrin {

// Window layouts are given in twips, 15 to a pixel at 96 dots per inch.
constexpr int TwipsPerPixel = 15;

constexpr int TwipsToPixels(int twips) {
    return twips / TwipsPerPixel;
}

// A rectangle given as left, top, width and height in twips.
inline QRect TwipsRect(int left, int top, int width, int height) {
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height));
}

// Makes a control of a window at its place, with the name the program knows it by.
template <typename Control>
Control* PlaceControl(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    auto* control = new Control(text, parent);
    control->setObjectName(QLatin1String(name));
    control->setGeometry(geometry);
    return control;
}

} // namespace tavrin
