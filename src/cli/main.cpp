// tavrin-level: level files without a window.
#include "cli/commands.h"
#include "level/core/messages.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>
#include <algorithm>
#include <memory>

namespace tavrin::cli {

namespace {
const char* const Usage =
    "Usage: tavrin-level COMMAND ARGUMENTS\n"
    "\n"
    "Commands:\n"
    "  info LEVEL [--json]\n"
    "      the level's properties, screens, pictures and size\n"
    "  check LEVEL [--json] [--strict] [--pics DIR]\n"
    "      every problem of the level, one line each; exit 1 when there are errors (with --strict,\n"
    "      warnings too)\n"
    "  render LEVEL -o OUT.png [--screen N | --world] [--scale K] [--marker] [--directions]\n"
    "         [--reach] [--pics DIR]\n"
    "      a screen (screen 0 unless given), or the map of the whole level, as a PNG image;\n"
    "      --directions marks the blocked steps and the exits of every tile, --reach shades what\n"
    "      the walk from the start tile cannot reach\n"
    "  export LEVEL -o OUT.json\n"
    "      the whole level as JSON\n"
    "  import IN.json -o LEVEL\n"
    "      a level file from JSON written by export\n"
    "  diff A B [--json | --stat]  |  diff --textconv LEVEL  |  diff --git PATH A HEX MODE B HEX MODE\n"
    "      what differs between two levels, by meaning: properties, side links and tile fields, one\n"
    "      line each; exit 0 when they are the same, 1 when they differ; --textconv lists one level\n"
    "      whole, a line a tile, for git; --git is git's diff driver, which exits 0 either way\n"
    "  merge BASE OURS THEIRS -o OUT [--ours | --theirs] [--level PATH]\n"
    "      the changes of OURS and THEIRS since BASE in one level, field by field; exit 1 when fields\n"
    "      conflict (OUT then holds OURS's value, and OUT.conflicts.json, or PATH.conflicts.json, the\n"
    "      conflicts; --ours or --theirs settles every conflict) or the merged level has errors neither\n"
    "      side had; OUT may be OURS, never BASE or THEIRS\n"
    "  git-setup\n"
    "      makes git in the current repository merge and compare levels with the two above\n"
    "  reach LEVEL [--from S:T] [--json]\n"
    "      the screens the walk can take the marker to from the start tile of screen 0 (or from tile T\n"
    "      of screen S), and how many tiles of each\n"
    "  route LEVEL --to S:T [--from S:T] [--json]\n"
    "      a shortest walk to tile T of screen S, one key and the place it leads to a line; exit 1\n"
    "      when no walk leads there\n"
    "\n"
    "Options:\n"
    "  --help       this text\n"
    "  --version    the program's version\n"
    "\n"
    "Exit status: 0 done, 1 check found errors (with --strict, any problem), diff found\n"
    "differences, merge found conflicts or errors or route found no walk, 2 the command could not\n"
    "be carried out.\n";
} // namespace

int UsageError(const QString& what) {
    QTextStream(stderr) << "tavrin-level: " << what << "\n\n" << Usage;
    return ExitUnusable;
}

int Unusable(const QString& what) {
    QTextStream(stderr) << "tavrin-level: " << what << '\n';
    return ExitUnusable;
}

int Unusable(const QString& file, const QString& description) {
    return Unusable(description.contains(file) ? description
                                               : Text(Msg::NamedFailure).arg(file, description));
}

int Unusable(const Failure& failure) {
    return Unusable(ShownText(failure));
}

int Unusable(const QString& file, const Failure& failure) {
    return Unusable(file, ShownText(failure));
}

bool TakeOption(QStringList& arguments, const QString& option, QString* value, QString* error) {
    for (qsizetype i = arguments.indexOf(option); i >= 0; i = arguments.indexOf(option)) {
        if (i + 1 >= arguments.size()) {
            *error = Text(Msg::CliNeedsValue).arg(option);
            return false;
        }
        *value = arguments.at(i + 1);
        arguments.remove(i, 2);
    }
    return true;
}

bool TakeFlag(QStringList& arguments, const QString& flag) {
    return arguments.removeAll(flag) > 0;
}

bool WholeNumber(const QString& text, int low, int high, int* value) {
    bool number = false;
    const int whole = text.toInt(&number);
    if (!number || QString::number(whole) != text || whole < low || whole > high)
        return false;
    *value = whole;
    return true;
}

QString CheckRest(const QStringList& arguments, const QString& command, int files) {
    for (const QString& argument : arguments)
        if (argument.startsWith(QLatin1String("-")) && argument.size() > 1)
            return Text(Msg::CliUnknownOption).arg(argument);
    if (arguments.size() != files)
        return files == 1 ? Text(Msg::CliTakesOneFile).arg(command)
                          : Text(Msg::CliTakesFiles).arg(command).arg(files);
    return QString();
}

} // namespace tavrin::cli

int main(int argc, char* argv[]) {
    using namespace tavrin::cli;
    // The screen numbers render --directions and --world write take fonts, which only a GUI application
    // has: those commands run as one, on the offscreen platform, which needs no display.
    const bool fonts = std::any_of(argv + 1, argv + argc, [](const char* argument) {
        return qstrcmp(argument, "--directions") == 0 || qstrcmp(argument, "--world") == 0;
    });
    if (fonts)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> app = fonts ? std::make_unique<QGuiApplication>(argc, argv)
                                                        : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVRIN_VERSION));
    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.contains(QLatin1String("--help"))) {
        StandardOutput output;
        output.text() << Usage;
        return output.finish(ExitDone);
    }
    if (arguments.contains(QLatin1String("--version"))) {
        StandardOutput output;
        output.text() << "tavrin-level " << QCoreApplication::applicationVersion() << '\n';
        return output.finish(ExitDone);
    }
    if (arguments.isEmpty())
        return UsageError(tavrin::Text(tavrin::Msg::CliNoCommand));
    const QString command = arguments.takeFirst();
    if (command == QLatin1String("info"))
        return Info(arguments);
    if (command == QLatin1String("check"))
        return Check(arguments);
    if (command == QLatin1String("render"))
        return Render(arguments);
    if (command == QLatin1String("export"))
        return Export(arguments);
    if (command == QLatin1String("import"))
        return Import(arguments);
    if (command == QLatin1String("screens"))
        return Screens(arguments);
    if (command == QLatin1String("diff"))
        return Diff(arguments);
    if (command == QLatin1String("merge"))
        return Merge(arguments);
    if (command == QLatin1String("git-setup"))
        return GitSetup(arguments);
    if (command == QLatin1String("route"))
        return Route(arguments);
    if (command == QLatin1String("reach"))
        return Reach(arguments);
    return UsageError(tavrin::Text(tavrin::Msg::CliUnknownCommand).arg(command));
}
