// The class a model named on the command line opens with, by its name and what is there.
#include "plugins/ModelFileClass.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/ScratchFiles.h"

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
