#include "outline_writer.h"

#include <array>

namespace qel {

BufferedOutput::BufferedOutput(Sink sink, std::size_t capacity)
    : sink_(std::move(sink)), capacity_(capacity) {
    buffer_.reserve(capacity_ + 64);
}

void BufferedOutput::Flush() {
    if (!buffer_.empty()) {
        sink_(buffer_);
        buffer_.clear();
    }
}

namespace {

// Walks the subtree of root in pre-order without recursion (outlines may nest a million levels
// deep) and without memory of its own, climbing back through Parent and Row, so that output cannot
// stop halfway for want of memory: calls enter(node, depth) before a node's children and leave()
// after them.
template <typename Enter, typename Leave>
void WalkSubtree(const TTreeNodes& nodes, TTreeNode root, Enter&& enter, Leave&& leave) {
    TTreeNode node = root;
    std::size_t depth = 0;
    enter(node, depth);
    for (;;) {
        if (nodes.ChildCount(node) != 0) {
            node = nodes.Child(node, 0);
            enter(node, ++depth);
            continue;
        }
        // Leave the node and each ancestor whose last child it ends, then enter the next sibling.
        for (;;) {
            leave();
            if (depth == 0)
                return;
            const TTreeNode parent = nodes.Parent(node);
            const std::size_t nextRow = nodes.Row(node) + 1;
            --depth;
            if (nextRow < nodes.ChildCount(parent)) {
                node = nodes.Child(parent, nextRow);
                enter(node, ++depth);
                break;
            }
            node = parent;
        }
    }
}

} // namespace

void WriteOutlineText(const TTreeNodes& nodes, BufferedOutput& out) {
    for (std::size_t top = 0; top < nodes.ChildCount(kNoNode); ++top) {
        WalkSubtree(
            nodes, nodes.Child(kNoNode, top),
            [&](TTreeNode node, std::size_t depth) {
                for (std::size_t i = 0; i < depth; ++i)
                    out.Append("  ");
                out.Append(nodes.Caption(node));
                out.Put('\n');
            },
            [] {});
    }
}

void WriteJsonString(std::string_view bytes, BufferedOutput& out) {
    static constexpr std::array<char, 16> kHex{'0', '1', '2', '3', '4', '5', '6', '7',
                                               '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};
    out.Put('"');
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        switch (b) {
        case '"':
            out.Append("\\\"");
            break;
        case '\\':
            out.Append("\\\\");
            break;
        case '\b':
            out.Append("\\b");
            break;
        case '\t':
            out.Append("\\t");
            break;
        case '\n':
            out.Append("\\n");
            break;
        case '\f':
            out.Append("\\f");
            break;
        case '\r':
            out.Append("\\r");
            break;
        default:
            if (b < 0x20) {
                out.Append("\\u00");
                out.Put(kHex[b >> 4]);
                out.Put(kHex[b & 0xF]);
            } else if (b < 0x80) {
                out.Put(ch);
            } else {
                out.Put(static_cast<char>(0xC0 | (b >> 6)));
                out.Put(static_cast<char>(0x80 | (b & 0x3F)));
            }
        }
    }
    out.Put('"');
}

void WriteOutlineJson(const TTreeNodes& nodes, const TStringList& remaining, BufferedOutput& out) {
    out.Append("{\"outline\":");
    // A build makes at most one top-level item, the root; "outline" is that item.
    if (nodes.ChildCount(kNoNode) == 0) {
        out.Append("null");
    } else {
        WalkSubtree(
            nodes, nodes.Child(kNoNode, 0),
            [&](TTreeNode node, std::size_t depth) {
                if (depth != 0 && nodes.Row(node) != 0)
                    out.Put(',');
                out.Append("{\"caption\":");
                WriteJsonString(nodes.Caption(node), out);
                out.Append(",\"children\":[");
            },
            [&] { out.Append("]}"); });
    }
    out.Append(",\"remaining\":[");
    for (std::size_t i = 0; i < remaining.Count(); ++i) {
        if (i != 0)
            out.Put(',');
        WriteJsonString(remaining.Strings(i), out);
    }
    out.Append("]}\n");
}

} // namespace qel
