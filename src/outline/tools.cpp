#include "tools.h"

namespace qel {

std::string_view ExtractFieldView(std::string_view text, std::int32_t fieldNumber,
                                  char delimiter) noexcept {
    if (fieldNumber < 1)
        return {};
    // Skip fieldNumber - 1 delimiters; what follows, up to the next delimiter, is the field.
    std::size_t start = 0;
    for (std::int32_t skipped = 1; skipped < fieldNumber; ++skipped) {
        const std::size_t found = text.find(delimiter, start);
        if (found == std::string_view::npos)
            return {};
        start = found + 1;
    }
    const std::size_t end = text.find(delimiter, start);
    return text.substr(start, end == std::string_view::npos ? text.size() - start : end - start);
}

std::string ExtractField(std::string_view text, std::int32_t fieldNumber, char delimiter) {
    return std::string(ExtractFieldView(text, fieldNumber, delimiter));
}

std::int32_t StrToIntLoose(std::string_view text) noexcept {
    // Unsigned arithmetic wraps by definition, which gives two's-complement wrap-around without
    // signed-overflow undefined behaviour.
    std::uint32_t value = 0;
    bool negative = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9')
            value = value * 10u + static_cast<std::uint32_t>(c - '0');
        else if (c == '-')
            negative = true;
    }
    if (negative)
        value = 0u - value;
    return static_cast<std::int32_t>(value);
}

} // namespace qel
