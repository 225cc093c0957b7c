// Test helper: runs a program with arguments and collects its exit code, stdout and stderr.
#pragma once

#include <string>
#include <vector>

namespace qel::test {

struct ProcessResult {
    int exitCode = -1; // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// stdoutPath, when not empty, is opened for writing and becomes the program's stdout instead of a
// pipe (for example /dev/full).
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& stdoutPath = {});

} // namespace qel::test
