// tavrin-level: its commands, their usage and the reading of their arguments.
#include "cli/commands.h"

#include <algorithm>

namespace tavrin::cli {

namespace {

const CliOption* FindOption(const std::vector<CliOption>& options, const QString& argument) {
    const auto found = std::find_if(options.begin(), options.end(), [&argument](const CliOption& option) {
        return argument == QLatin1String(option.name);
    });
    return found == options.end() ? nullptr : &*found;
}

// QCommandLineParser names an option without its dashes.
QString ParserName(const char* option) {
    return QString::fromLatin1(option).mid(option[1] == '-' ? 2 : 1);
}

// The lines of `text` after the first indented by `indent` spaces.
QString Indented(const QString& text, qsizetype indent) {
    QString lines = text;
    return lines.replace(u'\n', u'\n' + QString(indent, u' '));
}

qsizetype NameSize(const CliCommand& command) {
    return qsizetype(qstrlen(command.name));
}

QString OptionName(const CliOption& option) {
    return option.value ? QStringLiteral("%1 %2").arg(QLatin1String(option.name), QLatin1String(option.value))
                        : QString::fromLatin1(option.name);
}

} // namespace

std::vector<CliOption> CliCommand::only(std::initializer_list<QLatin1String> names) const {
    std::vector<CliOption> chosen;
    std::copy_if(options.begin(), options.end(), std::back_inserter(chosen),
                 [names](const CliOption& option) {
                     return std::find(names.begin(), names.end(), QLatin1String(option.name)) != names.end();
                 });
    return chosen;
}

const std::vector<CliCommand>& Commands() {
    static const CliOption Json{"--json", nullptr, Msg::CliOptionJson};
    static const CliOption Pics{"--pics", "DIR", Msg::CliOptionPics};
    static const CliOption From{"--from", "S:T", Msg::CliOptionFrom};
    static const auto Out = [](const char* file) { return CliOption{"-o", file, Msg::CliOptionOut}; };
    static const std::vector<CliCommand> commands{
        {"info", {Msg::CliInfoForm}, Msg::CliInfoAbout, {Json}, 1, Info},
        {"check",
         {Msg::CliCheckForm},
         Msg::CliCheckAbout,
         {Json, {"--strict", nullptr, Msg::CliOptionStrict}, Pics},
         1,
         Check},
        {"render",
         {Msg::CliRenderForm},
         Msg::CliRenderAbout,
         {Out("OUT.png"),
          {"--screen", "N", Msg::CliOptionScreen},
          {"--world", nullptr, Msg::CliOptionWorld},
          {"--scale", "K", Msg::CliOptionScale},
          {"--marker", nullptr, Msg::CliOptionMarker},
          {"--directions", nullptr, Msg::CliOptionDirections},
          {"--reach", nullptr, Msg::CliOptionReach},
          Pics},
         1,
         Render},
        {"export", {Msg::CliExportForm}, Msg::CliExportAbout, {Out("OUT.json")}, 1, Export},
        {"import", {Msg::CliImportForm}, Msg::CliImportAbout, {Out("LEVEL")}, 1, Import},
        {"screens",
         {Msg::CliScreensForm},
         Msg::CliScreensAbout,
         {{"--delete", "N", Msg::CliOptionDelete},
          {"--move", "N M", Msg::CliOptionMove},
          {"--swap", "N M", Msg::CliOptionSwap},
          {"--duplicate", "N", Msg::CliOptionDuplicate},
          Out("OUT")},
         1,
         Screens},
        {"diff",
         {Msg::CliDiffForm, Msg::CliDiffTextconvForm, Msg::CliDiffGitForm},
         Msg::CliDiffAbout,
         {Json,
          {"--stat", nullptr, Msg::CliOptionStat},
          {"--textconv", nullptr, Msg::CliOptionTextconv},
          {"--git", nullptr, Msg::CliOptionGit}},
         2,
         Diff},
        {"merge",
         {Msg::CliMergeForm},
         Msg::CliMergeAbout,
         {Out("OUT"),
          {"--ours", nullptr, Msg::CliOptionOurs},
          {"--theirs", nullptr, Msg::CliOptionTheirs},
          {"--level", "PATH", Msg::CliOptionLevel}},
         3,
         Merge},
        {"git-setup", {Msg::CliGitSetupForm}, Msg::CliGitSetupAbout, {}, 0, GitSetup},
        {"reach", {Msg::CliReachForm}, Msg::CliReachAbout, {From, Json}, 1, Reach},
        {"route",
         {Msg::CliRouteForm},
         Msg::CliRouteAbout,
         {{"--to", "S:T", Msg::CliOptionTo}, From, Json},
         1,
         Route},
    };
    return commands;
}

const CliCommand* FindCommand(const QString& name) {
    const std::vector<CliCommand>& commands = Commands();
    const auto found = std::find_if(commands.begin(), commands.end(),
                                    [&name](const CliCommand& command) { return name == command.name; });
    return found == commands.end() ? nullptr : &*found;
}

QString UsageText() {
    QString text = Text(Msg::CliUsage).arg(QLatin1String("tavrin-level COMMAND ARGUMENTS")) +
                   QStringLiteral("\n\n") + Text(Msg::CliCommandsHeading) + u'\n';
    for (const CliCommand& command : Commands()) {
        QStringList forms;
        for (const Msg form : command.forms)
            forms << Text(form);
        // The forms on a line, the second line of a long one under its arguments; below them, indented
        // further, what the command does.
        text += QStringLiteral("  ") + Indented(forms.join(QStringLiteral("  |  ")), 3 + NameSize(command)) +
                QStringLiteral("\n      ") + Indented(Text(command.about), 6) + u'\n';
    }
    return text + u'\n' + Text(Msg::CliOptionsHeading) + QStringLiteral("\n  --help       ") +
           Text(Msg::CliHelpEverything) + QStringLiteral("\n  --version    ") + Text(Msg::CliVersion) +
           QStringLiteral("\n\n") + Text(Msg::CliExitStatus) + u'\n';
}

QString HelpText(const CliCommand& command) {
    // The forms one under another, after "Usage: ", a long one's second line under its arguments.
    const QString usage = Text(Msg::CliUsage);
    const qsizetype indent = usage.indexOf(QLatin1String("%1"));
    const QString program = QStringLiteral("tavrin-level ");
    QStringList forms;
    for (const Msg form : command.forms)
        forms << program + Indented(Text(form), indent + program.size() + NameSize(command) + 1);
    QString text = usage.arg(forms.join(u'\n' + QString(indent, u' '))) + QStringLiteral("\n\n  ") +
                   Indented(Text(command.about), 2) + QStringLiteral("\n\n") + Text(Msg::CliOptionsHeading) +
                   u'\n';
    const CliOption help{"--help", nullptr, Msg::CliHelpThis};
    qsizetype width = OptionName(help).size();
    for (const CliOption& option : command.options)
        width = std::max(width, OptionName(option).size());
    for (const CliOption& option : command.options)
        text += QStringLiteral("  %1  %2\n").arg(OptionName(option), -int(width)).arg(Text(option.about));
    return text + QStringLiteral("  %1  %2\n").arg(OptionName(help), -int(width)).arg(Text(help.about));
}

CommandLine::CommandLine(const CliCommand& command, const QStringList& arguments)
    : CommandLine(command.options, arguments, QString::fromLatin1(command.name), command.files) {}

CommandLine::CommandLine(const std::vector<CliOption>& options, const QStringList& arguments,
                         const QString& name, int files) {
    // QCommandLineParser takes "-json" for --json, "--o" for -o, "--pics=DIR" for --pics DIR and "--" for
    // the end of the options; "--json=1" is its own error. The program takes an option only as its usage
    // spells it, with the value after it, and tells anything else that starts with '-' as an unknown
    // option, as it is written.
    QString unknown;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!argument.startsWith(u'-') || argument.size() == 1)
            continue;
        const CliOption* option = FindOption(options, argument);
        if (option && option->value && i + 1 == arguments.size()) {
            m_error = Text(Msg::CliNeedsValue).arg(argument);
            return;
        }
        if (option && option->value)
            ++i;
        else if (!option && unknown.isNull())
            unknown = argument;
    }
    if (!unknown.isNull()) {
        m_error = Text(Msg::CliUnknownOption).arg(unknown);
        return;
    }
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const CliOption& option : options)
        m_parser.addOption(QCommandLineOption(ParserName(option.name), Text(option.about),
                                              option.value ? QString::fromLatin1(option.value) : QString()));
    if (!m_parser.parse(QStringList(QStringLiteral("tavrin-level")) + arguments)) {
        m_error = m_parser.errorText();
        return;
    }
    m_files = m_parser.positionalArguments();
    if (m_files.size() != files)
        m_error =
            files == 1 ? Text(Msg::CliTakesOneFile).arg(name) : Text(Msg::CliTakesFiles).arg(name).arg(files);
}

bool CommandLine::isSet(const char* option) const {
    return m_error.isEmpty() && m_parser.isSet(ParserName(option));
}

QString CommandLine::value(const char* option) const {
    return m_error.isEmpty() ? m_parser.value(ParserName(option)) : QString();
}

} // namespace tavrin::cli
