// Line splitting, inline so that each caller's onLine is compiled into the scan.
#pragma once

#include <cstddef>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qel {

namespace detail {

inline bool IsBreakOrEnd(char c) noexcept {
    return c == '\r' || c == '\n' || c == '\0';
}

// The position of the first CR, LF or NUL at or after from, or size. One pass finds all three,
// sixteen bytes at a time where the processor allows.
inline std::size_t NextBreak(const char* base, std::size_t from, std::size_t size) noexcept {
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i nul = _mm_setzero_si128();
    for (; i + 16 <= size; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i));
        const __m128i hits =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf)),
                         _mm_cmpeq_epi8(bytes, nul));
        if (const int mask = _mm_movemask_epi8(hits))
            return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
#endif
    while (i < size && !IsBreakOrEnd(base[i]))
        ++i;
    return i;
}

} // namespace detail

template <typename OnLine> void SplitLines(std::string_view text, OnLine&& onLine) {
    const char* const base = text.data();
    const std::size_t size = text.size();
    std::size_t pos = 0;
    // The end of the text counts as a NUL byte; a NUL byte ends the text.
    while (pos < size && base[pos] != '\0') {
        const std::size_t stop = detail::NextBreak(base, pos, size);
        onLine(pos, stop - pos);
        pos = stop;
        if (pos < size && base[pos] == '\r')
            ++pos;
        if (pos < size && base[pos] == '\n')
            ++pos;
    }
}

} // namespace qel
