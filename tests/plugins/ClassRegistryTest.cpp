// Finding model classes: the registry, the two library paths tried in order,
// libraries that register another name or fail to load, and explicit loads.
// Each test works in a directory of its own with fresh copies of the
// libraries under class words no other test uses: the loader knows a library
// it has loaded by the path it was given, whatever the working directory.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "paint/PaintableModel.h"
#include "tests/paint/PaintTestSupport.h"
#include "tests/plugins/PluginTestSupport.h"

using namespace plugintest;

namespace {

class ClassRegistry : public testing::Test {
protected:
    ClassRegistry() : cwd(dir.root())
    {
        mkdir(dir.path("models").c_str(), 0755);
    }

    // Lays a built library out in the working directory under relative path.
    void layOut(const std::string& built, const std::string& relative)
    {
        ASSERT_TRUE(copyFile(built, dir.path(relative))) << built;
    }

    // The real plug-ins register fixed names, so the paths they are found
    // under can be tried only once per process.
    bool loadedBefore(const char* path)
    {
        void* handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
        return handle != nullptr;
    }

    std::string real(const std::string& relative)
    {
        char buf[PATH_MAX];
        return realpath(dir.path(relative).c_str(), buf) ? buf : "";
    }

    painttest::ScratchDir dir;
    RegistryScope registry;
    WorkingDir cwd;
};

TEST_F(ClassRegistry, models_directory_is_tried_before_the_working_directory)
{
    layOut(testPlugin("Chameleon"), "models/Front.so");
    layOut(testPlugin("Chameleon"), "Front.so");
    model_factory factory = findModelClass("Front");
    ASSERT_NE(nullptr, factory);
    EXPECT_EQ(real("models/Front.so"), libraryOf(factory));
}

TEST_F(ClassRegistry, working_directory_is_the_fallback)
{
    layOut(testPlugin("Chameleon"), "Fallback.so");
    model_factory factory = findModelClass("Fallback");
    ASSERT_NE(nullptr, factory);
    EXPECT_EQ(real("Fallback.so"), libraryOf(factory));
}

TEST_F(ClassRegistry, boxlet_loads_on_demand_and_second_model_needs_no_load)
{
    if (loadedBefore("./models/Boxlet.so")) {
        GTEST_SKIP() << "./models/Boxlet.so was loaded earlier in this process; run this test alone";
    }
    layOut(builtPlugin("Boxlet"), "models/Boxlet.so");
    ASSERT_TRUE(model_classes.empty());
    model_factory factory = findModelClass("Boxlet");
    ASSERT_NE(nullptr, factory);
    EXPECT_EQ(real("models/Boxlet.so"), libraryOf(factory));
    ASSERT_EQ(1u, model_classes.size());
    EXPECT_STREQ("Boxlet", model_classes.begin()->first);

    // With the file gone, only the registry can answer.
    ASSERT_EQ(0, std::remove("models/Boxlet.so"));
    EXPECT_EQ(factory, findModelClass("Boxlet"));
    std::unique_ptr<AnimatedModel> first(factory("one"));
    std::unique_ptr<AnimatedModel> second(findModelClass("Boxlet")("two"));
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());
    EXPECT_NE(nullptr, dynamic_cast<PaintableModel*>(second.get()));
}

TEST_F(ClassRegistry, keyform_loads_from_the_working_directory)
{
    if (loadedBefore("./models/Keyform.so") || loadedBefore("./Keyform.so")) {
        GTEST_SKIP() << "Keyform.so was loaded by a relative path earlier in this process; run this test alone";
    }
    layOut(builtPlugin("Keyform"), "Keyform.so");
    model_factory factory = findModelClass("Keyform");
    ASSERT_NE(nullptr, factory);
    EXPECT_EQ(real("Keyform.so"), libraryOf(factory));
}

TEST_F(ClassRegistry, library_registering_another_name_counts_as_not_found)
{
    layOut(testPlugin("Misnamed"), "models/Misnamed.so");
    EXPECT_EQ(nullptr, findModelClass("Misnamed"));
    // The load happened all the same: the registered name now works, with no file for it.
    model_factory factory = findModelClass("Renamed");
    ASSERT_NE(nullptr, factory);
    EXPECT_EQ(real("models/Misnamed.so"), libraryOf(factory));
    EXPECT_EQ(1u, model_classes.size());
}

TEST_F(ClassRegistry, unknown_or_unloadable_classes_are_not_found)
{
    EXPECT_EQ(nullptr, findModelClass("Nowhere"));
    layOut(testPlugin("Unresolved"), "models/Unresolved.so");
    EXPECT_EQ(nullptr, findModelClass("Unresolved"));
    EXPECT_TRUE(model_classes.empty());
}

TEST_F(ClassRegistry, class_words_past_the_path_buffer_are_never_loaded)
{
    // "./models/" + word + ".so" must fit 128 characters with its terminator.
    const std::string longest(115, 'w');
    const std::string tooLong(116, 'w');
    layOut(testPlugin("Chameleon"), "models/" + longest + ".so");
    layOut(testPlugin("Chameleon"), "models/" + tooLong + ".so");
    layOut(testPlugin("Chameleon"), tooLong + ".so");

    EXPECT_EQ(nullptr, findModelClass(tooLong.c_str()));
    EXPECT_TRUE(model_classes.empty());  // no library was even loaded
    EXPECT_NE(nullptr, findModelClass(longest.c_str()));
}

TEST_F(ClassRegistry, loadclass_reports_the_loaders_message)
{
    const char* error = loadClassLibrary("./models/Absent.so");
    ASSERT_NE(nullptr, error);
    EXPECT_NE(nullptr, std::strstr(error, "./models/Absent.so")) << error;
    EXPECT_NE(nullptr, std::strstr(error, "No such file")) << error;

    layOut(testPlugin("Unresolved"), "Unresolved.so");
    error = loadClassLibrary("./Unresolved.so");
    ASSERT_NE(nullptr, error);
    EXPECT_NE(nullptr, std::strstr(error, "undefined symbol")) << error;
    EXPECT_NE(nullptr, std::strstr(error, "velmoraFunctionNobodyDefines")) << error;
    EXPECT_TRUE(model_classes.empty());
}

TEST_F(ClassRegistry, loadclass_takes_the_name_as_typed)
{
    if (loadedBefore("./models/Keyform.so")) {
        GTEST_SKIP() << "./models/Keyform.so was loaded earlier in this process; run this test alone";
    }
    layOut(builtPlugin("Keyform"), "models/Keyform.so");
    // A bare name is searched in the system's library path, not here.
    const char* error = loadClassLibrary("Keyform.so");
    ASSERT_NE(nullptr, error);
    EXPECT_NE(nullptr, std::strstr(error, "Keyform.so")) << error;
    EXPECT_TRUE(model_classes.empty());

    EXPECT_EQ(nullptr, loadClassLibrary("./models/Keyform.so"));
    model_factory factory = findModelClass("Keyform");
    ASSERT_NE(nullptr, factory);
    // Registration ran at load, once: loading the same file again adds nothing back.
    model_classes.clear();
    EXPECT_EQ(nullptr, loadClassLibrary("./models/Keyform.so"));
    EXPECT_TRUE(model_classes.empty());
}

}  // namespace
