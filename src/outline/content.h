// The bytes of one loaded settings file, read once and shared by the line list and the outline,
// whose lines and captions are views into them.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

namespace qel {

class Content {
public:
    // Lines and captions are kept as 32-bit offsets into the content; a larger file is more than
    // this program takes, and reading it fails with EOutOfMemory.
    static constexpr std::size_t kMaxSize = std::numeric_limits<std::uint32_t>::max();

    // Reads the whole regular file in one read into one buffer of the file's size. Throws
    // EFOpenError when the path cannot be opened or read, or is not a regular file (a FIFO or a
    // device never blocks here), and EOutOfMemory when the buffer cannot be had. A file that
    // shrinks or grows meanwhile gives the bytes actually read, up to its size when it was opened.
    [[nodiscard]] static std::shared_ptr<const Content> ReadFile(const std::string& fileName);

    // A copy of bytes held in memory, for text that does not come from a file.
    [[nodiscard]] static std::shared_ptr<const Content> FromBytes(std::string_view bytes);

    [[nodiscard]] std::string_view Bytes() const noexcept { return {data_.get(), size_}; }

    Content(std::unique_ptr<char[]> data, std::size_t size) noexcept
        : data_(std::move(data)), size_(size) {}

private:
    std::unique_ptr<char[]> data_;
    std::size_t size_;
};

} // namespace qel
