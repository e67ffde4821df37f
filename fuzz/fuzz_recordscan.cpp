// Any bytes through the fast record scan, of every kind the processor has, in small buffers and split
// between two threads at a point the input chooses: the records and the failure are those of the careful
// scan, record by record.
#include "scancompare.h"

#include <cstdint>
#include <cstdio>

using namespace tavrin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    // The first two bytes choose the buffer size and the split point; the rest is the file.
    ScanOptions options;
    options.chunkBytes = 64 + data[0] * 8;
    options.splitFrom = 0;
    options.splitAt = data[1] / 256.0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));
    const ScanResult careful = ScanCareful(bytes);
    for (const ScanKind kind : {ScanKind::Portable, ScanKind::Sse2, ScanKind::Avx2}) {
        if (!Supports(kind))
            continue;
        options.kind = kind;
        const QString difference = Difference(ScanFast(bytes, options), careful);
        if (!difference.isEmpty()) {
            std::fprintf(stderr, "scan kind %d: %s\n", int(kind), qPrintable(difference));
            __builtin_trap();
        }
    }
    return 0;
}
