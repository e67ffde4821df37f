#pragma once

#include "level/core/numbers.h"

#include <QStringView>
#include <optional>

namespace tavrin {

// The number n of a key "Screen<n>" as the editor writes it: "Screen" and n in decimal; none for any other
// key ("Screen007", "Screen+7").
std::optional<qint64> ScreenOfKey(QStringView key);
// The same for the keys of the screens the editor has, 0 to 32767; none for any other key.
std::optional<Integer> EditorScreenOfKey(QStringView key);
// A key that makes a file a level file: "LevelProp", or "Screen" followed by a whole number.
bool IsLevelKey(QStringView key);

} // namespace tavrin
