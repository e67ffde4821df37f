// tavrin-level screens: a screen deleted, moved, swapped or duplicated, with every side link following, as
// the editor's Screen menu does it.
#include "cli/commands.h"
#include "level/core/messages.h"
#include "level/document/leveldocument.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

namespace tavrin::cli {

namespace {

// Takes `option` and the `count` numbers after it out of `arguments`; false (with `error` set) when they
// are missing or no screen numbers.
bool TakeNumbers(QStringList& arguments, const QString& option, int count, QList<int>* numbers,
                 QString* error) {
    const qsizetype at = arguments.indexOf(option);
    if (at < 0)
        return true;
    for (int i = 1; i <= count; ++i) {
        int value = 0;
        if (at + i >= arguments.size() || !WholeNumber(arguments[at + i], 0, 32767, &value)) {
            *error = QStringLiteral("%1 needs %2 screen number(s) from 0 to 32767").arg(option).arg(count);
            return false;
        }
        *numbers << value;
    }
    arguments.remove(at, count + 1);
    return true;
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

int Screens(QStringList arguments) {
    QString out;
    QString error;
    QList<int> deleted, moved, swapped, duplicated;
    if (!TakeOption(arguments, QStringLiteral("-o"), &out, &error) ||
        !TakeNumbers(arguments, QStringLiteral("--delete"), 1, &deleted, &error) ||
        !TakeNumbers(arguments, QStringLiteral("--move"), 2, &moved, &error) ||
        !TakeNumbers(arguments, QStringLiteral("--swap"), 2, &swapped, &error) ||
        !TakeNumbers(arguments, QStringLiteral("--duplicate"), 1, &duplicated, &error))
        return UsageError(error);
    if (const QString rest = CheckRest(arguments, QStringLiteral("screens"), 1); !rest.isEmpty())
        return UsageError(rest);
    if (out.isEmpty())
        return UsageError(QStringLiteral("screens needs -o OUT: the level file to write"));
    if (int(!deleted.isEmpty()) + int(!moved.isEmpty()) + int(!swapped.isEmpty()) +
            int(!duplicated.isEmpty()) !=
        1)
        return UsageError(
            QStringLiteral("screens needs one of --delete N, --move N M, --swap N M, --duplicate N"));
    const QString input = arguments.first();
    QTemporaryDir work;
    if (!work.isValid())
        return Unusable(QStringLiteral("no folder to work in: %1").arg(work.errorString()));
    FileAccess files;
    try {
        const std::unique_ptr<QIODevice> output = OpenOutput(files, out, {input});
        LevelDocument document(work.path());
        document.loadLevel(input, QStringLiteral("screens"));
        const int last = document.state().LevelLastScreen;
        if (!duplicated.isEmpty()) {
            if (duplicated[0] > last)
                return Unusable(input, QStringLiteral("Screen %1 is not one of the level's screens 0 to %2")
                                           .arg(duplicated[0])
                                           .arg(last));
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
