// tavrin-level check
#include "commands.h"

namespace tavrin::cli {

int Check(QStringList) {
    return Unusable(QStringLiteral("check is not built yet"));
}

} // namespace tavrin::cli
