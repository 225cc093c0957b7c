#include "outline_builder.h"
#include "outline_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using qel::test::Lines;
using qel::test::OutlineText;

struct BuildCase {
    const char* name;
    std::string content;
    std::string outline;                // as indented text
    std::vector<std::string> remaining; // the lines left in the list
};

void PrintTo(const BuildCase& c, std::ostream* os) {
    *os << c.name;
}

class BuildOutlineTest : public testing::TestWithParam<BuildCase> {};

TEST_P(BuildOutlineTest, BuildsTheOutlineAndLeavesTheOtherLines) {
    const BuildCase& c = GetParam();
    qel::TStringList lines;
    lines.SetText(c.content);
    qel::TTreeNodes nodes;
    qel::BuildOutline(lines, nodes);
    EXPECT_EQ(OutlineText(nodes), c.outline);
    EXPECT_EQ(Lines(lines), c.remaining);
    EXPECT_LE(nodes.ChildCount(qel::kNoNode), 1u);
}

const std::string kThirteenLines =
    "Comment: first\r\n1:Setup\r\n2:Scale\r\n3:Capacity\r\n3:Units\r\n"
    "2:Serial\r\n4:Baud\r\n3:Parity\r\n4:Stop bits\r\n2:Display\r\n"
    "Comment: second\r\n0:End\r\n2:Hidden\r\n";

INSTANTIATE_TEST_SUITE_P(
    Outlines, BuildOutlineTest,
    testing::Values(
        BuildCase{"WorkedExample",
                  kThirteenLines,
                  "Setup\n  Scale\n    Capacity\n    Units\n  Serial\n    Baud\n    Parity\n"
                  "      Stop bits\n  Display\n",
                  {"Comment: first", "Comment: second", "0:End", "2:Hidden"}},
        BuildCase{"EmptyList", "", "", {}},
        BuildCase{"NoKeyLines", "123:a\nUnits: kg\n", "", {"123:a", "Units: kg"}},
        BuildCase{"RootLevelNeverRead",
                  "xyz: skip\n5:Root\n2:A\n2:B\n",
                  "Root\n  A\n  B\n",
                  {"xyz: skip"}},
        BuildCase{"ColonlessRoot", "Device 9\n2:A\n", "Device 9\n  A\n", {}},
        BuildCase{"BlankRoot", "\n2:A\n", "\n  A\n", {}},
        BuildCase{"AllLevelTwo", "2:R\n2:A\n2:B\n2:A\n", "R\n  A\n  B\n  A\n", {}},
        BuildCase{"LevelOneEndsTheBuild", "1:R\n2:A\n1:Next\n2:B\n", "R\n  A\n", {"1:Next", "2:B"}},
        BuildCase{"BlankLineEndsTheBuild", "1:R\n2:A\n\n2:B\n", "R\n  A\n", {"", "2:B"}},
        BuildCase{
            "NegativeLevelEndsTheBuild", "1:R\n2:A\n-4:x\n2:B\n", "R\n  A\n", {"-4:x", "2:B"}},
        BuildCase{
            "ColonlessLineNests", "1:R\n2:A\nChannel 3\n2:B\n", "R\n  A\n    Channel 3\n  B\n", {}},
        BuildCase{"LevelJump",
                  "1:R\n2:A\n4:Deep\n3:Mid\n4:Deeper\n",
                  "R\n  A\n    Deep\n    Mid\n      Deeper\n",
                  {}},
        BuildCase{"NonKeyLinesChangeNothing",
                  "1:R\n2:A\n123:x\n3:B\nabcd:y\n3:C\n",
                  "R\n  A\n    B\n    C\n",
                  {"123:x", "abcd:y"}},
        BuildCase{"IncreasingChain",
                  "1:R\n2:a\n3:b\n4:c\n5:d\n",
                  "R\n  a\n    b\n      c\n        d\n",
                  {}},
        // A deeper line before any level-2 item has no item of its own level to go under: it
        // nests under the root, and deeper lines after it nest under it.
        BuildCase{"DeepLineBeforeAnyLevelTwoGoesUnderTheRoot",
                  "1:R\n4:X\n5:Y\n4:Z\n2:A\n3:B\n",
                  "R\n  X\n    Y\n  Z\n  A\n    B\n",
                  {}},
        BuildCase{"DeepLinesOfDifferentLevelsBeforeLevelTwo",
                  "1:R\n5:X\n3:Y\n4:Z\n",
                  "R\n  X\n  Y\n    Z\n",
                  {}},
        BuildCase{"LevelBelowCurrentButNotBelowTwo",
                  "1:R\n2:A\n3:B\n5:C\n4:D\n3:E\n",
                  "R\n  A\n    B\n      C\n      D\n    E\n",
                  {}},
        BuildCase{"HugeLevelsCompareAsSignedNumbers",
                  "1:R\n2:A\nLevel 2147483647\nLevel 2147483648\n",
                  "R\n  A\n    Level 2147483647\n",
                  {"Level 2147483648"}}),
    [](const testing::TestParamInfo<BuildCase>& param) { return std::string(param.param.name); });

TEST(BuildOutlineTest, ASecondBuildReplacesTheFirst) {
    qel::TTreeNodes nodes;
    qel::TStringList first;
    first.SetText("1:R\n2:A\n");
    qel::BuildOutline(first, nodes);
    ASSERT_EQ(nodes.Count(), 2u);

    qel::TStringList second;
    second.SetText("123:no key line\n");
    qel::BuildOutline(second, nodes);
    EXPECT_EQ(nodes.Count(), 0u);
    EXPECT_EQ(OutlineText(nodes), "");
}

TEST(BuildOutlineTest, TheOutlineOutlivesTheLineList) {
    qel::TTreeNodes nodes;
    {
        qel::TStringList lines;
        lines.SetText("1:Root\n2:Child\n");
        qel::BuildOutline(lines, nodes);
    }
    EXPECT_EQ(OutlineText(nodes), "Root\n  Child\n");
}

TEST(BuildOutlineTest, AChainOfAMillionLevelsNestsEveryLine) {
    constexpr int kDepth = 1'000'000;
    std::string content = "Root\n";
    for (int level = 2; level < kDepth + 1; ++level)
        content += "N" + std::to_string(level) + "\n";
    qel::TStringList lines;
    lines.SetText(content);
    qel::TTreeNodes nodes;
    qel::BuildOutline(lines, nodes);

    ASSERT_EQ(nodes.Count(), static_cast<std::size_t>(kDepth));
    EXPECT_EQ(lines.Count(), 0u);
    // Walk down the chain: each item is the only child of the one before.
    qel::TTreeNode node = nodes.Child(qel::kNoNode, 0);
    for (int level = 2; level < kDepth + 1; ++level) {
        ASSERT_EQ(nodes.ChildCount(node), 1u);
        node = nodes.Child(node, 0);
        ASSERT_EQ(nodes.Caption(node), "N" + std::to_string(level));
    }
    EXPECT_EQ(nodes.ChildCount(node), 0u);
}

} // namespace
