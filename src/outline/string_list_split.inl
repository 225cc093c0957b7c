// Line splitting, inline so that each caller's onLine is compiled into the scan.
#pragma once

#include <cstring>

namespace qel {

namespace detail {
// Position of the next c at or after from, or end; a cached answer is reused until passed, so
// the text is scanned once for each character however the lines fall.
inline std::size_t NextOf(const char* base, std::size_t from, std::size_t end, char c) noexcept {
    const void* found = std::memchr(base + from, c, end - from);
    return found ? static_cast<std::size_t>(static_cast<const char*>(found) - base) : end;
}
} // namespace detail

template <typename OnLine> void SplitLines(std::string_view text, OnLine&& onLine) {
    const char* const base = text.data();
    const std::size_t end = detail::NextOf(base, 0, text.size(), '\0');
    std::size_t nextCr = detail::NextOf(base, 0, end, '\r');
    std::size_t nextLf = detail::NextOf(base, 0, end, '\n');
    std::size_t pos = 0;
    while (pos < end) {
        if (nextCr < pos)
            nextCr = detail::NextOf(base, pos, end, '\r');
        if (nextLf < pos)
            nextLf = detail::NextOf(base, pos, end, '\n');
        const std::size_t stop = nextCr < nextLf ? nextCr : nextLf;
        onLine(pos, stop - pos);
        pos = stop;
        if (pos < end && base[pos] == '\r')
            ++pos;
        if (pos < end && base[pos] == '\n')
            ++pos;
    }
}

} // namespace qel
