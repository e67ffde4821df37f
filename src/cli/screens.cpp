// tavrin-level screens: a screen deleted, moved, swapped or duplicated, with every side link following, as
// the editor's Screen menu does it.
#include "cli/commands.h"
#include "level/core/messages.h"
#include "level/document/leveldocument.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <iterator>

namespace tavrin::cli {

namespace {

// The screen numbers of an operation, an option followed by `count` of them. QCommandLineParser gives an
// option one value: the numbers after the option are handed to it as one, a blank between them. False
// (with `error` set) when they are missing or no screen numbers.
bool JoinNumbers(QStringList& arguments, const char* option, int count, QString* error) {
    const qsizetype at = arguments.indexOf(QLatin1String(option));
    if (at < 0)
        return true;
    for (int i = 1; i <= count; ++i) {
        int value = 0;
        if (at + i >= arguments.size() || !WholeNumber(arguments[at + i], 0, 32767, &value)) {
            *error = Text(Msg::CliScreenNumbers).arg(QLatin1String(option)).arg(count);
            return false;
        }
    }
    arguments[at + 1] = arguments.mid(at + 1, count).join(u' ');
    arguments.remove(at + 2, count - 1);
    return true;
}

QList<int> Numbers(const QString& value) {
    QList<int> numbers;
    for (const QString& number : value.split(u' ', Qt::SkipEmptyParts))
        numbers << number.toInt();
    return numbers;
}

void CopyInto(const QString& path, QIODevice& output) {
    QFile saved(path);
    if (!saved.open(QIODevice::ReadOnly))
        throw Failure::fileNotFound();
    while (!saved.atEnd()) {
        const QByteArray chunk = saved.read(1 << 20);
        if (output.write(chunk) != chunk.size())
            throw WriteFailure(output);
    }
}

} // namespace

int Screens(const CliCommand& command, QStringList arguments) {
    const std::pair<const char*, int> operations[] = {
        {"--delete", 1}, {"--move", 2}, {"--swap", 2}, {"--duplicate", 1}};
    QString error;
    for (const auto& [option, count] : operations)
        if (!JoinNumbers(arguments, option, count, &error))
            return UsageError(error);
    // An operation is given once: the numbers after it a second time would be taken for files.
    for (const auto& [option, count] : operations)
        if (arguments.count(QLatin1String(option)) > 1)
            return UsageError(Text(Msg::CliUnknownOption).arg(QLatin1String(option)));
    const CommandLine line(command, arguments);
    if (!line.error().isEmpty())
        return UsageError(line.error());
    const QString out = line.value("-o");
    if (out.isEmpty())
        return UsageError(Text(Msg::CliNeedsLevelOut).arg(QLatin1String(command.name)));
    if (std::count_if(std::begin(operations), std::end(operations),
                      [&line](const auto& operation) { return line.isSet(operation.first); }) != 1)
        return UsageError(Text(Msg::CliScreensNeedOne));
    const QList<int> deleted = Numbers(line.value("--delete"));
    const QList<int> moved = Numbers(line.value("--move"));
    const QList<int> swapped = Numbers(line.value("--swap"));
    const QList<int> duplicated = Numbers(line.value("--duplicate"));
    const QString input = line.files().first();
    QTemporaryDir work;
    if (!work.isValid())
        return Unusable(Text(Msg::CliNoWorkFolder).arg(work.errorString()));
    FileAccess files;
    try {
        const std::unique_ptr<QIODevice> output = OpenOutput(files, out, {input});
        LevelDocument document(work.path());
        document.loadLevel(input, QStringLiteral("screens"));
        const int last = document.state().LevelLastScreen();
        if (!duplicated.isEmpty()) {
            if (duplicated[0] > last)
                return Unusable(input, Text(Msg::NotOneOfTheScreens).arg(duplicated[0]).arg(last));
            document.duplicateScreen(duplicated[0]);
        } else {
            const ScreenRenumbering renumbering =
                !deleted.isEmpty() ? ScreenRenumbering::deleting(deleted[0], last)
                : !moved.isEmpty() ? ScreenRenumbering::moving(moved[0], moved[1], last)
                                   : ScreenRenumbering::swapping(swapped[0], swapped[1], last);
            if (const std::optional<QString> why = renumbering.refusal())
                return Unusable(input, *why);
            document.renumberScreens(renumbering);
        }
        const QString saved = QDir(work.path()).filePath(QStringLiteral("saved.txt"));
        if (const std::optional<Failure> notice = document.saveLevel(saved))
            QTextStream(stderr) << "tavrin-level: " << ShownText(*notice) << '\n';
        CopyInto(saved, *output);
        FinishOutput(files, *output);
        document.end();
    } catch (const Failure& failure) {
        return Unusable(failure);
    }
    return ExitDone;
}

} // namespace tavrin::cli
