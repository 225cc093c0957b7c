#include "child_process.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using ProcessResult = qel::test::ChildOutcome;

const std::string kExample = QEL_TEST_DATA "/thirteen-lines.QEL";

// Runs qeloutline; stdoutPath, when given, replaces its stdout (for example /dev/full).
ProcessResult RunCli(const std::vector<std::string>& args, const std::string& stdoutPath = {}) {
    if (stdoutPath.empty())
        return qel::test::RunProgram(QELOUTLINE_PATH, args);
    return qel::test::RunProgram(QELOUTLINE_PATH, args, [&] {
        const int fd = ::open(stdoutPath.c_str(), O_WRONLY);
        return fd >= 0 && ::dup2(fd, STDOUT_FILENO) == STDOUT_FILENO;
    });
}

class TempFile {
public:
    explicit TempFile(const std::string& bytes)
        : path_(std::filesystem::temp_directory_path() /
                ("qeloutline-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++) +
                 ".QEL")) {
        std::ofstream(path_, std::ios::binary) << bytes;
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() { std::filesystem::remove(path_); }
    [[nodiscard]] std::string Path() const { return path_.string(); }

private:
    static inline int counter_ = 0;
    std::filesystem::path path_;
};

TEST(QelOutlineTest, PrintsTheOutlineAsIndentedText) {
    const ProcessResult r = RunCli({kExample});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "Setup\n"
                     "  Scale\n"
                     "    Capacity\n"
                     "    Units\n"
                     "  Serial\n"
                     "    Baud\n"
                     "    Parity\n"
                     "      Stop bits\n"
                     "  Display\n");
}

TEST(QelOutlineTest, PrintsTheOutlineAndTheRemainingLinesAsJson) {
    const ProcessResult r = RunCli({"--json", kExample});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, R"({"outline":{"caption":"Setup","children":[)"
                     R"({"caption":"Scale","children":[{"caption":"Capacity","children":[]},)"
                     R"({"caption":"Units","children":[]}]},)"
                     R"({"caption":"Serial","children":[{"caption":"Baud","children":[]},)"
                     R"({"caption":"Parity","children":[{"caption":"Stop bits","children":[]}]}]},)"
                     R"({"caption":"Display","children":[]}]},)"
                     R"("remaining":["Comment: first","Comment: second","0:End","2:Hidden"]})"
                     "\n");
}

TEST(QelOutlineTest, OptionsMayFollowTheFileName) {
    EXPECT_EQ(RunCli({kExample, "--json"}).out, RunCli({"--json", kExample}).out);
}

TEST(QelOutlineTest, JsonWritesEachByteAsOneCharacterAndEscapesOnlyWhatItMust) {
    // Captions keep tabs, quotes, backslashes, control bytes and bytes above 127 as they are.
    const TempFile file("1:R\"oot\\\n2:\t\x01\x1f\x7f\x08\x0c/\n2:\xe9\xff\x80\nabcd:\x0b\n");
    const ProcessResult r = RunCli({"--json", file.Path()});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "{\"outline\":{\"caption\":\"R\\\"oot\\\\\",\"children\":["
                     "{\"caption\":\"\\t\\u0001\\u001f\x7f\\b\\f/\",\"children\":[]},"
                     "{\"caption\":\"\xc3\xa9\xc3\xbf\xc2\x80\",\"children\":[]}]},"
                     "\"remaining\":[\"abcd:\\u000b\"]}\n");

    const ProcessResult text = RunCli({file.Path()});
    EXPECT_EQ(text.out, "R\"oot\\\n  \t\x01\x1f\x7f\x08\x0c/\n  \xe9\xff\x80\n");
}

TEST(QelOutlineTest, AnEmptyOutlinePrintsNothingOrNull) {
    const TempFile file("123:no key line\nlong: no key line either\n");
    const ProcessResult text = RunCli({file.Path()});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_EQ(text.out, "");
    const ProcessResult json = RunCli({"--json", file.Path()});
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_EQ(json.out,
              R"({"outline":null,"remaining":["123:no key line","long: no key line either"]})"
              "\n");
    const TempFile empty("");
    EXPECT_EQ(RunCli({"--json", empty.Path()}).out, "{\"outline\":null,\"remaining\":[]}\n");
}

TEST(QelOutlineTest, AFileThatCannotBeOpenedIsReportedWithExitCodeOne) {
    const std::string missing =
        (std::filesystem::temp_directory_path() / "qeloutline-missing.QEL").string();
    for (const std::string& path : {missing, std::filesystem::temp_directory_path().string()}) {
        for (const bool json : {false, true}) {
            const ProcessResult r = json ? RunCli({"--json", path}) : RunCli({path});
            EXPECT_EQ(r.exitCode, 1);
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.err, "qeloutline: Cannot open file " + path + ".\n");
        }
    }
}

TEST(QelOutlineTest, WrongUsageExitsWithTwo) {
    const std::vector<std::vector<std::string>> usages = {
        {}, {"--json"}, {"a.QEL", "b.QEL"}, {"--jsn", "a.QEL"}, {"-j", "a.QEL"}};
    for (const auto& args : usages) {
        const ProcessResult r = RunCli(args);
        EXPECT_EQ(r.exitCode, 2) << testing::PrintToString(args);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("usage: qeloutline [--json] FILE\n"), std::string::npos);
    }
}

TEST(QelOutlineTest, DoubleDashEndsTheOptions) {
    const ProcessResult r = RunCli({"--", "--json"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "qeloutline: Cannot open file --json.\n");
}

TEST(QelOutlineTest, HelpAndVersionGoToStdout) {
    const ProcessResult help = RunCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: qeloutline [--json] FILE\n", 0), 0u);
    EXPECT_EQ(help.err, "");
    const ProcessResult version = RunCli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "qeloutline " QEL_VERSION "\n");
}

TEST(QelOutlineTest, AFailedWriteIsAnErrorNotASuccess) {
    const ProcessResult r = RunCli({kExample}, "/dev/full");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "qeloutline: write error: No space left on device.\n");
}

} // namespace
