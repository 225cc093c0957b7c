// General text helpers. Characters are single bytes; field numbers count from 1. Both helpers are
// total: every input has a result and neither ever throws (except for allocation of the result).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qel {

// The fieldNumber-th run of text between delimiters (field 1 is the text before the first
// delimiter), or an empty view when the text has fewer fields or fieldNumber < 1. The view points
// into text.
[[nodiscard]] std::string_view ExtractFieldView(std::string_view text, std::int32_t fieldNumber,
                                                char delimiter) noexcept;

// The same field as a new string.
[[nodiscard]] std::string ExtractField(std::string_view text, std::int32_t fieldNumber,
                                       char delimiter);

// A signed 32-bit number from the decimal digits of text, ignoring every other character. A "-"
// anywhere makes the result negative. Overflow wraps in two's complement, silently.
[[nodiscard]] std::int32_t StrToIntLoose(std::string_view text) noexcept;

} // namespace qel
