// A file truncated, grown or replaced while LoadFromFile reads it: the lines are those of the
// bytes actually read, never garbage, and a failing read is EFOpenError.
#include "errors.h"
#include "outline_text.h"
#include "read_interposer.h"
#include "string_list.h"
#include "temp_dir.h"
#include "unique_fd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace qel::test {
namespace {

// 27 bytes: each line with its CR LF is 9 bytes long.
constexpr std::string_view kText = "1:Setup\r\n2:Scale\r\n3:Units\r\n";

void Truncate(const std::string& path, off_t size) {
    ASSERT_EQ(::truncate(path.c_str(), size), 0);
}

void Append(const std::string& path, std::string_view bytes) {
    const UniqueFd file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
    ASSERT_TRUE(file.Valid());
    ASSERT_EQ(::write(file.Get(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

// What happens at a read of the file: the call number, the path, the read's arguments and the
// real read.
using Change = std::function<ssize_t(std::size_t call, const std::string& path, int fd,
                                     void* buffer, std::size_t count, ReadFunction realRead)>;

struct ChangingFile {
    const char* name;
    Change change;
    std::vector<std::string> lines; // expected after the load, unless it fails
    bool fails = false;

    friend void PrintTo(const ChangingFile& c, std::ostream* out) { *out << c.name; }
};

const std::vector<ChangingFile>& Cases() {
    static const std::vector<ChangingFile> cases{
        {"TruncatedInsideALine",
         [](std::size_t call, const std::string& path, int fd, void* buffer, std::size_t count,
            ReadFunction realRead) {
             if (call == 0)
                 Truncate(path, 13);
             return realRead(fd, buffer, count);
         },
         {"1:Setup", "2:Sc"}},
        {"TruncatedBetweenCrAndLf",
         [](std::size_t call, const std::string& path, int fd, void* buffer, std::size_t count,
            ReadFunction realRead) {
             if (call == 0)
                 Truncate(path, 8);
             return realRead(fd, buffer, count);
         },
         {"1:Setup"}},
        {"TruncatedToNothing",
         [](std::size_t call, const std::string& path, int fd, void* buffer, std::size_t count,
            ReadFunction realRead) {
             if (call == 0)
                 Truncate(path, 0);
             return realRead(fd, buffer, count);
         },
         {}},
        // The size taken when the file was opened bounds the read.
        {"AppendedTo",
         [](std::size_t call, const std::string& path, int fd, void* buffer, std::size_t count,
            ReadFunction realRead) {
             if (call == 0)
                 Append(path, "4:Later\r\n");
             return realRead(fd, buffer, count);
         },
         {"1:Setup", "2:Scale", "3:Units"}},
        {"RewrittenWithOtherBytes",
         [](std::size_t call, const std::string& path, int fd, void* buffer, std::size_t count,
            ReadFunction realRead) {
             if (call == 0) {
                 const UniqueFd file(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
                 constexpr std::string_view other = "1:Other\r2:Bytes\n\n3:Now\r\n4:\n";
                 static_assert(other.size() == kText.size());
                 EXPECT_EQ(::pwrite(file.Get(), other.data(), other.size(), 0),
                           static_cast<ssize_t>(other.size()));
             }
             return realRead(fd, buffer, count);
         },
         {"1:Other", "2:Bytes", "", "3:Now", "4:"}},
        // The open descriptor keeps the file that was opened.
        {"ReplacedByAnotherFile",
         [](std::size_t call, const std::string& path, int fd, void* buffer, std::size_t count,
            ReadFunction realRead) {
             if (call == 0) {
                 WriteFile(path + ".new", "2:Replacement\r\n");
                 EXPECT_EQ(std::rename((path + ".new").c_str(), path.c_str()), 0);
             }
             return realRead(fd, buffer, count);
         },
         {"1:Setup", "2:Scale", "3:Units"}},
        {"TruncatedAfterTheFirstPartWasRead",
         [](std::size_t call, const std::string& path, int fd, void* buffer, std::size_t count,
            ReadFunction realRead) {
             if (call == 0) {
                 const ssize_t n = realRead(fd, buffer, std::min<std::size_t>(count, 9));
                 Truncate(path, 20);
                 return n;
             }
             return realRead(fd, buffer, count);
         },
         {"1:Setup", "2:Scale", "3:"}},
        {"GrownAfterTheFirstPartWasRead",
         [](std::size_t call, const std::string& path, int fd, void* buffer, std::size_t count,
            ReadFunction realRead) {
             if (call == 0) {
                 const ssize_t n = realRead(fd, buffer, std::min<std::size_t>(count, 9));
                 Append(path, std::string(100'000, 'x'));
                 return n;
             }
             return realRead(fd, buffer, count);
         },
         {"1:Setup", "2:Scale", "3:Units"}},
        {"ReadOneByteAtATime",
         [](std::size_t, const std::string&, int fd, void* buffer, std::size_t count,
            ReadFunction realRead) {
             return realRead(fd, buffer, std::min<std::size_t>(count, 1));
         },
         {"1:Setup", "2:Scale", "3:Units"}},
        {"InterruptedBySignals",
         [](std::size_t call, const std::string&, int fd, void* buffer, std::size_t count,
            ReadFunction realRead) -> ssize_t {
             if (call < 3) {
                 errno = EINTR;
                 return -1;
             }
             return realRead(fd, buffer, count);
         },
         {"1:Setup", "2:Scale", "3:Units"}},
        {"ReadFails",
         [](std::size_t, const std::string&, int, void*, std::size_t, ReadFunction) -> ssize_t {
             errno = EIO;
             return -1;
         },
         {},
         true},
    };
    return cases;
}

class ChangingFileTest : public testing::TestWithParam<ChangingFile> {
protected:
    TempDir dir_;
};

TEST_P(ChangingFileTest, LinesAreThoseOfTheBytesRead) {
    const ChangingFile& c = GetParam();
    const std::string path = dir_.Write("settings.QEL", kText);
    TStringList lines;
    lines.SetText("1:Kept\r\n");
    {
        const WatchedReads watch(path, [&](std::size_t call, int fd, void* buffer,
                                           std::size_t count, ReadFunction realRead) {
            return c.change(call, path, fd, buffer, count, realRead);
        });
        if (c.fails) {
            try {
                lines.LoadFromFile(path);
                ADD_FAILURE() << "no error";
            } catch (const EFOpenError& error) {
                EXPECT_EQ(error.Message(), "Cannot open file " + path);
            }
            EXPECT_EQ(Lines(lines), std::vector<std::string>{"1:Kept"});
        } else {
            lines.LoadFromFile(path);
            EXPECT_EQ(Lines(lines), c.lines);
        }
        ASSERT_GT(watch.Calls(), 0u) << "the change never ran: read() was not intercepted";
    }
}

INSTANTIATE_TEST_SUITE_P(Changes, ChangingFileTest, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<ChangingFile>& param) {
                             return std::string(param.param.name);
                         });

// The lines of the first size bytes of text, which has LF line breaks only.
std::vector<std::string> LinesOfPrefix(std::string_view text, std::size_t size) {
    std::vector<std::string> lines;
    std::string_view rest = text.substr(0, size);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        lines.emplace_back(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    return lines;
}

// Another thread truncates and regrows the file without pause while it is loaded again and again.
// The writer only ever writes the master text's bytes at their own offsets, so every byte read
// must be the master's byte there, or NUL where a truncation zeroed the tail of a page that a
// read was copying from; lines end at the first difference.
TEST(ChangingFileStressTest, LoadsDuringConstantTruncationAndGrowthSeeOnlyBytesThatWereThere) {
    std::string master;
    for (int i = 0; i < 6000; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "%d:item %05d\n", 2 + i % 7, i);
        master += line;
    }
    const TempDir dir;
    const std::string path = dir.Write("moving.QEL", master);

    std::atomic<bool> stop{false};
    std::thread writer([&] {
        const UniqueFd file(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
        std::mt19937 random(12345);
        std::size_t size = master.size();
        while (!stop) {
            const std::size_t cut = std::uniform_int_distribution<std::size_t>(0, size)(random);
            if (::ftruncate(file.Get(), static_cast<off_t>(cut)) != 0)
                break;
            const std::size_t grow =
                std::uniform_int_distribution<std::size_t>(cut, master.size())(random);
            if (::pwrite(file.Get(), master.data() + cut, grow - cut, static_cast<off_t>(cut)) !=
                static_cast<ssize_t>(grow - cut))
                break;
            size = grow;
        }
    });

    std::set<std::size_t> sizesRead;
    for (int load = 0; load < 2000 && !testing::Test::HasFailure(); ++load) {
        TStringList lines;
        lines.LoadFromFile(path);
        const std::string_view bytes = lines.SharedContent()->Bytes();
        ASSERT_LE(bytes.size(), master.size());
        const std::size_t same = static_cast<std::size_t>(
            std::mismatch(bytes.begin(), bytes.end(), master.begin()).first - bytes.begin());
        ASSERT_TRUE(same == bytes.size() || bytes[same] == '\0')
            << "byte " << same << " of a load was never in the file";
        ASSERT_EQ(Lines(lines), LinesOfPrefix(master, same)) << "after " << same << " bytes";
        sizesRead.insert(bytes.size());
    }
    stop = true;
    writer.join();
    EXPECT_GT(sizesRead.size(), 10u) << "the file hardly changed while it was read";
}

} // namespace
} // namespace qel::test
