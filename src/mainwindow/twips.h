#pragma once

#include <QRect>

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

} // namespace tavrin
