// tavrin-level import
#include "cli/commands.h"
#include "level/core/messages.h"
#include "level/tools/leveljson.h"

namespace tavrin::cli {

int Import(const CliCommand& command, QStringList arguments) {
    const CommandLine line(command, arguments);
    if (!line.error().isEmpty())
        return UsageError(line.error());
    const QString out = line.value("-o");
    if (out.isEmpty())
        return UsageError(Text(Msg::CliImportNeedsOut));
    FileAccess files;
    try {
        const std::unique_ptr<QIODevice> file = OpenOutput(files, out, {line.files().first()});
        ImportLevelJson(files, line.files().first(), file.get());
        FinishOutput(files, *file);
    } catch (const Failure& failure) {
        return Unusable(failure);
    }
    return ExitDone;
}

} // namespace tavrin::cli
