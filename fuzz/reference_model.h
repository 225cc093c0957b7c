// A deliberately plain second statement of the settings-file rules, written apart from the core
// and as directly as the rules read, so that the fuzz targets can compare the core against it.
// Speed does not matter here: inputs are small.
#pragma once

#include "outline_json.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qel::fuzz::reference {

// The lines of a file's bytes: cut at the first NUL, turn CR LF and then every lone CR into LF,
// split at LF; a final LF begins no further line.
[[nodiscard]] std::vector<std::string> SplitLines(std::string_view bytes);

// All fields of text at delimiter, then the one numbered fieldNumber (from 1), or "".
[[nodiscard]] std::string ExtractField(std::string_view text, std::int32_t fieldNumber,
                                       char delimiter);

// The digits of text as a number modulo 2^32, negated when text holds a "-", read as signed.
[[nodiscard]] std::int32_t StrToIntLoose(std::string_view text);

// Position of the first colon counted from 1, 0 when there is none.
[[nodiscard]] std::size_t FirstColonPosition(std::string_view line);
[[nodiscard]] bool IsKeyLine(std::string_view line);
[[nodiscard]] std::int32_t LevelNumber(std::string_view line);
[[nodiscard]] std::string Caption(std::string_view line);

// The outline of a line list by its resulting structure: the first key line is the root; later
// key lines up to the first one below level 2 are items; an item of level 2 hangs under the root,
// a deeper one under the nearest earlier item of a smaller level, or under the root when no
// earlier item has one.
struct Outline {
    std::vector<std::size_t> itemLines; // line index of each item in file order; [0] is the root
    std::vector<std::size_t> parents;   // index into itemLines of each item's parent ([0] unused)
    std::vector<std::size_t> remainingLines; // line indexes that did not become items
};
[[nodiscard]] Outline BuildOutline(const std::vector<std::string>& lines);

// The outline's items in pre-order with their depths, children in file order.
[[nodiscard]] std::vector<OutlineEntry> PreOrder(const Outline& outline,
                                                 const std::vector<std::string>& lines);

} // namespace qel::fuzz::reference
