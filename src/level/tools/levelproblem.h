#pragma once

#include <QByteArray>
#include <QString>
#include <array>
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

// "2 errors, 1 warning", "no problems".
QString ProblemSummary(const std::vector<LevelProblem>& problems);

// The problems of one kind (one code) among a list of problems.
struct ProblemGroup {
    QString code;
    LevelProblem::Severity severity = LevelProblem::Severity::Error;
    std::vector<size_t> members; // where they stand in the list, in its order
};

// The problems by kind: the kinds of errors first, then those of warnings; of each, the kinds with the
// fewest problems first, so that a flood of one kind comes after the few of the others, and kinds with as
// many in the order the list first names them.
std::vector<ProblemGroup> GroupProblems(const std::vector<LevelProblem>& problems);

} // namespace tavrin
