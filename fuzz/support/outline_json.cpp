#include "outline_json.h"

#include "json_reader.h"

#include <utility>

namespace qel::fuzz {

namespace {

const JsonValue& Member(const JsonDocument& doc, const JsonValue& object, std::size_t index,
                        std::string_view name) {
    if (doc.Key(object, index) != name)
        throw JsonError("expected member \"" + std::string(name) + "\", found \"" +
                        std::string(doc.Key(object, index)) + "\"");
    return doc.Item(object, index);
}

void RequireObject(const JsonValue& value, std::size_t memberCount, std::string_view what) {
    if (value.kind != JsonKind::Object || value.itemCount != memberCount)
        throw JsonError(std::string(what) + " is not an object of " + std::to_string(memberCount) +
                        " members");
}

std::string ByteString(const JsonDocument& doc, const JsonValue& value, std::string_view what) {
    if (value.kind != JsonKind::String)
        throw JsonError(std::string(what) + " is not a string");
    return BytesFromLatin1Utf8(doc.Text(value));
}

// The subtree of the root item in pre-order, without recursion.
std::vector<OutlineEntry> ReadItems(const JsonDocument& doc, const JsonValue& root) {
    std::vector<OutlineEntry> items;
    std::vector<std::pair<const JsonValue*, std::size_t>> pending{{&root, 0}};
    while (!pending.empty()) {
        const auto [item, depth] = pending.back();
        pending.pop_back();
        RequireObject(*item, 2, "an item");
        items.push_back({depth, ByteString(doc, Member(doc, *item, 0, "caption"), "a caption")});
        const JsonValue& children = Member(doc, *item, 1, "children");
        if (children.kind != JsonKind::Array)
            throw JsonError("\"children\" is not an array");
        for (std::size_t child = children.itemCount; child-- > 0;)
            pending.emplace_back(&doc.Item(children, child), depth + 1);
    }
    return items;
}

} // namespace

OutlineDocument ParseOutlineJson(std::string_view output) {
    if (output.empty() || output.back() != '\n')
        throw JsonError("the output does not end in one LF");
    output.remove_suffix(1);
    const JsonDocument doc = ParseJson(output, JsonOptions{.canonical = true});
    const JsonValue& top = doc.Top();
    RequireObject(top, 2, "the document");

    OutlineDocument result;
    const JsonValue& outline = Member(doc, top, 0, "outline");
    if (outline.kind != JsonKind::Null)
        result.items = ReadItems(doc, outline);
    const JsonValue& remaining = Member(doc, top, 1, "remaining");
    if (remaining.kind != JsonKind::Array)
        throw JsonError("\"remaining\" is not an array");
    for (std::size_t line = 0; line < remaining.itemCount; ++line)
        result.remaining.push_back(ByteString(doc, doc.Item(remaining, line), "a remaining line"));
    return result;
}

} // namespace qel::fuzz
