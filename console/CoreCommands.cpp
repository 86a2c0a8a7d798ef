// The console's own commands: help (the commands, and the screenshot form of
// save, which is easy to miss), quit/exit and exec. Command files run
// their lines through the same path as typed lines, one after another; a
// line too long for the line buffer, or holding a NUL byte, is reported and
// skipped whole, and the file goes on with its next line.
#include <cstdio>
#include <cstring>

#include "console/CommandTable.h"
#include "console/Commands.h"
#include "scene/SceneState.h"

namespace {

// The longest command-file line that runs, not counting its newline.
const int kExecLineLimit = 254;
// Nested command files deeper than this are refused, so a file that runs
// itself cannot recurse without end.
const int kExecMaxDepth = 16;
int exec_depth = 0;

enum class FileLine { kRun, kTooLong, kHoldsNul, kEnd };

// Reads the next line of `file` into `buf`, with its newline when it has one.
// What does not fit is read and dropped, so a long line never reaches the
// next read as a line of its own. kEnd at the end of the file or on a read
// error (ferror tells which).
FileLine readFileLine(FILE* file, char (&buf)[kExecLineLimit + 2]) {
    int length = 0;
    bool too_long = false, holds_nul = false;
    int c;
    while ((c = std::getc(file)) != EOF && c != '\n') {
        holds_nul = holds_nul || c == '\0';
        if (length < kExecLineLimit) {
            buf[length++] = static_cast<char>(c);
        } else {
            too_long = true;
        }
    }
    if (c == EOF && length == 0)
        return FileLine::kEnd;
    if (c == '\n')
        buf[length++] = '\n';
    buf[length] = '\0';
    if (holds_nul)
        return FileLine::kHoldsNul;
    return too_long ? FileLine::kTooLong : FileLine::kRun;
}

void runFileLines(FILE* file, const char* name) {
    char buf[kExecLineLimit + 2];
    for (int line = 1;; ++line) {
        switch (readFileLine(file, buf)) {
            case FileLine::kRun: executeLine(buf); break;
            case FileLine::kTooLong: std::printf("exec: line %d of '%s' is too long, skipped\n", line, name); break;
            case FileLine::kHoldsNul:
                std::printf("exec: line %d of '%s' holds a NUL byte, skipped\n", line, name);
                break;
            case FileLine::kEnd: return;
        }
    }
}

}  // namespace

void cmd_help(char**) {
    std::printf("available commands:\n");
    for (const auto& entry : commandMap)
        std::printf("%s, ", entry.first);
    std::printf("\n");
    std::puts("save screenshot <file.png|file.bmp> writes what the window shows");
    std::puts("recover [discard] restores (or drops) paint a run that ended without saving left behind");
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
    runFileLines(file, args[0]);
    --exec_depth;
    // A directory opens but cannot be read: its reason is reported like a failed open.
    if (std::ferror(file))
        std::perror("error executing file");
    std::fclose(file);
}
