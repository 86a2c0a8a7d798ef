// The MD2 model plug-in: mesh, placement, keyframes, animations as scripts, skins, refusals, real models; its reader
// on bytes alone, and how its skins are found among the folder's files.
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <list>
#include <map>
#include <sstream>
#include <tuple>

#include "model/io/FileContents.h"
#include "paint/brush/BrushModel.h"
#include "plugins/keyform/Md2File.h"
#include "plugins/keyform/SkinSearch.h"

#include "tests/SameBytes.h"
#include "tests/plugins/PluginTestSupport.h"

using namespace plugintest;

namespace {

// Written byte by byte: two skins, three st, one triangle, two frames of three vertices.
Bytes sampleMd2() {
    Bytes b;
    // ident, version, skin 64 x 32, framesize 40 + 4 * 3; counts of skins, vertices, st,
    // triangles, commands, frames; offsets of skins, st, triangles, frames, commands, end
    appendLe(b, {0x32504449, 8, 64, 32, 52, 2, 3, 3, 1, 0, 2, 68, 196, 208, 220, 324, 324}, 4);
    b.resize(196);  // two skin records, NUL-padded
    std::strcpy(reinterpret_cast<char*>(&b[68]), "players/thing/skin.pcx");
    std::strcpy(reinterpret_cast<char*>(&b[132]), "second.bmp");
    appendLe(b, {0, 0, 64, 32, 16, 8}, 2);  // st
    appendLe(b, {2, 0, 1, 1, 2, 0}, 2);     // the triangle: vertices, then st
    // Frame 0: scale 0.5 0.25 2, translate -3 1 -64, no name, x y z normal per vertex; frame 1: 1 and 100.
    appendLe(b, {0x3f000000, 0x3e800000, 0x40000000, 0xc0400000, 0x3f800000, 0xc2800000, 0, 0, 0, 0}, 4);
    appendLe(b, {0, 0, 0, 5, 255, 255, 255, 161, 10, 20, 30, 0}, 1);
    appendLe(b, {0x3f800000, 0x3f800000, 0x3f800000, 0x42c80000, 0x42c80000, 0x42c80000, 0, 0, 0, 0}, 4);
    appendLe(b, {1, 1, 1, 1, 2, 2, 2, 1, 3, 3, 3, 1}, 1);
    return b;
}

class Keyform : public PluginModelTest {
protected:
    const std::string here = dir.root, nowhere = dir.path("nowhere");
    std::unique_ptr<PaintableModel> model;
};

TEST_F(Keyform, builds_the_mesh_from_the_first_frame_centred_on_all_frames_and_shows_its_own_first_skin) {
    // "players/thing/skin.pcx" is read from beside the model, in another format and case; "second.bmp" is missing.
    writeFile("grey.bmp", makeBmp(8, 8, 70));
    ASSERT_EQ(0, std::system((kConvert + " grey.bmp Skin.PNG").c_str()));
    GLuint taken[3];  // names handed out before the model's skins exist
    glGenTextures(3, taken);
    Bytes bytes = sampleMd2();
    putLe(bytes, 0, 0x12345678);  // a wrong ident: version 8 alone marks the file
    writeFile("tris.md2", bytes);
    model = create("Keyform", here.c_str());
    ASSERT_TRUE(model);
    // The skins were read with the model: the draw needs the files no more.
    std::filesystem::remove("Skin.PNG");
    const std::string printed = draw(model.get());
    ASSERT_EQ((Counts{3, 1, 3, 3}), meshCounts(model.get()));  // a normal of its own per vertex
    // Per corner: byte * scale + translate less the box centre (60.75, 52, 191); s / 64, 1 - t / 32; normals 0, 5, 161
    const float expected[3][8] = {{-58.75f, -46, -195, 1, 0, -0.525731f, 0, 0.850651f},
                                  {-63.75f, -51, -255, 0.25f, 0.75f, 0, 0, 1},
                                  {63.75f, 12.75f, 255, 0, 1, -0.688191f, -0.587785f, -0.425325f}};
    PolyMesh::Triangle* tri = model->getTriangle(0);
    for (unsigned int c = 0; c < 3; ++c) {
        float got[8];
        tri->getVertexLocation(c, got);
        tri->getVertexTexCoords(c, got + 3);
        tri->getVertexNormal(c, got + 5);
        for (int k = 0; k < 8; ++k)
            EXPECT_NEAR(expected[c][k], got[k], 1e-6) << "corner " << c << " value " << k;
    }
    EXPECT_EQ(1, model->numTextures());
    EXPECT_TRUE(sameBytes(Bytes(8 * 8 * 3, 70), texturePixels(tri->getTexture())));
    EXPECT_EQ("skins: <1>\n" + here + ": using Skin.PNG for players/thing/skin.pcx\nskins not found for " + here +
                  ": second.bmp\n",
              printed);
    EXPECT_EQ(model->textureOfSkin(1), tri->getTexture());
    // Upright by a turn of its own (+z up, +x to the viewer), unturned, largest side (z: 510) 4 long; no animation.
    const char* names[] = {"x", "y", "z", "rotation_x", "rotation_y", "rotation_z", "scale", "frame"};
    const double values[] = {0, 0, 0, 0, 0, 0, 4.0 / 510, 0};
    for (int i = 0; i < 8; ++i)
        EXPECT_NEAR(values[i], model->getAttribute(names[i]), 1e-12) << names[i];
    ASSERT_TRUE(model->uprightTurn());
    EXPECT_EQ((std::vector<double>{-90, 0, -90}), std::vector<double>(model->uprightTurn(), model->uprightTurn() + 3));
    EXPECT_EQ(0, model->setAttribute("frame", 1.0));
    EXPECT_NE(0, model->setAttribute("frame", 2.0));
    EXPECT_EQ(0, model->getScriptCount());
}

// Found skins are saved through no link leading out of the folder; a file the user names is written wherever it leads.
TEST_F(Keyform, saving_found_skins_writes_through_no_link_that_leaves_the_folder) {
    const std::string pack = dir.path("pack"), outside = dir.path("outside.bmp"), inside = pack + "/real/second.bmp";
    std::filesystem::create_directories(pack + "/real");
    writeFile(pack + "/tris.md2", sampleMd2());
    writeFile(outside, makeBmp(8, 8, 70));
    writeFile(inside, makeBmp(8, 8, 150));
    std::filesystem::create_symlink("../outside.bmp", pack + "/skin.bmp");
    std::filesystem::create_symlink("real/second.bmp", pack + "/second.bmp");
    model = create("Keyform", pack.c_str());
    ASSERT_TRUE(model);
    draw(model.get());  // the first of two skins is shown
    EXPECT_TRUE(sameBytes(Bytes(8 * 8 * 3, 70), texturePixels(model->getTriangle(0)->getTexture())));
    const std::vector<std::unique_ptr<Image>> skins = model->copySkins();
    ASSERT_EQ(size_t(2), skins.size());
    GLubyte white[3] = {255, 255, 255};
    testing::internal::CaptureStdout();
    for (const auto& skin : skins) {
        skin->set(0, 0, white, 1.0);
        skin->save();
    }
    EXPECT_EQ("not saving " + pack + "/skin.bmp: it is a link to " + outside + ", outside the model's folder " + pack +
                  "\nsaving image: " + pack + "/second.bmp\n",
              testing::internal::GetCapturedStdout());
    EXPECT_TRUE(sameBytes(makeBmp(8, 8, 70), readFile<Bytes>(outside)));
    EXPECT_FALSE(sameBytes(makeBmp(8, 8, 150), readFile<Bytes>(inside)));
    EXPECT_TRUE(std::filesystem::is_symlink(pack + "/second.bmp"));
    EXPECT_EQ(1, skins[0]->write((pack + "/skin.bmp").c_str()));  // named by the user, as `save skin <n> <file>` does
    EXPECT_FALSE(sameBytes(makeBmp(8, 8, 70), readFile<Bytes>(outside)));
}

TEST_F(Keyform, folders_without_a_readable_md2_file_create_no_model) {
    Bytes cut = sampleMd2();
    cut.pop_back();
    writeFile("tris.md2", cut);
    const std::string file = here + "/tris.md2";
    EXPECT_FALSE(create("Keyform", here.c_str()));
    EXPECT_EQ("cannot read MD2 model '" + file + "': damaged: sections beyond the end of the file\n",
              takeModelCreationFailure());
    ASSERT_EQ(0, truncate("tris.md2", FileContents::kMd2Limit + 1));  // sparse, and never read
    EXPECT_FALSE(create("Keyform", here.c_str()));
    EXPECT_EQ("cannot read MD2 model '" + file + "': too large (over 64 MiB)\n", takeModelCreationFailure());
    EXPECT_FALSE(create("Keyform", nowhere.c_str()));
    EXPECT_EQ("cannot read MD2 model '" + nowhere + "/tris.md2': No such file or directory\n",
              takeModelCreationFailure());
}

// One triangle, scale 1 and translate 0, in frames of the names given, each with its corners and one normal index.
struct FrameSpec {
    const char* name;
    uint8_t corners[3][3];
    uint8_t normal;
};
Bytes framesMd2(const std::vector<FrameSpec>& frames) {
    Bytes b;
    const uint32_t count = static_cast<uint32_t>(frames.size()), end = 156 + 52 * count;
    appendLe(b, {0x32504449, 8, 8, 8, 52, 1, 3, 3, 1, 0, count, 68, 132, 144, 156, end, end}, 4);
    b.resize(132);
    std::strcpy(reinterpret_cast<char*>(&b[68]), "skin.bmp");
    appendLe(b, {0, 0, 8, 0, 0, 8}, 2);
    appendLe(b, {0, 1, 2, 0, 1, 2}, 2);
    for (const FrameSpec& f : frames) {
        appendLe(b, {0x3f800000, 0x3f800000, 0x3f800000, 0, 0, 0}, 4);
        b.resize(b.size() + 16);
        std::strncpy(reinterpret_cast<char*>(&b[b.size() - 16]), f.name, 16);
        for (const auto& corner : f.corners)
            appendLe(b, {corner[0], corner[1], corner[2], f.normal}, 1);
    }
    return b;
}

// Frame 0 in z = 0, normals +z (entry 5); frame 1 turned into x = 0, normals entry 0; the origin at (4, 4, 4).
const std::vector<FrameSpec> kTwoFrames = {{"", {{0, 0, 0}, {8, 0, 0}, {0, 8, 0}}, 5},
                                           {"", {{0, 0, 0}, {0, 0, 8}, {0, 8, 0}}, 0}};

// Painting, like drawing, first moves the mesh to the frame set; this brush is far from the model.
TEST_F(Keyform, a_fractional_frame_blends_positions_and_normals_and_moves_the_triangles_drawn_or_painted) {
    writeFile("tris.md2", framesMd2(kTwoFrames));
    writeFile("skin.bmp", makeBmp(8, 8, 0));
    model = create("Keyform", here.c_str());
    ASSERT_TRUE(model);
    BrushModel brush("brush");
    brush.setAttribute("z", 100.0);
    struct Expected {
        double frame;
        float corners[3][3], normal[3], face[3];  // the face's centre and size are set with its normal
    };
    const float n = 0.961938f, m = -0.273267f;  // (entry 5 + entry 0) / 2, renormalised
    const Expected cases[] = {
        {0.0, {{-4, -4, -4}, {4, -4, -4}, {-4, 4, -4}}, {0, 0, 1}, {0, 0, 1}},
        {1.0, {{-4, -4, -4}, {-4, -4, 4}, {-4, 4, -4}}, {-0.525731f, 0, 0.850651f}, {-1, 0, 0}},
        {0.5, {{-4, -4, -4}, {0, -4, 0}, {-4, 4, -4}}, {m, 0, n}, {-0.707107f, 0, 0.707107f}},
        {0.0, {{-4, -4, -4}, {4, -4, -4}, {-4, 4, -4}}, {0, 0, 1}, {0, 0, 1}},
    };
    for (const Expected& e : cases) {
        SCOPED_TRACE("frame " + std::to_string(e.frame));
        ASSERT_EQ(0, model->setAttribute("frame", e.frame));
        if (e.frame > 0)
            model->paintModel(&brush);
        else
            draw(model.get());
        PolyMesh::Triangle* tri = model->getTriangle(0);
        for (unsigned int c = 0; c < 3; ++c) {
            float at[3], normal[3];
            tri->getVertexLocation(c, at);
            tri->getVertexNormal(c, normal);
            for (int k = 0; k < 3; ++k) {
                EXPECT_NEAR(e.corners[c][k], at[k], 1e-5) << "corner " << c;
                EXPECT_NEAR(e.normal[k], normal[k], 1e-5) << "corner " << c;
            }
        }
        float face[3];
        tri->getFaceNormal(face);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(e.face[k], face[k], 1e-5);
    }
}

// A frame's name less its trailing digits names its animation.
TEST_F(Keyform, frame_names_make_the_repeating_animation_scripts_of_their_frames_in_order) {
    typedef std::map<std::string, std::vector<double>> Scripts;
    const std::pair<std::vector<const char*>, Scripts> cases[] = {
        {{"stand01", "stand02", "run1", "run2", "run3", "pain101"},
         {{"stand", {0, 1}}, {"run", {2, 3, 4}}, {"pain", {5}}}},
        // Repeated names keep file order; all-digit and empty names make none; inner digits stay; 16-byte names too.
        {{"walk1", "jump1", "walk2", "123", "", "a2b3", "abcdefghijklmnop"},
         {{"walk", {0, 2}}, {"jump", {1}}, {"a2b", {5}}, {"abcdefghijklmnop", {6}}}},
    };
    std::list<std::string> folders;  // outlive the models named by them
    for (const auto& [names, expected] : cases) {
        std::vector<FrameSpec> frames;
        for (const char* name : names)
            frames.push_back({name, {{0, 0, 0}, {8, 0, 0}, {0, 8, 0}}, 5});
        const std::string& folder = folders.emplace_back(dir.path("model" + std::to_string(folders.size())));
        std::filesystem::create_directory(folder);
        writeFile(folder + "/tris.md2", framesMd2(frames));
        model = create("Keyform", folder.c_str());
        ASSERT_TRUE(model);
        EXPECT_EQ(expected, scriptSteps(model.get())) << names.front();
    }
}

TEST_F(Keyform, real_models_have_the_counts_their_headers_give) {
    std::string cache;
    const std::vector<std::string> folders = cachedMd2Folders(&cache);
    if (folders.empty())
        GTEST_SKIP() << "no real MD2 models in " << cache << "; scripts/fetch-models.sh fetches them";
    for (const std::string& folder : folders) {
        SCOPED_TRACE(folder);
        const Bytes bytes = readFile<Bytes>(folder + "/tris.md2");
        int32_t header[17];  // little-endian fields, as this machine's
        ASSERT_GE(bytes.size(), sizeof header);
        std::memcpy(header, bytes.data(), sizeof header);
        std::unique_ptr<PaintableModel> real = create("Keyform", folder.c_str());
        ASSERT_TRUE(real);
        EXPECT_EQ(0u, draw(real.get()).find("skins: <"));
        // vertices, triangles, a normal per vertex, st; several frames, each one to show; some animations
        EXPECT_EQ((Counts{size_t(header[6]), size_t(header[8]), size_t(header[6]), size_t(header[7])}),
                  meshCounts(real.get()));
        EXPECT_GT(header[10], 1);
        EXPECT_EQ(0, real->setAttribute("frame", header[10] - 1));
        EXPECT_NE(0, real->setAttribute("frame", header[10]));
        EXPECT_GT(real->getScriptCount(), 0);
    }
}

constexpr size_t kIdent = 0, kVersion = 4, kSkinWidth = 8, kFrameSize = 16, kNumSkins = 20, kNumXyz = 24, kNumSt = 28,
                 kNumTris = 32, kNumFrames = 40, kOfsSkins = 44, kOfsSt = 48, kOfsTris = 52, kOfsFrames = 56;

// Each case's header changes {field, value} and the length it is cut to (0: the whole file), then what is read.
TEST(Md2FileDecode, reads_a_good_file_and_refuses_damaged_or_unmarked_ones_whole) {
    typedef std::vector<std::pair<size_t, int32_t>> Changes;
    std::vector<std::tuple<Changes, size_t, Md2File::Result>> cases;
    // Bad counts; sections a byte past the end, before the file or wrapping; frames too small; a zero skin width.
    const int64_t corrupt[][2] = {{kNumSkins, -1},   {kNumXyz, -1},    {kNumTris, INT_MIN}, {kNumFrames, -1},
                                  {kNumSt, 65537},   {kOfsSkins, 145}, {kOfsSt, 197},       {kOfsTris, 197},
                                  {kOfsFrames, 157}, {kNumFrames, 2},  {kOfsSt, -1},        {kOfsTris, INT_MAX},
                                  {kFrameSize, 51},  {kNumXyz, 4},     {kSkinWidth, 0}};
    for (const auto& change : corrupt)
        cases.push_back({{{change[0], change[1]}}, 0, Md2File::kCorrupt});
    for (size_t length : {207, 67, 7})  // short files
        cases.push_back({{}, length, Md2File::kCorrupt});
    cases.push_back({{{kIdent, 0x32504448}, {kVersion, 7}}, 0, Md2File::kNotMd2});
    // One mark is enough; an empty section lies nowhere; the first frame is read all the same.
    for (const Changes& read : {Changes{{kVersion, 7}}, Changes{{kIdent, 0x32504448}},
                                Changes{{kNumSkins, 0}, {kOfsSkins, -5}}, Changes{{kNumFrames, 0}}})
        cases.push_back({read, 0, Md2File::kRead});
    // One frame; a skin name filling its record (no terminator), and a negative t.
    Bytes good = framesMd2({kTwoFrames[0]});
    std::fill(good.begin() + 68, good.begin() + 132, 'k');
    putLe(good, 138, 0xfff0, 2);
    Md2File first;
    ASSERT_EQ(Md2File::kRead, first.decode(good.data(), good.size()));
    EXPECT_EQ(std::vector<std::string>{std::string(64, 'k')}, first.skins);
    EXPECT_EQ(-16, first.texCoords.at(1).t);
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        const auto& [changes, length, result] = cases[i];
        Bytes bytes = good;
        for (const auto& change : changes)
            putLe(bytes, change.first, static_cast<uint32_t>(change.second));
        if (length)
            bytes.resize(length);
        Md2File md2;
        ASSERT_EQ(Md2File::kRead, md2.decode(good.data(), good.size()));
        EXPECT_EQ(result, md2.decode(bytes.data(), bytes.size()));
        // Nothing of the earlier read is kept when this one fails.
        const bool read = result == Md2File::kRead;
        EXPECT_EQ(read ? 3u : 0u, md2.vertices.size());
        EXPECT_EQ(read ? 1u : 0u, md2.frames.size());
        const std::string kind = read ? "" : result == Md2File::kNotMd2 ? "not an MD2 file" : "damaged: ";
        EXPECT_EQ(kind, md2.problem.substr(0, kind.size()));
        EXPECT_EQ(read, md2.problem.empty()) << md2.problem;
    }
    EXPECT_EQ(Md2File::kCorrupt, first.decode(nullptr, 0));
}

typedef std::vector<std::string> Names;

struct Case {
    const char* files;  // the folder's files, space-separated; the folder is called "sydney"
    Names skinNames;    // as the model file gives them
    // The files found; the names missing; each stand-in as file=names. Space-separated.
    const char* expected;
};

const Case kCases[] = {
    // an edited BMP copy beside the model wins over the file named
    {"tris.md2 skin.png skin.pcx skin.bmp", {"models/x/skin.pcx"}, "models/x/skin.bmp;;skin.bmp=models/x/skin.pcx"},
    // then the file named, under its last component
    {"tris.md2 skin.png skin.pcx", {"models/x/skin.pcx"}, "models/x/skin.pcx;;"},
    // then the same stem in any supported extension and any case
    {"tris.md2 Weapon.png weapon.txt", {"weapon.pcx"}, "Weapon.png;;Weapon.png=weapon.pcx"},
    // among those, a BMP in another case comes first
    {"skin.png SKIN.PCX Skin.BMP skin.jpg", {"skin.pcx"}, "Skin.BMP;;Skin.BMP=skin.pcx"},
    // then the named extension in another case
    {"skin.jpg SKIN.PCX skin.tga", {"skin.pcx"}, "SKIN.PCX;;SKIN.PCX=skin.pcx"},
    // then the first by name
    {"skin.tga skin.jpg skin.png", {"skin.pcx"}, "skin.jpg;;skin.jpg=skin.pcx"},
    // a name without an extension takes any image of that stem
    {"tris.md2 skin.jpeg", {"skin"}, "skin.jpeg;;skin.jpeg=skin"},
    // the file named is taken as it is, even in a format no image is read from
    {"skin.gif other.png", {"skin.gif"}, "skin.gif;;"},
    // a stem must match whole, and unsupported extensions are no images
    {"skinny.png skin2.png skin.gif", {"skin.pcx"}, ";skin.pcx;;skin2.png;skinny.png"},
    // several skins keep their order; missing ones are listed, and the folder's picture is not added
    {"b.PNG a.bmp sydney.png", {"x/a.pcx", "x/c.pcx", "b.pcx"}, "x/a.bmp b.PNG;x/c.pcx;a.bmp=x/a.pcx b.PNG=b.pcx"},
    // no skin named: the image named like the folder, in any case
    {"tris.md2 Sydney.BMP skin.png other.jpg", {}, "Sydney.BMP;;"},
    // empty names name nothing
    {"sydney.png", {"", ""}, "sydney.png;;"},
    // none found: the folder's picture stands in for every skin named
    {"tris.md2 sydney.jpg skin.png", {"a.pcx", "b.pcx"}, "sydney.jpg;;sydney.jpg=a.pcx,b.pcx"},
    // else an image named skin
    {"tris.md2 SKIN.tga other.png", {"a.pcx"}, "SKIN.tga;;SKIN.tga=a.pcx"},
    // else the only image in the folder
    {"tris.md2 notes.txt whatever.jpg", {}, "whatever.jpg;;"},
    // several other images: none is guessed, and they are offered
    {"tris.md2 faerie2.bmp Faerie5.BMP", {}, ";;;Faerie5.BMP;faerie2.bmp"},
    // an empty folder
    {"", {"a.pcx"}, ";a.pcx;"},
};

// Joined as the table writes them.
std::string joined(const Names& names, const char* between) {
    std::string out;
    for (const std::string& name : names)
        out += (&name == &names.front() ? "" : between) + name;
    return out;
}

std::string described(const SkinSearch::Result& result) {
    std::string standIns, unchosen;
    for (const auto& [file, named] : result.standIns)
        standIns += (standIns.empty() ? "" : " ") + file + "=" + joined(named, ",");
    for (const std::string& file : result.unchosen)
        unchosen += ";" + file;
    return joined(result.files, " ") + ";" + joined(result.missing, " ") + ";" + standIns + unchosen;
}

TEST(SkinSearch, finds_each_skin_by_the_first_rule_that_matches) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.files);
        Names files;
        std::istringstream words(c.files);
        for (std::string word; words >> word;)
            files.push_back(word);
        EXPECT_EQ(c.expected, described(SkinSearch(files, "sydney").search(c.skinNames)));
    }
}

}  // namespace
