// `save skins`: unchanged skins are left byte for byte; painted ones keep their file's form where the paint fits it.
#include "console/SkinSaves.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/SameBytes.h"
#include "tests/paint/PaintTestSupport.h"

using namespace painttest;

namespace {

// Which bytes beside the rows a save must keep as the file had them.
enum class Kept {
    kAllButRows,  // an indexed BMP or PNG: every byte before and after its rows (PNG: its picture data chunks)
    kPcxPalette,  // the 769 bytes of palette at the end
    kJpegMeta,    // every marker segment of metadata (Exif, comments, XMP, ...), and the quality
    kNothing,     // a file written afresh
};

struct Row {
    const char* file;
    const char* options;  // convert's, a format prefix last
    bool fits;            // painted with a colour the picture has, or with one it has not
    int depthAt, depth;   // the header byte giving bits a texel (PNG: colour type), and its value after the save
    Kept kept;
    const char* note;  // printed after "saving image: <file>\n<file>" when not empty
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.file << (row.fits ? " in its colours" : " in a new colour");
}

const Row kRows[] = {
    {"eight.bmp", "-type palette -compress none BMP3:", true, 28, 8, Kept::kAllButRows, ""},
    {"four.bmp", "-colors 16 -compress none BMP3:", true, 28, 4, Kept::kAllButRows, ""},
    {"palette.png", "-type palette PNG8:", true, 25, 3, Kept::kAllButRows, ""},
    {"palette.png", "-type palette PNG8:", false, 25, 2, Kept::kNothing,
     ": 1 colour does not fit its palette; saved as 24-bit\n"},
    {"interlaced.png", "-type palette -interlace PNG PNG8:", true, 25, 3, Kept::kNothing, ""},  // its rows go plain
    {"palette.pcx", "-type palette", true, 3, 8, Kept::kPcxPalette, ""},
    {"palette.pcx", "-type palette", false, 3, 8, Kept::kPcxPalette,
     ": 4 texels took the nearest colour of its palette\n"},
    {"exif.jpg", "-quality 77 -set comment 'painted by hand'", false, -1, 0, Kept::kJpegMeta,
     ": JPEG is lossy; the saved texels differ slightly from the painted ones\n"},
};

// A small Exif block, as cameras put one right after the start of the file: one IFD with no entries.
void addExif(const std::string& file) {
    Bytes bytes = readFile<Bytes>(file);
    const Bytes exif = {0xFF, 0xE1, 0, 22, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    bytes.insert(bytes.begin() + 2, exif.begin(), exif.end());
    writeFile(file, bytes);
}

// A JPEG's metadata segments (Exif, XMP, Photoshop's, comments; not Adobe's, the encoder's own), sorted.
std::vector<Bytes> metadataOf(const Bytes& b) {
    std::vector<Bytes> segments;
    for (size_t at = 2; at + 4 <= b.size() && b[at] == 0xFF && b[at + 1] != 0xDA;) {
        const size_t end = at + 2 + (b[at + 2] << 8 | b[at + 3]);
        if ((b[at + 1] >= 0xE1 && b[at + 1] <= 0xED) || b[at + 1] == 0xFE)
            segments.emplace_back(b.begin() + at, b.begin() + std::min(end, b.size()));
        at = end;
    }
    std::sort(segments.begin(), segments.end());
    return segments;
}

// Where an indexed file's rows lie: a BMP's from its offset on; a PNG's picture data chunks.
std::pair<size_t, size_t> rowsOf(const Bytes& b, bool png) {
    if (!png)
        return {readLe32(b.data() + 10), b.size()};
    size_t first = 0, end = 0;
    for (size_t at = 8; at + 12 <= b.size(); at += 12 + (b[at] << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3])) {
        if (std::string(b.begin() + at + 4, b.begin() + at + 8) == "IDAT")
            first = first ? first : at, end = at + 12 + (b[at] << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3]);
    }
    return {first, end};
}

int qualityOf(const std::string& file) {
    FILE* p = popen(("/usr/bin/identify -format %Q '" + file + "' 2>/dev/null").c_str(), "r");
    int quality = 0;
    if (!p || std::fscanf(p, "%d", &quality) != 1)
        quality = -1;
    if (p)
        pclose(p);
    return quality;
}

std::string saved(std::vector<std::unique_ptr<Image>>& skins) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(1, SkinSaves::saveChanged(skins));
    return testing::internal::GetCapturedStdout();
}

class SkinSavesTest : public testing::TestWithParam<Row> {};

TEST_P(SkinSavesTest, unchanged_skins_stay_as_they_were_and_painted_ones_keep_their_files_form) {
    const Row& row = GetParam();
    ScratchDir dir;
    std::string file = dir.path(row.file);
    const std::string options = row.options,
                      prefix = options.back() == ':' ? options.substr(options.rfind(' ') + 1) : "";
    const std::string line = kConvert + " -seed 7 -size 24x16 plasma:fractal -depth 8 " +
                             options.substr(0, options.size() - prefix.size()) + " '" + prefix + file + "'";
    ASSERT_EQ(0, std::system(line.c_str())) << line;
    if (row.kept == Kept::kJpegMeta)
        addExif(file);
    const Bytes before = readFile<Bytes>(file);
    const auto written = std::filesystem::last_write_time(file);  // to the nanosecond
    const int quality = row.kept == Kept::kJpegMeta ? qualityOf(file) : 0;
    std::vector<std::unique_ptr<Image>> skins;
    skins.emplace_back(Image::load(&file));
    Image* skin = skins[0].get();
    ASSERT_TRUE(skin);

    EXPECT_EQ("unchanged, not saved: " + file + "\n", saved(skins));
    EXPECT_TRUE(sameBytes(before, readFile<Bytes>(file)));
    EXPECT_TRUE(written == std::filesystem::last_write_time(file));

    GLubyte colour[3] = {1, 254, 3};          // in no plasma's palette
    const auto painted = [&](int x, int y) {  // whether texel (x, y) already has the colour
        GLubyte held[3];
        return skin->get(x, y, held) && std::equal(held, held + 3, colour);
    };
    // A colour of the picture's own that the painted corner has not.
    for (int at = skin->width() * skin->height() - 1; row.fits && at >= 0; --at)
        if (skin->get(at % skin->width(), at / skin->width(), colour) &&
            !(painted(0, 0) || painted(1, 0) || painted(0, 1) || painted(1, 1)))
            break;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            ASSERT_EQ(1, skin->set(x, y, colour, 1.0));
    EXPECT_EQ("saving image: " + file + "\n" + (*row.note ? file + row.note : ""), saved(skins));
    const Bytes after = readFile<Bytes>(file);
    ASSERT_LT(static_cast<size_t>(std::max(row.depthAt, 0)), after.size());
    if (row.depthAt >= 0) {
        EXPECT_EQ(row.depth, after[row.depthAt]);
    }
    const bool png = row.depthAt == 25;
    switch (row.kept) {
        case Kept::kAllButRows: {
            const auto [start, end] = rowsOf(before, png);
            const auto [newStart, newEnd] = rowsOf(after, png);
            EXPECT_TRUE(sameBytes(Bytes(before.begin(), before.begin() + start),
                                  Bytes(after.begin(), after.begin() + newStart)));
            EXPECT_TRUE(
                sameBytes(Bytes(before.begin() + end, before.end()), Bytes(after.begin() + newEnd, after.end())));
            break;
        }
        case Kept::kPcxPalette:
            ASSERT_GE(after.size(), 769u);
            EXPECT_TRUE(sameBytes(Bytes(before.end() - 769, before.end()), Bytes(after.end() - 769, after.end())));
            break;
        case Kept::kJpegMeta: {
            const std::vector<Bytes> meta = metadataOf(before), kept = metadataOf(after);
            ASSERT_EQ(meta.size(), kept.size());
            ASSERT_LT(0u, meta.size());
            for (size_t i = 0; i < meta.size(); ++i)
                EXPECT_TRUE(sameBytes(meta[i], kept[i])) << "segment " << i;
            EXPECT_LT(0, quality);
            EXPECT_EQ(quality, qualityOf(file));
            break;
        }
        case Kept::kNothing: break;
    }
    if (row.kept != Kept::kJpegMeta && (row.fits || row.kept != Kept::kPcxPalette)) {  // else not the colours painted
        EXPECT_TRUE(sameBytes(topFirst(*skin), magickPixels(file)));
    }

    EXPECT_EQ("unchanged, not saved: " + file + "\n", saved(skins));
    EXPECT_EQ(1, skin->reloadImage(&file));  // as `load skin` does: saved even onto the file it came from
    EXPECT_TRUE(skin->changed());
}

INSTANTIATE_TEST_SUITE_P(Kinds, SkinSavesTest, testing::ValuesIn(kRows));

}  // namespace
