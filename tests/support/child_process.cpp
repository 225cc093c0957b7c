#include "child_process.h"

#include "unique_fd.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

namespace qel::test {

namespace {

constexpr int kBodyThrew = 125;
constexpr int kPrepareFailed = 126;
constexpr int kExecFailed = 127;

struct Pipe {
    UniqueFd read;
    UniqueFd write;
};

Pipe MakePipe() {
    std::array<int, 2> fds{-1, -1};
    if (::pipe2(fds.data(), O_CLOEXEC) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe2");
    return {UniqueFd(fds[0]), UniqueFd(fds[1])};
}

// Forks; the child points stdout and stderr into pipes and runs inChild, which must not return.
template <typename InChild>
ChildOutcome Fork(InChild&& inChild, std::chrono::milliseconds timeout) {
    Pipe out = MakePipe();
    Pipe err = MakePipe();
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::system_error(errno, std::generic_category(), "fork");
    if (pid == 0) {
        ::dup2(out.write.Get(), STDOUT_FILENO);
        ::dup2(err.write.Get(), STDERR_FILENO);
        inChild();
        ::_exit(kBodyThrew);
    }
    out.write.Reset();
    err.write.Reset();

    ChildOutcome outcome;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::array<pollfd, 2> fds{pollfd{out.read.Get(), POLLIN, 0}, pollfd{err.read.Get(), POLLIN, 0}};
    std::array<std::string*, 2> sinks{&outcome.out, &outcome.err};
    std::array<char, 65536> buffer{};
    int open = 2;
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            outcome.timedOut = true;
            ::kill(pid, SIGKILL);
            break;
        }
        const int ready = ::poll(fds.data(), fds.size(), static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR)
            throw std::system_error(errno, std::generic_category(), "poll");
        for (std::size_t i = 0; ready > 0 && i < fds.size(); ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            const ssize_t n = ::read(fds[i].fd, buffer.data(), buffer.size());
            if (n > 0) {
                sinks[i]->append(buffer.data(), static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status))
        outcome.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        outcome.signal = WTERMSIG(status);
    return outcome;
}

} // namespace

std::string ChildOutcome::Describe() const {
    std::string text = timedOut      ? "timed out"
                       : signal != 0 ? "ended by signal " + std::to_string(signal)
                                     : "exit code " + std::to_string(exitCode);
    return text + "\n--- stdout:\n" + out + "\n--- stderr:\n" + err;
}

ChildOutcome RunInChild(const std::function<int()>& body, std::chrono::milliseconds timeout) {
    return Fork(
        [&] {
            int code = kBodyThrew;
            try {
                code = body();
            } catch (const std::exception& error) {
                std::fprintf(stderr, "exception: %s\n", error.what());
            } catch (...) {
                std::fprintf(stderr, "unknown exception\n");
            }
            std::fflush(nullptr);
            ::_exit(code);
        },
        timeout);
}

ChildOutcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                        const std::function<bool()>& prepare, std::chrono::milliseconds timeout) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    return Fork(
        [&] {
            if (prepare && !prepare())
                ::_exit(kPrepareFailed);
            ::execv(program.c_str(), argv.data());
            ::_exit(kExecFailed);
        },
        timeout);
}

bool BecomeNobody() {
    if (::getuid() == kNobody && ::geteuid() == kNobody)
        return true;
    return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0 &&
           ::geteuid() == kNobody;
}

bool CanRunAsNobody() {
    return RunInChild([] { return BecomeNobody() ? 0 : 1; }).exitCode == 0;
}

} // namespace qel::test
