// The outline store: the items of an outline, each with a caption (a view into the shared content
// of the file it came from) and an ordered list of children. Items are numbered in the order they
// were added; a compact record per item keeps millions of them cheap.
#pragma once

#include "content.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string_view>
#include <vector>

namespace qel {

using TTreeNode = std::uint32_t;
inline constexpr TTreeNode kNoNode = std::numeric_limits<TTreeNode>::max();

class TTreeNodes {
public:
    // The number of items, all depths together.
    [[nodiscard]] std::size_t Count() const noexcept { return count_; }

    // Removes every item and lets go of the content.
    void Clear() noexcept;

    // Keeps content alive for the captions of the items that follow; they must be views into it.
    // Only an empty outline can take new content.
    void ShareContent(std::shared_ptr<const Content> content);

    // Appends a top-level item after any existing ones and returns it.
    TTreeNode Add(std::string_view caption);
    // Appends an item as the last child of parent and returns it.
    TTreeNode AddChild(TTreeNode parent, std::string_view caption);

    [[nodiscard]] std::string_view Caption(TTreeNode node) const noexcept;
    // kNoNode for a top-level item.
    [[nodiscard]] TTreeNode Parent(TTreeNode node) const noexcept { return At(node).parent; }
    // The position among the children of its parent (or among the top-level items).
    [[nodiscard]] std::size_t Row(TTreeNode node) const noexcept { return At(node).row; }
    // Pass kNoNode for the number of top-level items.
    [[nodiscard]] std::size_t ChildCount(TTreeNode parent) const noexcept;
    // The child at row of parent (kNoNode for the top level); O(1).
    [[nodiscard]] TTreeNode Child(TTreeNode parent, std::size_t row) const noexcept;

    // Bytes held per item, for the benchmarks.
    static constexpr std::size_t kBytesPerItem = 7 * sizeof(std::uint32_t);

private:
    struct Item {
        std::uint32_t captionOffset;
        std::uint32_t captionLength;
        TTreeNode parent;
        std::uint32_t row;
        std::uint32_t childCount;
        std::uint32_t firstChildSlot; // into slots_, valid once the slots are indexed
    };
    static_assert(sizeof(Item) + sizeof(TTreeNode) == kBytesPerItem);

    // Items live in fixed blocks, so that growth never copies them and never needs twice their
    // memory at once; blocks of 4096 items (96 KiB) keep a small outline small.
    static constexpr std::size_t kBlockBits = 12;
    static constexpr std::size_t kBlockSize = std::size_t{1} << kBlockBits;

    [[nodiscard]] Item& At(TTreeNode node) noexcept {
        return blocks_[node >> kBlockBits][node & (kBlockSize - 1)];
    }
    [[nodiscard]] const Item& At(TTreeNode node) const noexcept {
        return blocks_[node >> kBlockBits][node & (kBlockSize - 1)];
    }
    TTreeNode Append(TTreeNode parent, std::string_view caption);
    void IndexSlots() const noexcept;

    std::shared_ptr<const Content> content_;
    std::vector<std::unique_ptr<Item[]>> blocks_;
    std::size_t count_ = 0;
    std::uint32_t topLevelCount_ = 0;
    // The children of every item side by side, grouped by parent in item order, each group in row
    // order; the top-level items first. Rebuilt on demand after items were added; its capacity is
    // kept at Count() beforehand so that the rebuild cannot fail.
    mutable std::vector<TTreeNode> slots_;
    mutable std::size_t indexedCount_ = 0;
};

} // namespace qel
