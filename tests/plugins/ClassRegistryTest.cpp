// Finding model classes in copies of the test libraries each test lays out in the folders VELMORA_CLASS_PATH names;
// where classes, sample files and the model named on the command line are looked for.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "plugins/ModelFileClass.h"
#include "plugins/RuntimePaths.h"
#include "scene/ModelListLock.h"
#include "tests/console/SceneFixture.h"
#include "tests/plugins/PluginTestSupport.h"

using namespace plugintest;

namespace {

class ClassRegistry : public PluginTest {
protected:
    ClassRegistry() {
        for (const char* folder : {"models", "elsewhere", "second", "other"})
            std::filesystem::create_directory(folder, error);
        if (commandMap.empty())
            registerCommands();
    }

    void layOut(const std::string& path, const std::string& fixture = "Chameleon") {
        const std::string built = VELMORA_BUILD_DIR "/testplugins/" + fixture + ".so";
        ASSERT_TRUE(std::filesystem::copy_file(built, path, error)) << path << ": " << error.message();
    }

    // The scratch directory's models/ and the directory itself, as the user would name them.
    const std::string trusted = dir.path("models") + ":" + dir.root;
    ScopedEnv classPath{"VELMORA_CLASS_PATH", trusted.c_str()};
};

// A downloaded folder's Keyform.so is never run: only the folders VELMORA_CLASS_PATH names are searched, in order.
TEST_F(ClassRegistry, only_trusted_folders_are_searched_in_order_and_what_loaded_is_kept) {
    for (const char* file :
         {"models/Keyform.so", "Keyform.so", "elsewhere/Front.so", "second/Back.so", "other/Other.so"})
        layOut(file);
    ASSERT_EQ(0, symlink("../other/Other.so", "second/Front.so"));  // would register "Other"
    const std::string both = ":" + dir.path("elsewhere") + "::" + dir.path("second") + ":";
    const struct {
        const char* classPath;
        const char* word;
        bool found;
    } cases[] = {
        {nullptr, "Keyform", false},      {"", "Keyform", false},        {":", "Front", false},
        {both.c_str(), "Keyform", false}, {both.c_str(), "Front", true}, {both.c_str(), "Back", true},
    };
    for (const auto& c : cases) {
        ScopedEnv env("VELMORA_CLASS_PATH", c.classPath);
        EXPECT_EQ(c.found, findModelClass(c.word) != nullptr)
            << c.word << " with " << (c.classPath ? c.classPath : "-");
    }
    EXPECT_EQ(0u, model_classes.count(const_cast<char*>("Other")));
    const model_factory front = findModelClass("Front");
    ASSERT_EQ(0, std::remove("elsewhere/Front.so"));  // a second model is made without loading again
    EXPECT_EQ(front, findModelClass("Front"));
}

// The working directory counts as the executable's only when both are one folder, links resolved.
TEST_F(ClassRegistry, the_working_directory_is_known_by_its_real_path) {
    ASSERT_EQ(0, symlink(dir.root.c_str(), "here"));
    const struct {
        std::string dir;
        bool same;
    } cases[] = {
        {dir.root, true},
        {dir.root + "/", true},
        {dir.path("here"), true},
        {dir.path("models/.."), true},
        {".", true},
        {dir.path("models"), false},
        {"/", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.same, isWorkingDirectory(c.dir)) << c.dir;
}

// loadclass opens only regular files, links followed; a writer on the FIFO keeps a wrong open from hanging the test.
TEST_F(ClassRegistry, loadclass_refuses_what_is_not_a_regular_file_and_says_why) {
    ASSERT_EQ(0, mkfifo("pipe.so", 0600));
    ASSERT_EQ(0, symlink("pipe.so", "link.so"));
    layOut("elsewhere/Good.so");
    std::atomic<bool> done{false};
    std::thread writer([&done] {
        while (!done) {
            const int fd = ::open("pipe.so", O_WRONLY);
            if (fd >= 0)
                ::close(fd);
        }
    });
    const struct {
        const char* line;
        const char* expected;
    } cases[] = {
        {"loadclass ./pipe.so", "error loading ./pipe.so: not a regular file but a FIFO\navailable classes: none\n"},
        {"loadclass ./link.so", "error loading ./link.so: not a regular file but a FIFO\navailable classes: none\n"},
        {"loadclass ./models", "error loading ./models: not a regular file but a directory\navailable classes: none\n"},
        {"loadclass /dev/null",
         "error loading /dev/null: not a regular file but a character device\navailable classes: none\n"},
        {"loadclass ./elsewhere/Good.so", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, runLine(c.line).out) << c.line;
    done = true;
    const int reader = ::open("pipe.so", O_RDONLY | O_NONBLOCK);  // lets the writer go, held until it has
    writer.join();
    ::close(reader);
    EXPECT_EQ(1u, model_classes.count(const_cast<char*>("Good")));
}

// Only loadclass takes paths: a class word leading elsewhere, or past 115 characters, loads nothing, library or not.
TEST_F(ClassRegistry, class_words_are_short_names_not_paths) {
    const std::string longest(115, 'w'), tooLong(116, 'w');
    for (const std::string& file : {"models/" + longest + ".so", "models/" + tooLong + ".so", tooLong + ".so"})
        layOut(file);  // "./" + word + ".so" would fit, yet is not tried
    EXPECT_EQ(nullptr, findModelClass(tooLong.c_str()));
    layOut("elsewhere/Evil.so");
    layOut("models/..so");   // what "." would load
    layOut("models/...so");  // and ".."
    for (const char* word : {"../elsewhere/Evil", "./elsewhere/Evil", "elsewhere/Evil", ".", ".."}) {
        EXPECT_FALSE(isClassWord(word)) << word;
        EXPECT_EQ(nullptr, findModelClass(word)) << word;
    }
    EXPECT_TRUE(isClassWord("...")) << "a name of dots only is still a name";
    EXPECT_EQ("not a class name: '../elsewhere/Evil'\n", runLine("new model ../elsewhere/Evil x").out);
    EXPECT_TRUE(model_classes.empty());
    EXPECT_NE(nullptr, findModelClass(longest.c_str()));
}

TEST_F(ClassRegistry, new_model_gives_the_reason_a_class_cannot_be_had) {
    layOut("elsewhere/Renamed.so");
    ASSERT_EQ(0, symlink("../elsewhere/Renamed.so", "models/Misnamed.so"));
    layOut("models/Broken.so", "Unresolved");
    const std::string unresolved = runLine("new model Broken b").out;
    // Each refusal lists the classes there are: the libraries in the folders, and those registered marked.
    const std::string unloaded = "available classes: Broken, Misnamed\n",
                      loaded = "available classes: Broken, Misnamed, Renamed (loaded)\n";
    const struct {
        std::string line, expected;
    } cases[] = {
        {"new model Absent a",  // the last place tried: the last folder VELMORA_CLASS_PATH names
         "model not found 'Absent': " + dir.path("Absent.so") +
             ": cannot open shared object file: No such file or directory\n" + unloaded},
        {"new model Misnamed a", "model not found 'Misnamed': no library registers this class\n" + loaded},
        {"new model " + std::string(116, 'w') + " a",
         "model not found '" + std::string(116, 'w') + "': class name too long\n" + loaded},
        {"list classes", "  Broken\n  Misnamed\n  Renamed (loaded)\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(runLine(c.line).out, c.expected) << c.line;
    // The library that is there but does not load is the one reported, not the absent Broken.so after it.
    EXPECT_EQ(0u, unresolved.find("model not found 'Broken': " + dir.path("models/Broken.so: "))) << unresolved;
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

// A refusing factory's report is printed alone, a silent refusal is "not found"; no report outlives its attempt.
TEST_F(ClassRegistry, a_refusing_factory_is_heard_through_the_console) {
    layOut("models/Refuser.so", "Refuser");
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

using Paths = std::vector<std::string>;

TEST(RuntimePaths, classes_beside_the_executable_then_the_users_folders_and_samples_from_the_working_directory) {
    const std::string deep = "/" + std::string(3000, 'd') + "/";
    const std::string installed = "/opt/velmora/lib/velmora/models/", build = "/opt/velmora/bin/models/";
    const struct {
        std::string exeDir;
        const char* classPath;
        bool inExeDir;
        Paths folders, samples;
    } cases[] = {
        {"/opt/velmora/bin/",
         nullptr,
         false,
         {installed, build},
         {"./tiles.bmp", "/opt/velmora/share/velmora/tiles.bmp", "/opt/velmora/bin/tiles.bmp"}},
        {"/opt/velmora/bin/", nullptr, true, {installed, build, "./models/", "./"}, {}},
        // Like PATH, but an empty entry names no folder: the working directory is never slipped in.
        {"/opt/velmora/bin/", "", false, {installed, build}, {}},
        {"/opt/velmora/bin/", ":", false, {installed, build}, {}},
        {"/opt/velmora/bin/",
         "/home/u/classes::plugins/:/srv/x/",
         true,
         {installed, build, "/home/u/classes/", "plugins/", "/srv/x/", "./models/", "./"},
         {}},
        {"/",  // a program at the root is its own prefix
         nullptr,
         false,
         {"/lib/velmora/models/", "/models/"},
         {"./tiles.bmp", "/share/velmora/tiles.bmp", "/tiles.bmp"}},
        // The executable's folder unknown: no working directory can be known to be it.
        {"", "/srv/x", true, {"/srv/x/"}, {"./tiles.bmp"}},
        {"", nullptr, true, {}, {}},
        {deep + "bin/",
         nullptr,
         false,
         {deep + "lib/velmora/models/", deep + "bin/models/"},
         {"./tiles.bmp", deep + "share/velmora/tiles.bmp", deep + "bin/tiles.bmp"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exeDir.substr(0, 40) + " " + (c.classPath ? c.classPath : "(unset)") +
                     (c.inExeDir ? " run in its folder" : ""));
        const Paths folders = classFolders(c.exeDir, c.classPath, c.inExeDir);
        EXPECT_EQ(c.folders, folders);
        if (!c.samples.empty()) {
            EXPECT_EQ(c.samples, sampleFilePaths("tiles.bmp", c.exeDir));
        }
    }
}

TEST(ModelFileClass, md2_folders_and_files_are_keyform_folders_and_mesh_files_meshform) {
    ScratchDir dir;
    for (const char* folder : {"ogro", "empty", "odd.obj"})
        ASSERT_EQ(::mkdir(dir.path(folder).c_str(), 0755), 0);
    for (const char* file : {"ogro/tris.md2", "ogro/weapon.MD2", "box.GLB", "spider.obj", "notes.txt", "objx"})
        writeFile(dir.path(file), std::string("x"));
    const struct {
        std::string path, classWord, given;
    } cases[] = {
        {dir.path("ogro"), "Keyform", dir.path("ogro")},
        {dir.path("ogro/tris.md2"), "Keyform", dir.path("ogro")},
        {dir.path("ogro/weapon.MD2"), "Keyform", dir.path("ogro")},
        {dir.path("box.GLB"), "Meshform", dir.path("box.GLB")},
        {dir.path("spider.obj"), "Meshform", dir.path("spider.obj")},
        {dir.path("empty"), "", ""},
        {dir.path("odd.obj"), "", ""},  // a folder, whatever its name says
        {dir.path("notes.txt"), "", ""},
        {dir.path("objx"), "", ""},
        {dir.path("missing.obj"), "", ""},
    };
    for (const auto& c : cases) {
        const ModelFileClass::Choice choice = ModelFileClass::of(c.path);
        EXPECT_EQ(choice.classWord, c.classWord) << c.path;
        EXPECT_EQ(choice.path, c.given) << c.path;
    }
}

}  // namespace
