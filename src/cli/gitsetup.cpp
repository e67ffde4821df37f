// tavrin-level git-setup: git merges and compares level files with tavrin-level.
#include "cli/commands.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTextStream>

namespace tavrin::cli {

namespace {

// Runs `git config key value` in the current folder; the error git gave, empty when it was set.
QString SetGitConfig(const QString& key, const QString& value) {
    QProcess git;
    git.start(QStringLiteral("git"), {QStringLiteral("config"), key, value});
    if (!git.waitForFinished(30000))
        return Text(Msg::CliGitNotRun).arg(git.errorString());
    if (git.exitStatus() != QProcess::NormalExit || git.exitCode() != 0)
        return Text(Msg::CliGitConfigFailed)
            .arg(key, QString::fromLocal8Bit(git.readAllStandardError()).trimmed());
    return QString();
}

// The program as git is to run it: its full path, quoted for the shell git runs the driver with.
QString ProgramForShell() {
    QString path = QCoreApplication::applicationFilePath();
    return u'\'' + path.replace(u'\'', QStringLiteral("'\\''")) + u'\'';
}

} // namespace

int GitSetup(const CliCommand& command, QStringList arguments) {
    if (const CommandLine line(command, arguments); !line.error().isEmpty())
        return UsageError(line.error());
    const QString program = ProgramForShell();
    const std::pair<QString, QString> settings[] = {
        {QStringLiteral("merge.tavrin.name"), QStringLiteral("TavrinEditor levels, merged field by field")},
        {QStringLiteral("merge.tavrin.driver"), program + QStringLiteral(" merge %O %A %B -o %A --level %P")},
        // git diff runs the command, which reads the two files a screen at a time; git log -p and git
        // show, which take no diff command unless told --ext-diff, compare the listings of textconv.
        {QStringLiteral("diff.tavrin.command"), program + QStringLiteral(" diff --git")},
        {QStringLiteral("diff.tavrin.textconv"), program + QStringLiteral(" diff --textconv")},
    };
    for (const auto& [key, value] : settings)
        if (const QString error = SetGitConfig(key, value); !error.isEmpty())
            return Unusable(error);
    StandardOutput output;
    output.text() << Text(Msg::CliGitSetUp) << '\n';
    return output.finish(ExitDone);
}

} // namespace tavrin::cli
