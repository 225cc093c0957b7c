// The line list: the lines of one settings file in file order, indexed from 0, as views into the
// file's content (no allocation per line).
#pragma once

#include "content.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qel {

class TStringList {
public:
    // Replaces the lines with those of the file. On failure (EFOpenError, EOutOfMemory) the list is
    // left as it was.
    void LoadFromFile(const std::string& fileName);
    // Replaces the lines with those of bytes (copied), split by the same rules.
    void SetText(std::string_view bytes);

    [[nodiscard]] std::size_t Count() const noexcept { return lines_.size() - GapSize(); }
    // The line at index; throws qel::Exception when index >= Count().
    [[nodiscard]] std::string_view Strings(std::size_t index) const;
    // Removes the line at index; the later lines move up by one. Removing at the same index again
    // and again, or just behind the last removal, costs O(1): a gap is kept where lines were last
    // removed, so a build that consumes lines at its read position is one forward pass.
    void Delete(std::size_t index);

    // The content the lines point into; the outline keeps it alive for its captions.
    [[nodiscard]] const std::shared_ptr<const Content>& SharedContent() const noexcept {
        return content_;
    }

private:
    struct LineRef {
        std::uint32_t offset;
        std::uint32_t length;
    };

    void Assign(std::shared_ptr<const Content> content);
    [[nodiscard]] std::size_t GapSize() const noexcept { return gapEnd_ - gapBegin_; }
    [[nodiscard]] std::size_t Physical(std::size_t index) const noexcept {
        return index < gapBegin_ ? index : index + GapSize();
    }
    void MoveGapTo(std::size_t index) noexcept;

    std::shared_ptr<const Content> content_;
    std::vector<LineRef> lines_;
    // lines_[gapBegin_, gapEnd_) are removed lines.
    std::size_t gapBegin_ = 0;
    std::size_t gapEnd_ = 0;
};

// Splits text into lines: the text ends at its end or its first NUL byte; CR LF, a lone LF and a
// lone CR each end one line; a line break at the very end begins no further line. Calls
// onLine(offset, length) for each line in order.
template <typename OnLine> void SplitLines(std::string_view text, OnLine&& onLine);

} // namespace qel

#include "string_list_split.inl"
