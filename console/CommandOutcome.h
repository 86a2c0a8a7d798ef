// Whether the commands of a run succeeded, for the exit status of a run
// without a window: command code says where it prints an error, and the
// first such line is kept with where it came from.
#pragma once

#include <cstdio>
#include <string>

class CommandOutcome {
public:
    // The line being run on this thread while it lives: `where` it came from
    // ("line 3", "cmds.txt line 2", "command line") and its text. Lines run
    // inside it (a command file's) nest; a failure belongs to the innermost.
    class Running {
    public:
        Running(std::string where, const char* text);
        ~Running();
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;
    };

    // The command running now printed an error. Outside any Running (the
    // window thread, start-up) nothing is counted.
    static void failed();
    // Prints an error message as fprintf would, then failed().
    static void report(std::FILE* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));
    // 0 when no command failed, 1 otherwise.
    static int exitStatus();
    // "velmora: first failing command (<where>): <text>", or empty when none failed.
    static std::string firstFailure();
    // Forgets every failure (a fresh run, in tests).
    static void forget();
};
