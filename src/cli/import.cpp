// tavrin-level import
#include "cli/commands.h"
#include "level/core/messages.h"
#include "level/tools/leveljson.h"

namespace tavrin::cli {

int Import(QStringList arguments) {
    QString out;
    QString error;
    if (!TakeOption(arguments, QStringLiteral("-o"), &out, &error))
        return UsageError(error);
    if (const QString rest = CheckRest(arguments, QStringLiteral("import"), 1); !rest.isEmpty())
        return UsageError(rest);
    if (out.isEmpty())
        return UsageError(Text(Msg::CliImportNeedsOut));
    FileAccess files;
    try {
        const std::unique_ptr<QIODevice> file = OpenOutput(files, out, {arguments.first()});
        ImportLevelJson(files, arguments.first(), file.get());
        FinishOutput(files, *file);
    } catch (const Failure& failure) {
        return Unusable(failure);
    }
    return ExitDone;
}

} // namespace tavrin::cli
