// tavrin-level import
#include "commands.h"

namespace tavrin::cli {

int Import(QStringList) {
    return Unusable(QStringLiteral("import is not built yet"));
}

} // namespace tavrin::cli
