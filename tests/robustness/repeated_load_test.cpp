// A thousand loads and builds in a row, good files and unopenable paths mixed, must leave open
// descriptors and resident memory where they were.
#include "errors.h"
#include "outline_builder.h"
#include "process_memory.h"
#include "sanitizers.h"
#include "string_list.h"
#include "temp_dir.h"
#include "tree_nodes.h"
#include "unique_fd.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace qel::test {
namespace {

class RepeatedLoadTest : public testing::Test {
protected:
    void SetUp() override {
        std::string text = "1:Setup\r\n";
        for (int i = 0; i < 2000; ++i)
            text += "2:Scale\r\n3:Capacity\r\nComment: x\r\n";
        good_ = dir_.Write("good.QEL", text);
        fifo_ = dir_.File("pipe.QEL");
        ASSERT_EQ(::mkfifo(fifo_.c_str(), 0644), 0);
        folder_ = dir_.File("folder.QEL");
        std::filesystem::create_directory(folder_);
    }

    // One round: the good file into the list and the outline, then each unopenable path, which
    // must leave both as they are.
    void Round(TStringList& lines, TTreeNodes& nodes) const {
        lines.LoadFromFile(good_);
        BuildOutline(lines, nodes);
        for (const std::string& bad :
             {dir_.File("missing.QEL"), fifo_, folder_, std::string("/dev/zero")}) {
            EXPECT_THROW(lines.LoadFromFile(bad), EFOpenError) << bad;
        }
        ASSERT_EQ(nodes.Count(), 4001u);
        ASSERT_EQ(lines.Count(), 2000u);
    }

    TempDir dir_;
    std::string good_;
    std::string fifo_;
    std::string folder_;
};

TEST_F(RepeatedLoadTest, AThousandLoadsKeepDescriptorsAndMemoryFlat) {
    TStringList lines;
    TTreeNodes nodes;
    // Warm up: the allocator and the standard library settle in the first rounds.
    for (int i = 0; i < 50; ++i)
        Round(lines, nodes);
    const std::size_t descriptors = OpenDescriptorCount();
    const std::size_t resident = ResidentBytes();
    for (int i = 0; i < 1000; ++i)
        Round(lines, nodes);
    EXPECT_EQ(OpenDescriptorCount(), descriptors);
    const std::size_t grown = ResidentBytes() > resident ? ResidentBytes() - resident : 0;
    std::printf("resident memory after 1,000 rounds: %zu bytes more than after the warm-up\n",
                grown);
    if (!kUnderAddressSanitizer) { // its quarantine holds freed memory on purpose
        EXPECT_LT(grown, std::size_t{1} << 20);
    }
}

} // namespace
} // namespace qel::test
