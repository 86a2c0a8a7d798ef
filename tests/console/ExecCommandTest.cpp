// Command files and typed lines: what is skipped, and which failure decides the exit status.
#include "console/CommandOutcome.h"
#include "tests/console/SceneFixture.h"

using ExecCommand = SceneFixture;

TEST_F(ExecCommand, overlong_and_nul_lines_are_skipped_whole_and_unreadable_files_say_why) {
    ScratchDir dir;
    const std::string file = dir.path("cmds.txt");
    const std::string fits = "set size 2" + std::string(244, ' '), over = "set size 3" + std::string(245, ' ');
    const std::string lines[] = {
        "set x 1",
        std::string(1 << 20, 'x'),  // run in pieces, it would be thousands of unknown commands
        "set y 2",
        std::string("set z 3\0junk", 12),
        std::string("\0set x 9", 8),  // a NUL at the start once ended the file
        "set red 0.25",
        fits,
        over,
        "get size",
    };
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    text.pop_back();  // the last line needs no newline
    writeFile(file, text);

    auto message = [&](int line, const char* what) {
        return "exec: line " + std::to_string(line) + " of '" + file + "' " + what;
    };
    EXPECT_EQ(runLine("exec " + file).both(), message(2, "is too long, skipped\n") +
                                                  message(4, "holds a NUL byte, skipped\n") +
                                                  message(5, "holds a NUL byte, skipped\n") +
                                                  message(8, "is too long, skipped\n") + "  size: 2.000000\n|");
    const std::pair<const char*, double> values[] = {{"x", 1}, {"y", 2}, {"z", 0}, {"red", 0.25}, {"size", 2}};
    for (const auto& [attribute, value] : values)
        EXPECT_DOUBLE_EQ(tester.getAttribute(attribute), value) << attribute;
    EXPECT_EQ(runLine("exec " + dir.root).both(), "|error executing file: Is a directory\n");
    EXPECT_EQ(runLine("exec " + dir.path("none")).both(), "|error executing file: No such file or directory\n");
}

TEST_F(ExecCommand, the_first_line_that_printed_an_error_decides_the_status) {
    ScratchDir dir;
    const std::string file = dir.path("cmds.txt");
    std::ofstream(file) << "get x\n\nload skin 9 x.bmp\nbogus\n";
    const struct {
        std::vector<std::string> lines;
        std::string named;  // the failure named, empty for a run that succeeded
    } cases[] = {
        {{"set x 1", "get x", "list models", "undo", "select model m1"}, ""},
        {{"set x 1", "set nosuch 1", "bogus"}, "line 2): set nosuch 1"},
        {{"set x 1", "set x 1q"}, "line 2): set x 1q"},
        {{"list"}, "line 1): list"},
        {{"get x", "exec " + file, "bogus"}, file + " line 3): load skin 9 x.bmp"},
        {{"exec " + dir.path("none"), "bogus"}, "line 1): exec " + dir.path("none")},
        {{"new model Tester t", "delete t", "get x"}, "line 3): get x"},
    };
    for (const auto& c : cases) {
        CommandOutcome::forget();
        int number = 0;
        for (const std::string& line : c.lines) {
            const CommandOutcome::Running running("line " + std::to_string(++number), line.c_str());
            runLine(line);
        }
        EXPECT_EQ(CommandOutcome::exitStatus(), c.named.empty() ? 0 : 1) << c.lines[0];
        EXPECT_EQ(CommandOutcome::firstFailure(), c.named.empty() ? "" : "velmora: first failing command (" + c.named);
    }
    // The window thread's messages, printed outside any line, are no command's failure.
    CommandOutcome::forget();
    CommandOutcome::failed();
    EXPECT_EQ(CommandOutcome::exitStatus(), 0);
}
