// The console's own commands: help (the commands, and the screenshot form of
// save, which is easy to miss), quit/exit and exec. Command files are read
// whole, then run their lines through the same path as typed lines; a
// line too long for the line buffer, or holding a NUL byte, is reported and
// skipped whole, and the file goes on with its next line.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "console/CommandOutcome.h"
#include "console/CommandTable.h"
#include "console/Commands.h"
#include "model/io/FileContents.h"
#include "scene/SceneState.h"

namespace {

// The longest command-file line that runs, not counting its newline.
const int kExecLineLimit = 254;
// Nested command files deeper than this are refused, so a file that runs
// itself cannot recurse without end.
const int kExecMaxDepth = 16;
int exec_depth = 0;

enum class FileLine { kRun, kTooLong, kHoldsNul, kEnd };

// Takes the line of `text` at *at into `buf`, with its newline when it has
// one, and moves *at past it. What does not fit is dropped, so a long line
// never reaches the next call as a line of its own.
FileLine takeFileLine(const std::string& text, size_t* at, char (&buf)[kExecLineLimit + 2]) {
    if (*at >= text.size())
        return FileLine::kEnd;
    size_t end = text.find('\n', *at);
    const bool ended = end != std::string::npos;
    if (!ended)
        end = text.size();
    const size_t length = end - *at;
    const size_t kept = std::min(length, static_cast<size_t>(kExecLineLimit));
    const bool holds_nul = std::memchr(text.data() + *at, '\0', length) != nullptr;
    std::memcpy(buf, text.data() + *at, kept);
    size_t used = kept;
    if (ended)
        buf[used++] = '\n';
    buf[used] = '\0';
    *at = ended ? end + 1 : end;
    if (holds_nul)
        return FileLine::kHoldsNul;
    return length > kept ? FileLine::kTooLong : FileLine::kRun;
}

void runFileLines(const std::string& text, const char* name) {
    char buf[kExecLineLimit + 2];
    size_t at = 0;
    for (int line = 1;; ++line) {
        const FileLine kind = takeFileLine(text, &at, buf);
        if (kind == FileLine::kEnd)
            return;
        const CommandOutcome::Running running(std::string(name) + " line " + std::to_string(line), buf);
        switch (kind) {
            case FileLine::kRun: executeLine(buf); break;
            case FileLine::kTooLong:
                CommandOutcome::report(stdout, "exec: line %d of '%s' is too long, skipped\n", line, name);
                break;
            case FileLine::kHoldsNul:
                CommandOutcome::report(stdout, "exec: line %d of '%s' holds a NUL byte, skipped\n", line, name);
                break;
            case FileLine::kEnd: break;
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
    std::puts("pick sets the brush's colour from the skin under its centre (Shift+click: under the cursor)");
    std::puts("recover [discard] restores (or drops) paint a run that ended without saving left behind");
}

void cmd_quit(char**) {
    quit = true;
}

void cmd_exec(char** args) {
    if (!args[0]) {
        CommandOutcome::report(stdout, "usage: exec <filename>\n");
        return;
    }
    if (exec_depth >= kExecMaxDepth) {
        CommandOutcome::report(stdout, "exec: too many nested files, not running '%s'\n", args[0]);
        return;
    }
    // The file is read whole first: a FIFO or a device is refused rather than
    // waited on or read without end, and lines run on in the file's order.
    const FileContents file = FileContents::read(args[0], FileContents::kCommandFileLimit);
    if (file.status == FileContents::kOpenFailed || file.status == FileContents::kReadFailed || file.error == EISDIR) {
        errno = file.error;
        std::perror("error executing file");
        CommandOutcome::failed();
        return;
    }
    if (file.status != FileContents::kRead) {
        CommandOutcome::report(stdout, "exec: cannot run '%s': %s\n", args[0], file.reason().c_str());
        return;
    }
    ++exec_depth;
    runFileLines(file.bytes, args[0]);
    --exec_depth;
}
