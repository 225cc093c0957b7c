#include "content.h"

#include "errors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qel {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) noexcept : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    [[nodiscard]] int get() const noexcept { return fd_; }

private:
    int fd_;
};

std::unique_ptr<char[]> AllocateBuffer(std::size_t size) {
    if (size > Content::kMaxSize)
        throw EOutOfMemory();
    return TranslateAllocationFailure(
        [size] { return std::make_unique_for_overwrite<char[]>(size); });
}

} // namespace

std::shared_ptr<const Content> Content::ReadFile(const std::string& fileName) {
    // O_NONBLOCK keeps the open itself from waiting on a FIFO without a writer; such a file is
    // then refused by the regular-file check before anything is read.
    const FileDescriptor file(
        ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0)
        throw EFOpenError(fileName);
    struct stat status {};
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0)
        throw EFOpenError(fileName);

    const auto expected = static_cast<std::uint64_t>(status.st_size);
    if (expected > kMaxSize)
        throw EOutOfMemory();
    const auto size = static_cast<std::size_t>(expected);
    std::unique_ptr<char[]> buffer = AllocateBuffer(size);

    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(file.get(), buffer.get() + got, size - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw EFOpenError(fileName);
        }
        if (n == 0)
            break; // the file shrank while it was read
        got += static_cast<std::size_t>(n);
    }
    return TranslateAllocationFailure(
        [&] { return std::make_shared<const Content>(std::move(buffer), got); });
}

std::shared_ptr<const Content> Content::FromBytes(std::string_view bytes) {
    std::unique_ptr<char[]> buffer = AllocateBuffer(bytes.size());
    if (!bytes.empty())
        std::memcpy(buffer.get(), bytes.data(), bytes.size());
    return TranslateAllocationFailure(
        [&] { return std::make_shared<const Content>(std::move(buffer), bytes.size()); });
}

} // namespace qel
