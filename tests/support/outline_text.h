// Test helpers: an outline as indented text and a line list as a vector, so that expectations read
// like the outline a user sees.
#pragma once

#include "string_list.h"
#include "tree_nodes.h"

#include <string>
#include <vector>

namespace qel::test {

// One line per item, two blanks per depth, each line ended by "\n"; recursive, for small outlines.
inline void AppendOutline(const TTreeNodes& nodes, TTreeNode parent, int depth, std::string& out) {
    for (std::size_t row = 0; row < nodes.ChildCount(parent); ++row) {
        const TTreeNode child = nodes.Child(parent, row);
        out.append(static_cast<std::size_t>(depth) * 2, ' ');
        out.append(nodes.Caption(child));
        out += '\n';
        AppendOutline(nodes, child, depth + 1, out);
    }
}

inline std::string OutlineText(const TTreeNodes& nodes) {
    std::string out;
    AppendOutline(nodes, kNoNode, 0, out);
    return out;
}

inline std::vector<std::string> Lines(const TStringList& list) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < list.Count(); ++i)
        lines.emplace_back(list.Strings(i));
    return lines;
}

} // namespace qel::test
