// Skins in every format and depth, read and written as ImageMagick's convert reads them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>

#include "paint/image/ImageCodec.h"
#include "paint/image/ImageFormats.h"
#include "paint/image/PictureLimits.h"
#include "scene/ScreenshotFile.h"
#include "tests/SameBytes.h"
#include "tests/paint/PaintTestSupport.h"

using namespace painttest;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

// A 24 x 16 picture with many colours, made by convert with extra options into file.
bool convertTo(const std::string& options, const std::string& file) {
    const std::string line =
        kConvert + " -seed 7 -size 24x16 plasma:fractal -depth 8 " + options + " '" + file + "' 2>/dev/null";
    return std::system(line.c_str()) == 0;
}

struct Kind {
    const char* name;     // the file's name, whose extension gives its format
    const char* options;  // convert's options, the output format prefix included
    int at, value;        // a header byte that shows the kind was made (-1: none)
};

const Kind kKinds[] = {
    {"pal.pcx", "-type palette", 3, 8},
    {"true.pcx", "-type truecolor", 65, 3},
    {"rgb.png", "", -1, 0},
    {"alpha.PNG", "-alpha set -channel A -evaluate set 40% +channel", 25, 6},
    {"photo.jpg", "-quality 90", -1, 0},
    {"plain.tga", "-compress none", 2, 2},
    {"rle.tga", "-compress RLE", 2, 10},
    {"dxt1.dds", "-define dds:compression=dxt1 DDS:", 87, '1'},
    {"one.bmp", "-monochrome BMP3:", 28, 1},
    {"four.bmp", "-colors 16 -compress none BMP3:", 28, 4},
    {"eight.bmp", "-type palette -compress none BMP3:", 28, 8},
    {"eightrle.bmp", "-type palette -compress RLE BMP3:", 30, 1},
    {"sixteen.bmp", "-define bmp:subtype=RGB565", 28, 16},
    {"thirtytwo.bmp", "-alpha set", 28, 32},
    {"plain24.BMP", "-type truecolor BMP3:", 28, 24},
    {"v5.bmp", "-type truecolor", 14, 124},  // ImageMagick's own flavour: a 124-byte header
};

std::string inDir(const ScratchDir& dir, const Kind& kind) {
    const std::string file = dir.path(kind.name);
    const std::string options = kind.options;
    const size_t colon = options.rfind(' ') == std::string::npos ? 0 : options.rfind(' ') + 1;
    const bool prefixed = !options.empty() && options.back() == ':';
    // convert takes "BMP3:file"; the prefix belongs before the file name, not among the options.
    EXPECT_TRUE(prefixed ? convertTo(options.substr(0, colon), options.substr(colon) + file) : convertTo(options, file))
        << kind.name;
    if (kind.at >= 0) {
        EXPECT_EQ(kind.value, readFile<Bytes>(file).at(kind.at)) << kind.name << ": not the kind meant";
    }
    return file;
}

TEST(ImageFormats, extensions_in_any_case_and_only_the_supported_ones_read_or_written) {
    const struct {
        const char* name;
        ImageFormat format;
    } cases[] = {{"a.bmp", ImageFormat::kBmp},  {"d.x/A.PCX", ImageFormat::kPcx}, {"b.Png", ImageFormat::kPng},
                 {"c.JPG", ImageFormat::kJpeg}, {"c.jpeg", ImageFormat::kJpeg},   {"t.tga", ImageFormat::kTga},
                 {"t.DDS", ImageFormat::kDds},  {"a.gif", ImageFormat::kNone},    {"dir.png/skin", ImageFormat::kNone},
                 {"bmp", ImageFormat::kNone}};
    for (const auto& c : cases)
        EXPECT_EQ(c.format, imageFormatOfName(c.name)) << c.name;
    EXPECT_TRUE(isSupportedImageExtension(".TGA"));
    EXPECT_FALSE(isSupportedImageExtension("tga"));
    EXPECT_STREQ(".bmp, .pcx, .png, .jpg, .jpeg, .tga, .dds", supportedImageExtensionsText());
    // A name of no supported format is refused for writing, reading and reloading alike.
    ScratchDir dir;
    std::string file = dir.path("skin.bmp"), gif = dir.path("skin.gif");
    writeFile(file, makeBmp(4, 4));
    std::unique_ptr<Image> image(Image::load(&file));
    ASSERT_NE(nullptr, image);
    const std::string why =
        gif + "': unsupported extension '.gif' (supported: " + supportedImageExtensionsText() + ")\n";
    CaptureStdout();
    EXPECT_EQ(0, image->write(gif.c_str()));
    EXPECT_EQ(nullptr, Image::load(&gif));
    EXPECT_EQ(0, image->reloadImage(&gif));
    EXPECT_EQ("cannot save skin as '" + why + "cannot read skin '" + why + "cannot read skin '" + why,
              GetCapturedStdout());
}

TEST(ImageFormats, every_kind_reads_as_imagemagick_reads_it_and_saves_back_in_place) {
    ScratchDir dir;
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.name);
        std::string file = inDir(dir, kind);
        Image* image = Image::load(&file);
        ASSERT_NE(nullptr, image);
        EXPECT_TRUE(sameBytes(magickPixels(file), topFirst(*image)));
        EXPECT_EQ(file, image->getSourceFile());
        GLubyte paint[3] = {250, 10, 120};
        for (int x = 0; x < 5; ++x)
            ASSERT_EQ(1, image->set(x, 2, paint, 0.5));
        CaptureStdout();
        ASSERT_EQ(1, image->save());
        const std::string said = GetCapturedStdout();
        const bool lossy = imageFormatOfName(file) == ImageFormat::kJpeg;
        const bool palette = std::string(kind.name) == "pal.pcx";
        if (lossy) {
            EXPECT_EQ("saving image: " + file + "\n" + file +
                          ": JPEG is lossy; the saved texels differ slightly from the painted ones\n",
                      said);
            const Bytes back = magickPixels(file), held = topFirst(*image);
            ASSERT_EQ(held.size(), back.size());
            for (size_t i = 0; i < held.size(); ++i)
                ASSERT_GE(32, std::abs(int(back[i]) - int(held[i]))) << i;
        } else if (!palette) {
            // The blend is no colour of an indexed BMP's palette: it is saved as 24-bit, saying so.
            const bool indexed = kind.at == 28 && kind.value <= 8;
            EXPECT_EQ("saving image: " + file + "\n", said.substr(0, said.find('\n') + 1));
            EXPECT_EQ(indexed ? 2 : 1, std::count(said.begin(), said.end(), '\n')) << said;
            EXPECT_TRUE(sameBytes(magickPixels(file), topFirst(*image)));
        }
        delete image;
    }
}

TEST(ImageFormats, damaged_and_truncated_files_are_refused_with_the_file_and_a_reason) {
    ScratchDir dir;
    std::string good = dir.path("good.png");
    ASSERT_TRUE(convertTo("", good));
    Image* image = Image::load(&good);
    ASSERT_NE(nullptr, image);
    const Bytes held = topFirst(*image);
    for (const Kind& kind : kKinds) {
        const Bytes whole = readFile<Bytes>(inDir(dir, kind));
        for (int damage = 0; damage < 3; ++damage) {
            SCOPED_TRACE(std::string(kind.name) + " damage " + std::to_string(damage));
            Bytes bytes = whole;
            if (damage == 0)
                bytes.resize(bytes.size() / 2);
            else if (damage == 1)
                bytes.resize(20);
            else
                std::fill(bytes.begin(), bytes.begin() + 18, 0xEE);
            std::string file = dir.path(std::string("bad_") + kind.name);
            writeFile(file, bytes);
            CaptureStdout();
            EXPECT_EQ(nullptr, Image::load(&file));
            EXPECT_EQ(0, image->reloadImage(&file));
            const std::string said = GetCapturedStdout();
            const std::string start = "cannot read skin '" + file + "': ";
            const bool ownReader = said.find("Error") == 0;  // a plain 24-bit BMP cut short, in its own words
            EXPECT_TRUE(ownReader || (said.compare(0, start.size(), start) == 0 && said.size() > start.size() + 1))
                << said;
            EXPECT_TRUE(sameBytes(held, topFirst(*image)));
        }
    }
    Bytes claims = readFile<Bytes>(good);  // its first chunk claims 2,139,062,143 bytes
    std::fill(claims.begin() + 8, claims.begin() + 12, 0x7F);
    std::string greedy = dir.path("greedy.png");
    writeFile(greedy, claims);
    CaptureStdout();
    EXPECT_EQ(nullptr, Image::load(&greedy));
    const std::string said = GetCapturedStdout();
    EXPECT_NE(std::string::npos, said.find(": a PNG chunk of 2139062143 bytes in a file of ")) << said;
    delete image;
}

TEST(ImageFormats, reloads_keep_the_size_and_pcx_names_read_their_bmp_sibling_first) {
    ScratchDir dir;
    std::string png = dir.path("skin.png"), small = dir.path("small.png"), pcx = dir.path("skin.pcx");
    ASSERT_TRUE(convertTo("", png));
    for (const std::string& made : {small, "PCX:" + pcx})  // as wide as the skin: only the height differs
        ASSERT_EQ(0, std::system((kConvert + " -size 24x4 xc:red '" + made + "'").c_str()));
    Image* image = Image::load(&png);
    ASSERT_NE(nullptr, image);
    CaptureStdout();
    EXPECT_EQ(0, image->reloadImage(&small));
    EXPECT_EQ("image/texture dimension mismatch! Cannot load texture '" + small + "'. It is 24x4, the skin 24x16.\n",
              GetCapturedStdout());
    EXPECT_EQ(16, image->height());
    EXPECT_EQ(1, image->reloadImage(&pcx));
    EXPECT_EQ(4, image->height());
    EXPECT_EQ(pcx, image->getSourceFile());
    EXPECT_EQ(ImageFormat::kPcx, image->getFormat());
    writeFile(dir.path("skin.bmp"), makeBmp(3, 2));
    EXPECT_EQ(1, image->reloadImage(&pcx));
    EXPECT_TRUE(sameBytes(gradient(3, 2), topFirst(*image)));
    EXPECT_EQ(dir.path("skin.bmp"), image->getSourceFile());
    EXPECT_EQ(pcx, image->getFilename());
    CaptureStdout();
    EXPECT_EQ(1, image->save());
    EXPECT_EQ("saving image: " + dir.path("skin.bmp") + "\n", GetCapturedStdout());
    delete image;
}

// Just enough of a file of name's format for a reader to learn that it holds width x height pixels.
Bytes headerOf(const std::string& name, uint32_t width, uint32_t height) {
    Bytes b;
    const auto be16 = [&](uint32_t v) {
        b.insert(b.end(), {static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)});
    };
    switch (imageFormatOfName(name)) {
        case ImageFormat::kBmp:
            b = makeBmp(1, 1, 0);
            putLe(b, 18, width);
            putLe(b, 22, height);
            break;
        case ImageFormat::kPng:  // signature, then the header chunk: sizes, 8-bit red, green, blue
            b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0};
            be16(width), b.insert(b.end(), {0, 0}), be16(height), b.insert(b.end(), {8, 2, 0, 0, 0});
            break;
        case ImageFormat::kTga:  // uncompressed true colour, 24 bits
            b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
            appendLe(b, {width, height}, 2);
            b.insert(b.end(), {24, 0});
            break;
        case ImageFormat::kPcx:  // version 5, run-length, 8 bits, three planes: the last column and row
            b = {0x0A, 5, 1, 8, 0, 0, 0, 0};
            appendLe(b, {width - 1, height - 1}, 2);
            putLe(b, 65, 3, 1);
            putLe(b, 127, 0, 1);
            break;
        default:  // JPEG: start of image, then a baseline frame: 8 bits, rows, columns, three components
            b = {0xFF, 0xD8, 0xFF, 0xC0, 0, 17, 8};
            be16(height), be16(width), b.insert(b.end(), {3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1});
    }
    return b;
}

// Pictures beyond the limits are refused by their headers before ImageMagick reads them, and are not encoded.
TEST(ImageFormats, pictures_beyond_the_size_limits_are_refused_naming_them) {
    const PictureLimits& most = PictureLimits::current();
    ASSERT_LE(most.width, kMostPictureSide);
    ASSERT_LE(most.height, kMostPictureSide);
    ScratchDir dir;
    const int wide = most.width + 1, tall = most.height + 1;
    const int deep = static_cast<int>(std::min<uint64_t>(most.area / most.width + 1, most.height));
    const struct {
        const char* name;
        int width, height;
        bool whole;  // the whole file, read by the program's own reader, not just its header
    } files[] = {{"wide.bmp", wide, 2, true},  {"tall.bmp", 1, tall, true},  {"vast.bmp", most.width, deep, false},
                 {"wide.png", wide, 1, false}, {"tall.png", 1, tall, false}, {"wide.tga", wide, 1, false},
                 {"high.pcx", 1, tall, false}, {"wide.jpg", wide, 1, false}};
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        std::string file = dir.path(f.name);
        const Bytes bytes = f.whole ? makeBmp(f.width, f.height, 0) : headerOf(f.name, f.width, f.height);
        writeFile(file, bytes);
        CaptureStdout();
        Image* image = Image::load(&file);
        EXPECT_EQ("cannot read skin '" + file + "': " + most.refusal(f.width, f.height) + "\n", GetCapturedStdout());
        EXPECT_EQ(nullptr, image);
        delete image;
    }
    Picture picture;
    picture.width = wide;
    picture.height = 1;
    picture.rgb.assign(Picture::bytesFor(wide, 1), 0x40);
    for (ImageFormat format : {ImageFormat::kPng, ImageFormat::kJpeg, ImageFormat::kTga, ImageFormat::kPcx}) {
        std::vector<unsigned char> bytes;
        long changed = 0;
        std::string why;
        EXPECT_FALSE(ImageCodec::encode(picture, format, &bytes, &changed, &why));
        EXPECT_EQ(most.refusal(wide, 1), why) << static_cast<int>(format);
    }
}

// A failed save keeps the old file and names the writer's own reason (/dev/full behind a link for a full disk).
TEST(ImageFormats, a_failed_write_keeps_the_old_file_and_names_the_reason) {
    ScratchDir dir;
    const Bytes bmp = makeBmp(64, 64);  // more than a stdio buffer holds, so writes reach the file at once
    writeFile(dir.path("skin.bmp"), bmp);
    const struct {
        const char* name;
        bool full;         // through a link to /dev/full, else under a file-size limit over an old file
        const char* said;  // after "saving image: <file>\n"; %s is the file
    } cases[] = {
        {"full.bmp", true, "Error writing file! (No space left on device)\n"},
        {"full.png", true, "cannot write %s: No space left on device\n"},
        {"big.bmp", false, "Error writing file! (File too large)\n"},
        {"big.tga", false, "cannot write %s: File too large\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = dir.path(c.name);
        if (c.full)
            ASSERT_EQ(0, symlink("/dev/full", file.c_str()));
        else
            ASSERT_TRUE(convertTo("-compress none", file));
        const Bytes before = c.full ? Bytes() : readFile<Bytes>(file);  // /dev/full reads endless zeros
        std::string source = dir.path("skin.bmp");
        std::unique_ptr<Image> image(Image::load(&source));
        ASSERT_NE(nullptr, image);
        GLubyte white[3] = {255, 255, 255};
        image->set(0, 0, white, 1.0);
        CaptureStdout();
        EXPECT_EQ(0, underFileSizeLimit(200, [&] { return image->write(file.c_str()); }));
        std::string said = c.said;
        if (said.find("%s") != std::string::npos)
            said.replace(said.find("%s"), 2, file);
        EXPECT_EQ(said, GetCapturedStdout());
        if (!c.full) {
            EXPECT_TRUE(sameBytes(before, readFile<Bytes>(file)));
        }
    }
    EXPECT_EQ(static_cast<long>(std::size(cases)) + 1, dir.entries());  // no temporary left behind
    int err = 0;
    EXPECT_FALSE(writeScreenshotFile(dir.path("full.png").c_str(), bmp, &err));
    EXPECT_STREQ("No space left on device", std::strerror(err));
}

}  // namespace
