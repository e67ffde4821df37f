#include "mainwindow/gitrevision.h"

#include "level/core/failure.h"
#include "level/core/messages.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace tavrin {

namespace {

// git started in the folder of `path`, without a shell.
void StartGit(QProcess& git, const QString& path, const QStringList& arguments) {
    git.setWorkingDirectory(QFileInfo(path).absolutePath());
    git.start(QStringLiteral("git"), arguments);
}

} // namespace

bool InGitWorkTree(const QString& path) {
    if (path.isEmpty())
        return false;
    QProcess git;
    StartGit(git, path, {QStringLiteral("rev-parse"), QStringLiteral("--is-inside-work-tree")});
    return git.waitForFinished(30000) && git.exitStatus() == QProcess::NormalExit && git.exitCode() == 0 &&
           git.readAllStandardOutput().trimmed() == "true";
}

void WriteGitRevision(const QString& path, const QString& revision, const QString& target) {
    QProcess git;
    git.setStandardOutputFile(target);
    // The revision is one argument after --end-of-options, so that none can be taken for an option; the
    // path is taken from the file's own folder.
    StartGit(git, path,
             {QStringLiteral("show"), QStringLiteral("--end-of-options"),
              revision + QStringLiteral(":./") + QFileInfo(path).fileName()});
    const bool ran = git.waitForFinished(-1) && git.exitStatus() == QProcess::NormalExit;
    if (ran && git.exitCode() == 0)
        return;
    QString why = ran ? QString::fromLocal8Bit(git.readAllStandardError()).trimmed() : git.errorString();
    if (!why.endsWith(u'.'))
        why += u'.';
    throw Failure(ErrFileNotFound,
                  Text(Msg::GitRevisionUnreadable).arg(QDir::toNativeSeparators(path), revision, why));
}

} // namespace tavrin
