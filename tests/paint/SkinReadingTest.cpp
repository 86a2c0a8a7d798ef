// Skins read ahead of the model-list mutex, their messages held back; FIFOs refused rather than waited on.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "paint/PaintableModel.h"
#include "tests/paint/PaintTestSupport.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

struct Canvas : PaintableModel {
    Canvas() : PaintableModel("canvas") {}
    using PaintableModel::texturesToCreate;
};

}  // namespace

TEST(SkinReading, a_picture_read_ahead_needs_its_file_no_more_and_says_nothing_until_taken) {
    ScratchDir dir;
    std::string file = dir.path("skin.bmp"), pcx = dir.path("skin.pcx");
    writeFile(file, painttest::makeBmp(3, 2));
    EXPECT_EQ("", Image::sourceFile(dir.path("skin.gif")));
    CaptureStdout();
    Image::Decoded ahead = Image::read(pcx);  // a ".pcx" name reads the ".bmp" beside it
    Image::Decoded again = Image::read(file);
    Image::Decoded missing = Image::read(dir.path("none.bmp"));
    ASSERT_EQ(0, std::remove(file.c_str()));
    EXPECT_EQ("", GetCapturedStdout());
    ASSERT_NE(nullptr, ahead.image);
    EXPECT_EQ(3, ahead.image->width());
    EXPECT_EQ(file, ahead.image->getSourceFile());
    EXPECT_EQ(1, ahead.image->takeReloaded(std::move(again), file));
    CaptureStdout();
    EXPECT_EQ(0, ahead.image->takeReloaded(std::move(missing), dir.path("none.bmp")));
    EXPECT_EQ(nullptr, Image::load(&file));  // gone from disk
    EXPECT_EQ("File not found : " + dir.path("none.bmp") + "\nFile not found : " + file + "\n", GetCapturedStdout());
}

// Skin 1 of a model without textures is queued with its picture for the next draw, which reads no file.
TEST(SkinReading, the_skin_queue_holds_pictures_and_refuses_what_is_not_a_regular_file) {
    ScratchDir dir;
    const std::string fifo = dir.path("pipe.bmp"), folder = dir.path("folder.pcx"), missing = dir.path("none.bmp"),
                      skin = dir.path("skin.bmp");
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    ASSERT_EQ(0, mkdir(dir.path("folder.bmp").c_str(), 0700));
    const bool drawn = painttest::ensureGlContext();
    const struct {
        std::string name, said, drew;
        int result;
    } cases[] = {{fifo, "not a regular file: '" + fifo + "'\n", "", 0},
                 {folder, "not a regular file: '" + dir.path("folder.bmp") + "'\n", "", 0},
                 {missing, "", "File not found : " + missing + "\n", 1},
                 {skin, "", "", 1}};
    for (const auto& c : cases) {
        Canvas canvas;
        writeFile(skin, painttest::makeBmp(3, 2));
        CaptureStdout();
        EXPECT_EQ(c.result, canvas.loadTexture(1, c.name.c_str())) << c.name;
        EXPECT_EQ(c.said, GetCapturedStdout());
        EXPECT_EQ(size_t(c.result), canvas.texturesToCreate.size());
        ASSERT_EQ(0, std::remove(skin.c_str()));
        if (!drawn)
            continue;
        CaptureStdout();
        canvas.draw();
        EXPECT_EQ(c.drew, GetCapturedStdout());
        EXPECT_EQ(c.name == skin ? 1 : 0, canvas.numTextures()) << c.name;
    }
}
