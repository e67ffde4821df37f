// Any bytes as three level files, cut at lines "====": a base and two sides. Each level compared with
// itself differs in nothing; the base and one side compare and the three merge, or fail with a code.
// A merge in which one side left the base as it was gives the other side: a level that differs from it
// in nothing.
#include "failure.h"
#include "fuzzsupport.h"
#include "leveldiff.h"
#include "levelmerge.h"

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

bool failsWithCode(const std::function<void()>& action) {
    try {
        action();
    } catch (const Failure& failure) {
        if (failure.code() <= 0)
            fuzz::fault("a failure without a code");
        return true;
    }
    return false;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QList<QByteArray> levels = fuzz::parts(data, size, 3);
    QStringList paths;
    for (int i = 0; i < 3; ++i)
        paths << fuzz::writeFile(QStringLiteral("level%1.txt").arg(i), levels[i]);
    FileAccess files;
    for (const QString& path : paths)
        failsWithCode([&] {
            if (!DiffLevels(files, path, path).empty())
                fuzz::fault("a level differs from itself");
        });
    failsWithCode([&] { DiffLevels(files, paths[0], paths[1]); });
    failsWithCode([&] { ListLevel(files, paths[0], [](const QString&) {}); });
    failsWithCode([&] { merged(files, paths, MergeSide(size % 2)); });
    failsWithCode([&] {
        const QString result = merged(files, {paths[0], paths[1], paths[0]}, MergeSide::Theirs);
        if (!DiffLevels(files, paths[1], result).empty())
            fuzz::fault("a merge with one side unchanged is not the other side");
    });
    return 0;
}
