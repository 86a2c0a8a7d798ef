// Line splitting: the command word and its arguments (help and exec are driven through the program).
#include "console/LineSplitter.h"
#include "tests/console/SceneFixture.h"

TEST(LineSplitter, splits_at_blanks_tabs_and_newlines_keeping_ten_arguments) {
    // Each line and its command word and arguments, every one followed by '|'.
    const char* const cases[][2] = {{"  new\tmodel  Boxlet box\n", "new|model|Boxlet|box|"},
                                    {"set 1 2 3 4 5 6 7 8 9 10 11 12", "set|1|2|3|4|5|6|7|8|9|10|"},
                                    {" \t \n", ""},
                                    {"#note 'a b'", "#note|'a|b'|"}};  // no comments, no quoting
    for (const auto& c : cases) {
        std::string text = c[0], words;
        char* args[arg_max + 1];
        std::fill(args, args + arg_max + 1, reinterpret_cast<char*>(1));  // every used slot must be written
        if (char* cmd = splitLine(&text[0], args))
            words = std::string(cmd) + "|";
        for (int i = 0; i <= arg_max && args[i]; ++i)
            words += std::string(args[i]) + "|";
        EXPECT_EQ(words, c[1]) << c[0];
    }
}
