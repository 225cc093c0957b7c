// Files that are no plain settings text: binary bytes, NUL bytes, UTF-16 and UTF-32 text and
// byte-order marks. Bytes are characters as they stand; a NUL ends the text; no mark is special.
#include "child_process.h"
#include "outline_builder.h"
#include "outline_json.h"
#include "outline_text.h"
#include "string_list.h"
#include "temp_dir.h"
#include "tree_nodes.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace qel::test {
namespace {

using namespace std::string_literals; // "...\0..."s keeps NUL bytes

struct OddContent {
    const char* name;
    std::string bytes;
    std::vector<std::string> lines;     // after LoadFromFile
    std::string outline;                // as indented text, two blanks per level
    std::vector<std::string> remaining; // after BuildOutline

    friend void PrintTo(const OddContent& c, std::ostream* out) { *out << c.name; }
};

std::string AllBytesExceptBreaksAndNul() {
    std::string bytes;
    for (int b = 1; b < 256; ++b) {
        if (b != '\r' && b != '\n')
            bytes += static_cast<char>(b);
    }
    return bytes;
}

const std::vector<OddContent>& Cases() {
    static const std::vector<OddContent> cases{
        // The mark's three bytes open the first line: its colon moves to position 5.
        {"Utf8ByteOrderMark",
         "\xEF\xBB\xBF"
         "1:Setup\r\n2:Scale\r\n3:Units\r\n",
         {"\xEF\xBB\xBF"
          "1:Setup",
          "2:Scale", "3:Units"},
         "Scale\n  Units\n",
         {"\xEF\xBB\xBF"
          "1:Setup"}},
        {"Utf8ByteOrderMarkAlone", "\xEF\xBB\xBF", {"\xEF\xBB\xBF"}, "\xEF\xBB\xBF\n", {}},
        // UTF-16 and UTF-32: the text ends at the first NUL byte.
        {"Utf16LittleEndianWithMark",
         "\xFF\xFE"
         "1\0:\0S\0e\0t\0u\0p\0\r\0\n\0"s,
         {"\xFF\xFE"
          "1"},
         "\xFF\xFE"
         "1\n",
         {}},
        {"Utf16BigEndianWithMark",
         "\xFE\xFF\0"
         "1\0:\0S\0e\0t\0u\0p\0\r\0\n"s,
         {"\xFE\xFF"},
         "\xFE\xFF\n",
         {}},
        {"Utf16LittleEndianWithoutMark", "1\0:\0S\0e\0t\0u\0p\0"s, {"1"}, "1\n", {}},
        // No NUL byte in it: U+4E0A (bytes 0A 4E) holds an LF byte, U+4E2D (2D 4E) does not.
        {"Utf16TextWithoutNulBytes",
         "\x0A\x4E\x2D\x4E",
         {"", "\x4E\x2D\x4E"},
         "\n",
         {"\x4E\x2D\x4E"}},
        {"Utf32LittleEndianWithMark",
         "\xFF\xFE\0\0"
         "1\0\0\0"s,
         {"\xFF\xFE"},
         "\xFF\xFE\n",
         {}},
        {"NulInsideALine",
         "1:Setup\r\n2:Sc\0ale\r\n2:Hidden\r\n"s,
         {"1:Setup", "2:Sc"},
         "Setup\n  Sc\n",
         {}},
        {"NulFirst",
         "\0"
         "1:Setup\r\n"s,
         {},
         "",
         {}},
        {"NulAtTheStartOfALine", "1:Setup\n\0\n2:Scale"s, {"1:Setup"}, "Setup\n", {}},
        // All other bytes form one line; its first colon is its 56th byte: no key line.
        {"EveryByteOnOneLine",
         AllBytesExceptBreaksAndNul(),
         {AllBytesExceptBreaksAndNul()},
         "",
         {AllBytesExceptBreaksAndNul()}},
        {"BinaryWithLineBreaks",
         "\x80\xFF\r\x01:\x02\n\n\x7F\xFE",
         {"\x80\xFF", "\x01:\x02", "", "\x7F\xFE"},
         "\x80\xFF\n",
         {"\x01:\x02", "", "\x7F\xFE"}},
        {"HighBytesInCaptions",
         "1:\xC3\xA9t\xE9\n2:\xFF\xFE\n",
         {"1:\xC3\xA9t\xE9", "2:\xFF\xFE"},
         "\xC3\xA9t\xE9\n  \xFF\xFE\n",
         {}},
        {"ControlCharactersInCaptions",
         "1:a\tb\x1B[0m\x7F\n2:\x0C\x08\x01\n",
         {"1:a\tb\x1B[0m\x7F", "2:\x0C\x08\x01"},
         "a\tb\x1B[0m\x7F\n  \x0C\x08\x01\n",
         {}},
        {"LoneCarriageReturns",
         "1:A\r2:B\r\r2:C",
         {"1:A", "2:B", "", "2:C"},
         "A\n  B\n",
         {"", "2:C"}},
        {"LineFeedThenCarriageReturn", "1:A\n\r2:B", {"1:A", "", "2:B"}, "A\n", {"", "2:B"}},
    };
    return cases;
}

class OddContentTest : public testing::TestWithParam<OddContent> {
protected:
    TempDir dir_;
};

TEST_P(OddContentTest, CoreGivesTheLinesAndTheOutlineTheRulesSay) {
    const OddContent& c = GetParam();
    const std::string path = dir_.Write("odd.QEL", c.bytes);
    TStringList lines;
    lines.LoadFromFile(path);
    EXPECT_EQ(Lines(lines), c.lines);

    TTreeNodes nodes;
    BuildOutline(lines, nodes);
    EXPECT_EQ(OutlineText(nodes), c.outline);
    EXPECT_EQ(Lines(lines), c.remaining);
}

TEST_P(OddContentTest, QelOutlinePrintsTheBytesAsTheyAre) {
    const OddContent& c = GetParam();
    const std::string path = dir_.Write("odd.QEL", c.bytes);

    const ChildOutcome text = RunProgram(QELOUTLINE_PATH, {path});
    ASSERT_EQ(text.exitCode, 0) << text.Describe();
    EXPECT_EQ(text.out, c.outline);
    EXPECT_EQ(text.err, "");

    const ChildOutcome json = RunProgram(QELOUTLINE_PATH, {"--json", path});
    ASSERT_EQ(json.exitCode, 0) << json.Describe();
    const fuzz::OutlineDocument document = fuzz::ParseOutlineJson(json.out);
    std::string outline;
    for (const fuzz::OutlineEntry& item : document.items)
        outline += std::string(2 * item.depth, ' ') + item.caption + "\n";
    EXPECT_EQ(outline, c.outline);
    EXPECT_EQ(document.remaining, c.remaining);
}

INSTANTIATE_TEST_SUITE_P(OddBytes, OddContentTest, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<OddContent>& param) {
                             return std::string(param.param.name);
                         });

} // namespace
} // namespace qel::test
