// The command table and the console's own commands, run through executeLine
// as the console thread runs them.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "console/Commands.h"
#include "console/Console.h"
#include "viewer/SceneState.h"

namespace {

std::string run(const std::string& text) {
    std::string copy = text;
    testing::internal::CaptureStdout();
    executeLine(&copy[0]);
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

class CoreCommands : public testing::Test {
protected:
    void SetUp() override {
        if (commandMap.empty()) registerCommands();
        path_ = testing::TempDir() + "velmora_exec_test.txt";
    }
    void TearDown() override { std::remove(path_.c_str()); }
    void writeFile(const std::string& text) { std::ofstream(path_) << text; }
    std::string path_;
};

const char kHelp[] =
    "available commands:\n"
    "add, animate, delete, exec, exit, get, help, list, load, loadclass, new, paint, quit, save, "
    "select, set, speed_control, toggle, \n";

}  // namespace

TEST_F(CoreCommands, help_lists_eighteen_names_in_strcmp_order) {
    EXPECT_EQ(commandMap.size(), 18u);
    EXPECT_EQ(run("help"), kHelp);
    EXPECT_EQ(run("help with words"), kHelp);
}

TEST_F(CoreCommands, unknown_words_are_reported) {
    EXPECT_EQ(run("Help"), "command not found: Help\n");
    EXPECT_EQ(run("#comment"), "command not found: #comment\n");
    EXPECT_EQ(run(""), "");
    EXPECT_EQ(run(" \t"), "");
    executeLine(nullptr);  // no line at all is accepted
}

TEST_F(CoreCommands, quit_and_exit_only_set_the_flag) {
    quit = false;
    EXPECT_EQ(run("exit now"), "");
    EXPECT_TRUE(quit);
    quit = false;
    EXPECT_EQ(run("quit"), "");
    EXPECT_TRUE(quit);
    quit = false;
}

TEST_F(CoreCommands, exec_runs_pieces_of_long_lines_and_an_unterminated_last_line) {
    writeFile("help\n" + std::string(299, 'z') + "\nnope");
    EXPECT_EQ(run("exec " + path_), std::string(kHelp) + "command not found: " + std::string(254, 'z') +
                                        "\ncommand not found: " + std::string(45, 'z') +
                                        "\ncommand not found: nope\n");
}

TEST_F(CoreCommands, exec_refuses_runaway_nesting_and_recovers) {
    writeFile("exec " + path_ + "\nhelp\n");
    std::string out = run("exec " + path_);
    std::string expected = "exec: too many nested files, not running '" + path_ + "'\n";
    for (int i = 0; i < exec_max_depth; ++i) expected += kHelp;
    EXPECT_EQ(out, expected);
    // The depth count unwinds: a plain file still runs afterwards.
    writeFile("help\n");
    EXPECT_EQ(run("exec " + path_), kHelp);
}

TEST_F(CoreCommands, exec_without_file_or_with_missing_file) {
    EXPECT_EQ(run("exec"), "usage: exec <filename>\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(run("exec /nonexistent/velmora.txt"), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "error executing file: No such file or directory\n");
}
