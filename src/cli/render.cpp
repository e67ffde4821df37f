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

int Render(QStringList arguments) {
    QString out, screen, scale, pics, error;
    if (!TakeOption(arguments, QStringLiteral("-o"), &out, &error) ||
        !TakeOption(arguments, QStringLiteral("--screen"), &screen, &error) ||
        !TakeOption(arguments, QStringLiteral("--scale"), &scale, &error) ||
        !TakeOption(arguments, QStringLiteral("--pics"), &pics, &error))
        return UsageError(error);
    RenderRequest request;
    request.world = TakeFlag(arguments, QStringLiteral("--world"));
    request.marker = TakeFlag(arguments, QStringLiteral("--marker"));
    request.directions = TakeFlag(arguments, QStringLiteral("--directions"));
    request.reach = TakeFlag(arguments, QStringLiteral("--reach"));
    if (const QString rest = CheckRest(arguments, QStringLiteral("render"), 1); !rest.isEmpty())
        return UsageError(rest);
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
    request.levelFile = arguments.first();
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
