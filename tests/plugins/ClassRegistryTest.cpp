// Finding model classes. The loader knows a library by its file, so each test lays out copies of its own.
#include <unistd.h>

#include "plugins/RuntimePaths.h"
#include "scene/ModelListLock.h"
#include "tests/console/SceneFixture.h"
#include "tests/plugins/PluginTestSupport.h"

using namespace plugintest;

namespace {

class ClassRegistry : public PluginTest {
protected:
    ClassRegistry() {
        std::filesystem::create_directory("models", error);
        std::filesystem::create_directory("elsewhere", error);
    }

    void layOut(const std::string& path, const std::string& fixture = "Chameleon") {
        const std::string built = VELMORA_BUILD_DIR "/testplugins/" + fixture + ".so";
        ASSERT_TRUE(std::filesystem::copy_file(built, path, error)) << path << ": " << error.message();
    }
};

TEST_F(ClassRegistry, searches_models_then_working_directory_and_keeps_what_it_loaded) {
    layOut("models/Front.so");
    layOut("elsewhere/Other.so");
    ASSERT_EQ(0, symlink("elsewhere/Other.so", "Front.so"));  // would register "Other"
    layOut("Back.so");
    const model_factory front = findModelClass("Front");
    EXPECT_NE(nullptr, front);
    EXPECT_NE(nullptr, findModelClass("Back"));
    EXPECT_EQ(0u, model_classes.count(const_cast<char*>("Other")));
    ASSERT_EQ(0, std::remove("models/Front.so"));  // a second model is made without loading again
    EXPECT_EQ(front, findModelClass("Front"));
}

TEST_F(ClassRegistry, library_registering_another_name_is_loaded_but_not_found) {
    layOut("elsewhere/Renamed.so");
    ASSERT_EQ(0, symlink("../elsewhere/Renamed.so", "models/Misnamed.so"));
    EXPECT_EQ(nullptr, findModelClass("Misnamed"));
    EXPECT_NE(nullptr, findModelClass("Renamed"));  // registered by that load; no file is named so
}

TEST_F(ClassRegistry, failed_loads_give_the_loaders_message_and_register_nothing) {
    EXPECT_STREQ("./models/Absent.so: cannot open shared object file: No such file or directory",
                 loadClassLibrary("./models/Absent.so"));
    layOut("models/Unresolved.so", "Unresolved");  // immediate binding refuses it
    EXPECT_EQ(nullptr, findModelClass("Unresolved"));
    const char* message = loadClassLibrary("./models/Unresolved.so");
    ASSERT_NE(nullptr, message);
    EXPECT_NE(nullptr, std::strstr(message, "undefined symbol: _Z28velmoraFunctionNobodyDefinesv")) << message;
    EXPECT_TRUE(model_classes.empty());
}

TEST_F(ClassRegistry, class_words_past_115_characters_are_not_found) {
    const std::string longest(115, 'w'), tooLong(116, 'w');
    layOut("models/" + longest + ".so");
    layOut("models/" + tooLong + ".so");
    layOut(tooLong + ".so");  // "./" + word + ".so" would fit, yet is not tried
    EXPECT_EQ(nullptr, findModelClass(tooLong.c_str()));
    EXPECT_TRUE(model_classes.empty());
    EXPECT_NE(nullptr, findModelClass(longest.c_str()));
}

// Only loadclass takes paths: a class word leading anywhere else loads nothing, though a library is there.
TEST_F(ClassRegistry, class_words_are_names_not_paths) {
    layOut("elsewhere/Evil.so");
    layOut("models/..so");   // what "." would load
    layOut("models/...so");  // and ".."
    for (const char* word : {"../elsewhere/Evil", "./elsewhere/Evil", "elsewhere/Evil", ".", ".."}) {
        EXPECT_FALSE(isClassWord(word)) << word;
        EXPECT_EQ(nullptr, findModelClass(word)) << word;
    }
    EXPECT_TRUE(isClassWord("...")) << "a name of dots only is still a name";
    if (commandMap.empty())
        registerCommands();
    EXPECT_EQ("not a class name: '../elsewhere/Evil'\n", runLine("new model ../elsewhere/Evil x").out);
    EXPECT_TRUE(model_classes.empty());
}

// `new model` says why a class cannot be had, in the loader's words or the registry's.
TEST_F(ClassRegistry, new_model_gives_the_reason_a_class_cannot_be_had) {
    layOut("elsewhere/Renamed.so");
    ASSERT_EQ(0, symlink("../elsewhere/Renamed.so", "models/Misnamed.so"));
    layOut("models/Broken.so", "Unresolved");
    if (commandMap.empty())
        registerCommands();
    const std::string unresolved = runLine("new model Broken b").out;
    const struct {
        std::string line, expected;
    } cases[] = {
        {"new model Absent a",  // the last place tried: models/ beside the test program
         "model not found 'Absent': " + executableDir() +
             "models/Absent.so: cannot open shared object file: No such file or directory\n"},
        {"new model Misnamed a", "model not found 'Misnamed': no library registers this class\n"},
        {"new model Misnamed a", "model not found 'Misnamed': no library registers this class\n"},  // loaded already
        {"new model " + std::string(116, 'w') + " a",
         "model not found '" + std::string(116, 'w') + "': class name too long\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(runLine(c.line).out, c.expected) << c.line;
    // The library that is there but does not load is the one reported, not the absent ./Broken.so.
    EXPECT_EQ(0u, unresolved.find("model not found 'Broken': ./models/Broken.so: ")) << unresolved;
    EXPECT_NE(std::string::npos, unresolved.find("undefined symbol")) << unresolved;
    EXPECT_EQ(0u, model_classes.count(const_cast<char*>("Misnamed")));
}

AnimatedModel* silentRefusal(const char*) {
    return nullptr;
}

AnimatedModel* refusalWithoutNewline(const char*) {
    reportModelCreationFailure("no model today");
    return nullptr;
}

TestModel* accepted = nullptr;
AnimatedModel* acceptAfterReporting(const char* name) {
    reportModelCreationFailure("not printed: the model was made");
    return accepted = new TestModel(name);
}

// A factory that refuses after reporting has its message printed alone; one that refuses
// silently keeps the old message; a report never outlives the attempt it was made in.
TEST_F(ClassRegistry, a_refusing_factory_is_heard_through_the_console) {
    layOut("models/Refuser.so", "Refuser");
    if (commandMap.empty())
        registerCommands();
    model_classes[const_cast<char*>("Silent")] = silentRefusal;
    model_classes[const_cast<char*>("Terse")] = refusalWithoutNewline;
    model_classes[const_cast<char*>("Accepting")] = acceptAfterReporting;
    const size_t before = models.size();
    AnimatedModel* const current = current_model;
    const struct {
        const char* line;
        const char* expected;
    } cases[] = {
        {"new model Refuser r", "cannot read model 'r': refused by the test class\n"},
        {"new model Silent s", "model not found 'Silent'\n"},
        {"new model Terse t", "no model today\n"},
        {"new model Accepting a", ""},
        {"new model Silent s", "model not found 'Silent'\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(runLine(c.line).out, c.expected) << c.line;
    ASSERT_NE(nullptr, accepted);
    EXPECT_EQ(current_model, accepted);
    EXPECT_EQ(models.size(), before + 1);  // only the accepted one
    ModelListLock lock;
    auto made = models.find("a");
    ASSERT_NE(made, models.end());
    const char* key = made->first;
    models.erase(made);
    delete accepted;
    std::free(const_cast<char*>(key));
    current_model = current;
}

}  // namespace
