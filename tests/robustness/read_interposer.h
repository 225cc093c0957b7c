// Takes the place of read() in the test program, so that a test can act at the moment
// LoadFromFile first reads a file: after it opened the file and took its size, before any byte
// is read. Reads of other files pass straight through.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <sys/types.h>

namespace qel::test {

// The read() of the C library.
using ReadFunction = ssize_t (*)(int fd, void* buffer, std::size_t count);

// Called instead of read() for the watched file: call number (from 0), the arguments, and the
// real read to delegate to.
using ReadHook = std::function<ssize_t(std::size_t call, int fd, void* buffer, std::size_t count,
                                       ReadFunction realRead)>;

// Watches the file at path (by device and inode) until the returned guard goes.
class WatchedReads {
public:
    WatchedReads(const std::string& path, ReadHook hook);
    WatchedReads(const WatchedReads&) = delete;
    WatchedReads& operator=(const WatchedReads&) = delete;
    ~WatchedReads();

    // How many reads of the watched file were made.
    [[nodiscard]] std::size_t Calls() const;
};

} // namespace qel::test
