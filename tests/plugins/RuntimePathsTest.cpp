// Where classes, sample files and the model named on the command line are looked for.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "plugins/ModelFileClass.h"
#include "plugins/RuntimePaths.h"
#include "tests/ScratchFiles.h"

namespace {

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

// The class a model named on the command line opens with, by its name and what is there.
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
