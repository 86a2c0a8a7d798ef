// Line splitting and the console's own commands: help and exec.
#include "console/LineSplitter.h"
#include "tests/console/SceneFixture.h"

static const char kHelp[] =
    "available commands:\n"
    "add, animate, delete, exec, exit, get, help, list, load, loadclass, new, paint, quit, save, "
    "select, set, speed_control, toggle, \n";

struct CoreCommands : SceneFixture {
    TempDir dir;
    const std::string path = dir.file("commands.txt");
};

TEST(LineSplitter, splits_at_blanks_tabs_and_newlines_keeping_ten_arguments) {
    // Each line and its command word and arguments, every one followed by '|'.
    const char* const cases[][2] = {{"  new\tmodel  Boxlet box\n", "new|model|Boxlet|box|"},
                                    {"set 1 2 3 4 5 6 7 8 9 10 11 12", "set|1|2|3|4|5|6|7|8|9|10|"},
                                    {" \t \n", ""},
                                    {"#note 'a b'", "#note|'a|b'|"}};  // no comments, no quoting
    for (const auto& c : cases) {
        std::string text = c[0], words;
        char* args[arg_max + 1];
        std::fill(args, args + arg_max + 1, reinterpret_cast<char*>(1));  // every used slot must be written
        if (char* cmd = splitLine(&text[0], args))
            words = std::string(cmd) + "|";
        for (int i = 0; i <= arg_max && args[i]; ++i)
            words += std::string(args[i]) + "|";
        EXPECT_EQ(words, c[1]) << c[0];
    }
}

TEST_F(CoreCommands, help_lists_every_command_in_name_order) {
    EXPECT_EQ(out("help"), kHelp);
}

TEST_F(CoreCommands, exec_runs_a_long_line_in_pieces_and_an_unterminated_last_line) {
    writeWholeFile(path, "help\n" + std::string(299, 'z') + "\nnope");
    EXPECT_EQ(out("exec " + path), std::string(kHelp) + "command not found: " + std::string(254, 'z') +
                                       "\ncommand not found: " + std::string(45, 'z') + "\ncommand not found: nope\n");
    EXPECT_EQ(runLine("exec " + dir.file("none.txt")).both(), "|error executing file: No such file or directory\n");
}

TEST_F(CoreCommands, exec_refuses_the_seventeenth_nested_file_and_recovers) {
    writeWholeFile(path, "exec " + path + "\nhelp\n");
    std::string expected = "exec: too many nested files, not running '" + path + "'\n";
    for (int i = 0; i < 16; ++i)
        expected += kHelp;
    EXPECT_EQ(out("exec " + path), expected);
    writeWholeFile(path, "help\n");  // the depth count has unwound
    EXPECT_EQ(out("exec " + path), kHelp);
}
