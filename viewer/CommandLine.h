// The program's command line: `velmora [options] [model ...]`, read before
// anything else starts, with no window and no model touched.
#pragma once

#include <string>
#include <vector>

class CommandLine {
public:
    enum class Outcome {
        kRun,        // go on with these options
        kPrintExit,  // print `text` on standard output and exit 0 (help, version)
        kErrorExit,  // print `text` on standard error and exit 2
    };
    static constexpr int kDefaultSide = 500;
    static constexpr int kLargestSide = 16384;

    Outcome outcome = Outcome::kRun;
    std::string text;
    std::vector<std::string> execFiles;  // -e/--exec, in the order given
    std::vector<std::string> models;     // the words that are no option, in order
    bool headless = false;
    int width = kDefaultSide;
    int height = kDefaultSide;

    // Reads argv (argv[0] the program). May be called more than once.
    static CommandLine parse(int argc, char* const* argv);
    // Prints text to the stream the outcome names; returns the exit status.
    int printText() const;
    // The usage line and the options, as --help prints them.
    static std::string help();
};
