// tavrin-level export
#include "cli/commands.h"
#include "level/core/messages.h"
#include "level/tools/leveljson.h"

namespace tavrin::cli {

int Export(QStringList arguments) {
    QString out;
    QString error;
    if (!TakeOption(arguments, QStringLiteral("-o"), &out, &error))
        return UsageError(error);
    if (const QString rest = CheckRest(arguments, QStringLiteral("export"), 1); !rest.isEmpty())
        return UsageError(rest);
    if (out.isEmpty())
        return UsageError(Text(Msg::CliExportNeedsOut));
    FileAccess files;
    try {
        const std::unique_ptr<QIODevice> file = OpenOutput(files, out, {arguments.first()});
        ExportLevelJson(files, arguments.first(), file.get());
        FinishOutput(files, *file);
    } catch (const Failure& failure) {
        return Unusable(failure);
    }
    return ExitDone;
}

} // namespace tavrin::cli
