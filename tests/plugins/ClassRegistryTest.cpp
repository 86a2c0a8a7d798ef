// Finding model classes: the two library paths in order, a library that
// registers another name, failed loads, and class words too long for a path.
// The loader knows a library by the path it was given, so each test lays out
// copies of the test plug-in under class words of its own.
#include <sys/stat.h>

#include "tests/plugins/PluginTestSupport.h"

using namespace plugintest;

namespace {

class ClassRegistry : public PluginTest {
protected:
    ClassRegistry()
    {
        mkdir("models", 0755);
        mkdir("elsewhere", 0755);
    }

    void layOut(const std::string& path, const char* fixture = "Chameleon")
    {
        const std::string built = VELMORA_BUILD_DIR "/testplugins/" + std::string(fixture) + ".so";
        ASSERT_TRUE(std::filesystem::copy_file(built, path, error)) << path << ": " << error.message();
    }
};

TEST_F(ClassRegistry, searches_models_then_working_directory_and_keeps_what_it_loaded)
{
    layOut("models/Front.so");
    layOut("elsewhere/Other.so");
    ASSERT_EQ(0, symlink("elsewhere/Other.so", "Front.so"));  // would register "Other"
    layOut("Back.so");
    model_factory front = findModelClass("Front");
    EXPECT_NE(nullptr, front);
    EXPECT_NE(nullptr, findModelClass("Back"));
    EXPECT_EQ(0u, model_classes.count(const_cast<char*>("Other")));
    // A second model of the class is made without loading anything again.
    ASSERT_EQ(0, std::remove("models/Front.so"));
    EXPECT_EQ(front, findModelClass("Front"));
}

TEST_F(ClassRegistry, library_registering_another_name_is_loaded_but_not_found)
{
    layOut("elsewhere/Renamed.so");
    ASSERT_EQ(0, symlink("../elsewhere/Renamed.so", "models/Misnamed.so"));
    EXPECT_EQ(nullptr, findModelClass("Misnamed"));
    EXPECT_NE(nullptr, findModelClass("Renamed"));  // registered by that load; no file is named so
}

TEST_F(ClassRegistry, failed_loads_give_the_loaders_message_and_register_nothing)
{
    EXPECT_STREQ("./models/Absent.so: cannot open shared object file: No such file or directory",
                 loadClassLibrary("./models/Absent.so"));
    // Immediate binding refuses a library that needs a missing function.
    layOut("models/Unresolved.so", "Unresolved");
    EXPECT_EQ(nullptr, findModelClass("Unresolved"));
    const char* message = loadClassLibrary("./models/Unresolved.so");
    ASSERT_NE(nullptr, message);
    EXPECT_NE(nullptr, std::strstr(message, "undefined symbol: _Z28velmoraFunctionNobodyDefinesv")) << message;
    EXPECT_TRUE(model_classes.empty());
}

TEST_F(ClassRegistry, class_words_past_115_characters_are_not_found)
{
    const std::string longest(115, 'w'), tooLong(116, 'w');
    layOut("models/" + longest + ".so");
    layOut("models/" + tooLong + ".so");
    layOut(tooLong + ".so");  // "./" + word + ".so" would fit, yet is not tried
    EXPECT_EQ(nullptr, findModelClass(tooLong.c_str()));
    EXPECT_TRUE(model_classes.empty());
    EXPECT_NE(nullptr, findModelClass(longest.c_str()));
}

}  // namespace
