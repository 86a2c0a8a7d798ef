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
    {"photo.jpeg", "", -1, 0},
    {"plain.tga", "-compress none", 2, 2},
    {"rle.tga", "-compress RLE", 2, 10},
    {"one.bmp", "-monochrome BMP3:", 28, 1},
    {"four.bmp", "-colors 16 -compress none BMP3:", 28, 4},
    {"eight.bmp", "-type palette -compress none BMP3:", 28, 8},
    {"eightrle.bmp", "-type palette -compress RLE BMP3:", 30, 1},
    {"sixteen.bmp", "-define bmp:subtype=RGB565", 28, 16},
    {"thirtytwo.bmp", "-alpha set", 28, 32},
    {"plain24.BMP", "-type truecolor BMP3:", 28, 24},
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

TEST(ImageFormats, extensions_in_any_case_and_only_the_supported_ones) {
    const struct {
        const char* name;
        ImageFormat format;
    } cases[] = {{"a.bmp", ImageFormat::kBmp},  {"d.x/A.PCX", ImageFormat::kPcx},     {"b.Png", ImageFormat::kPng},
                 {"c.JPG", ImageFormat::kJpeg}, {"c.jpeg", ImageFormat::kJpeg},       {"t.tga", ImageFormat::kTga},
                 {"a.gif", ImageFormat::kNone}, {"dir.png/skin", ImageFormat::kNone}, {"bmp", ImageFormat::kNone}};
    for (const auto& c : cases)
        EXPECT_EQ(c.format, imageFormatOfName(c.name)) << c.name;
    EXPECT_TRUE(isSupportedImageExtension(".TGA"));
    EXPECT_FALSE(isSupportedImageExtension("tga"));
    EXPECT_STREQ(".bmp, .pcx, .png, .jpg, .jpeg, .tga", supportedImageExtensionsText());
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
            EXPECT_EQ("saving image: " + file + "\n", said);
            EXPECT_TRUE(sameBytes(magickPixels(file), topFirst(*image)));
        }
        delete image;
    }
}

TEST(ImageFormats, an_eight_bit_pcx_keeps_its_palette_and_says_how_many_texels_changed) {
    ScratchDir dir;
    std::string file = inDir(dir, kKinds[0]);
    const Bytes before = readFile<Bytes>(file);
    Image* image = Image::load(&file);
    ASSERT_NE(nullptr, image);
    const Bytes held = topFirst(*image);
    GLubyte odd[3] = {1, 254, 3};  // a colour the plasma's palette does not have
    ASSERT_EQ(1, image->set(0, 0, odd, 1.0));
    ASSERT_EQ(1, image->set(1, 0, odd, 1.0));
    CaptureStdout();
    ASSERT_EQ(1, image->save());
    EXPECT_EQ("saving image: " + file + "\n" + file + ": 2 texels took the nearest colour of its palette\n",
              GetCapturedStdout());
    const Bytes after = readFile<Bytes>(file);
    ASSERT_GE(after.size(), 769u);
    EXPECT_EQ(8, after[3]);
    EXPECT_EQ(1, after[65]);
    EXPECT_TRUE(sameBytes(Bytes(before.end() - 769, before.end()), Bytes(after.end() - 769, after.end())));
    // Everything but the two bottom-left texels is as read; those two are one colour of the palette.
    const Bytes back = magickPixels(file);
    ASSERT_EQ(held.size(), back.size());
    const size_t bottom = held.size() - 3 * 24;
    EXPECT_TRUE(sameBytes(Bytes(held.begin(), held.begin() + bottom), Bytes(back.begin(), back.begin() + bottom)));
    EXPECT_TRUE(sameBytes(Bytes(held.begin() + bottom + 6, held.end()), Bytes(back.begin() + bottom + 6, back.end())));
    bool inPalette = false;
    for (size_t i = after.size() - 768; i < after.size(); i += 3)
        inPalette = inPalette || std::equal(after.begin() + i, after.begin() + i + 3, back.begin() + bottom);
    EXPECT_TRUE(inPalette);
    EXPECT_EQ(Bytes(back.begin() + bottom, back.begin() + bottom + 3),
              Bytes(back.begin() + bottom + 3, back.begin() + bottom + 6));
    delete image;
}

TEST(ImageFormats, writing_picks_the_format_from_the_name_and_refuses_others) {
    ScratchDir dir;
    std::string file = inDir(dir, kKinds[2]);
    Image* image = Image::load(&file);
    ASSERT_NE(nullptr, image);
    for (const char* name : {"w.bmp", "w.PNG", "w.tga", "w.pcx"}) {
        CaptureStdout();
        EXPECT_EQ(1, image->write(dir.path(name).c_str())) << name;
        EXPECT_EQ("", GetCapturedStdout()) << name;
        EXPECT_TRUE(sameBytes(topFirst(*image), magickPixels(dir.path(name)))) << name;
    }
    CaptureStdout();
    EXPECT_EQ(0, image->write(dir.path("w.gif").c_str()));
    EXPECT_EQ("cannot save skin as '" + dir.path("w.gif") +
                  "': unsupported extension '.gif' (supported: .bmp, .pcx, .png, .jpg, .jpeg, .tga)\n",
              GetCapturedStdout());
    std::string gif = dir.path("skin.gif");
    CaptureStdout();
    EXPECT_EQ(nullptr, Image::load(&gif));
    EXPECT_EQ(0, image->reloadImage(&gif));
    const std::string refused = "cannot read skin '" + gif +
                                "': unsupported extension '.gif' (supported: .bmp, .pcx, .png, .jpg, .jpeg, .tga)\n";
    EXPECT_EQ(refused + refused, GetCapturedStdout());
    delete image;
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
    delete image;
}

// A ".pcx" name reads the ".bmp" beside it when there is one, else the PCX, and writes back what it read.
TEST(ImageFormats, reloads_keep_the_size_and_pcx_names_read_their_bmp_sibling_first) {
    ScratchDir dir;
    std::string png = dir.path("skin.png"), small = dir.path("small.png"), pcx = dir.path("skin.pcx");
    ASSERT_TRUE(convertTo("", png));
    for (const std::string& made : {small, "PCX:" + pcx})
        ASSERT_EQ(0, std::system((kConvert + " -size 4x4 xc:red '" + made + "'").c_str()));
    Image* image = Image::load(&png);
    ASSERT_NE(nullptr, image);
    CaptureStdout();
    EXPECT_EQ(0, image->reloadImage(&small));
    EXPECT_EQ("image/texture dimension mismatch! Cannot load texture '" + small + "'.\n", GetCapturedStdout());
    EXPECT_EQ(24, image->width());
    EXPECT_EQ(1, image->reloadImage(&pcx));
    EXPECT_EQ(4, image->width());
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

// A PNG of width x height pixels of one grey, its pixels in stored (uncompressed) deflate blocks.
Bytes storedPng(uint32_t width, uint32_t height) {
    const auto crc = [](const Bytes& b, size_t from) {
        uint32_t c = 0xffffffffu;
        for (size_t i = from; i < b.size(); ++i) {
            c ^= b[i];
            for (int k = 0; k < 8; ++k)
                c = (c >> 1) ^ (0xedb88320u & (0u - (c & 1u)));
        }
        return ~c;
    };
    const auto putBe = [](Bytes& b, uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            b.push_back(static_cast<unsigned char>(v >> shift));
    };
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    const auto chunk = [&](const char* type, const Bytes& data) {
        putBe(png, static_cast<uint32_t>(data.size()));
        const size_t start = png.size();
        png.insert(png.end(), type, type + 4);
        png.insert(png.end(), data.begin(), data.end());
        putBe(png, crc(png, start));
    };
    Bytes header;
    putBe(header, width);
    putBe(header, height);
    header.insert(header.end(), {8, 0, 0, 0, 0});  // 8-bit grey, no interlace
    chunk("IHDR", header);
    Bytes raw;
    for (uint32_t y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        raw.insert(raw.end(), width, 0x80);
    }
    Bytes zlib = {0x78, 0x01};
    for (size_t at = 0; at < raw.size(); at += 0xffff) {
        const uint16_t n = static_cast<uint16_t>(std::min<size_t>(0xffff, raw.size() - at));
        zlib.insert(zlib.end(), {static_cast<unsigned char>(at + n == raw.size()), static_cast<unsigned char>(n),
                                 static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(~n),
                                 static_cast<unsigned char>(~n >> 8)});
        zlib.insert(zlib.end(), raw.begin() + at, raw.begin() + at + n);
    }
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    putBe(zlib, b << 16 | a);
    chunk("IDAT", zlib);
    chunk("IEND", {});
    return png;
}

// Pictures ImageMagick cannot hold are refused, naming the limits, before any reaches it: whether read by the
// program's own BMP reader or by ImageMagick, and whether encoded in any format.
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
        Bytes bytes;
    } files[] = {
        {"wide.bmp", wide, 2, makeBmp(wide, 2, 0)}, {"tall.bmp", 1, tall, makeBmp(1, tall, 0)},
        {"vast.bmp", most.width, deep, Bytes()},    {"wide.png", wide, 1, storedPng(wide, 1)},
        {"tall.png", 1, tall, storedPng(1, tall)},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        std::string file = dir.path(f.name);
        Bytes bytes = f.bytes;
        if (bytes.empty()) {  // only the header of a picture too large to make here
            bytes = makeBmp(1, 1, 0);
            putLe(bytes, 18, static_cast<uint32_t>(f.width));
            putLe(bytes, 22, static_cast<uint32_t>(f.height));
        }
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

// A failed save keeps the old file and says why in the writer's words: a short write's own reason, ENOSPC on a full
// disk (/dev/full behind a link stands for one), not a generic input/output error.
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
        {"full.tga", true, "cannot write %s: No space left on device\n"},
        {"full.pcx", true, "cannot write %s: No space left on device\n"},
        {"full.jpg", true, "cannot write %s: No space left on device\n"},
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
