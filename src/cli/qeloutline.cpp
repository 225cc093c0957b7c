// qeloutline: prints the outline of a settings file as text or JSON, for scripts and reports.
#include "errors.h"
#include "outline_builder.h"
#include "outline_writer.h"
#include "string_list.h"
#include "tree_nodes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <unistd.h>

#ifndef QEL_VERSION
#define QEL_VERSION "0"
#endif

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr std::string_view kUsage = "usage: qeloutline [--json] FILE\n";
constexpr std::string_view kHelp =
    "usage: qeloutline [--json] FILE\n"
    "\n"
    "Prints the outline of a QEL settings file, as the QEL Viewer shows it.\n"
    "\n"
    "  (default)   one line per item in file order, indented by two blanks per level\n"
    "  --json      {\"outline\":ITEM,\"remaining\":[LINE,...]}, where ITEM is\n"
    "              {\"caption\":STR,\"children\":[ITEM,...]} or null\n"
    "  --help      show this help and exit\n"
    "  --version   show the version and exit\n"
    "\n"
    "Exit status: 0 on success, 1 when the file cannot be read, 2 on wrong usage.\n";

class WriteError : public std::exception {
public:
    explicit WriteError(int code) noexcept : code_(code) {}
    [[nodiscard]] int Code() const noexcept { return code_; }

private:
    int code_;
};

void WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw WriteError(errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void WriteStderr(std::string_view text) {
    try {
        WriteAll(STDERR_FILENO, text);
    } catch (const WriteError&) {
        // Nowhere left to report to.
    }
}

int Fail(std::string_view message) {
    WriteStderr("qeloutline: " + qel::CompleteMessage(message) + "\n");
    return kExitFailure;
}

int Run(int argc, char** argv) {
    bool json = false;
    bool optionsEnded = false;
    const char* fileName = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!optionsEnded && arg == "--help") {
            WriteAll(STDOUT_FILENO, kHelp);
            return kExitOk;
        }
        if (!optionsEnded && arg == "--version") {
            WriteAll(STDOUT_FILENO, "qeloutline " QEL_VERSION "\n");
            return kExitOk;
        }
        if (!optionsEnded && arg == "--json") {
            json = true;
        } else if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.size() > 1 && arg.front() == '-') {
            WriteStderr("qeloutline: unknown option " + std::string(arg) + "\n");
            WriteStderr(kUsage);
            return kExitUsage;
        } else if (fileName == nullptr) {
            fileName = argv[i];
        } else {
            WriteStderr(kUsage);
            return kExitUsage;
        }
    }
    if (fileName == nullptr) {
        WriteStderr(kUsage);
        return kExitUsage;
    }

    qel::TStringList lines;
    qel::TTreeNodes nodes;
    try {
        lines.LoadFromFile(fileName);
        qel::BuildOutline(lines, nodes);
    } catch (const qel::Exception& error) {
        return Fail(error.Message());
    } catch (const std::bad_alloc&) {
        return Fail(qel::EOutOfMemory().Message());
    }

    qel::BufferedOutput out([](std::string_view bytes) { WriteAll(STDOUT_FILENO, bytes); });
    if (json)
        qel::WriteOutlineJson(nodes, lines, out);
    else
        qel::WriteOutlineText(nodes, out);
    out.Flush();
    return kExitOk;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const WriteError& error) {
        return Fail(std::string("write error: ") + std::strerror(error.Code()));
    } catch (const std::bad_alloc&) {
        return Fail(qel::EOutOfMemory().Message());
    }
}
