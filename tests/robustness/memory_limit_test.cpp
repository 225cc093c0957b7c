// Too little memory for a file: with an address-space limit (RLIMIT_AS, in a child process) the
// core raises EOutOfMemory "Out of memory" and loses nothing, and qeloutline exits 1 with the
// message and prints nothing else. AddressSanitizer reserves terabytes of shadow memory, so these
// tests cannot run in a sanitizer build.
#include "child_process.h"
#include "errors.h"
#include "outline_builder.h"
#include "process_memory.h"
#include "sanitizers.h"
#include "string_list.h"
#include "temp_dir.h"
#include "tree_nodes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <sys/resource.h>
#include <system_error>
#include <unistd.h>

namespace qel::test {
namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;

bool LimitAddressSpace(std::size_t bytes) {
    const rlimit limit{bytes, bytes};
    return ::setrlimit(RLIMIT_AS, &limit) == 0;
}

// A file of holes: its bytes read as NUL, it takes no disk space, and reading it needs a buffer of
// its full size.
std::string SparseFile(const TempDir& dir, std::size_t size) {
    const std::string path = dir.Write("sparse.QEL", "");
    if (::truncate(path.c_str(), static_cast<off_t>(size)) != 0)
        throw std::system_error(errno, std::generic_category(), "truncate");
    return path;
}

// Exit codes of a child that loads and builds under a limit.
enum Outcome : int {
    kComplete = 0,            // the whole outline, right
    kOutOfMemoryInLoad = 10,  // EOutOfMemory from LoadFromFile, the list as it was
    kOutOfMemoryInBuild = 11, // EOutOfMemory from BuildOutline, every line an item or in the list
    kWrongOutline = 1,
    kLineLost = 2,
    kWrongMessage = 3,
    kOtherError = 4,
    kLimitRefused = 5,
};

class MemoryLimitTest : public testing::Test {
protected:
    void SetUp() override {
        if (kUnderAddressSanitizer)
            GTEST_SKIP() << "address-space limits do not work under AddressSanitizer";
    }

    TempDir dir_;
};

TEST_F(MemoryLimitTest, LoadFromFileRaisesOutOfMemoryKeepsTheListAndASmallFileLoadsAfter) {
    const std::string big = SparseFile(dir_, 256 * kMiB);
    const std::string small = dir_.Write("small.QEL", "1:Setup\r\n2:Scale\r\n");
    const ChildOutcome outcome = RunInChild([&] {
        TStringList lines;
        lines.SetText("1:Kept\r\n");
        if (!LimitAddressSpace(AddressSpaceBytes() + 64 * kMiB))
            return 5;
        try {
            lines.LoadFromFile(big);
            return 1;
        } catch (const EOutOfMemory& error) {
            if (error.Message() != "Out of memory")
                return 2;
        }
        if (lines.Count() != 1 || lines.Strings(0) != "1:Kept")
            return 3;
        lines.LoadFromFile(small);
        return lines.Count() == 2 && lines.Strings(1) == "2:Scale" ? 0 : 4;
    });
    EXPECT_EQ(outcome.exitCode, 0) << outcome.Describe();
}

TEST_F(MemoryLimitTest, QelOutlineExitsWithOneAndTheMessage) {
    const std::string big = SparseFile(dir_, 256 * kMiB);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{big}, std::vector<std::string>{"--json", big}}) {
        const ChildOutcome outcome =
            RunProgram(QELOUTLINE_PATH, args, [] { return LimitAddressSpace(64 * kMiB); });
        EXPECT_EQ(outcome.exitCode, 1) << outcome.Describe();
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err, "qeloutline: Out of memory.\n");
    }
}

// The smallest limit in [low, high] at which works(limit) holds, to within precision; more memory
// never turns success into failure, so works is taken to be monotonic.
std::size_t SmallestWorkingLimit(std::size_t low, std::size_t high, std::size_t precision,
                                 const std::function<bool(std::size_t)>& works) {
    while (high - low > precision) {
        const std::size_t middle = low + (high - low) / 2;
        (works(middle) ? high : low) = middle;
    }
    return high;
}

// Loads and builds path in a child whose address space may grow by extra bytes; the exit code
// tells the outcome.
ChildOutcome LoadAndBuildUnderLimit(const std::string& path, std::size_t lineCount,
                                    std::size_t extra) {
    return RunInChild([&] {
        TStringList lines;
        lines.SetText("1:Kept\r\n");
        TTreeNodes nodes;
        if (!LimitAddressSpace(AddressSpaceBytes() + extra))
            return kLimitRefused;
        try {
            lines.LoadFromFile(path);
        } catch (const EOutOfMemory& error) {
            if (error.Message() != "Out of memory")
                return kWrongMessage;
            return lines.Count() == 1 && lines.Strings(0) == "1:Kept" ? kOutOfMemoryInLoad
                                                                      : kLineLost;
        }
        try {
            BuildOutline(lines, nodes);
        } catch (const EOutOfMemory& error) {
            if (error.Message() != "Out of memory")
                return kWrongMessage;
            // The items made so far stay, the lines not yet consumed stay in the list.
            return nodes.Count() + lines.Count() == lineCount ? kOutOfMemoryInBuild : kLineLost;
        }
        if (nodes.Count() != lineCount || lines.Count() != 0)
            return kWrongOutline;
        const TTreeNode root = nodes.Child(kNoNode, 0);
        return nodes.ChildCount(root) == (lineCount - 1) / 2 ? kComplete : kWrongOutline;
    });
}

// Limits spread from nothing to spare up to just enough, so that memory runs out at each step of
// a load and a build in turn: every run ends with the whole outline or with EOutOfMemory and no
// line lost.
TEST_F(MemoryLimitTest, EveryLimitGivesTheWholeOutlineOrOutOfMemoryWithNothingLost) {
    constexpr std::size_t kPairs = 200'000;
    std::string text = "1:Root\n";
    for (std::size_t i = 0; i < kPairs; ++i)
        text += "2:a\n3:b\n";
    const std::string path = dir_.Write("pairs.QEL", text);
    constexpr std::size_t kLines = 1 + 2 * kPairs;

    const std::size_t enough =
        SmallestWorkingLimit(0, 256 * kMiB, 64 * 1024, [&](std::size_t extra) {
            return LoadAndBuildUnderLimit(path, kLines, extra).exitCode == kComplete;
        });
    constexpr std::size_t kSteps = 32;
    std::map<int, int> seen;
    for (std::size_t step = 0; step <= kSteps; ++step) {
        const std::size_t extra = enough * step / kSteps;
        const ChildOutcome outcome = LoadAndBuildUnderLimit(path, kLines, extra);
        ASSERT_TRUE(outcome.exitCode == kComplete || outcome.exitCode == kOutOfMemoryInLoad ||
                    outcome.exitCode == kOutOfMemoryInBuild)
            << "limit " << extra << " bytes above the start: " << outcome.Describe();
        ++seen[outcome.exitCode];
    }
    // The range must reach from failing loads, through failing builds, to complete outlines.
    EXPECT_GT(seen[kOutOfMemoryInLoad], 0);
    EXPECT_GT(seen[kOutOfMemoryInBuild], 0);
    EXPECT_GT(seen[kComplete], 0);
}

// qeloutline's output must be all or nothing: exit 0 with the whole output, or exit 1 with the
// message and nothing on stdout, whatever step of loading, building or writing runs out.
struct CliShape {
    const char* name;
    std::function<std::string()> text;
    bool json;

    friend void PrintTo(const CliShape& shape, std::ostream* out) { *out << shape.name; }
};

std::string Pairs() {
    std::string text = "1:Root\n";
    for (int i = 0; i < 120'000; ++i)
        text += "2:a\n3:b\n";
    return text;
}

// Over a megabyte of output first, then one caption far larger than the output buffer.
std::string LongCaptionAfterMuchOutput() {
    return Pairs() + "2:" + std::string(4 * kMiB, 'x') + "\n";
}

std::string Chain() {
    std::string text = "Root\n";
    for (int level = 2; level <= 100'001; ++level)
        text += std::to_string(level) + "\n";
    return text;
}

class QelOutlineMemoryLimitTest : public MemoryLimitTest,
                                  public testing::WithParamInterface<CliShape> {};

TEST_P(QelOutlineMemoryLimitTest, EveryLimitGivesTheWholeOutputOrTheMessageAlone) {
    const CliShape& shape = GetParam();
    const std::string path = dir_.Write("input.QEL", shape.text());
    std::vector<std::string> args{path};
    if (shape.json)
        args.insert(args.begin(), "--json");
    const ChildOutcome full = RunProgram(QELOUTLINE_PATH, args);
    ASSERT_EQ(full.exitCode, 0) << full.Describe();
    const auto run = [&](std::size_t limit) {
        return RunProgram(QELOUTLINE_PATH, args, [=] { return LimitAddressSpace(limit); });
    };

    // From the least that lets the program print a tiny outline (below it the C++ runtime itself
    // cannot start) to the least that lets it finish this one, evenly.
    constexpr std::size_t kPrecision = 64 * 1024;
    const std::string tiny = dir_.Write("tiny.QEL", "1:Root\n2:Child\n");
    const std::size_t starts =
        SmallestWorkingLimit(kMiB, 256 * kMiB, kPrecision, [&](std::size_t limit) {
            return RunProgram(QELOUTLINE_PATH, {tiny}, [=] {
                       return LimitAddressSpace(limit);
                   }).exitCode == 0;
        });
    const std::size_t finishes =
        SmallestWorkingLimit(starts, 512 * kMiB, kPrecision,
                             [&](std::size_t limit) { return run(limit).exitCode == 0; });
    constexpr std::size_t kSteps = 24;
    std::map<int, int> seen;
    for (std::size_t step = 0; step <= kSteps; ++step) {
        const std::size_t limit = starts + (finishes - starts) * step / kSteps;
        const ChildOutcome outcome = run(limit);
        ++seen[outcome.exitCode];
        if (outcome.exitCode == 0) {
            EXPECT_EQ(outcome.out, full.out) << "limit " << limit;
            continue;
        }
        EXPECT_EQ(outcome.exitCode, 1) << "limit " << limit << ": " << outcome.Describe();
        EXPECT_EQ(outcome.err, "qeloutline: Out of memory.\n") << "limit " << limit;
        EXPECT_EQ(outcome.out.size(), 0u) << "limit " << limit << ": output before the error";
    }
    EXPECT_GT(seen[1], 0) << "no limit in the range ran out of memory";
    EXPECT_GT(seen[0], 0) << "no limit in the range was enough";
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, QelOutlineMemoryLimitTest,
    testing::Values(CliShape{"PairsAsText", Pairs, false}, CliShape{"PairsAsJson", Pairs, true},
                    CliShape{"LongCaptionAsText", LongCaptionAfterMuchOutput, false},
                    // The text form of a deep chain grows with the square of its depth.
                    CliShape{"DeepChainAsJson", Chain, true}),
    [](const testing::TestParamInfo<CliShape>& param) { return std::string(param.param.name); });

} // namespace
} // namespace qel::test
