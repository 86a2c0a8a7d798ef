// Skins read ahead of the model-list mutex: reads served from memory while a
// ReadAhead lives, and FIFOs refused rather than waited on.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "model/io/ReadAhead.h"
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

TEST(SkinReading, a_read_ahead_serves_its_files_from_memory_on_its_thread_only) {
    ScratchDir dir;
    std::string file = dir.path("skin.bmp"), pcx = dir.path("skin.pcx");
    writeFile(file, painttest::makeBmp(3, 2));
    EXPECT_EQ(file, Image::sourceFile(pcx));
    EXPECT_EQ(dir.path("skin.png"), Image::sourceFile(dir.path("skin.png")));
    EXPECT_EQ("", Image::sourceFile(dir.path("skin.gif")));
    {
        ReadAhead files;
        ASSERT_EQ(FileContents::kRead, files.add(file).status);
        ASSERT_EQ(0, std::remove(file.c_str()));
        Image* image = Image::load(&pcx);  // a ".pcx" name reads the ".bmp" beside it
        ASSERT_NE(nullptr, image);
        EXPECT_EQ(3, image->width());
        EXPECT_EQ(1, image->reloadImage(&file));
        delete image;
    }
    CaptureStdout();
    EXPECT_EQ(nullptr, Image::load(&file));  // gone from disk, and no read-ahead any more
    EXPECT_EQ("File not found : " + file + "\n", GetCapturedStdout());
}

// Skin 1 of a model without textures is queued for the next draw, which must not wait on a FIFO: one is refused when
// queued. Ordinary names are queued as before, even when the file does not exist yet.
TEST(SkinReading, the_skin_queue_refuses_what_is_not_a_regular_file) {
    ScratchDir dir;
    const std::string fifo = dir.path("pipe.bmp"), folder = dir.path("folder.pcx"), missing = dir.path("none.bmp");
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    ASSERT_EQ(0, mkdir(dir.path("folder.bmp").c_str(), 0700));
    const struct {
        std::string name, said;
        int result;
    } cases[] = {{fifo, "not a regular file: '" + fifo + "'\n", 0},
                 {folder, "not a regular file: '" + dir.path("folder.bmp") + "'\n", 0},
                 {missing, "", 1}};
    for (const auto& c : cases) {
        Canvas canvas;
        CaptureStdout();
        EXPECT_EQ(c.result, canvas.loadTexture(1, c.name.c_str())) << c.name;
        EXPECT_EQ(c.said, GetCapturedStdout());
        EXPECT_EQ(size_t(c.result), canvas.texturesToCreate.size());
    }
    // Read straight from disk, a FIFO without a writer reads as empty instead of blocking.
    CaptureStdout();
    std::string name = fifo;
    EXPECT_EQ(nullptr, Image::load(&name));
    EXPECT_EQ("cannot read skin '" + fifo + "': empty file\n", GetCapturedStdout());
}
