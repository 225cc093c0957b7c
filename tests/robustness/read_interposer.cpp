#include "read_interposer.h"

#include <atomic>
#include <dlfcn.h>
#include <mutex>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace qel::test {

namespace {

ReadFunction RealRead() {
    static const auto real = reinterpret_cast<ReadFunction>(::dlsym(RTLD_NEXT, "read"));
    return real;
}

struct Watch {
    dev_t device = 0;
    ino_t inode = 0;
    ReadHook hook;
    std::size_t calls = 0;
};

std::atomic<bool> gWatching{false};
std::mutex gMutex;
Watch gWatch;

} // namespace

WatchedReads::WatchedReads(const std::string& path, ReadHook hook) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        throw std::runtime_error("cannot watch " + path);
    const std::lock_guard lock(gMutex);
    gWatch = Watch{status.st_dev, status.st_ino, std::move(hook), 0};
    gWatching = true;
}

WatchedReads::~WatchedReads() {
    const std::lock_guard lock(gMutex);
    gWatching = false;
    gWatch = Watch{};
}

std::size_t WatchedReads::Calls() const {
    const std::lock_guard lock(gMutex);
    return gWatch.calls;
}

} // namespace qel::test

// The program's own read(): the core, linked into this program, calls it in place of the C
// library's.
extern "C" ssize_t read(int fd, void* buffer, std::size_t count) {
    using namespace qel::test;
    if (!gWatching)
        return RealRead()(fd, buffer, count);
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return RealRead()(fd, buffer, count);
    ReadHook hook;
    std::size_t call = 0;
    {
        const std::lock_guard lock(gMutex);
        if (!gWatching || status.st_dev != gWatch.device || status.st_ino != gWatch.inode)
            return RealRead()(fd, buffer, count);
        hook = gWatch.hook;
        call = gWatch.calls++;
    }
    return hook(call, fd, buffer, count, RealRead());
}
