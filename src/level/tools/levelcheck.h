#pragma once

#include "module1.h"
#include "task.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tavrin {

// One problem of a level: what is wrong, and where, as far as it is about a screen, a tile, a direction
// and a line of the level file.
struct LevelProblem {
    enum class Severity { Error, Warning };

    Severity severity = Severity::Error;
    QString code; // a stable short name: "link-out-of-range", "one-way-link", ...
    std::optional<qint64> screen;
    std::optional<int> tile;      // 1..300, or the number a record gave
    std::optional<int> direction; // 0 left, 1 up, 2 right, 3 down
    qint64 line = 0;              // of the level file, counted from 1; 0 when there is none
    QString message;

    bool isError() const { return severity == Severity::Error; }
    // "left", "up", "right" or "down"; empty without a direction.
    QString directionName() const;
    // "<file>:<line>: screen <S> tile <T> <direction>: <severity>: <message> [<code>]", the parts that do
    // not apply left out.
    QString toLine(const QString& file) const;
};

// Writes problems as LevelProblem::toLine gives them, each with an LF after it, in UTF-8: a check can
// print a million lines. The texts problems share (most codes and messages) are converted once.
class ProblemLineWriter {
public:
    explicit ProblemLineWriter(const QString& file) : m_file(file.toUtf8()) {}
    void append(const LevelProblem& problem, QByteArray& out);

private:
    const QByteArray& utf8(const QString& text);

    struct Converted {
        QString text; // kept, so that no other text can take its place in memory while it is here
        QByteArray utf8;
    };
    QByteArray m_file;
    std::array<Converted, 64> m_converted; // by where a text's characters are
};

struct LevelCheckSettings {
    // The Pics folders a picture file is looked for in, in order. A reference that reaches outside the
    // first folder is an error whatever the others hold.
    QStringList picturesFolders;
};

// Every problem of the level file `path`, in the order of the file (problems without a line last).
// Failure 53 for a missing file, 321 for a file that holds no level record at all.
std::vector<LevelProblem> CheckLevelFile(FileAccess& files, const QString& path,
                                         const LevelCheckSettings& settings);

// Every problem of the level being edited in `level`: its properties as they are in memory, the screen on
// display and the screens with scratch files as they are there, the other screens from its level file.
std::vector<LevelProblem> CheckEditedLevel(const Module1& level, const LevelCheckSettings& settings);
// The same as a task: the level file is read aside, the screens with scratch files a piece each, and
// `done` is told the problems at the end.
std::unique_ptr<Task> CheckEditedLevelTask(const Module1& level, const LevelCheckSettings& settings,
                                           std::function<void(std::vector<LevelProblem>)> done);

// True for a problem that leaves the file's level unsure: a record that cannot be read as the level's, or
// no level properties (the file may have been cut short). Such a file is no ground for a merge.
bool LeavesLevelUnsure(const LevelProblem& problem);

// "2 errors, 1 warning", "no problems".
QString ProblemSummary(const std::vector<LevelProblem>& problems);

} // namespace tavrin
