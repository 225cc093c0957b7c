// Paths that cannot be read as a settings file: the core raises EFOpenError "Cannot open file
// PATH" at once (never blocking) and keeps the list; qeloutline reports it and exits 1.
#include "child_process.h"
#include "errors.h"
#include "string_list.h"
#include "temp_dir.h"
#include "unique_fd.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <system_error>
#include <unistd.h>

namespace qel::test {
namespace {

enum class Unopenable {
    Missing,
    Folder,
    NoReadPermission,
    FifoWithoutWriter,
    FifoWithWriterAndData,
    ZeroDevice,
    NullDevice,
    UnixSocket,
    PathThroughAFile,
    EmptyPath,
};

std::string CaseName(const testing::TestParamInfo<Unopenable>& info) {
    switch (info.param) {
    case Unopenable::Missing:
        return "Missing";
    case Unopenable::Folder:
        return "Folder";
    case Unopenable::NoReadPermission:
        return "NoReadPermission";
    case Unopenable::FifoWithoutWriter:
        return "FifoWithoutWriter";
    case Unopenable::FifoWithWriterAndData:
        return "FifoWithWriterAndData";
    case Unopenable::ZeroDevice:
        return "ZeroDevice";
    case Unopenable::NullDevice:
        return "NullDevice";
    case Unopenable::UnixSocket:
        return "UnixSocket";
    case Unopenable::PathThroughAFile:
        return "PathThroughAFile";
    case Unopenable::EmptyPath:
        return "EmptyPath";
    }
    return "Unknown";
}

// Exit codes of the child that loads the path.
constexpr int kRaisedAndKept = 0;
constexpr int kLoaded = 1;
constexpr int kListChanged = 2;

class UnopenablePathTest : public testing::TestWithParam<Unopenable> {
protected:
    void SetUp() override {
        switch (GetParam()) {
        case Unopenable::Missing:
            path_ = dir_.File("missing.QEL");
            break;
        case Unopenable::Folder:
            path_ = dir_.File("folder.QEL");
            std::filesystem::create_directory(path_);
            break;
        case Unopenable::NoReadPermission:
            if (::geteuid() == 0 && !CanRunAsNobody())
                GTEST_SKIP() << "running as root and cannot switch to user nobody";
            path_ = dir_.Write("locked.QEL", "1:Secret\r\n2:Key\r\n");
            std::filesystem::permissions(path_, std::filesystem::perms::owner_write);
            asNobody_ = ::geteuid() == 0;
            break;
        case Unopenable::FifoWithoutWriter:
            path_ = MakeFifo();
            break;
        case Unopenable::FifoWithWriterAndData: {
            path_ = MakeFifo();
            // O_RDWR opens a FIFO without waiting for the other end: this descriptor is a writer
            // that stays attached, with a settings text waiting in the pipe.
            writer_.Reset(::open(path_.c_str(), O_RDWR | O_CLOEXEC));
            ASSERT_TRUE(writer_.Valid()) << std::strerror(errno);
            const std::string text = "1:Setup\r\n2:Scale\r\n";
            ASSERT_EQ(::write(writer_.Get(), text.data(), text.size()),
                      static_cast<ssize_t>(text.size()));
            break;
        }
        case Unopenable::ZeroDevice:
            path_ = "/dev/zero";
            break;
        case Unopenable::NullDevice:
            path_ = "/dev/null";
            break;
        case Unopenable::UnixSocket: {
            path_ = dir_.File("socket.QEL");
            socket_.Reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
            ASSERT_TRUE(socket_.Valid()) << std::strerror(errno);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            ASSERT_LT(path_.size(), sizeof address.sun_path);
            std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
            ASSERT_EQ(
                ::bind(socket_.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address),
                0)
                << std::strerror(errno);
            ASSERT_EQ(::listen(socket_.Get(), 1), 0) << std::strerror(errno);
            break;
        }
        case Unopenable::PathThroughAFile:
            path_ = dir_.Write("plain.QEL", "1:Setup\n") + "/inside.QEL";
            break;
        case Unopenable::EmptyPath:
            path_.clear();
            break;
        }
    }

    std::string MakeFifo() {
        std::string path = dir_.File("pipe.QEL");
        if (::mkfifo(path.c_str(), 0644) != 0)
            throw std::system_error(errno, std::generic_category(), "mkfifo");
        return path;
    }

    std::function<bool()> Prepare() const {
        if (!asNobody_)
            return {};
        return [] { return BecomeNobody(); };
    }

    TempDir dir_;
    std::string path_;
    bool asNobody_ = false;
    UniqueFd writer_;
    UniqueFd socket_;
};

TEST_P(UnopenablePathTest, LoadFromFileRaisesEFOpenErrorAtOnceAndKeepsTheList) {
    const std::string path = path_;
    const bool asNobody = asNobody_;
    // In a child: a load that blocked would end in the timeout instead of hanging the suite.
    const ChildOutcome outcome = RunInChild(
        [&] {
            if (asNobody && !BecomeNobody())
                return 3;
            TStringList lines;
            lines.SetText("1:Kept\r\n2:Also kept");
            try {
                lines.LoadFromFile(path);
            } catch (const EStreamError& error) {
                // EFOpenError is the class; EStreamError its base, as callers may catch it.
                std::printf("%s|%s", dynamic_cast<const EFOpenError*>(&error) ? "EFOpenError" : "?",
                            error.Message().c_str());
                const bool kept = lines.Count() == 2 && lines.Strings(0) == "1:Kept" &&
                                  lines.Strings(1) == "2:Also kept";
                return kept ? kRaisedAndKept : kListChanged;
            }
            return kLoaded;
        },
        std::chrono::seconds(10));
    ASSERT_FALSE(outcome.timedOut) << "LoadFromFile blocked on " << path;
    ASSERT_EQ(outcome.exitCode, kRaisedAndKept) << outcome.Describe();
    EXPECT_EQ(outcome.out, "EFOpenError|Cannot open file " + path);
}

TEST_P(UnopenablePathTest, QelOutlineReportsTheErrorOnStderrAndExitsWithOne) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{path_}, std::vector<std::string>{"--json", path_}}) {
        const ChildOutcome outcome =
            RunProgram(QELOUTLINE_PATH, args, Prepare(), std::chrono::seconds(10));
        ASSERT_FALSE(outcome.timedOut) << "qeloutline blocked on " << path_;
        EXPECT_EQ(outcome.exitCode, 1) << outcome.Describe();
        EXPECT_EQ(outcome.out, "");
        // The full stop follows the message unless it ends in a character not above ".".
        const std::string message = "Cannot open file " + path_;
        EXPECT_EQ(outcome.err, "qeloutline: " + message + (path_.empty() ? "" : ".") + "\n");
    }
}

INSTANTIATE_TEST_SUITE_P(BadPaths, UnopenablePathTest,
                         testing::Values(Unopenable::Missing, Unopenable::Folder,
                                         Unopenable::NoReadPermission,
                                         Unopenable::FifoWithoutWriter,
                                         Unopenable::FifoWithWriterAndData, Unopenable::ZeroDevice,
                                         Unopenable::NullDevice, Unopenable::UnixSocket,
                                         Unopenable::PathThroughAFile, Unopenable::EmptyPath),
                         CaseName);

} // namespace
} // namespace qel::test
