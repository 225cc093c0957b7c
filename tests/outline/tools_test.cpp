#include "tools.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace {

struct FieldCase {
    std::string text;
    std::int32_t field;
    char delimiter;
    std::string expected;
};

void PrintTo(const FieldCase& c, std::ostream* os) {
    *os << testing::PrintToString(c.text);
}

class ExtractFieldTest : public testing::TestWithParam<FieldCase> {};

TEST_P(ExtractFieldTest, ReturnsTheFieldOrEmpty) {
    const FieldCase& c = GetParam();
    EXPECT_EQ(qel::ExtractField(c.text, c.field, c.delimiter), c.expected);
    EXPECT_EQ(qel::ExtractFieldView(c.text, c.field, c.delimiter), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ExtractFieldTest,
    testing::Values(FieldCase{"a:b:c", 1, ':', "a"}, FieldCase{"a:b:c", 2, ':', "b"},
                    FieldCase{"a:b:c", 3, ':', "c"}, FieldCase{"a:b:c", 4, ':', ""},
                    FieldCase{"a::c", 2, ':', ""}, FieldCase{"a::c", 3, ':', "c"},
                    FieldCase{"a:b:", 3, ':', ""}, FieldCase{"abc", 1, ':', "abc"},
                    FieldCase{"abc", 2, ':', ""}, FieldCase{":x", 1, ':', ""},
                    FieldCase{":x", 2, ':', "x"}, FieldCase{"a:b", 0, ':', ""},
                    FieldCase{"a:b", -1, ':', ""},
                    FieldCase{"a:b", std::numeric_limits<std::int32_t>::min(), ':', ""},
                    FieldCase{"a:b", std::numeric_limits<std::int32_t>::max(), ':', ""},
                    FieldCase{"", 1, ':', ""}, FieldCase{"", 2, ':', ""},
                    FieldCase{"a,b;c", 2, ';', "c"}, FieldCase{"a,b;c", 2, ',', "b;c"},
                    FieldCase{std::string("x\0y\0z", 5), 2, '\0', "y"},
                    FieldCase{"\xff|\xfe", 2, '|', "\xfe"}));

struct IntCase {
    std::string text;
    std::int32_t expected;
};

void PrintTo(const IntCase& c, std::ostream* os) {
    *os << testing::PrintToString(c.text);
}

class StrToIntLooseTest : public testing::TestWithParam<IntCase> {};

TEST_P(StrToIntLooseTest, ReadsTheDigitsAndIgnoresTheRest) {
    EXPECT_EQ(qel::StrToIntLoose(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Digits, StrToIntLooseTest,
    testing::Values(IntCase{"42", 42}, IntCase{"-7", -7}, IntCase{"7-", -7}, IntCase{"--3", -3},
                    IntCase{"+12", 12}, IntCase{"1.5", 15}, IntCase{"1,5", 15}, IntCase{"a1b2", 12},
                    IntCase{" 4", 4}, IntCase{"-", 0}, IntCase{"", 0}, IntCase{"abc", 0},
                    IntCase{"\xb2\xb3 9", 9},
                    // 2^32 + 5 wraps to 5; 2^31 wraps to the most negative value.
                    IntCase{"4294967301", 5},
                    IntCase{"2147483648", std::numeric_limits<std::int32_t>::min()},
                    IntCase{"-2147483648", std::numeric_limits<std::int32_t>::min()},
                    IntCase{"2147483647", std::numeric_limits<std::int32_t>::max()},
                    IntCase{"-2147483647", -2147483647},
                    // Digits far beyond the range keep wrapping: 10^20 mod 2^32.
                    IntCase{"100000000000000000000", 1661992960}));

} // namespace
