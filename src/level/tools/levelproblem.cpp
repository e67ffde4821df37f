#include "level/tools/levelproblem.h"

#include <QHash>
#include <algorithm>
#include <charconv>

namespace tavrin {

namespace {

const char* const DirectionNames[4] = {"left", "up", "right", "down"};

// "left", "up", "right" or "down"; empty without a direction.
const char* DirectionText(const std::optional<int>& direction) {
    return direction && *direction >= 0 && *direction < 4 ? DirectionNames[*direction] : "";
}

} // namespace

QString LevelProblem::directionName() const {
    return QLatin1String(DirectionText(direction));
}

QString LevelProblem::toLine(const QString& file) const {
    QByteArray line;
    ProblemLineWriter(file).append(*this, line);
    line.chop(1);
    return QString::fromUtf8(line);
}

const QByteArray& ProblemLineWriter::utf8(const QString& text) {
    Converted& slot = m_converted[(quintptr(text.constData()) >> 4) % m_converted.size()];
    if (slot.text.constData() != text.constData() || slot.text.size() != text.size()) {
        slot.text = text;
        slot.utf8 = text.toUtf8();
    }
    return slot.utf8;
}

void ProblemLineWriter::append(const LevelProblem& problem, QByteArray& out) {
    const auto number = [&out](qint64 value) {
        char digits[24];
        out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr - digits);
    };
    out += m_file;
    out += ':';
    if (problem.line > 0) {
        number(problem.line);
        out += ':';
    }
    if (problem.screen) {
        out += " screen ";
        number(*problem.screen);
    }
    if (problem.tile) {
        out += " tile ";
        number(*problem.tile);
    }
    if (problem.direction) {
        out += ' ';
        out += DirectionText(problem.direction);
    }
    if (problem.screen || problem.tile || problem.direction)
        out += ':';
    out += problem.isError() ? " error: " : " warning: ";
    out += utf8(problem.message);
    out += " [";
    out += utf8(problem.code);
    out += "]\n";
}

QString ProblemSummary(const std::vector<LevelProblem>& problems) {
    const auto errors =
        std::count_if(problems.begin(), problems.end(), [](const LevelProblem& p) { return p.isError(); });
    const auto warnings = qint64(problems.size()) - errors;
    if (problems.empty())
        return QStringLiteral("no problems");
    const auto count = [](qint64 n, const char* one, const char* many) {
        return QString::number(n) + u' ' + QLatin1String(n == 1 ? one : many);
    };
    return count(errors, "error", "errors") + QStringLiteral(", ") + count(warnings, "warning", "warnings");
}

std::vector<ProblemGroup> GroupProblems(const std::vector<LevelProblem>& problems) {
    std::vector<ProblemGroup> groups;
    QHash<QString, size_t> errors, warnings; // code -> group
    for (size_t i = 0; i < problems.size(); ++i) {
        const LevelProblem& problem = problems[i];
        QHash<QString, size_t>& kinds = problem.isError() ? errors : warnings;
        auto kind = kinds.find(problem.code);
        if (kind == kinds.end()) {
            kind = kinds.insert(problem.code, groups.size());
            groups.push_back({problem.code, problem.severity, {}});
        }
        groups[*kind].members.push_back(i);
    }
    std::stable_sort(groups.begin(), groups.end(), [](const ProblemGroup& a, const ProblemGroup& b) {
        if (a.severity != b.severity)
            return a.severity == LevelProblem::Severity::Error;
        return a.members.size() < b.members.size();
    });
    return groups;
}

} // namespace tavrin
