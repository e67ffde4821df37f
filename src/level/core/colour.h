#pragma once

#include "level/core/numbers.h"

#include <QColor>

namespace tavrin {

// Colours are 32-bit values: 0x00BBGGRR for an RGB colour, or 0x80000000 plus the index of a system
// colour. Picture boxes store this value and draw it through ColourToQColor.
constexpr Long SystemColour(int index) {
    return static_cast<Long>(0x80000000u + static_cast<unsigned>(index));
}
constexpr Long Rgb(int red, int green, int blue) {
    return red | (green << 8) | (blue << 16);
}

constexpr Long SysWindowBackground = SystemColour(5);
constexpr Long SysWindowText = SystemColour(8);
constexpr Long SysButtonFace = SystemColour(15);

QColor ColourToQColor(Long colour);
Long QColorToColour(const QColor& colour);

} // namespace tavrin
