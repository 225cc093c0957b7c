#include "outline_builder.h"

#include "errors.h"
#include "settings_line.h"

#include <optional>
#include <vector>

namespace qel {

namespace {

// One build: the line list, the outline and the read position, shared by its steps.
class OutlineBuild {
public:
    OutlineBuild(TStringList& lines, TTreeNodes& nodes) noexcept : lines_(lines), nodes_(nodes) {}

    void Run();

private:
    // Moves the read position to the next key line and reads it; nullopt at the end of the list.
    std::optional<KeyLine> FindKeyLine();
    // Adds the items of level under parent, and of every deeper level after them, until a key line
    // of a smaller level number or the end of the list.
    void AddLevelItems(TTreeNode parent, std::int32_t level);
    TTreeNode TakeItem(TTreeNode parent, std::string_view caption);

    TStringList& lines_;
    TTreeNodes& nodes_;
    std::size_t readPos_ = 0;
};

void OutlineBuild::Run() {
    if (nodes_.Count() != 0)
        nodes_.Clear();
    nodes_.ShareContent(lines_.SharedContent());
    readPos_ = 0;
    const std::optional<KeyLine> first = FindKeyLine();
    if (!first)
        return;
    // The first key line is the root whatever its level number; level 2 starts below it.
    const TTreeNode root = nodes_.Add(first->caption);
    lines_.Delete(readPos_);
    AddLevelItems(root, 2);
}

std::optional<KeyLine> OutlineBuild::FindKeyLine() {
    for (; readPos_ < lines_.Count(); ++readPos_) {
        if (const std::optional<KeyLine> key = ReadKeyLine(lines_.Strings(readPos_)))
            return key;
    }
    return std::nullopt;
}

TTreeNode OutlineBuild::TakeItem(TTreeNode parent, std::string_view caption) {
    const TTreeNode item = nodes_.AddChild(parent, caption);
    lines_.Delete(readPos_);
    return item;
}

void OutlineBuild::AddLevelItems(TTreeNode parent, std::int32_t level) {
    // Each open level is one frame on an explicit stack instead of one call on the machine stack,
    // so that a chain of strictly growing level numbers can nest as deep as the file is long.
    struct Invocation {
        TTreeNode parent;
        std::int32_t level;
        TTreeNode lastItem;
    };
    std::vector<Invocation> open;
    TranslateAllocationFailure([&] { open.push_back({parent, level, kNoNode}); });

    while (!open.empty()) {
        const std::optional<KeyLine> line = FindKeyLine();
        if (!line)
            return; // the list is exhausted: every open level ends
        Invocation& current = open.back();
        if (line->level > current.level) {
            // A deeper level opens under the last item of this one; the outermost level may have
            // none yet, and then the root item takes the line. The deeper level starts on this
            // very line, so its first item is this line.
            const TTreeNode deeperParent =
                current.lastItem != kNoNode ? current.lastItem : current.parent;
            TranslateAllocationFailure([&] {
                open.push_back({deeperParent, line->level, kNoNode});
            });
            open.back().lastItem = TakeItem(deeperParent, line->caption);
        } else if (line->level == current.level) {
            current.lastItem = TakeItem(current.parent, line->caption);
        } else {
            open.pop_back(); // the line belongs to an enclosing level, or ends the build
        }
    }
}

} // namespace

void BuildOutline(TStringList& lines, TTreeNodes& nodes) {
    OutlineBuild(lines, nodes).Run();
}

} // namespace qel
