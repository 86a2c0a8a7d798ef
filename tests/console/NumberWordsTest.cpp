// Number words: only a whole word of a finite number counts, and a bad one is refused before anything changes.
#include <sstream>

#include "console/NumberWords.h"
#include "tests/console/SceneFixture.h"

template <class T, class Parse>
static std::string parsed(Parse parse, const char* word, T start) {
    T value = start;
    testing::internal::CaptureStdout();
    const bool ok = parse(word, value);
    std::ostringstream result;
    result << ok << " " << value << " " << testing::internal::GetCapturedStdout();
    return result.str();
}

TEST(NumberWords, only_whole_words_of_finite_numbers_are_read) {
    const struct {
        const char* word;
        std::string number, whole;  // "ok value message" after starting from -1
    } cases[] = {
        {"7", "1 7 ", "1 7 "},
        {"-2.5", "1 -2.5 ", "0 -1 not a whole number: '-2.5'\n"},
        {"+12", "1 12 ", "1 12 "},
        {"1e3", "1 1000 ", "0 -1 not a whole number: '1e3'\n"},
        {"0x10", "1 16 ", "0 -1 not a whole number: '0x10'\n"},
        {"1e-400", "1 0 ", "0 -1 not a whole number: '1e-400'\n"},  // too small still reads, as nothing
        {"-2147483648", "1 -2.14748e+09 ", "1 -2147483648 "},
        {"2147483648", "1 2.14748e+09 ", "0 -1 not a whole number: '2147483648'\n"},
        {"99999999999999999999", "1 1e+20 ", "0 -1 not a whole number: '99999999999999999999'\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parsed(parseNumber, c.word, -1.0), c.number) << c.word;
        EXPECT_EQ(parsed(parseWhole, c.word, -1), c.whole) << c.word;
    }
    for (const std::string word : {"abc", "7q", "nan", "-inf", "1e400", "", " 7", "7\r"}) {
        EXPECT_EQ(parsed(parseNumber, word.c_str(), -1.0), "0 -1 not a number: '" + word + "'\n") << word;
        EXPECT_EQ(parsed(parseWhole, word.c_str(), -1), "0 -1 not a whole number: '" + word + "'\n") << word;
    }
}

using NumberCommands = SceneFixture;

TEST_F(NumberCommands, a_bad_number_word_is_named_and_changes_nothing) {
    RecordingPaintable skins("skins");
    skins.textures[3] = new Image;  // skin 1; numbers the model lacks are refused before they reach it
    models.insert({"skins", &skins});
    addScript(tester, "walk", {0, 1, 2, 3, 4, 5}, {1, 1, 1, 1, 1, 1}, INT_SIN);
    runQuietly({"new pose far"});
    // Everything a number command may change, as text.
    auto state = [&] {
        std::ostringstream s;
        s << tester.getAttribute("x") << " " << control_step << " " << tester.ticks_left << " |";
        for (int i = 0; i < 3; ++i)
            s << " " << background_color[i] << " " << handle_color[i];
        for (size_t i = 0; i < tester.stepCount("walk"); ++i) {
            const script_step& step = tester.stepOf("walk", i);
            s << " " << step.timing;
            for (int k = 0; step.tValues && k < step.timing; ++k)  // the speed-control profile
                s << (k ? "," : ":") << step.tValues[k];
        }
        s << " | " << skins.loaded.size();
        return s.str();
    };
    const struct {
        const char* line;  // '#' stands for the word under test
        const char* good;
        bool whole, on_skins;
    } commands[] = {
        {"set x #", "2.5", false, false},
        {"set control_step #", "0.5", false, false},
        {"set background_color # 0 0", "255", false, false},
        {"set background_color 0.5 0.5 #", "0.25", false, false},
        {"set handle_color 0.5 # 1", "51", false, false},
        {"add far # sin", "5", true, false},
        {"animate far #", "8", true, false},
        {"speed_control walk x y z # 0.4", "0.1", false, false},
        {"speed_control walk x y z 0.1 #", "0.3", false, false},
        {"load skin # a.bmp", "1", true, true},
        {"save skin # /nonexistent/out.bmp", "1", true, true},
    };
    for (const auto& c : commands) {
        current_model = c.on_skins ? static_cast<AnimatedModel*>(&skins) : &tester;
        auto lineWith = [&](const char* word) {
            std::string line = c.line;
            return line.replace(line.find('#'), 1, word);
        };
        const std::string before = state();
        for (const char* word : {"abc", "7q", "nan", "inf", "1e400"}) {
            const std::string message = std::string(c.whole ? "not a whole number: '" : "not a number: '") + word;
            EXPECT_EQ(runLine(lineWith(word)).both(), message + "'\n|") << lineWith(word);
            EXPECT_EQ(state(), before) << lineWith(word);
        }
        const Output good = runLine(lineWith(c.good));
        EXPECT_EQ(good.out.find("not a"), std::string::npos) << lineWith(c.good) << ": " << good.out;
        if (!c.on_skins || std::strncmp(c.line, "save", 4) != 0) {  // the recorder has no skin to save
            EXPECT_NE(state(), before) << lineWith(c.good);
        }
    }
    EXPECT_EQ(skins.loaded, std::vector<int>{3});  // skin 1's texture name
    EXPECT_DOUBLE_EQ(background_color[2], 0.25);
    EXPECT_FLOAT_EQ(handle_color[1], 0.2f);
    EXPECT_EQ(tester.stepCount("walk"), 7u);
}
