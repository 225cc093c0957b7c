#include "settings_line.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

struct LineCase {
    std::string line;
    bool key;
    std::int32_t level; // of a key line
    std::string caption;
};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << testing::PrintToString(c.line);
}

class SettingsLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(SettingsLineTest, KeyLineLevelAndCaption) {
    const LineCase& c = GetParam();
    EXPECT_EQ(qel::IsKeyLine(c.line), c.key);
    const std::optional<qel::KeyLine> read = qel::ReadKeyLine(c.line);
    ASSERT_EQ(read.has_value(), c.key);
    if (c.key) {
        EXPECT_EQ(qel::LevelNumber(c.line), c.level);
        EXPECT_EQ(qel::TextAfterColon(c.line), c.caption);
        EXPECT_EQ(read->level, c.level);
        EXPECT_EQ(read->caption, c.caption);
    }
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, SettingsLineTest,
    testing::Values(LineCase{"2:Scale", true, 2, "Scale"},
                    LineCase{"12:Filter", true, 12, "Filter"}, LineCase{"123:Value", false, 0, ""},
                    LineCase{"Units: kg", false, 0, ""}, LineCase{":Loose", true, 0, "Loose"},
                    LineCase{"-3:Offset", true, -3, "Offset"}, LineCase{" 4:Zero", true, 4, "Zero"},
                    LineCase{"  4:Zero", false, 0, ""},
                    LineCase{"3: Gain: high", true, 3, " Gain: high"}, LineCase{"4:", true, 4, ""},
                    LineCase{"A5:Span", true, 5, "Span"}, LineCase{"5-:Tare", true, -5, "Tare"},
                    LineCase{"Display 7", true, 7, "Display 7"},
                    LineCase{"Version 2 build 31", true, 231, "Version 2 build 31"},
                    LineCase{"1.5 Mode", true, 15, "1.5 Mode"},
                    LineCase{"Step 3-4", true, -34, "Step 3-4"}, LineCase{"", true, 0, ""},
                    LineCase{"   ", true, 0, "   "}));

INSTANTIATE_TEST_SUITE_P(
    Boundaries, SettingsLineTest,
    testing::Values(
        // The first colon alone decides; the third position is the last that makes a key line.
        LineCase{"ab:c", true, 0, "c"}, LineCase{"abc:d", false, 0, ""},
        LineCase{"\t2:Tab", true, 2, "Tab"}, LineCase{"2::x", true, 2, ":x"},
        LineCase{":", true, 0, ""},
        LineCase{"\xef\xbb\xbf"
                 "1:Setup",
                 false, 0, ""},
        LineCase{"\xef\xbb:x", true, 0, "x"},
        LineCase{"9999999999 no colon", true, 1410065407, "9999999999 no colon"},
        LineCase{std::string("2\0:x", 4), true, 2, "x"}));

} // namespace
