// The console's own commands: help, quit/exit and exec. Command files run
// their lines through the same path as typed lines, one after another.
#include <cstdio>
#include <cstring>

#include "console/CommandTable.h"
#include "console/Commands.h"
#include "viewer/SceneState.h"

namespace {

const int kExecBufferSize = 255;
// Nested command files deeper than this are refused, so a file that runs
// itself cannot recurse without end.
const int kExecMaxDepth = 16;
int exec_depth = 0;

}  // namespace

void cmd_help(char**) {
    std::printf("available commands:\n");
    for (const auto& entry : commandMap)
        std::printf("%s, ", entry.first);
    std::printf("\n");
}

void cmd_quit(char**) {
    quit = true;
}

void cmd_exec(char** args) {
    if (!args[0]) {
        std::puts("usage: exec <filename>");
        return;
    }
    if (exec_depth >= kExecMaxDepth) {
        std::printf("exec: too many nested files, not running '%s'\n", args[0]);
        return;
    }
    FILE* file = std::fopen(args[0], "r");
    if (!file) {
        std::perror("error executing file");
        return;
    }
    ++exec_depth;
    // A line longer than the buffer arrives in pieces, each run as a line.
    char buf[kExecBufferSize];
    while (std::fgets(buf, sizeof buf, file) && buf[0] != '\0')
        executeLine(buf);
    --exec_depth;
    std::fclose(file);
}
