// Where classes and sample files are looked for: the working directory first, then beside the
// executable, installed under a prefix or in a build folder; paths of any length are whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "plugins/RuntimePaths.h"
#include "tests/ScratchFiles.h"

namespace {

using Paths = std::vector<std::string>;

TEST(RuntimePaths, working_directory_first_then_the_installed_and_the_build_layout_beside_the_executable) {
    const std::string deep = "/" + std::string(3000, 'd') + "/bin/", word(115, 'w');
    const struct {
        std::string exeDir, word;
        Paths classes, samples;
    } cases[] = {
        {"/opt/velmora/bin/",
         "Boxlet",
         {"./models/Boxlet.so", "./Boxlet.so", "/opt/velmora/lib/velmora/models/Boxlet.so",
          "/opt/velmora/bin/models/Boxlet.so"},
         {"./tiles.bmp", "/opt/velmora/share/velmora/tiles.bmp", "/opt/velmora/bin/tiles.bmp"}},
        {"/",
         "Boxlet",  // a program at the root is its own prefix
         {"./models/Boxlet.so", "./Boxlet.so", "/lib/velmora/models/Boxlet.so", "/models/Boxlet.so"},
         {"./tiles.bmp", "/share/velmora/tiles.bmp", "/tiles.bmp"}},
        {"",
         "Boxlet",  // the executable's folder unknown: the working directory alone
         {"./models/Boxlet.so", "./Boxlet.so"},
         {"./tiles.bmp"}},
        {deep,
         word,
         {"./models/" + word + ".so", "./" + word + ".so",
          "/" + std::string(3000, 'd') + "/lib/velmora/models/" + word + ".so", deep + "models/" + word + ".so"},
         {"./tiles.bmp", "/" + std::string(3000, 'd') + "/share/velmora/tiles.bmp", deep + "tiles.bmp"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exeDir.substr(0, 40));
        EXPECT_EQ(c.classes, classLibraryPaths(c.word, c.exeDir));
        EXPECT_EQ(c.samples, sampleFilePaths("tiles.bmp", c.exeDir));
        // Completion lists the folders the lookup tries, the working directory's models/ first.
        Paths folders = classFolders(c.exeDir);
        ASSERT_EQ(c.classes.size() - 1, folders.size());
        for (size_t i = 0; i < folders.size(); ++i)
            EXPECT_EQ(c.classes[i == 0 ? 0 : i + 1], folders[i] + c.word + ".so");
    }
}

}  // namespace
