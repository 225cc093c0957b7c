// A temporary folder for one test, removed with everything in it when the test ends.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qel::test {

class TempDir {
public:
    // The folder is made readable and searchable by every user, so that a test can also open its
    // files as an unprivileged user.
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    [[nodiscard]] const std::filesystem::path& Path() const noexcept { return path_; }
    // The path of name inside the folder.
    [[nodiscard]] std::string File(std::string_view name) const;
    // Writes bytes to name (replacing it) and returns its path.
    std::string Write(std::string_view name, std::string_view bytes) const;

private:
    std::filesystem::path path_;
};

// Writes bytes to path, replacing it; throws std::runtime_error on failure.
void WriteFile(const std::string& path, std::string_view bytes);

} // namespace qel::test
