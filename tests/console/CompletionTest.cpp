// Tab completion as readline drives it: one generator call per match, and the line's first words choosing the names.
#include <readline/readline.h>

#include "console/Completion.h"
#include "tests/console/SceneFixture.h"

using Completion = SceneFixture;

// The matches of one attempt, each followed by '|'; a cap on the calls so that a generator that never ends fails.
static std::string attempt(const char* word, int calls) {
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

// What readline is offered for the word from column start (a lone match, or the common part and each), '|'-ended.
static std::string complete(std::string line, int start) {
    char* saved_line = rl_line_buffer;
    rl_line_buffer = &line[0];
    rl_attempted_completion_over = 0;
    std::string got;
    if (char** matches = completer(line.c_str() + start, start, static_cast<int>(line.size()))) {
        for (char** m = matches; *m; ++m) {
            got += std::string(*m) + "|";
            std::free(*m);
        }
        std::free(matches);
    }
    EXPECT_EQ(rl_attempted_completion_over, 1) << line;  // no fallback to readline's own
    rl_line_buffer = saved_line;
    return got;
}

// Rows run in order: each attempt starts over on the model current then, whatever the last one left.
TEST_F(Completion, attribute_names_match_by_prefix_in_the_models_order) {
    const struct {
        AnimatedModel* model;
        const char* word;
        int calls;
        const char* expected;
    } cases[] = {
        {&tester, "", 2, "red|size|"},  // abandoned half-way
        {&test_brush, "", 20, "bleed|blue|dim1|dim2|green|mirror|opacity|red|solid_dim1|spacing|x|y|z|"},
        {&test_brush, "dim", 20, "dim1|dim2|"},
        {&test_brush, "dim2", 20, "dim2|"},
        {nullptr, "", 20, ""},
        {&tester, "sizes", 20, ""},
        {&tester, "S", 20, ""},  // case counts
        {&m1, "z", 20, "z|"},
    };
    for (const auto& c : cases) {
        current_model = c.model;
        EXPECT_EQ(attempt(c.word, c.calls), c.expected) << c.word;
    }
}

// The words ahead of the cursor choose commands, sub-words (the very ones the commands accept), files or names.
TEST_F(Completion, what_is_offered_follows_the_line) {
    ScratchDir dir;
    ASSERT_TRUE(std::filesystem::create_directory(dir.path("models")));
    ASSERT_TRUE(std::filesystem::create_directory(dir.path("trusted")));
    for (const char* file : {"trusted/Extra.so", "trusted/Tester.so", "trusted/..so", "trusted/notes.txt",
                             "models/Planted.so", "Planted.so", "saved.xml", "Ship.GLB", "ship.txt"})
        writeFile(dir.path(file), std::string());
    const ScopedEnv classPath("VELMORA_CLASS_PATH", dir.path("trusted").c_str());
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.root);
    runQuietly({"new script walk", "new script hop", "new pose far", "new pose fast", "new pose near"});
    const std::pair<const char*, const char*> cases[] = {
        {"he", "help|"},
        {"lo", "load|load|loadclass|"},
        {"get ", "|red|size|x|y|z|"},
        {"list ", "|params|commands|poses|scripts|controls|models|classes|skins|"},
        {"list s", "s|scripts|skins|"},
        {"toggle p", "p|pos|painting|"},
        {"new ", "|pose|script|binding|model|"},
        {"select ", "|control|model|script|"},
        {"load ", "|attributes|skin|"},
        {"save s", "s|skins|skin|screenshot|"},
        {"new model ", "|Extra|Tester|"},  // registered, or waiting in a class folder, each once; none planted here
        {"new model E", "Extra|"},
        {"new model Meshform S", "Ship.GLB|"},       // model files and folders only
        {"new model Meshform ship S", "Ship.GLB|"},  // the file of a model given a short name
        {"new model Meshform mo", "models|"},
        {"select model m", "m|m1|m2|"},
        {"delete t", "tester|"},
        {"paint ", "|brush|m1|m2|tester|"},
        {"select script ", "|hop|walk|"},
        {"select script walk ", "|terminate|repeat|reverse|reverse_once|"},
        {"select script walk rev", "reverse|reverse|reverse_once|"},
        {"new script run ", "|terminate|repeat|reverse|reverse_once|"},
        {"select control ", "Default|"},
        {"animate w", "walk|"},
        {"add f", "fa|far|fast|"},
        {"speed_control h", "hop|"},
        {"speed_control hop x r", "red|"},
        {"new binding k s", "size|"},
        {"set s", "size|"},
        {"  li", "list|"},
        {"\tselect  model  m2", "m2|"},
    };
    std::vector<std::pair<std::string, std::string>> all(std::begin(cases), std::end(cases));
    for (const char* line : {"load attributes sa", "save skin 1 sa", "save screenshot sa", "exec sa", "loadclass sa"})
        all.push_back({line, "saved.xml|"});
    for (const char* line :
         {"animate q", "new model Tester ", "new model Meshform s", "select script walk reverse ", "new script ",
          "new pose p ", "animate walk ", "new binding s", "set size s", "load sa", "load skin sa", "nosuch s"})
        all.push_back({line, ""});  // nothing to offer
    for (const auto& [line, expected] : all) {
        const size_t blank = line.find_last_of(" \t");
        EXPECT_EQ(complete(line, blank == std::string::npos ? 0 : static_cast<int>(blank + 1)), expected) << line;
    }
    std::filesystem::current_path(previous);
}
