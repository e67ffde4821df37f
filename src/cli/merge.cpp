// tavrin-level merge
#include "cli/commands.h"
#include "level/core/messages.h"
#include "level/storage/atomicfile.h"
#include "level/tools/levelcheck.h"
#include "level/tools/levelmerge.h"
#include "level/tools/mergeconflicts.h"

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

} // namespace

int Merge(const CliCommand& command, QStringList arguments) {
    const CommandLine line(command, arguments);
    if (!line.error().isEmpty())
        return UsageError(line.error());
    const QString out = line.value("-o");
    QString level = line.value("--level");
    const bool takeOurs = line.isSet("--ours");
    const bool takeTheirs = line.isSet("--theirs");
    if (out.isEmpty())
        return UsageError(Text(Msg::CliNeedsLevelOut).arg(QLatin1String(command.name)));
    if (takeOurs && takeTheirs)
        return UsageError(
            Text(Msg::CliNotBoth)
                .arg(QLatin1String(command.name), QLatin1String("--ours"), QLatin1String("--theirs")));
    const QString& base = line.files()[0];
    const QString& ours = line.files()[1];
    const QString& theirs = line.files()[2];
    LevelCheckSettings settings;
    settings.picturesFolders = LevelPicturesFolders(ours, QCoreApplication::applicationDirPath());
    FileAccess files;
    std::vector<MergeConflict> conflicts;
    std::vector<LevelProblem> introduced;
    try {
        // Every input must say what its level is; the errors either side has already are its own.
        std::set<ErrorKey> known;
        for (const QString* input : {&base, &ours, &theirs})
            for (const LevelProblem& problem : CheckLevelFile(files, *input, settings)) {
                if (LeavesLevelUnsure(problem))
                    return Unusable(*input, problem.isError() ? problem.toLine(*input)
                                                              : Text(Msg::CliNoLevelProperties).arg(*input));
                if (problem.isError() && input != &base)
                    known.insert(KeyOf(problem));
            }
        // OUT may be OURS itself, as a merge driver of git has it: the merge is written beside it and takes
        // its place once whole, while OURS stays open for reading until then. BASE and THEIRS never.
        const std::unique_ptr<QIODevice> file = OpenOutput(files, out, {base, theirs});
        conflicts = MergeLevels(files, base, ours, theirs, file.get(),
                                takeTheirs ? MergeSide::Theirs : MergeSide::Ours);
        FinishOutput(files, *file);
        if (dynamic_cast<AtomicFile*>(file.get()))
            for (LevelProblem& problem : CheckLevelFile(files, out, settings))
                if (problem.isError() && !known.count(KeyOf(problem)))
                    introduced.push_back(std::move(problem));
        // The conflicts left to settle go beside the level (git names its own file with --level, OUT
        // being a temporary one), for the editor; a merge with none leaves no file of an earlier one.
        if (level.isEmpty())
            level = out;
        const QString conflictsFile = ConflictsFileOf(level);
        if (conflicts.empty() || takeOurs || takeTheirs) {
            if (files.exists(conflictsFile))
                files.remove(conflictsFile);
        } else {
            WriteConflictsFile(files, conflictsFile, level, conflicts);
        }
    } catch (const Failure& failure) {
        return Unusable(failure);
    }
    StandardOutput output;
    QTextStream& stream = output.text();
    for (const MergeConflict& conflict : conflicts)
        stream << conflict.line() << '\n';
    for (const LevelProblem& problem : introduced)
        stream << problem.toLine(out) << '\n';
    const bool settled = conflicts.empty() || takeOurs || takeTheirs;
    return output.finish(settled && introduced.empty() ? ExitDone : ExitProblems);
}

} // namespace tavrin::cli
