// The record finder with SSE2 block masks, which every x86-64 processor has.
#include "level/format/recordscan_core.h"

#if defined(__x86_64__) || defined(_M_X64)
#include <emmintrin.h>

namespace tavrin {

namespace {
BlockMasks loadSse2(const char* p) {
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i comma = _mm_set1_epi8(',');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    BlockMasks m{0, 0, 0, 0};
    for (int part = 0; part < 4; ++part) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * part));
        const __m128i isCr = _mm_cmpeq_epi8(bytes, cr);
        const __m128i isLf = _mm_cmpeq_epi8(bytes, lf);
        const __m128i isDelimiter = _mm_or_si128(_mm_or_si128(isCr, isLf), _mm_cmpeq_epi8(bytes, comma));
        const int shift = 16 * part;
        m.quote |= quint64(quint16(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, quote)))) << shift;
        m.delimiter |= quint64(quint16(_mm_movemask_epi8(isDelimiter))) << shift;
        m.cr |= quint64(quint16(_mm_movemask_epi8(isCr))) << shift;
        m.lf |= quint64(quint16(_mm_movemask_epi8(isLf))) << shift;
    }
    return m;
}
} // namespace

size_t FindRecordsSse2(const char* data, size_t size, size_t* pos, FoundRecord* out, size_t room,
                       FindStop* stop) {
    return findRecords<loadSse2>(data, size, pos, out, room, stop);
}

} // namespace tavrin
#endif
