// Runs test code or a program in a child process: for what must not touch the test process
// (a lower user, a memory limit, a peak-memory measurement) and for what might block or crash.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace qel::test {

struct ChildOutcome {
    bool timedOut = false; // killed after the time allowed
    int exitCode = -1;     // when the child exited normally
    int signal = 0;        // when a signal ended the child
    std::string out;
    std::string err;

    [[nodiscard]] std::string Describe() const;
};

constexpr std::chrono::seconds kChildTimeout{30};

// Forks; the child runs body with its stdout and stderr captured and exits with body's result
// (125 when body throws). The parent collects the output and kills the child on timeout.
ChildOutcome RunInChild(const std::function<int()>& body,
                        std::chrono::milliseconds timeout = kChildTimeout);

// Runs program with args; prepare, when given, runs in the child before the program starts (to
// drop privileges or set a limit) and makes the child exit with 126 when it returns false.
ChildOutcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                        const std::function<bool()>& prepare = {},
                        std::chrono::milliseconds timeout = kChildTimeout);

// The numeric user and group "nobody" on Debian.
constexpr unsigned kNobody = 65534;

// Switches the calling process to the unprivileged user nobody for good; false when it cannot.
bool BecomeNobody();

// Whether a child process can run as nobody (it can when the test runs as root or as nobody).
bool CanRunAsNobody();

} // namespace qel::test
