// tavrin-level render
#include "commands.h"

namespace tavrin::cli {

int Render(QStringList) {
    return Unusable(QStringLiteral("render is not built yet"));
}

} // namespace tavrin::cli
