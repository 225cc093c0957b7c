#include "temp_dir.h"

#include "unique_fd.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace qel::test {

TempDir::TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "qel-robustness-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr)
        throw std::system_error(errno, std::generic_category(), "mkdtemp");
    path_ = buffer.data();
    std::filesystem::permissions(
        path_, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                   std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                   std::filesystem::perms::others_exec);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::File(std::string_view name) const {
    return (path_ / name).string();
}

std::string TempDir::Write(std::string_view name, std::string_view bytes) const {
    std::string path = File(name);
    WriteFile(path, bytes);
    return path;
}

void WriteFile(const std::string& path, std::string_view bytes) {
    const UniqueFd file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!file.Valid())
        throw std::system_error(errno, std::generic_category(), "open " + path);
    while (!bytes.empty()) {
        const ssize_t n = ::write(file.Get(), bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw std::system_error(errno, std::generic_category(), "write " + path);
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

} // namespace qel::test
