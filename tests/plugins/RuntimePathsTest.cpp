// Where classes and sample files are looked for: classes beside the executable, installed under a prefix or in a
// build folder, then in the folders VELMORA_CLASS_PATH names, and in the working directory only when it is the
// executable's own; sample files in the working directory first. Paths of any length are whole.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugins/RuntimePaths.h"

namespace {

using Paths = std::vector<std::string>;

TEST(RuntimePaths, classes_beside_the_executable_then_the_users_folders_and_samples_from_the_working_directory) {
    const std::string deep = "/" + std::string(3000, 'd') + "/", word(115, 'w');
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
        const Paths libraries = classLibraryPaths(word, folders);
        ASSERT_EQ(folders.size(), libraries.size());
        for (size_t i = 0; i < folders.size(); ++i)
            EXPECT_EQ(folders[i] + word + ".so", libraries[i]);
        if (!c.samples.empty()) {
            EXPECT_EQ(c.samples, sampleFilePaths("tiles.bmp", c.exeDir));
        }
    }
}

}  // namespace
