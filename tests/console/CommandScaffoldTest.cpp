// The handlers' shared scaffold: line splitting, the current model under the lock, and the sub-word tables.
#include "console/CommandScaffold.h"
#include "console/LineSplitter.h"
#include "tests/console/SceneFixture.h"

using CommandScaffold = SceneFixture;

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

TEST_F(CommandScaffold, body_runs_on_the_current_model_with_the_lock_held_or_not_at_all) {
    std::vector<std::pair<AnimatedModel*, bool>> runs;
    auto body = [&](AnimatedModel& model) { runs.push_back({&model, modelListLocked()}); };
    testing::internal::CaptureStdout();
    withCurrentModel(body);
    current_model = nullptr;
    withCurrentModel(body);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "no model selected\n");
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].first, &tester);
    EXPECT_TRUE(runs[0].second);
}

static std::string dispatched;
static void first(char** args) {
    dispatched += std::string("first:") + args[0] + "," + (args[1] ? args[1] : "-") + ";";
}
static void second(char** args) {
    dispatched += std::string("second:") + args[0] + ";";
}

TEST(SubCommands, only_an_exact_word_runs_and_the_earlier_entry_wins) {
    const SubCommand table[] = {{"pose", first}, {"posed", second}, {"pose", second}};
    const struct {
        const char* word;
        const char* expected;  // what ran, empty when nothing did
    } cases[] = {{"pose", "first:pose,arg;"}, {"posed", "second:posed;"}, {"pos", ""}, {"Pose", ""}, {"poses", ""}};
    for (const auto& c : cases) {
        dispatched.clear();
        char word[16], arg[] = "arg";
        std::snprintf(word, sizeof word, "%s", c.word);
        char* args[] = {word, arg, nullptr};
        EXPECT_EQ(runSubCommand(table, args), *c.expected != '\0') << c.word;
        EXPECT_EQ(dispatched, c.expected) << c.word;
    }
}

// The forms the other console tests leave out, each table's refusals with its own text.
TEST_F(CommandScaffold, every_table_refuses_unknown_and_incomplete_forms_with_its_own_text) {
    const std::string
        loadUsage = "usage: load attributes [<modelname>:]<filename> OR\n       load skin <skinNum> <filename>\n",
        saveForms = "usage: save attributes <filename> OR\n       save skins OR\n       save skin <num> <filename>\n",
        saveUsage = "usage: save attributes <filename> OR\n       save skin[:<num>] [<filename>]\n",
        notHere = "Operation not applicable for current model\n";
    const std::string cases[][2] = {
        {"new Pose p", "syntax error in 'Pose'\n"},
        {"new model Tester", "usage: new model <model> <name> [<file-or-folder>]\n"},
        {"select control Other", "control scheme not found 'Other'\n"},
        {"select control Default", ""},
        {"load attribute a.xml", loadUsage},
        {"load skin 0", loadUsage},
        {"load skin 0 a.bmp", notHere},
        {"save", saveUsage},
        {"save skinz a.bmp", saveUsage},
        {"save attributes", saveForms},
        {"save skin 0", saveForms},
        {"save skins", notHere},
        {"list classes", "  Tester (loaded)\n"},
        {"toggle gamemode", "gamemode enabled\n"},
        {"toggle fps", "fps enabled\n"},
        {"toggle pos", "pos enabled\n"},
        {"set handle_color 1 2", "usage: set handle_color <red> <green> <blue>\n"},
        {"set control_step 0.5", ""},
        {"set control_steps 0.5", "no such attribute: control_steps\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(runLine(c[0]).both(), c[1] + "|") << c[0];
    EXPECT_TRUE(game_mode && showFPS && showPos);
    EXPECT_EQ(control_step, 0.5);
}
