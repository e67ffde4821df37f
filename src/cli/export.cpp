// tavrin-level export
#include "cli/commands.h"
#include "level/core/messages.h"
#include "level/tools/leveljson.h"

namespace tavrin::cli {

int Export(const CliCommand& command, QStringList arguments) {
    const CommandLine line(command, arguments);
    if (!line.error().isEmpty())
        return UsageError(line.error());
    const QString out = line.value("-o");
    if (out.isEmpty())
        return UsageError(Text(Msg::CliExportNeedsOut));
    FileAccess files;
    try {
        const std::unique_ptr<QIODevice> file = OpenOutput(files, out, {line.files().first()});
        ExportLevelJson(files, line.files().first(), file.get());
        FinishOutput(files, *file);
    } catch (const Failure& failure) {
        return Unusable(failure);
    }
    return ExitDone;
}

} // namespace tavrin::cli
