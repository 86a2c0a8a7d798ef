// BMP reading and writing: round trips of every row padding, ImageMagick's
// reading as the reference, refused kinds and short files, a failed write.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>

#include "paint/Image.h"
#include "tests/paint/PaintTestSupport.h"

using namespace painttest;

namespace {

Bytes topFirst(Image& image)  // the picture as read
{
    Bytes rgb;
    const size_t row = 3 * static_cast<size_t>(image.width());
    for (int y = image.height() - 1; image.pixels() && y >= 0; --y)
        rgb.insert(rgb.end(), image.pixels() + y * row, image.pixels() + (y + 1) * row);
    return rgb;
}

TEST(ImageBmp, gradients_of_every_row_padding_round_trip_byte_for_byte) {
    ScratchDir dir;
    for (int width = 1; width <= 5; ++width) {
        writeFile(dir.path("in.bmp"), makeBmp(width, 3));
        Image image;
        ASSERT_EQ(1, image.loadBMP(dir.path("in.bmp").c_str())) << width;
        EXPECT_EQ(gradient(width, 3), topFirst(image)) << width;
        ASSERT_EQ(1, image.writeBMP(dir.path("out.bmp").c_str()));
        EXPECT_EQ(makeBmp(width, 3), readFile(dir.path("out.bmp"))) << width;  // the plain header too
    }
}

TEST(ImageBmp, reads_as_imagemagick_does_and_writes_what_it_reads_alike) {
    // ImageMagick's default flavour (124-byte header), its plain 24-bit
    // flavour, and rows stored top first; all of odd widths.
    ScratchDir dir;
    const std::string files[] = {dir.path("default.bmp"), dir.path("plain.bmp"), dir.path("top.bmp")};
    ASSERT_EQ(0, run(kConvert + " -size 5x3 gradient:red-blue -type truecolor '" + files[0] + "'"));
    ASSERT_EQ(0, run(kConvert + " -seed 4 -size 7x4 plasma:fractal -type truecolor BMP3:'" + files[1] + "'"));
    writeFile(files[2], makeBmp(5, 3, -1, true));
    for (const std::string& file : files) {
        Image image;
        ASSERT_EQ(1, image.loadBMP(file.c_str())) << file;
        EXPECT_EQ(magickPixels(file), topFirst(image)) << file;
        ASSERT_EQ(1, image.writeBMP(dir.path("w.bmp").c_str()));
        EXPECT_EQ(magickPixels(dir.path("w.bmp")), topFirst(image)) << file << " as written";
    }
}

TEST(ImageBmp, refuses_other_kinds_and_short_files_but_not_a_wrong_pixel_array_size) {
    ScratchDir dir;
    writeFile(dir.path("before.bmp"), makeBmp(5, 3));
    const std::string file = dir.path("k.bmp"), refused = "Not a 24-bit uncompressed bitmap: " + file + "\n";
    // A 4 x 3 file, its 32-bit field at `at` set to value and cut bytes cut off; what loading prints.
    const struct {
        size_t at;
        uint32_t value;
        size_t cut;
        std::string said;
    } kinds[] = {
        {28, 8, 0, refused},
        {28, 32, 0, refused},  // bits per pixel
        {30, 1, 0, refused},   // compression: run-length
        {18, 0, 0, refused},
        {18, 16385, 0, refused},  // width
        {34, 5, 0, ""},
        {34, 0xfffffff0, 0, ""},              // pixel array size: the rows decide it
        {2, 66, 1, "Error loading file!\n"},  // a wrong file size and a byte short
    };
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
        EXPECT_EQ(kind.said.empty() ? gradient(4, 3) : gradient(5, 3), topFirst(image));  // else the old picture
    }
}

TEST(ImageBmp, failed_write_keeps_the_old_file) {
    ScratchDir dir;
    writeFile(dir.path("skin.bmp"), makeBmp(32, 32));
    Image image;
    ASSERT_EQ(1, image.loadBMP(dir.path("skin.bmp").c_str()));
    // No file may grow past 1000 bytes, so writing it back fails part way through.
    rlimit saved;
    ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &saved));
    const rlimit small = {1000, saved.rlim_max};
    void (*handler)(int) = signal(SIGXFSZ, SIG_IGN);
    testing::internal::CaptureStdout();
    setrlimit(RLIMIT_FSIZE, &small);
    const int written = image.writeBMP(dir.path("skin.bmp").c_str());
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, handler);
    EXPECT_EQ("Error writing file!\n", testing::internal::GetCapturedStdout());
    EXPECT_EQ(0, written);
    EXPECT_EQ(makeBmp(32, 32), readFile(dir.path("skin.bmp")));
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(dir.root), {}));  // no stray file
}

TEST(ImageBmp, rewritten_file_keeps_its_permissions_and_leaves_no_temporary) {
    ScratchDir dir;
    const std::string file = dir.path("skin.bmp");
    writeFile(file, makeBmp(4, 4, 0));
    ASSERT_EQ(0, chmod(file.c_str(), 0640));
    Image image;
    ASSERT_EQ(1, image.loadBMP(file.c_str()));
    unsigned char white[3] = {255, 255, 255};
    ASSERT_EQ(1, image.set(0, 0, white, 1.0));
    ASSERT_EQ(1, image.writeBMP(file.c_str()));
    struct stat st;
    ASSERT_EQ(0, stat(file.c_str(), &st));
    EXPECT_EQ(0640u, st.st_mode & 07777u);
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(dir.root), {}));
    Bytes expected = makeBmp(4, 4, 0);
    std::fill(expected.begin() + 54, expected.begin() + 57, 255);  // the first pixel of the bottom row
    EXPECT_EQ(expected, readFile(file));
}

}  // namespace
