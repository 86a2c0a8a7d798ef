// What the command line asks the console to do before its first prompt: open
// the models named, then run the command files given with -e.
#pragma once

#include <string>
#include <vector>

class StartupCommands {
public:
    // Kept for run(); called once, before the console thread starts.
    static void set(std::vector<std::string> models, std::vector<std::string> execFiles);
    // On the console thread, once the command table is filled: each model as
    // `new model <class> <path>` opens it, in order, then each file as `exec`
    // runs it. A path no class opens is said on standard error and skipped.
    static void run();
};
