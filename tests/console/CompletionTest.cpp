// Tab completion as readline drives it: one generator call per match, an
// attempt started by call 0, and the line's first word choosing the names.
#include <readline/readline.h>

#include "console/Completion.h"
#include "tests/console/SceneFixture.h"

using Completion = SceneFixture;

// The matches of one attempt, each followed by '|'; gives up after 20 calls
// so that a generator that never ends fails instead of hanging.
static std::string attempt(const char* word, int calls = 20) {
    std::string all;
    for (int call = 0; call < calls; ++call) {
        char* match = paramCompletion(word, call);
        if (!match)
            break;
        all += std::string(match) + "|";
        std::free(match);
    }
    return all;
}

TEST_F(Completion, attribute_names_match_by_prefix_in_the_models_order) {
    const struct {
        AnimatedModel* model;
        const char* word;
        const char* expected;
    } cases[] = {
        {&tester, "", "red|size|x|y|z|"},
        {&test_brush, "", "blue|dim1|dim2|green|opacity|red|solid_dim1|x|y|z|"},
        {&test_brush, "dim", "dim1|dim2|"},
        {&test_brush, "dim2", "dim2|"},
        {&tester, "sizes", ""},
        {&tester, "S", ""},  // case counts
        {nullptr, "", ""},
    };
    for (const auto& c : cases) {
        current_model = c.model;
        EXPECT_EQ(attempt(c.word), c.expected) << c.word;
    }
}

TEST_F(Completion, each_attempt_starts_over_on_the_model_current_then) {
    EXPECT_EQ(attempt("", 2), "red|size|");  // abandoned half-way
    current_model = &test_brush;
    EXPECT_EQ(attempt("d"), "dim1|dim2|");
    current_model = nullptr;
    EXPECT_EQ(attempt(""), "");  // nothing left over from the brush
    current_model = &m1;
    EXPECT_EQ(attempt("z"), "z|");
}

TEST_F(Completion, the_first_word_of_the_line_chooses_commands_files_or_attributes) {
    ScratchDir dir;
    writeFile(dir.path("saved.xml"), std::string());
    const std::string file = dir.path("sa"), saved = dir.path("saved.xml") + "|";
    const struct {
        std::string line;
        int start;
        std::string expected;  // one match alone, or readline's common part and then each match
    } cases[] = {
        {"he", 0, "help|"},
        {"lo", 0, "load|load|loadclass|"},
        {"set s", 4, "size|"},
        {"get ", 4, "|red|size|x|y|z|"},
        {"animate q", 8, ""},
        {"load attributes " + file, 16, saved},
        {"loadclass " + file, 10, saved},
        {"exec " + dir.path("none"), 5, ""},
    };
    char* saved_line = rl_line_buffer;
    for (auto c : cases) {
        rl_line_buffer = &c.line[0];
        rl_attempted_completion_over = 0;
        std::string got;
        const char* word = c.line.c_str() + c.start;
        if (char** matches = completer(word, c.start, static_cast<int>(c.line.size()))) {
            for (char** m = matches; *m; ++m) {
                got += std::string(*m) + "|";
                std::free(*m);
            }
            std::free(matches);
        }
        EXPECT_EQ(got, c.expected) << c.line;
        EXPECT_EQ(rl_attempted_completion_over, 1) << c.line;  // no fallback to readline's own
    }
    rl_line_buffer = saved_line;
}
