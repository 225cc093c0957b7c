// Reads qeloutline's --json output back into an outline and the remaining lines, checking its
// exact form on the way.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qel::fuzz {

// One item of an outline in pre-order; the root has depth 0.
struct OutlineEntry {
    std::size_t depth = 0;
    std::string caption;

    friend bool operator==(const OutlineEntry&, const OutlineEntry&) = default;
};

struct OutlineDocument {
    std::vector<OutlineEntry> items; // empty for "outline":null
    std::vector<std::string> remaining;
};

// Parses {"outline":ITEM,"remaining":[LINE,...]} followed by one LF, where ITEM is
// {"caption":STR,"children":[ITEM,...]} or null, keys in this order and nothing else, in the
// canonical form of JsonOptions; strings give back their bytes. Throws JsonError otherwise.
[[nodiscard]] OutlineDocument ParseOutlineJson(std::string_view output);

} // namespace qel::fuzz
