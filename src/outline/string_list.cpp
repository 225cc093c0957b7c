#include "string_list.h"

#include "errors.h"

#include <algorithm>

namespace qel {

void TStringList::LoadFromFile(const std::string& fileName) {
    Assign(Content::ReadFile(fileName));
}

void TStringList::SetText(std::string_view bytes) {
    Assign(Content::FromBytes(bytes));
}

void TStringList::Assign(std::shared_ptr<const Content> content) {
    // Split into a new vector first so that a failure leaves this list unchanged.
    std::vector<LineRef> lines;
    TranslateAllocationFailure([&] {
        const std::string_view text = content->Bytes();
        // Room for lines of 16 bytes on average: address space only until it is used, and most
        // files then split without a single regrowth of the list.
        lines.reserve(text.size() / 16 + 1);
        SplitLines(text, [&](std::size_t offset, std::size_t length) {
            // Content::kMaxSize keeps both within 32 bits.
            lines.push_back(
                {static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(length)});
        });
    });
    content_ = std::move(content);
    lines_ = std::move(lines);
    gapBegin_ = gapEnd_ = 0;
}

std::string_view TStringList::Strings(std::size_t index) const {
    if (index >= Count())
        throw Exception("List index out of bounds (" + std::to_string(index) + ")");
    const LineRef line = lines_[Physical(index)];
    return content_->Bytes().substr(line.offset, line.length);
}

void TStringList::Delete(std::size_t index) {
    if (index >= Count())
        throw Exception("List index out of bounds (" + std::to_string(index) + ")");
    MoveGapTo(index);
    ++gapEnd_; // the line at index now stands right after the gap
}

void TStringList::MoveGapTo(std::size_t index) noexcept {
    if (index > gapBegin_) {
        // Lines between the gap and index move down in front of the gap.
        const std::size_t count = index - gapBegin_;
        std::copy_n(lines_.begin() + static_cast<std::ptrdiff_t>(gapEnd_), count,
                    lines_.begin() + static_cast<std::ptrdiff_t>(gapBegin_));
        gapBegin_ += count;
        gapEnd_ += count;
    } else if (index < gapBegin_) {
        // Lines between index and the gap move up behind it.
        const std::size_t count = gapBegin_ - index;
        std::copy_backward(lines_.begin() + static_cast<std::ptrdiff_t>(index),
                           lines_.begin() + static_cast<std::ptrdiff_t>(gapBegin_),
                           lines_.begin() + static_cast<std::ptrdiff_t>(gapEnd_));
        gapBegin_ -= count;
        gapEnd_ -= count;
    }
}

} // namespace qel
