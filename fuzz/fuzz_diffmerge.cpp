// Any bytes as three level files, cut at lines "====": a base and two sides. Each level compared with
// itself differs in nothing; the base and one side compare and the three merge, or fail with a code.
// A merge in which one side left the base as it was gives the other side: a level that differs from it
// in nothing.
#include "fuzzsupport.h"
#include "level/core/failure.h"
#include "level/tools/leveldiff.h"
#include "level/tools/levelmerge.h"

#include <QBuffer>

using namespace tavrin;

namespace {
// The level merged from `paths` (base, ours, theirs) into a file of its own, and its path.
QString merged(FileAccess& files, const QStringList& paths, MergeSide side) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    MergeLevels(files, paths[0], paths[1], paths[2], &out, side);
    return fuzz::writeFile(QStringLiteral("merged.txt"), out.data());
}

// Runs `action`, which may fail, but only with a code.
void mayFail(const std::function<void()>& action) {
    try {
        action();
    } catch (const Failure& failure) {
        if (failure.code() <= 0)
            fuzz::fault("a failure without a code");
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QList<QByteArray> levels = fuzz::parts(data, size, 3);
    QStringList paths;
    for (int i = 0; i < 3; ++i)
        paths << fuzz::writeFile(QStringLiteral("level%1.txt").arg(i), levels[i]);
    FileAccess files;
    for (const QString& path : paths)
        mayFail([&] {
            if (!DiffLevels(files, path, path).empty())
                fuzz::fault("a level differs from itself");
        });
    mayFail([&] { DiffLevels(files, paths[0], paths[1]); });
    mayFail([&] { ListLevel(files, paths[0], [](const QString&) {}); });
    mayFail([&] { merged(files, paths, MergeSide(size % 2)); });
    mayFail([&] {
        const QString result = merged(files, {paths[0], paths[1], paths[0]}, MergeSide::Theirs);
        if (const std::vector<LevelChange> changes = DiffLevels(files, paths[1], result); !changes.empty())
            fuzz::fault(qPrintable(QStringLiteral("a merge with one side unchanged is not the other side: ") +
                                   changes.front().line()));
    });
    return 0;
}
