// Any bytes as a JSON file through the import: it writes a level or fails with a code. A level it writes,
// exported and imported again, comes back byte for byte.
#include "fuzzsupport.h"
#include "level/core/failure.h"
#include "level/tools/leveljson.h"

#include <QBuffer>

using namespace tavrin;

namespace {
// The level the JSON file `path` imports to; throws the import's failure.
QByteArray import(FileAccess& files, const QString& path) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    ImportLevelJson(files, path, &out);
    return out.data();
}

QByteArray exported(FileAccess& files, const QByteArray& level) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    ExportLevelJson(files, fuzz::writeFile(QStringLiteral("level.txt"), level), &out);
    return out.data();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FileAccess files;
    QByteArray level;
    try {
        level =
            import(files, fuzz::writeFile(QStringLiteral("input.json"),
                                          QByteArray(reinterpret_cast<const char*>(data), qsizetype(size))));
    } catch (const Failure& failure) {
        if (failure.code() != ErrInvalidFormat && failure.code() != ErrInvalidCall)
            fuzz::fault("an import failed with an unexpected code");
        return 0;
    }
    QByteArray json;
    try {
        json = exported(files, level);
    } catch (const Failure&) {
        return 0; // a level with no level record or an overlong field, which export refuses
    }
    if (import(files, fuzz::writeFile(QStringLiteral("again.json"), json)) != level)
        fuzz::fault("a level imported, exported and imported again changed");
    return 0;
}
