// Which run counts as failed and which line is named: typed lines and command
// files run through the real commands, as the console runs them.
#include "console/CommandOutcome.h"

#include <fstream>

#include "tests/ScratchFiles.h"
#include "tests/console/SceneFixture.h"

using CommandOutcomeTest = SceneFixture;

TEST_F(CommandOutcomeTest, the_first_line_that_printed_an_error_decides_the_status) {
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
    // What is printed outside any line run (the window thread's messages) is no command's failure.
    CommandOutcome::forget();
    CommandOutcome::failed();
    EXPECT_EQ(CommandOutcome::exitStatus(), 0);
}
