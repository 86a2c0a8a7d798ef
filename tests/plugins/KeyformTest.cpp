// The MD2 model plug-in: the first frame's mesh, the model's own skin, damaged files reported, and real
// models nobody here made (from the model cache).
#include <algorithm>
#include <cstdlib>
#include <list>

#include "tests/plugins/PluginTestSupport.h"

using namespace plugintest;

namespace {

constexpr size_t kIdent = 0, kVersion = 4, kNumXyz = 24;  // header offsets

// An MD2 file written byte by byte, independently of the reader: two skins,
// three texture coordinates, one triangle and two frames of three vertices.
Bytes sampleMd2() {
    Bytes b;
    const auto put = [&b](std::initializer_list<uint32_t> values, int size) {
        for (uint32_t v : values)
            putLe(b, b.size(), v, size);
    };
    // ident, version, skin 64 x 32, framesize 40 + 4 * 3; counts of skins, vertices, st,
    // triangles, commands, frames; offsets of skins, st, triangles, frames, commands, end
    put({0x32504449, 8, 64, 32, 52, 2, 3, 3, 1, 0, 2, 68, 196, 208, 220, 324, 324}, 4);
    b.resize(196);  // two skin records, NUL-padded
    std::strcpy(reinterpret_cast<char*>(&b[68]), "players/thing/skin.pcx");
    std::strcpy(reinterpret_cast<char*>(&b[132]), "second.bmp");
    put({0, 0, 64, 32, 16, 8}, 2);  // st
    put({2, 0, 1, 1, 2, 0}, 2);     // the triangle: vertices, then st
    // First frame: scale 0.5 0.25 2, translate -3 1 -64 as IEEE floats, a blank name, then x, y, z and
    // normal index of each vertex; the second frame is scale 1 1 1, translate 100 100 100.
    put({0x3f000000, 0x3e800000, 0x40000000, 0xc0400000, 0x3f800000, 0xc2800000, 0, 0, 0, 0}, 4);
    put({0, 0, 0, 5, 255, 255, 255, 161, 10, 20, 30, 0}, 1);
    put({0x3f800000, 0x3f800000, 0x3f800000, 0x42c80000, 0x42c80000, 0x42c80000, 0, 0, 0, 0}, 4);
    put({1, 1, 1, 1, 2, 2, 2, 1, 3, 3, 3, 1}, 1);
    return b;
}

class Keyform : public PluginModelTest {
protected:
    // Writes tris.md2 here, then draws once a model of here or of a folder without it; returns its output.
    std::string drawModel(const Bytes& bytes, bool elsewhere = false) {
        writeFile("tris.md2", bytes);
        model = create("Keyform", (elsewhere ? nowhere : here).c_str());
        return model ? draw(model.get()) : "no model";
    }

    const std::string here = dir.root, nowhere = dir.path("nowhere");
    std::unique_ptr<PaintableModel> model;
};

TEST_F(Keyform, builds_the_mesh_from_the_first_frame_and_shows_its_own_first_skin) {
    writeFile("skin.bmp", makeBmp(8, 8, 70));  // "players/thing/skin.pcx" is read from beside the model
    writeFile("second.bmp", makeBmp(8, 8, 150));
    GLuint taken[3];  // names handed out before the model's skins exist
    glGenTextures(3, taken);
    Bytes bytes = sampleMd2();
    putLe(bytes, kIdent, 0x12345678);  // version 8 alone marks the file
    ASSERT_EQ("", drawModel(bytes));
    ASSERT_EQ((Counts{3, 1, 162, 3}), meshCounts(model.get()));
    // Per corner: byte * scale + translate (bytes 10 20 30, then 0, then 255), s / 64
    // and 1 - t / 32 (t counts from the skin's top row), the normal table's entry 0, 5, 161.
    const float expected[3][8] = {{2, 6, -4, 1, 0, -0.525731f, 0, 0.850651f},
                                  {-3, 1, -64, 0.25f, 0.75f, 0, 0, 1},
                                  {124.5f, 64.75f, 446, 0, 1, -0.688191f, -0.587785f, -0.425325f}};
    PolyMesh::Triangle* tri = model->getTriangle(0);
    for (unsigned int c = 0; c < 3; ++c) {
        float got[8];
        tri->getVertexLocation(c, got);
        tri->getVertexTexCoords(c, got + 3);
        tri->getVertexNormal(c, got + 5);
        for (int k = 0; k < 8; ++k)
            EXPECT_NEAR(expected[c][k], got[k], 1e-6) << "corner " << c << " value " << k;
    }
    EXPECT_EQ(2, model->numTextures());
    EXPECT_EQ(Bytes(8 * 8 * 3, 70), texturePixels(tri->getTexture()));
}

// Skins as models ship them: a PNG under another case and extension than the name the file gives, and,
// for a model none of whose skins is there, a JPEG named like its folder. What is missing is one line.
TEST_F(Keyform, finds_skins_in_the_formats_and_under_the_names_models_ship_them_with) {
    struct Layout {
        const char* folder;
        const char* skinFile;  // converted from a grey BMP by ImageMagick
        int grey, tolerance;   // JPEG is lossy
        const char* missing;
    };
    const Layout layouts[] = {{"png", "Skin.PNG", 70, 0, "second.bmp"},
                              {"thing", "Thing.jpg", 150, 4, "players/thing/skin.pcx, second.bmp"}};
    std::list<std::string> names;  // outlive the models named by them
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.folder);
        const std::string& folder = names.emplace_back(dir.path(layout.folder));
        const std::string skin = folder + "/" + layout.skinFile;
        std::filesystem::create_directory(folder);
        writeFile(folder + "/tris.md2", sampleMd2());
        writeFile(folder + "/grey.bmp", makeBmp(8, 8, layout.grey));
        ASSERT_EQ(0, std::system(("/usr/bin/convert '" + folder + "/grey.bmp' '" + skin + "'").c_str()));
        std::filesystem::remove(folder + "/grey.bmp");
        model = create("Keyform", folder.c_str());
        ASSERT_TRUE(model);
        EXPECT_EQ("skins not found for " + folder + ": " + layout.missing + "\n", draw(model.get()));
        EXPECT_EQ(1, model->numTextures());
        const Bytes pixels = texturePixels(model->getTriangle(0)->getTexture());
        ASSERT_EQ(size_t(8 * 8 * 3), pixels.size());
        for (unsigned char value : pixels)
            ASSERT_NEAR(layout.grey, value, layout.tolerance);
    }
}

// Which files are damaged is the reader's to decide (and tested there); the model reports one and builds nothing.
TEST_F(Keyform, damaged_files_are_reported_and_build_nothing) {
    writeFile("skin.bmp", makeBmp(8, 8, 70));
    Bytes huge = sampleMd2(), cut = sampleMd2();
    putLe(huge, kNumXyz, 65537);
    cut.resize(323);
    for (const Bytes& bytes : {huge, cut}) {
        ASSERT_EQ("error reading MD2 file " + here + "/tris.md2\n", drawModel(bytes));
        EXPECT_EQ((Counts{0, 0, 162, 0}), meshCounts(model.get()));
        EXPECT_EQ(0, model->numTextures());
    }
}

TEST_F(Keyform, missing_or_unmarked_files_are_silent) {
    Bytes bytes = sampleMd2();
    putLe(bytes, kIdent, 0x12345678);
    putLe(bytes, kVersion, 7);
    for (bool elsewhere : {true, false}) {
        ASSERT_EQ("", drawModel(bytes, elsewhere)) << elsewhere;
        EXPECT_EQ((Counts{0, 0, 162, 0}), meshCounts(model.get())) << elsewhere;
    }
}

class RealMd2 : public Keyform {
protected:
    // The folders of the model cache that hold a tris.md2, in name order. scripts/fetch-models.sh fills
    // the cache; CTest passes its place in VELMORA_MODEL_CACHE.
    static std::vector<std::string> cachedModels(std::string& cache) {
        const char* set = std::getenv("VELMORA_MODEL_CACHE");
        const char* home = std::getenv("HOME");
        cache = set && *set ? set : std::string(home ? home : "") + "/.cache/velmora/models";
        std::vector<std::string> folders;
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(cache, ignored))
            if (std::filesystem::is_regular_file(entry.path() / "tris.md2", ignored))
                folders.push_back(entry.path().string());
        std::sort(folders.begin(), folders.end());
        return folders;
    }
};

TEST_F(RealMd2, models_have_the_counts_their_headers_give) {
    std::string cache;
    const std::vector<std::string> folders = cachedModels(cache);
    if (folders.empty())
        GTEST_SKIP() << "no real MD2 models in " << cache << "; scripts/fetch-models.sh fetches them";
    for (const std::string& folder : folders) {
        SCOPED_TRACE(folder);
        const Bytes bytes = readFile<Bytes>(folder + "/tris.md2");
        int32_t header[17];  // little-endian fields, as this machine's
        ASSERT_GE(bytes.size(), sizeof header);
        std::memcpy(header, bytes.data(), sizeof header);
        // Read in place, with its skins beside it as shipped; the name outlives the model.
        std::unique_ptr<PaintableModel> real = create("Keyform", folder.c_str());
        ASSERT_TRUE(real);
        EXPECT_EQ(std::string::npos, draw(real.get()).find("error reading MD2 file"));
        // vertices, triangles, the normal table, st; and several frames, of which the first is used
        EXPECT_EQ((Counts{size_t(header[6]), size_t(header[8]), 162, size_t(header[7])}), meshCounts(real.get()));
        EXPECT_GT(header[10], 1);
    }
}

}  // namespace
