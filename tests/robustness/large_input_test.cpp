// Large files: one line of 100 MB, 10,000,000 short lines, and a chain 1,000,000 levels deep.
// Loads and builds run in a child process, so that their peak resident memory can be measured
// against a baseline taken in the same child just before.
#include "child_process.h"
#include "outline_builder.h"
#include "outline_json.h"
#include "process_memory.h"
#include "sanitizers.h"
#include "string_list.h"
#include "temp_dir.h"
#include "tree_nodes.h"
#include "unique_fd.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <string>
#include <system_error>
#include <unistd.h>

namespace qel::test {
namespace {

// Memory the process needs beyond the data itself: page rounding, allocator bookkeeping, the
// outline's first partly used block.
constexpr std::size_t kFixedAllowance = std::size_t{4} << 20;
// Each line is held as at most one item or one line of the list.
constexpr std::size_t kBytesPerLine = 32;

// Writes a file made of chunks that produce(i) returns for i = 0, 1, ... until it returns an
// empty string, through a large buffer.
void WriteChunks(const std::string& path, const std::function<std::string(std::size_t)>& produce) {
    const UniqueFd file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!file.Valid())
        throw std::system_error(errno, std::generic_category(), "open " + path);
    std::string buffer;
    const auto flush = [&] {
        std::string_view rest = buffer;
        while (!rest.empty()) {
            const ssize_t n = ::write(file.Get(), rest.data(), rest.size());
            if (n < 0)
                throw std::system_error(errno, std::generic_category(), "write " + path);
            rest.remove_prefix(static_cast<std::size_t>(n));
        }
        buffer.clear();
    };
    for (std::size_t i = 0;; ++i) {
        const std::string chunk = produce(i);
        if (chunk.empty())
            break;
        buffer += chunk;
        if (buffer.size() >= (std::size_t{1} << 22))
            flush();
    }
    flush();
}

// What a child measured: the file's size, its lines, the items built and the peak memory above
// the baseline, for the memory check and the failure message.
struct Usage {
    std::size_t fileBytes = 0;
    std::size_t lines = 0;
    std::size_t items = 0;
    std::size_t peakAboveBaseline = 0;
};

// Loads path and builds its outline, checks the lines left in the list, lets the list go and
// checks the outline, as the Open command and then a view do. The checks return an exit code, 0
// when all is right. Prints the figures as "bytes lines items peak" on stdout.
ChildOutcome LoadAndMeasure(const std::string& path,
                            const std::function<int(const TStringList&)>& checkRemaining,
                            const std::function<int(const TTreeNodes&)>& checkOutline) {
    return RunInChild([&] {
        TTreeNodes nodes;
        Usage usage;
        usage.fileBytes = std::filesystem::file_size(path);
        const bool peakReset = ResetPeakResident();
        const std::size_t baseline = peakReset ? ResidentBytes() : PeakResidentBytes();
        int result = 0;
        {
            TStringList lines;
            lines.LoadFromFile(path);
            usage.lines = lines.Count();
            BuildOutline(lines, nodes);
            usage.items = nodes.Count();
            result = checkRemaining(lines);
        }
        if (result == 0)
            result = checkOutline(nodes);
        usage.peakAboveBaseline = PeakResidentBytes() - baseline;
        std::printf("%zu %zu %zu %zu", usage.fileBytes, usage.lines, usage.items,
                    usage.peakAboveBaseline);
        return result;
    });
}

Usage ParseUsage(const std::string& out) {
    Usage usage;
    if (std::sscanf(out.c_str(), "%zu %zu %zu %zu", &usage.fileBytes, &usage.lines, &usage.items,
                    &usage.peakAboveBaseline) != 4)
        throw std::runtime_error("no figures in: " + out);
    return usage;
}

void ExpectMemoryWithinBudget(const Usage& usage) {
    const std::size_t budget = usage.fileBytes + kBytesPerLine * usage.lines;
    std::printf("file %zu bytes, %zu lines, %zu items: peak %zu bytes above baseline, budget %zu "
                "(%.1f bytes per line beyond the file)\n",
                usage.fileBytes, usage.lines, usage.items, usage.peakAboveBaseline, budget,
                usage.lines == 0 ? 0.0
                                 : (static_cast<double>(usage.peakAboveBaseline) -
                                    static_cast<double>(usage.fileBytes)) /
                                       static_cast<double>(usage.lines));
    if (kUnderAddressSanitizer)
        return; // shadow memory and quarantine make the figure meaningless
    EXPECT_LE(usage.peakAboveBaseline, budget + kFixedAllowance);
}

class LargeInputTest : public testing::Test {
protected:
    TempDir dir_;
};

TEST_F(LargeInputTest, OneLineOf100MegabytesIsOneRootItem) {
    constexpr std::size_t kLineBytes = 100'000'000;
    constexpr std::size_t kChunk = 1'000'000;
    const std::string path = dir_.File("one-line.QEL");
    WriteChunks(path, [](std::size_t i) {
        if (i * kChunk >= kLineBytes)
            return std::string();
        std::string chunk(kChunk, 'x');
        if (i == 0)
            chunk.replace(0, 7, "Header ");
        return chunk;
    });

    const ChildOutcome outcome = LoadAndMeasure(
        path, [](const TStringList& rest) { return rest.Count() == 0 ? 0 : 1; },
        [](const TTreeNodes& nodes) {
            if (nodes.Count() != 1)
                return 2;
            const std::string_view caption = nodes.Caption(nodes.Child(kNoNode, 0));
            return caption.size() == kLineBytes && caption.substr(0, 8) == "Header x" &&
                           caption.back() == 'x'
                       ? 0
                       : 3;
        });
    ASSERT_EQ(outcome.exitCode, 0) << outcome.Describe();
    const Usage usage = ParseUsage(outcome.out);
    EXPECT_EQ(usage.lines, 1u);
    ExpectMemoryWithinBudget(usage);
}

// Ten million lines: a root, then a level-2 item and a level-3 item under it, in turn, with a
// comment (not a key line) after every hundredth pair.
TEST_F(LargeInputTest, TenMillionShortLinesAllLandInTheOutlineOrTheList) {
    const std::string path = dir_.File("ten-million.QEL");
    constexpr std::size_t kFullBlocks = 49'751; // each: 100 pairs, then one comment
    constexpr std::size_t kTailPairs = 24;
    constexpr std::size_t kTotalLines = 1 + kFullBlocks * 201 + kTailPairs * 2;
    static_assert(kTotalLines == 10'000'000);
    WriteChunks(path, [](std::size_t i) {
        if (i == 0)
            return std::string("1:Root\n");
        if (i <= kFullBlocks) {
            std::string block;
            for (int pair = 0; pair < 100; ++pair)
                block += "2:a\n3:b\n";
            return block + "note: c\n";
        }
        if (i == kFullBlocks + 1) {
            std::string tail;
            for (std::size_t pair = 0; pair < kTailPairs; ++pair)
                tail += "2:a\n3:b\n";
            return tail;
        }
        return std::string();
    });

    constexpr std::size_t kPairs = kFullBlocks * 100 + kTailPairs;
    const ChildOutcome outcome = LoadAndMeasure(
        path,
        [](const TStringList& rest) {
            if (rest.Count() != kFullBlocks)
                return 1;
            for (std::size_t i = 0; i < rest.Count(); i += 997) {
                if (rest.Strings(i) != "note: c")
                    return 2;
            }
            return 0;
        },
        [](const TTreeNodes& nodes) {
            if (nodes.Count() != 1 + 2 * kPairs)
                return 3;
            const TTreeNode root = nodes.Child(kNoNode, 0);
            if (nodes.Caption(root) != "Root" || nodes.ChildCount(root) != kPairs)
                return 4;
            for (std::size_t row = 0; row < kPairs; row += 9973) {
                const TTreeNode level2 = nodes.Child(root, row);
                if (nodes.Caption(level2) != "a" || nodes.ChildCount(level2) != 1 ||
                    nodes.Caption(nodes.Child(level2, 0)) != "b")
                    return 5;
            }
            return 0;
        });
    ASSERT_EQ(outcome.exitCode, 0) << outcome.Describe();
    const Usage usage = ParseUsage(outcome.out);
    EXPECT_EQ(usage.lines, kTotalLines);
    ExpectMemoryWithinBudget(usage);
}

// A root line, then the colon-less lines "2", "3", ... "1000001": each level number is one
// greater than the one before, so each item nests under the previous one.
class DeepChainTest : public LargeInputTest {
protected:
    static constexpr std::size_t kDepth = 1'000'000;

    void SetUp() override {
        path_ = dir_.File("chain.QEL");
        WriteChunks(path_, [](std::size_t i) {
            if (i == 0)
                return std::string("Root\r\n");
            return i <= kDepth ? std::to_string(i + 1) + "\r\n" : std::string();
        });
    }

    std::string path_;
};

TEST_F(DeepChainTest, CoreNestsEveryLevelUnderThePreviousOne) {
    TStringList lines;
    lines.LoadFromFile(path_);
    TTreeNodes nodes;
    BuildOutline(lines, nodes);
    EXPECT_EQ(lines.Count(), 0u);
    ASSERT_EQ(nodes.Count(), kDepth + 1);
    ASSERT_EQ(nodes.ChildCount(kNoNode), 1u);
    TTreeNode node = nodes.Child(kNoNode, 0);
    ASSERT_EQ(nodes.Caption(node), "Root");
    for (std::size_t level = 2; level <= kDepth + 1; ++level) {
        ASSERT_EQ(nodes.ChildCount(node), 1u) << "at level " << level;
        const TTreeNode child = nodes.Child(node, 0);
        ASSERT_EQ(nodes.Parent(child), node);
        ASSERT_EQ(nodes.Caption(child), std::to_string(level));
        node = child;
    }
    EXPECT_EQ(nodes.ChildCount(node), 0u);
}

TEST_F(DeepChainTest, QelOutlineWritesTheWholeChainAsJson) {
    const ChildOutcome outcome = RunProgram(QELOUTLINE_PATH, {"--json", path_});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "");
    const fuzz::OutlineDocument document = fuzz::ParseOutlineJson(outcome.out);
    EXPECT_TRUE(document.remaining.empty());
    ASSERT_EQ(document.items.size(), kDepth + 1);
    EXPECT_EQ(document.items[0], (fuzz::OutlineEntry{0, "Root"}));
    for (std::size_t depth = 1; depth <= kDepth; ++depth) {
        ASSERT_EQ(document.items[depth], (fuzz::OutlineEntry{depth, std::to_string(depth + 1)}))
            << "at depth " << depth;
    }
}

} // namespace
} // namespace qel::test
