// tavrin-level merge
#include "atomicfile.h"
#include "commands.h"
#include "levelcheck.h"
#include "levelmerge.h"

#include <QCoreApplication>
#include <QTextStream>
#include <set>
#include <tuple>

namespace tavrin::cli {

namespace {

using ErrorKey = std::tuple<QString, qint64, int, int, QString>;

ErrorKey KeyOf(const LevelProblem& problem) {
    return {problem.code, problem.screen.value_or(-1), problem.tile.value_or(-1),
            problem.direction.value_or(-1), problem.message};
}

// The errors of the level file `path`; none when it cannot be checked.
std::vector<LevelProblem> ErrorsOf(FileAccess& files, const QString& path,
                                   const LevelCheckSettings& settings) {
    std::vector<LevelProblem> errors;
    try {
        for (LevelProblem& problem : CheckLevelFile(files, path, settings))
            if (problem.isError())
                errors.push_back(std::move(problem));
    } catch (const Failure&) {
    }
    return errors;
}

} // namespace

int Merge(QStringList arguments) {
    QString out;
    QString error;
    if (!TakeOption(arguments, QStringLiteral("-o"), &out, &error))
        return UsageError(error);
    const bool takeOurs = TakeFlag(arguments, QStringLiteral("--ours"));
    const bool takeTheirs = TakeFlag(arguments, QStringLiteral("--theirs"));
    if (const QString rest = CheckRest(arguments, QStringLiteral("merge"), 3); !rest.isEmpty())
        return UsageError(rest);
    if (out.isEmpty())
        return UsageError(QStringLiteral("merge needs -o OUT: the level file to write"));
    if (takeOurs && takeTheirs)
        return UsageError(QStringLiteral("merge takes --ours or --theirs, not both"));
    const QString& ours = arguments[1];
    LevelCheckSettings settings;
    settings.picturesFolders = LevelPicturesFolders(ours, QCoreApplication::applicationDirPath());
    FileAccess files;
    std::vector<MergeConflict> conflicts;
    std::vector<LevelProblem> introduced;
    try {
        // OUT may be OURS itself, as a merge driver of git has it: the merge is written beside it and takes
        // its place once whole, while OURS stays open for reading until then.
        const std::unique_ptr<QIODevice> file = OpenOutput(files, out, QString());
        conflicts = MergeLevels(files, arguments[0], ours, arguments[2], file.get(),
                                takeTheirs ? MergeSide::Theirs : MergeSide::Ours);
        const bool checkable = dynamic_cast<AtomicFile*>(file.get()) != nullptr;
        std::set<ErrorKey> known;
        if (checkable)
            for (const LevelProblem& problem : ErrorsOf(files, ours, settings))
                known.insert(KeyOf(problem));
        FinishOutput(files, *file);
        if (checkable)
            for (LevelProblem& problem : ErrorsOf(files, out, settings))
                if (!known.count(KeyOf(problem)))
                    introduced.push_back(std::move(problem));
    } catch (const Failure& failure) {
        return Unusable(failure);
    }
    StandardOutput output;
    QTextStream& stream = output.text();
    for (const MergeConflict& conflict : conflicts)
        stream << conflict.line() << '\n';
    for (const LevelProblem& problem : introduced)
        stream << "warning: " << problem.toLine(out) << '\n';
    return output.finish(conflicts.empty() || takeOurs || takeTheirs ? ExitDone : ExitProblems);
}

} // namespace tavrin::cli
