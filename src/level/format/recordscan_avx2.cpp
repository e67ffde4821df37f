// The record finder with AVX2 block masks, for processors that have it (chosen at run time). This file
// alone is compiled for AVX2.
#include "level/format/recordscan_core.h"

#if defined(__x86_64__) || defined(_M_X64)
#include <immintrin.h>

namespace tavrin {

namespace {
BlockMasks loadAvx2(const char* p) {
    const __m256i quote = _mm256_set1_epi8('"');
    const __m256i comma = _mm256_set1_epi8(',');
    const __m256i cr = _mm256_set1_epi8('\r');
    const __m256i lf = _mm256_set1_epi8('\n');
    BlockMasks m{0, 0, 0, 0};
    for (int part = 0; part < 2; ++part) {
        const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * part));
        const __m256i isCr = _mm256_cmpeq_epi8(bytes, cr);
        const __m256i isLf = _mm256_cmpeq_epi8(bytes, lf);
        const __m256i isDelimiter =
            _mm256_or_si256(_mm256_or_si256(isCr, isLf), _mm256_cmpeq_epi8(bytes, comma));
        const int shift = 32 * part;
        m.quote |= quint64(quint32(_mm256_movemask_epi8(_mm256_cmpeq_epi8(bytes, quote)))) << shift;
        m.delimiter |= quint64(quint32(_mm256_movemask_epi8(isDelimiter))) << shift;
        m.cr |= quint64(quint32(_mm256_movemask_epi8(isCr))) << shift;
        m.lf |= quint64(quint32(_mm256_movemask_epi8(isLf))) << shift;
    }
    return m;
}
} // namespace

size_t FindRecordsAvx2(const char* data, size_t size, size_t* pos, FoundRecord* out, size_t room,
                       FindStop* stop) {
    return findRecords<loadAvx2>(data, size, pos, out, room, stop);
}

} // namespace tavrin
#endif
