#pragma once

// The keys of the level file's records and its number fields, as Module1's files look for and write them.
// Only Module1's own files include this.

#include "level/core/fieldvalue.h"
#include "level/core/numbers.h"

#include <QString>

namespace tavrin::levelfields {

inline const QString LevelPropKey = QStringLiteral("LevelProp");
inline const QString ScreenInfoKey = QStringLiteral("ScreenInfo");

inline QString screenKey(Integer screen) {
    return QStringLiteral("Screen") + QString::number(screen);
}

inline FieldValue num(double value) {
    return FieldValue::number(value);
}

} // namespace tavrin::levelfields
