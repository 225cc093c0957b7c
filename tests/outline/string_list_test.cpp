#include "errors.h"
#include "outline_text.h"
#include "string_list.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using qel::test::Lines;

struct SplitCase {
    std::string content;
    std::vector<std::string> lines;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << testing::PrintToString(c.content);
}

class SplitTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, SplitsAtLineBreaksAndStopsAtNul) {
    qel::TStringList list;
    list.SetText(GetParam().content);
    EXPECT_EQ(Lines(list), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Contents, SplitTest,
    testing::Values(SplitCase{"a\r\nb\r\n", {"a", "b"}}, SplitCase{"a\r\nb", {"a", "b"}},
                    SplitCase{"a\nb", {"a", "b"}}, SplitCase{"a\rb", {"a", "b"}},
                    SplitCase{"a\n\rb", {"a", "", "b"}}, SplitCase{"a\r\r\nb", {"a", "", "b"}},
                    SplitCase{"a\r\n\r\nb", {"a", "", "b"}}, SplitCase{"a\r\n\r\n", {"a", ""}},
                    SplitCase{"\r\n", {""}}, SplitCase{"\r\na", {"", "a"}},
                    SplitCase{std::string("a\0b\r\n", 5), {"a"}},
                    SplitCase{std::string("\0a", 2), {}}, SplitCase{"", {}},
                    SplitCase{"one line", {"one line"}}, SplitCase{"x\n\n", {"x", ""}},
                    SplitCase{"\n\r\r\n\n", {"", "", "", ""}},
                    SplitCase{" a \t\r b\t", {" a \t", " b\t"}},
                    // A UTF-16 file: its first NUL ends the text.
                    SplitCase{std::string("\xff\xfe"
                                          "1\0:\0",
                                          6),
                              {"\xff\xfe"
                               "1"}},
                    SplitCase{"\xef\xbb\xbf"
                              "1:Setup\n",
                              {"\xef\xbb\xbf"
                               "1:Setup"}}));

// A plain model of the list, to check the gap that Delete keeps against.
TEST(StringListTest, DeleteAnywhereMatchesAPlainVector) {
    std::string content;
    for (int i = 0; i < 300; ++i)
        content += "line " + std::to_string(i) + "\n";
    qel::TStringList list;
    list.SetText(content);
    std::vector<std::string> model = Lines(list);

    std::mt19937 random(12345);
    std::size_t cursor = 0;
    while (!model.empty()) {
        // Mostly at a moving cursor, as the outline build deletes, sometimes anywhere.
        std::size_t at = cursor;
        if (random() % 4 == 0)
            at = random() % model.size();
        at = std::min(at, model.size() - 1);
        list.Delete(at);
        model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
        cursor = (random() % 3 == 0) ? at + 1 : at;
        ASSERT_EQ(list.Count(), model.size());
        if (model.size() % 17 == 0) {
            ASSERT_EQ(Lines(list), model);
        }
    }
    EXPECT_EQ(list.Count(), 0u);
}

TEST(StringListTest, IndexOutOfBoundsThrows) {
    qel::TStringList list;
    list.SetText("a\nb\n");
    EXPECT_THROW((void)list.Strings(2), qel::Exception);
    EXPECT_THROW(list.Delete(2), qel::Exception);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"a", "b"}));
}

class LoadFromFileTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("qel-list-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::filesystem::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    std::filesystem::path dir_;
};

TEST_F(LoadFromFileTest, ReadsTheFileAndReplacesTheLines) {
    qel::TStringList list;
    list.SetText("old\n");
    list.LoadFromFile(Write("a.QEL", "1:Setup\r\n2:Scale\rtail"));
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"1:Setup", "2:Scale", "tail"}));
    list.LoadFromFile(Write("empty.QEL", ""));
    EXPECT_EQ(list.Count(), 0u);
}

TEST_F(LoadFromFileTest, UnopenablePathsRaiseEFOpenErrorAndKeepTheList) {
    const std::string fifo = (dir_ / "pipe").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::string> paths = {(dir_ / "missing.QEL").string(), dir_.string(), fifo,
                                            "/dev/null", ""};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        qel::TStringList list;
        list.SetText("kept\n");
        try {
            list.LoadFromFile(path);
            ADD_FAILURE() << "no error";
        } catch (const qel::EFOpenError& error) {
            EXPECT_EQ(error.Message(), "Cannot open file " + path);
            EXPECT_NE(dynamic_cast<const qel::EStreamError*>(&error), nullptr);
        }
        EXPECT_EQ(Lines(list), std::vector<std::string>{"kept"});
    }
}

} // namespace
