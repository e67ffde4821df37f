#include "level/format/levelkeys.h"

#include <limits>

namespace tavrin {

std::optional<qint64> ScreenOfKey(QStringView key) {
    if (!key.startsWith(QLatin1String("Screen")) || key.size() == 6 || key.size() > 26)
        return std::nullopt;
    bool number = false;
    const qint64 screen = key.mid(6).toLongLong(&number);
    if (!number || QString::number(screen) != key.mid(6))
        return std::nullopt;
    return screen;
}

std::optional<Integer> EditorScreenOfKey(QStringView key) {
    const std::optional<qint64> screen = ScreenOfKey(key);
    if (!screen || *screen < 0 || *screen > std::numeric_limits<Integer>::max())
        return std::nullopt;
    return Integer(*screen);
}

bool IsLevelKey(QStringView key) {
    if (key == QLatin1String("LevelProp"))
        return true;
    bool number = false;
    if (key.startsWith(QLatin1String("Screen")))
        static_cast<void>(key.mid(6).toInt(&number));
    return number;
}

} // namespace tavrin
