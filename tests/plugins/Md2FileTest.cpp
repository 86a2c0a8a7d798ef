// The MD2 reader on files written byte by byte: what it decodes, which marks
// it accepts, and that every kind of damaged header is refused whole. The
// buffers are exactly the file's size, so the sanitizers see any read past it.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>

#include "plugins/keyform/Md2File.h"
#include "tests/paint/PaintTestSupport.h"
#include "tests/plugins/PluginTestSupport.h"

using namespace plugintest;

namespace {

Md2File::Result decode(const std::vector<uint8_t>& bytes, Md2File* md2)
{
    // A copy of exactly the file's length, nothing after it.
    std::vector<uint8_t> exact(bytes);
    exact.shrink_to_fit();
    return md2->decode(exact.data(), exact.size());
}

TEST(Md2File, decodes_every_section_from_the_first_frame)
{
    const Md2Spec spec = sampleSpec();
    Md2File md2;
    ASSERT_EQ(Md2File::MD2_READ, decode(md2Bytes(spec), &md2));

    EXPECT_EQ(64, md2.header.skinwidth);
    EXPECT_EQ(32, md2.header.skinheight);
    EXPECT_EQ(3, md2.header.num_frames);
    ASSERT_EQ(2u, md2.skins.size());
    EXPECT_EQ("players/thing/skin.pcx", md2.skins[0]);
    EXPECT_EQ("second.bmp", md2.skins[1]);

    ASSERT_EQ(4u, md2.texCoords.size());
    EXPECT_EQ(64, md2.texCoords[1].s);
    EXPECT_EQ(32, md2.texCoords[1].t);
    ASSERT_EQ(3u, md2.triangles.size());
    EXPECT_EQ(4, md2.triangles[2].index_xyz[2]);
    EXPECT_EQ(3, md2.triangles[2].index_st[0]);

    // byte * scale + translate with the first frame's numbers only.
    ASSERT_EQ(5u, md2.vertices.size());
    const Md2File::Vertex& zero = md2.vertices[0];
    EXPECT_EQ(-3.0f, zero.pos[0]);
    EXPECT_EQ(1.0f, zero.pos[1]);
    EXPECT_EQ(-64.0f, zero.pos[2]);
    const Md2File::Vertex& full = md2.vertices[1];
    EXPECT_EQ(124.5f, full.pos[0]);  // 255 * 0.5 - 3
    EXPECT_EQ(64.75f, full.pos[1]);  // 255 * 0.25 + 1
    EXPECT_EQ(446.0f, full.pos[2]);  // 255 * 2 - 64
    EXPECT_EQ(5, full.lightnormalindex);
    EXPECT_EQ(161, md2.vertices[2].lightnormalindex);
    EXPECT_EQ(2.0f, md2.vertices[4].pos[0]);  // 10 * 0.5 - 3
}

TEST(Md2File, signed_fields_keep_their_sign)
{
    Md2Spec spec = sampleSpec();
    spec.texCoords[2] = {-5, -32768};
    spec.triangles[0] = {-1, 1, 2, 0, -2, 2};
    Md2File md2;
    ASSERT_EQ(Md2File::MD2_READ, decode(md2Bytes(spec), &md2));
    EXPECT_EQ(-5, md2.texCoords[2].s);
    EXPECT_EQ(-32768, md2.texCoords[2].t);
    // Out-of-range indices are the mesh's to refuse, not the reader's.
    EXPECT_EQ(-1, md2.triangles[0].index_xyz[0]);
    EXPECT_EQ(-2, md2.triangles[0].index_st[1]);
}

TEST(Md2File, either_mark_is_enough)
{
    Md2Spec wrongIdent = sampleSpec();
    wrongIdent.ident = 0x12345678;
    Md2File md2;
    EXPECT_EQ(Md2File::MD2_READ, decode(md2Bytes(wrongIdent), &md2));
    EXPECT_EQ(5u, md2.vertices.size());

    Md2Spec otherVersion = sampleSpec();
    otherVersion.version = 7;
    EXPECT_EQ(Md2File::MD2_READ, decode(md2Bytes(otherVersion), &md2));

    Md2Spec neither = sampleSpec();
    neither.ident = 0x12345678;
    neither.version = 7;
    EXPECT_EQ(Md2File::MD2_NOT_MD2, decode(md2Bytes(neither), &md2));
    EXPECT_TRUE(md2.vertices.empty());
    // Not this format, however short: no claim that it ends early.
    EXPECT_EQ(Md2File::MD2_NOT_MD2, decode(std::vector<uint8_t>(10, 'x'), &md2));
}

TEST(Md2File, skin_record_without_terminator_is_read_whole)
{
    Md2Spec spec = sampleSpec();
    const std::string full64(64, 'k');
    spec.skins = {full64, "a/b/c.pcx"};
    Md2File md2;
    ASSERT_EQ(Md2File::MD2_READ, decode(md2Bytes(spec), &md2));
    EXPECT_EQ(full64, md2.skins[0]);
    // The next record follows at once; nothing of it leaks into the first.
    EXPECT_EQ("a/b/c.pcx", md2.skins[1]);
}

TEST(Md2File, counts_up_to_the_limit_are_accepted)
{
    // The command list is never read, so its count can sit at the limit
    // without the file having to hold the commands.
    std::vector<uint8_t> bytes = md2Bytes(sampleSpec());
    poke32(bytes, F_NUM_GLCMDS, 65536);
    Md2File md2;
    EXPECT_EQ(Md2File::MD2_READ, decode(bytes, &md2));
    poke32(bytes, F_NUM_GLCMDS, 65537);
    EXPECT_EQ(Md2File::MD2_CORRUPT, decode(bytes, &md2));
}

struct Damage {
    const char* what;
    size_t field;
    int32_t value;  // applied relative to the file when relative is set
    bool relative;
};

TEST(Md2File, damaged_headers_are_refused_whole)
{
    const std::vector<uint8_t> good = md2Bytes(sampleSpec());
    const int32_t size = static_cast<int32_t>(good.size());
    const int32_t ofsFrames = peek32(good, F_OFS_FRAMES);
    const Damage cases[] = {
        {"negative skin count", F_NUM_SKINS, -1, false},
        {"negative vertex count", F_NUM_XYZ, -1, false},
        {"negative st count", F_NUM_ST, -2, false},
        {"negative triangle count", F_NUM_TRIS, INT32_MIN, false},
        {"negative frame count", F_NUM_FRAMES, -1, false},
        {"negative command count", F_NUM_GLCMDS, -1, false},
        {"too many skins", F_NUM_SKINS, 65537, false},
        {"too many vertices", F_NUM_XYZ, 65537, false},
        {"too many st", F_NUM_ST, 70000, false},
        {"too many triangles", F_NUM_TRIS, INT32_MAX, false},
        {"too many frames", F_NUM_FRAMES, 65537, false},
        {"skins past the end", F_OFS_SKINS, size - 127, false},
        {"st past the end", F_OFS_ST, size - 15, false},
        {"triangles past the end", F_OFS_TRIS, size - 35, false},
        {"frame past the end", F_OFS_FRAMES, ofsFrames + 1, false},
        {"negative skin offset", F_OFS_SKINS, -64, false},
        {"negative st offset", F_OFS_ST, -1, false},
        {"negative triangle offset", F_OFS_TRIS, INT32_MIN, false},
        {"negative frame offset", F_OFS_FRAMES, -4, false},
        {"offset that wraps when added", F_OFS_TRIS, INT32_MAX, false},
        {"more frames than the file holds", F_NUM_FRAMES, 4, false},
        {"frame size below its vertices", F_FRAMESIZE, 40 + 4 * 5 - 1, false},
        {"negative frame size", F_FRAMESIZE, -60, false},
        {"vertex count beyond the frame size", F_NUM_XYZ, 6, false},
        {"zero skin width", F_SKINWIDTH, 0, false},
        {"negative skin height", F_SKINHEIGHT, -32, false},
    };
    for (const Damage& d : cases) {
        std::vector<uint8_t> bytes = good;
        poke32(bytes, d.field, d.value);
        Md2File md2;
        EXPECT_EQ(Md2File::MD2_CORRUPT, decode(bytes, &md2)) << d.what;
        EXPECT_TRUE(md2.vertices.empty() && md2.triangles.empty() && md2.texCoords.empty() && md2.skins.empty())
            << d.what;
    }
}

TEST(Md2File, files_that_end_early_are_refused)
{
    const std::vector<uint8_t> good = md2Bytes(sampleSpec());
    for (size_t length : {size_t{0}, size_t{7}, size_t{67}, size_t{68}, size_t{200}, good.size() - 1}) {
        std::vector<uint8_t> bytes(good.begin(), good.begin() + length);
        Md2File md2;
        EXPECT_EQ(Md2File::MD2_CORRUPT, decode(bytes, &md2)) << length << " bytes";
        EXPECT_TRUE(md2.vertices.empty());
    }
}

TEST(Md2File, empty_sections_need_no_room)
{
    // Counts of zero make their offsets irrelevant, even far outside the file.
    Md2Spec spec = sampleSpec();
    spec.skins.clear();
    spec.texCoords.clear();
    spec.triangles.clear();
    std::vector<uint8_t> bytes = md2Bytes(spec);
    poke32(bytes, F_OFS_SKINS, 1 << 30);
    poke32(bytes, F_OFS_ST, 1 << 30);
    poke32(bytes, F_SKINWIDTH, 0);  // nothing is divided by it
    Md2File md2;
    ASSERT_EQ(Md2File::MD2_READ, decode(bytes, &md2));
    EXPECT_EQ(5u, md2.vertices.size());
    EXPECT_TRUE(md2.skins.empty());
}

TEST(Md2File, read_tells_a_missing_file_from_a_damaged_one)
{
    painttest::ScratchDir dir;
    Md2File md2;
    EXPECT_EQ(Md2File::MD2_MISSING, md2.read(dir.path("nothing/tris.md2").c_str()));

    std::vector<uint8_t> bytes = md2Bytes(sampleSpec());
    painttest::writeFile(dir.path("good.md2"), bytes);
    ASSERT_EQ(Md2File::MD2_READ, md2.read(dir.path("good.md2").c_str()));
    EXPECT_EQ(3u, md2.triangles.size());

    bytes.resize(bytes.size() - 4);
    painttest::writeFile(dir.path("short.md2"), bytes);
    EXPECT_EQ(Md2File::MD2_CORRUPT, md2.read(dir.path("short.md2").c_str()));
    EXPECT_TRUE(md2.triangles.empty());
}

}  // namespace
