// tavrin-level export
#include "commands.h"

namespace tavrin::cli {

int Export(QStringList) {
    return Unusable(QStringLiteral("export is not built yet"));
}

} // namespace tavrin::cli
