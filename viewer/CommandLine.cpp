// Reading the command line with getopt_long. Errors are reported by this unit
// (getopt's own messages are silenced) so each is one line naming the option,
// followed by the usage. GLUT never sees these words: its options are not ours.
#include "viewer/CommandLine.h"

#include <getopt.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef VELMORA_VERSION
#define VELMORA_VERSION "unknown"
#endif

namespace {

const char kUsage[] = "usage: velmora [options] [model ...]\n";

const char kOptions[] =
    "Opens each model (a folder holding tris.md2, an .md2 file, or a file of a format\n"
    "Meshform reads) in order, the last one current, then runs the -e files, then reads\n"
    "commands from standard input.\n"
    "  -e, --exec FILE  run the commands in FILE, as `exec FILE` does (repeatable, in order)\n"
    "      --headless   run without a window; the exit status is 0 when every command\n"
    "                   succeeded, 1 when one printed an error\n"
    "      --size WxH   the window's size in pixels (default 500x500, at most 16384 a side)\n"
    "  -h, --help       print this help and exit\n"
    "  -V, --version    print the version and exit\n";

enum LongOnly { kHeadless = 256, kSize };

const option kLongOptions[] = {
    {"exec", required_argument, nullptr, 'e'},   {"headless", no_argument, nullptr, kHeadless},
    {"size", required_argument, nullptr, kSize}, {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},      {nullptr, 0, nullptr, 0}};

// The option getopt_long stopped at, as it was written: "--exec" (without
// any "=value") or "-e". Inside a cluster of short options ("-Vx") getopt
// has not moved on, so the word before is another one.
std::string optionWord(char* const* argv, int optind_before) {
    const char* word = optind == optind_before ? nullptr : argv[optind - 1];
    if (word && std::strncmp(word, "--", 2) == 0)
        return std::string(word, std::strcspn(word, "="));
    return std::string("-") + static_cast<char>(optopt);
}

// A side of --size: digits only, 1 to the largest side.
bool readSide(const std::string& text, int& side) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    side = std::atoi(text.c_str());
    return side >= 1 && side <= CommandLine::kLargestSide;
}

bool readSize(const char* word, int& width, int& height) {
    const std::string text = word;
    const size_t x = text.find('x');
    return x != std::string::npos && readSide(text.substr(0, x), width) && readSide(text.substr(x + 1), height);
}

CommandLine refused(const std::string& why) {
    CommandLine line;
    line.outcome = CommandLine::Outcome::kErrorExit;
    line.text = "velmora: " + why + "\n" + kUsage;
    return line;
}

}  // namespace

int CommandLine::printText() const {
    // The executable's own code names no stdio stream: that would copy the
    // stream's symbol into the program and export it.
    const bool error = outcome == Outcome::kErrorExit;
    std::fputs(text.c_str(), error ? stderr : stdout);
    return error ? 2 : 0;
}

std::string CommandLine::help() {
    return std::string(kUsage) + kOptions;
}

CommandLine CommandLine::parse(int argc, char* const* argv) {
    CommandLine line;
    // A leading ':' in the option string tells a missing argument from an
    // unknown option. Options may follow the model words.
    opterr = 0;
    optind = 0;  // GNU getopt starts afresh, so the line can be read again
    for (;;) {
        const int before = optind == 0 ? 1 : optind;
        const int c = getopt_long(argc, argv, ":e:hV", kLongOptions, nullptr);
        if (c == -1)
            break;
        switch (c) {
            case 'e': line.execFiles.push_back(optarg); break;
            case kHeadless: line.headless = true; break;
            case kSize:
                if (!readSize(optarg, line.width, line.height))
                    return refused("bad --size '" + std::string(optarg) +
                                   "': give WxH, each a whole number from 1 to " + std::to_string(kLargestSide));
                break;
            case 'h':
                line.outcome = Outcome::kPrintExit;
                line.text = help();
                return line;
            case 'V':
                line.outcome = Outcome::kPrintExit;
                line.text = std::string("velmora ") + VELMORA_VERSION + "\n";
                return line;
            case ':': return refused("option '" + optionWord(argv, before) + "' needs an argument");
            default: {
                // A long option's value is its own (getopt leaves optopt at 0 for an unknown one).
                const std::string word = optionWord(argv, before);
                if (optopt != 0 && word.compare(0, 2, "--") == 0)
                    return refused("option '" + word + "' takes no argument");
                return refused("unknown option '" + word + "'");
            }
        }
    }
    for (int i = optind; i < argc; ++i)
        line.models.push_back(argv[i]);
    return line;
}
