// What a line of a settings file means: whether it is a key line, its level number and its
// caption. This is the one place where these rules live; the outline builder, the window and
// qeloutline all come here.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace qel {

// A key line has its first colon at position 1, 2 or 3 (counting from 1), or no colon at all.
[[nodiscard]] bool IsKeyLine(std::string_view line) noexcept;

// The level number of a key line: StrToIntLoose of field 1 at ":" (the text before the first
// colon, or the whole line when it has none).
[[nodiscard]] std::int32_t LevelNumber(std::string_view line) noexcept;

// The caption of a line: the text after the first colon, or the whole line when it has none. The
// view points into line.
[[nodiscard]] std::string_view TextAfterColon(std::string_view line) noexcept;

// The three notions above in one scan for the first colon, for the outline builder's hot path.
struct KeyLine {
    std::int32_t level;
    std::string_view caption;
};
[[nodiscard]] std::optional<KeyLine> ReadKeyLine(std::string_view line) noexcept;

} // namespace qel
