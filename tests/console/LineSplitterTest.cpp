// Splitting console lines into a command word and at most ten arguments.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/LineSplitter.h"

namespace {

std::vector<std::string> split(std::string text, std::string* cmd) {
    std::vector<char> line(text.begin(), text.end());
    line.push_back('\0');
    char* args[arg_max + 1];
    for (char*& a : args) a = reinterpret_cast<char*>(1);  // poison: every used slot must be written
    char* c = splitLine(line.data(), args);
    *cmd = c ? c : "<none>";
    std::vector<std::string> words;
    int i = 0;
    for (; args[i]; ++i) words.push_back(args[i]);
    EXPECT_LE(i, arg_max);
    return words;
}

}  // namespace

TEST(LineSplitter, separates_at_blanks_tabs_and_newlines) {
    std::string cmd;
    auto words = split("  new\tmodel  Boxlet box\n", &cmd);
    EXPECT_EQ(cmd, "new");
    EXPECT_EQ(words, (std::vector<std::string>{"model", "Boxlet", "box"}));
}

TEST(LineSplitter, keeps_ten_arguments_and_drops_the_rest) {
    std::string cmd;
    auto words = split("set 1 2 3 4 5 6 7 8 9 10 11 12", &cmd);
    EXPECT_EQ(cmd, "set");
    ASSERT_EQ(words.size(), 10u);
    EXPECT_EQ(words.front(), "1");
    EXPECT_EQ(words.back(), "10");
}

TEST(LineSplitter, blank_lines_have_no_command_and_null_arguments) {
    std::string cmd;
    EXPECT_TRUE(split(" \t \n", &cmd).empty());
    EXPECT_EQ(cmd, "<none>");
    EXPECT_TRUE(split("help", &cmd).empty());
    EXPECT_EQ(cmd, "help");
    // No quoting or comments: a hash sign is just part of a word.
    auto words = split("#note 'a b'", &cmd);
    EXPECT_EQ(cmd, "#note");
    EXPECT_EQ(words, (std::vector<std::string>{"'a", "b'"}));
}
