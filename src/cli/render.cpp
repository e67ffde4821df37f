// tavrin-level render
#include "cli/commands.h"
#include "level/core/messages.h"
#include "level/document/module1.h"
#include "level/storage/fileaccess.h"
#include "level/tools/levelrender.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

namespace tavrin::cli {

int Render(const CliCommand& command, QStringList arguments) {
    const CommandLine line(command, arguments);
    if (!line.error().isEmpty())
        return UsageError(line.error());
    const QString out = line.value("-o");
    const QString screen = line.value("--screen");
    const QString scale = line.value("--scale");
    const QString pics = line.value("--pics");
    RenderRequest request;
    request.world = line.isSet("--world");
    request.marker = line.isSet("--marker");
    request.directions = line.isSet("--directions");
    request.reach = line.isSet("--reach");
    if (out.isEmpty())
        return UsageError(Text(Msg::CliRenderNeedsOut));
    if (request.world && !screen.isNull())
        return UsageError(Text(Msg::CliScreenOrWorld));
    if (!screen.isNull() && !WholeNumber(screen, 0, 32767, &request.screen))
        return UsageError(Text(Msg::CliScreenRange));
    if (!scale.isNull() && !WholeNumber(scale, 1, 8, &request.scale))
        return UsageError(Text(Msg::CliScaleRange));
    if (!pics.isNull() && !QFileInfo(pics).isDir())
        return Unusable(pics, Text(Msg::CliNoPicturesFolder));
    request.levelFile = line.files().first();
    // Pictures are looked up beside the level file first, then beside the program, as the editor does.
    request.picturesFolders =
        pics.isNull() ? LevelPicturesFolders(request.levelFile, QCoreApplication::applicationDirPath())
                      : QStringList{pics};

    QStringList warnings;
    QImage image;
    try {
        image = RenderLevel(request, &warnings);
    } catch (const Failure& failure) {
        return Unusable(request.levelFile, failure);
    }
    for (const QString& warning : std::as_const(warnings))
        QTextStream(stderr) << "tavrin-level: " << request.levelFile << ": " << warning << '\n';
    FileAccess files;
    try {
        const std::unique_ptr<QIODevice> file = OpenOutput(files, out, {request.levelFile});
        if (!image.save(file.get(), "PNG"))
            throw WriteFailure(*file);
        FinishOutput(files, *file);
    } catch (const Failure& failure) {
        return Unusable(out, failure);
    }
    return ExitDone;
}

} // namespace tavrin::cli
