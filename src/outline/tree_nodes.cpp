#include "tree_nodes.h"

#include "errors.h"

#include <algorithm>
#include <stdexcept>

namespace qel {

namespace {
// The largest item count whose numbers stay clear of kNoNode.
constexpr std::size_t kMaxItems = kNoNode - 1;
} // namespace

void TTreeNodes::Clear() noexcept {
    blocks_.clear();
    blocks_.shrink_to_fit();
    slots_.clear();
    slots_.shrink_to_fit();
    count_ = 0;
    topLevelCount_ = 0;
    indexedCount_ = 0;
    content_.reset();
}

void TTreeNodes::ShareContent(std::shared_ptr<const Content> content) {
    if (count_ != 0)
        throw std::logic_error("TTreeNodes::ShareContent on an outline with items");
    content_ = std::move(content);
}

TTreeNode TTreeNodes::Add(std::string_view caption) {
    return Append(kNoNode, caption);
}

TTreeNode TTreeNodes::AddChild(TTreeNode parent, std::string_view caption) {
    if (parent >= count_)
        throw std::logic_error("TTreeNodes::AddChild with an unknown parent");
    return Append(parent, caption);
}

TTreeNode TTreeNodes::Append(TTreeNode parent, std::string_view caption) {
    const std::string_view text = content_ ? content_->Bytes() : std::string_view{};
    if (caption.data() < text.data() || caption.data() + caption.size() > text.data() + text.size())
        throw std::logic_error("TTreeNodes: a caption must lie in the shared content");
    if (count_ >= kMaxItems)
        throw Exception("Unable to insert an item");

    // Claim all memory first, so that a failure leaves the outline as it was.
    TranslateAllocationFailure([&] {
        if (count_ == blocks_.size() * kBlockSize) {
            blocks_.reserve(blocks_.size() + 1);
            blocks_.push_back(std::make_unique_for_overwrite<Item[]>(kBlockSize));
        }
        if (slots_.capacity() <= count_)
            slots_.reserve(std::max<std::size_t>(count_ * 2, kBlockSize));
    });

    std::uint32_t& siblings = parent == kNoNode ? topLevelCount_ : At(parent).childCount;
    const auto node = static_cast<TTreeNode>(count_);
    At(node) = Item{static_cast<std::uint32_t>(caption.data() - text.data()),
                    static_cast<std::uint32_t>(caption.size()),
                    parent,
                    siblings,
                    0,
                    0};
    ++siblings;
    ++count_;
    return node;
}

std::string_view TTreeNodes::Caption(TTreeNode node) const noexcept {
    const Item& item = At(node);
    return content_->Bytes().substr(item.captionOffset, item.captionLength);
}

std::size_t TTreeNodes::ChildCount(TTreeNode parent) const noexcept {
    return parent == kNoNode ? topLevelCount_ : At(parent).childCount;
}

TTreeNode TTreeNodes::Child(TTreeNode parent, std::size_t row) const noexcept {
    if (indexedCount_ != count_)
        IndexSlots();
    const std::size_t first = parent == kNoNode ? 0 : At(parent).firstChildSlot;
    return slots_[first + row];
}

void TTreeNodes::IndexSlots() const noexcept {
    // Capacity for count_ slots was reserved by Append, so this never allocates.
    slots_.resize(count_);
    std::size_t next = topLevelCount_;
    for (std::size_t node = 0; node < count_; ++node) {
        // The items live on the heap, outside this object's constness: only the slot index,
        // derived data, is written here.
        Item& item = blocks_[node >> kBlockBits][node & (kBlockSize - 1)];
        item.firstChildSlot = static_cast<std::uint32_t>(next);
        next += item.childCount;
    }
    for (std::size_t node = 0; node < count_; ++node) {
        const Item& item = At(static_cast<TTreeNode>(node));
        const std::size_t first = item.parent == kNoNode ? 0 : At(item.parent).firstChildSlot;
        slots_[first + item.row] = static_cast<TTreeNode>(node);
    }
    indexedCount_ = count_;
}

} // namespace qel
