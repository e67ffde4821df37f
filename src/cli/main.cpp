// tavrin-level: level files without a window.
#include "cli/commands.h"
#include "level/core/messages.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>
#include <algorithm>
#include <memory>

namespace tavrin::cli {

int UsageError(const QString& what) {
    QTextStream(stderr) << "tavrin-level: " << what << "\n\n" << UsageText();
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

bool WholeNumber(const QString& text, int low, int high, int* value) {
    bool number = false;
    const int whole = text.toInt(&number);
    if (!number || QString::number(whole) != text || whole < low || whole > high)
        return false;
    *value = whole;
    return true;
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
    // --help anywhere: after a command, that command's usage; else the program's.
    if (arguments.contains(QLatin1String("--help"))) {
        const CliCommand* command = FindCommand(arguments.value(0));
        StandardOutput output;
        output.text() << (command ? HelpText(*command) : UsageText());
        return output.finish(ExitDone);
    }
    if (arguments.contains(QLatin1String("--version"))) {
        StandardOutput output;
        output.text() << "tavrin-level " << QCoreApplication::applicationVersion() << '\n';
        return output.finish(ExitDone);
    }
    if (arguments.isEmpty())
        return UsageError(tavrin::Text(tavrin::Msg::CliNoCommand));
    const QString name = arguments.takeFirst();
    if (const CliCommand* command = FindCommand(name))
        return command->run(*command, arguments);
    return UsageError(tavrin::Text(tavrin::Msg::CliUnknownCommand).arg(name));
}
