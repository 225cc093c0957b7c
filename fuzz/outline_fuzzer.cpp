// Fuzz target: bytes -> line list -> outline -> qeloutline's text and JSON forms, each compared
// with the reference model, and every line accounted for exactly once.
#include "check.h"
#include "errors.h"
#include "json_reader.h"
#include "outline_builder.h"
#include "outline_json.h"
#include "outline_writer.h"
#include "reference_model.h"
#include "string_list.h"
#include "tree_nodes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

namespace ref = qel::fuzz::reference;
using qel::fuzz::OutlineEntry;

// The outline as the core's item store sees it, in pre-order, checking on the way that Parent,
// Row, Child and ChildCount agree and that Count covers every item.
std::vector<OutlineEntry> CorePreOrder(const qel::TTreeNodes& nodes) {
    std::vector<OutlineEntry> entries;
    QEL_FUZZ_REQUIRE(nodes.ChildCount(qel::kNoNode) <= 1, "a build makes at most one root");
    std::vector<std::pair<qel::TTreeNode, std::size_t>> pending;
    if (nodes.ChildCount(qel::kNoNode) == 1)
        pending.emplace_back(nodes.Child(qel::kNoNode, 0), 0);
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        entries.push_back({depth, std::string(nodes.Caption(node))});
        for (std::size_t row = nodes.ChildCount(node); row-- > 0;) {
            const qel::TTreeNode child = nodes.Child(node, row);
            QEL_FUZZ_REQUIRE(nodes.Parent(child) == node && nodes.Row(child) == row,
                             "Parent and Row agree with Child");
            pending.emplace_back(child, depth + 1);
        }
    }
    QEL_FUZZ_REQUIRE(entries.size() == nodes.Count(), "Count is the number of reachable items");
    return entries;
}

std::string ExpectedText(const std::vector<OutlineEntry>& entries) {
    std::string text;
    for (const OutlineEntry& entry : entries) {
        text.append(2 * entry.depth, ' ');
        text += entry.caption;
        text += '\n';
    }
    return text;
}

template <typename Write> std::string Capture(std::size_t capacity, Write&& write) {
    std::string out;
    qel::BufferedOutput buffer([&](std::string_view piece) { out.append(piece); }, capacity);
    write(buffer);
    buffer.Flush();
    return out;
}

// Captions and remaining lines are views into the content. Each caption ends where its line ends,
// so the end positions of the items (in pre-order) and of the remaining lines (in list order) must
// each rise, and together be exactly the end positions of the lines before the build.
void CheckEveryLineOnce(const std::vector<const char*>& lineEnds, const qel::TTreeNodes& nodes,
                        const qel::TStringList& remaining) {
    std::vector<const char*> itemEnds;
    std::vector<qel::TTreeNode> pending;
    if (nodes.ChildCount(qel::kNoNode) == 1)
        pending.push_back(nodes.Child(qel::kNoNode, 0));
    while (!pending.empty()) {
        const qel::TTreeNode node = pending.back();
        pending.pop_back();
        const std::string_view caption = nodes.Caption(node);
        itemEnds.push_back(caption.data() + caption.size());
        for (std::size_t row = nodes.ChildCount(node); row-- > 0;)
            pending.push_back(nodes.Child(node, row));
    }
    std::size_t item = 0;
    std::size_t rest = 0;
    for (const char* const end : lineEnds) {
        const std::string_view line =
            rest < remaining.Count() ? remaining.Strings(rest) : std::string_view{};
        if (item < itemEnds.size() && itemEnds[item] == end) {
            ++item;
        } else {
            QEL_FUZZ_REQUIRE(rest < remaining.Count() && line.data() + line.size() == end,
                             "each line is an item or remains, in file order");
            ++rest;
        }
    }
    QEL_FUZZ_REQUIRE(item == itemEnds.size() && rest == remaining.Count(),
                     "no item or remaining line comes from nowhere");
}

// Deletes at positions taken from bytes and compares with a plain vector after each step.
void CheckDeletes(std::string_view bytes, const std::vector<std::string>& expected) {
    qel::TStringList list;
    list.SetText(bytes);
    std::vector<std::string> mirror = expected;
    for (std::size_t step = 0; step < bytes.size() && step < 16 && !mirror.empty(); ++step) {
        const std::size_t index = static_cast<unsigned char>(bytes[step]) % mirror.size();
        list.Delete(index);
        mirror.erase(mirror.begin() + static_cast<std::ptrdiff_t>(index));
        QEL_FUZZ_REQUIRE(list.Count() == mirror.size(), "Delete removes one line");
        for (std::size_t i = 0; i < mirror.size(); ++i)
            QEL_FUZZ_REQUIRE(list.Strings(i) == mirror[i], "Delete moves later lines up by one");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const std::vector<std::string> expectedLines = ref::SplitLines(bytes);
    qel::TStringList lines;
    lines.SetText(bytes);
    QEL_FUZZ_REQUIRE(lines.Count() == expectedLines.size(), "the number of lines");
    std::vector<const char*> lineEnds;
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        const std::string_view line = lines.Strings(i);
        QEL_FUZZ_REQUIRE(line == expectedLines[i], "each line's bytes");
        lineEnds.push_back(line.data() + line.size());
    }
    bool refused = false;
    try {
        static_cast<void>(lines.Strings(lines.Count()));
    } catch (const qel::Exception&) {
        refused = true;
    }
    QEL_FUZZ_REQUIRE(refused, "an index past the end is refused");
    CheckDeletes(bytes, expectedLines);

    // A build into an outline that already holds items must replace them entirely. Checked for a
    // quarter of the inputs only: every outline starts with one large block of items, slow to get
    // under AddressSanitizer, and a second build halves the fuzzer's speed.
    qel::TTreeNodes nodes;
    if (size % 4 == 0) {
        qel::TStringList earlier;
        earlier.SetText("1:earlier\n2:child\n3:grandchild\n");
        qel::BuildOutline(earlier, nodes);
    }
    qel::BuildOutline(lines, nodes);

    const ref::Outline model = ref::BuildOutline(expectedLines);
    const std::vector<OutlineEntry> expectedItems = ref::PreOrder(model, expectedLines);
    QEL_FUZZ_REQUIRE(CorePreOrder(nodes) == expectedItems, "items nest as the rules say");
    QEL_FUZZ_REQUIRE(lines.Count() == model.remainingLines.size(), "the number of remaining lines");
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        QEL_FUZZ_REQUIRE(lines.Strings(i) == expectedLines[model.remainingLines[i]],
                         "the remaining lines");
    }
    CheckEveryLineOnce(lineEnds, nodes, lines);

    // Output forms; a tiny buffer capacity makes every piece pass through a flush.
    const std::size_t capacity = 1 + size % 61;
    const std::string json =
        Capture(capacity, [&](qel::BufferedOutput& out) { WriteOutlineJson(nodes, lines, out); });
    QEL_FUZZ_REQUIRE(
        json ==
            Capture(4096, [&](qel::BufferedOutput& out) { WriteOutlineJson(nodes, lines, out); }),
        "the JSON does not depend on the buffer size");
    qel::fuzz::OutlineDocument parsed;
    try {
        parsed = qel::fuzz::ParseOutlineJson(json);
    } catch (const qel::fuzz::JsonError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        QEL_FUZZ_REQUIRE(false, "the JSON output is qeloutline's exact form");
    }
    QEL_FUZZ_REQUIRE(parsed.items == expectedItems, "the JSON outline reads back as the outline");
    std::vector<std::string> expectedRemaining;
    for (const std::size_t line : model.remainingLines)
        expectedRemaining.push_back(expectedLines[line]);
    QEL_FUZZ_REQUIRE(parsed.remaining == expectedRemaining,
                     "the JSON remaining lines read back as the list");

    const std::string text =
        Capture(capacity, [&](qel::BufferedOutput& out) { WriteOutlineText(nodes, out); });
    QEL_FUZZ_REQUIRE(text == ExpectedText(expectedItems), "the text output shows the outline");
    return 0;
}
