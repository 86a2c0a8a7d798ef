// The command line: options among model words, and the words that end the program at once, with what they print.
#include "viewer/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Outcome = CommandLine::Outcome;
using Words = std::vector<std::string>;

CommandLine parsed(Words words) {
    words.insert(words.begin(), "velmora");
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(&word[0]);
    argv.push_back(nullptr);
    return CommandLine::parse(static_cast<int>(words.size()), argv.data());
}

const std::string kUsage = "usage: velmora [options] [model ...]\n";

}  // namespace

TEST(CommandLine, options_and_models_are_read_in_order) {
    const struct {
        Words words, exec, models;
        bool headless;
        int width, height;
    } cases[] = {
        {{}, {}, {}, false, 500, 500},
        {{"m1", "-e", "a", "--exec", "b", "m2", "--headless", "--size", "640x480"},
         {"a", "b"},
         {"m1", "m2"},
         true,
         640,
         480},
        {{"--exec=c", "-ed", "--size=16384x1", "--", "-m"}, {"c", "d"}, {"-m"}, false, 16384, 1},
        {{"-e", "-e", "-e", "x y"}, {"-e", "x y"}, {}, false, 500, 500},
    };
    for (const auto& c : cases) {
        const CommandLine line = parsed(c.words);
        const std::string shown = ::testing::PrintToString(c.words);
        EXPECT_EQ(line.outcome, Outcome::kRun) << shown << ": " << line.text;
        EXPECT_EQ(line.execFiles, c.exec) << shown;
        EXPECT_EQ(line.models, c.models) << shown;
        EXPECT_EQ(line.headless, c.headless) << shown;
        EXPECT_EQ(line.width, c.width) << shown;
        EXPECT_EQ(line.height, c.height) << shown;
    }
}

TEST(CommandLine, help_version_and_bad_words_end_the_program) {
    const std::string badSize = "': give WxH, each a whole number from 1 to 16384";
    const struct {
        Words words;
        Outcome outcome;
        std::string text;  // for an error, its first line; the usage follows
    } cases[] = {
        {{"-h"}, Outcome::kPrintExit, CommandLine::help()},
        {{"m", "--help", "--bogus"}, Outcome::kPrintExit, CommandLine::help()},
        {{"-V"}, Outcome::kPrintExit, "velmora " VELMORA_VERSION "\n"},
        {{"-Vx"}, Outcome::kPrintExit, "velmora " VELMORA_VERSION "\n"},
        {{"--bogus=1"}, Outcome::kErrorExit, "velmora: unknown option '--bogus'"},
        {{"--headless", "-xh"}, Outcome::kErrorExit, "velmora: unknown option '-x'"},
        {{"-e"}, Outcome::kErrorExit, "velmora: option '-e' needs an argument"},
        {{"m", "--exec"}, Outcome::kErrorExit, "velmora: option '--exec' needs an argument"},
        {{"--headless=yes"}, Outcome::kErrorExit, "velmora: option '--headless' takes no argument"},
        {{"--size", "0x5"}, Outcome::kErrorExit, "velmora: bad --size '0x5" + badSize},
        {{"--size", "16385x5"}, Outcome::kErrorExit, "velmora: bad --size '16385x5" + badSize},
        {{"--size", "5x"}, Outcome::kErrorExit, "velmora: bad --size '5x" + badSize},
        {{"--size", "+5x5"}, Outcome::kErrorExit, "velmora: bad --size '+5x5" + badSize},
        {{"--size", "5x5x5"}, Outcome::kErrorExit, "velmora: bad --size '5x5x5" + badSize},
        {{"--size", "500"}, Outcome::kErrorExit, "velmora: bad --size '500" + badSize},
    };
    for (const auto& c : cases) {
        const CommandLine line = parsed(c.words);
        const std::string shown = ::testing::PrintToString(c.words);
        EXPECT_EQ(line.outcome, c.outcome) << shown;
        EXPECT_EQ(line.text, c.outcome == Outcome::kErrorExit ? c.text + "\n" + kUsage : c.text) << shown;
    }
    EXPECT_EQ(CommandLine::help().rfind(kUsage, 0), 0u);
}
