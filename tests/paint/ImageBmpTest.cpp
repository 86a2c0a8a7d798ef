// BMP reading and writing: round trips of every row padding, ImageMagick's
// reading as the reference, refused kinds and short files.
#include <gtest/gtest.h>

#include "paint/image/Image.h"
#include "tests/SameBytes.h"
#include "tests/paint/PaintTestSupport.h"

using namespace painttest;

namespace {

TEST(ImageBmp, gradients_of_every_row_padding_round_trip_byte_for_byte) {
    ScratchDir dir;
    for (int width = 1; width <= 5; ++width) {
        writeFile(dir.path("in.bmp"), makeBmp(width, 3));
        Image image;
        ASSERT_EQ(1, image.loadBMP(dir.path("in.bmp").c_str())) << width;
        EXPECT_TRUE(sameBytes(gradient(width, 3), topFirst(image))) << width;
        ASSERT_EQ(1, image.writeBMP(dir.path("out.bmp").c_str()));
        EXPECT_TRUE(sameBytes(makeBmp(width, 3), readFile<Bytes>(dir.path("out.bmp"))))
            << width;  // the plain header too
    }
}

// ImageMagick's default flavour (124-byte header), its plain 24-bit flavour, and rows stored top first.
TEST(ImageBmp, reads_as_imagemagick_does_and_writes_what_it_reads_alike) {
    ScratchDir dir;
    const std::string files[] = {dir.path("default.bmp"), dir.path("plain.bmp"), dir.path("top.bmp")};
    const std::string quiet = "' 2>/dev/null";
    ASSERT_EQ(0, std::system((kConvert + " -size 5x3 gradient:red-blue -type truecolor '" + files[0] + quiet).c_str()));
    ASSERT_EQ(0,
              std::system(
                  (kConvert + " -seed 4 -size 7x4 plasma:fractal -type truecolor BMP3:'" + files[1] + quiet).c_str()));
    writeFile(files[2], makeBmp(5, 3, -1, true));
    for (const std::string& file : files) {
        Image image;
        ASSERT_EQ(1, image.loadBMP(file.c_str())) << file;
        EXPECT_TRUE(sameBytes(magickPixels(file), topFirst(image))) << file;
        ASSERT_EQ(1, image.writeBMP(dir.path("w.bmp").c_str()));
        EXPECT_TRUE(sameBytes(magickPixels(dir.path("w.bmp")), topFirst(image))) << file << " as written";
    }
}

// Which headers are supported is decided (and tested) by the header check; here a refused one is reported
// and leaves the old picture, while a wrong pixel array size is no reason to refuse.
TEST(ImageBmp, refuses_other_kinds_and_short_files_but_not_a_wrong_pixel_array_size) {
    ScratchDir dir;
    writeFile(dir.path("before.bmp"), makeBmp(5, 3));
    const std::string file = dir.path("k.bmp");
    const struct {
        size_t at;  // the 32-bit field set to value, and cut bytes cut off
        uint32_t value;
        size_t cut;
        std::string said;
    } kinds[] = {{28, 32, 0, "Not a 24-bit uncompressed bitmap: " + file + "\n"},
                 {34, 5, 0, ""},
                 {34, 0xfffffff0, 0, ""},
                 {2, 66, 1, "Error loading file!\n"}};  // a wrong file size and a byte short
    for (const auto& kind : kinds) {
        SCOPED_TRACE(&kind - kinds);
        Bytes bytes = makeBmp(4, 3);
        putLe(bytes, kind.at, kind.value);
        bytes.resize(bytes.size() - kind.cut);
        writeFile(file, bytes);
        Image image;
        ASSERT_EQ(1, image.loadBMP(dir.path("before.bmp").c_str()));
        testing::internal::CaptureStdout();
        const int loaded = image.loadBMP(file.c_str());
        EXPECT_EQ(kind.said, testing::internal::GetCapturedStdout());
        EXPECT_EQ(kind.said.empty(), loaded == 1);
        EXPECT_TRUE(sameBytes(kind.said.empty() ? gradient(4, 3) : gradient(5, 3), topFirst(image)));
    }
}

// A file that cannot be opened is "not found" only when it is missing; otherwise the reason is named.
TEST(ImageBmp, files_that_cannot_be_opened_name_the_reason) {
    ScratchDir dir;
    writeFile(dir.path("skin.bmp"), makeBmp(4, 4));
    std::filesystem::create_directory(dir.path("folder.bmp"));
    Image image;
    ASSERT_EQ(1, image.loadBMP(dir.path("skin.bmp").c_str()));
    const struct {
        std::string file, read, written;
    } cases[] = {
        {dir.path("gone/a.bmp"), "File not found : " + dir.path("gone/a.bmp"),
         "cannot write " + dir.path("gone/a.bmp") + ": " + dir.path("gone") + ": No such file or directory"},
        {dir.path("skin.bmp/a.bmp"), "cannot read " + dir.path("skin.bmp/a.bmp") + ": Not a directory",
         "cannot write " + dir.path("skin.bmp/a.bmp") + ": Not a directory"},
        {dir.path("folder.bmp"), "", "cannot write " + dir.path("folder.bmp") + ": Is a directory"},
    };
    for (const auto& c : cases) {
        if (!c.read.empty()) {
            testing::internal::CaptureStdout();
            EXPECT_EQ(0, image.loadBMP(c.file.c_str()));
            EXPECT_EQ(0, image.reloadBMP(c.file.c_str()));
            EXPECT_EQ(c.read + "\n" + c.read + "\n", testing::internal::GetCapturedStdout());
        }
        testing::internal::CaptureStdout();
        EXPECT_EQ(0, image.writeBMP(c.file.c_str()));
        EXPECT_EQ(c.written + "\n", testing::internal::GetCapturedStdout());
    }
    EXPECT_TRUE(sameBytes(makeBmp(4, 4), readFile<Bytes>(dir.path("skin.bmp"))));
}

}  // namespace
