// How the file behind a texture a mesh model names is found around the model, rule by rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "plugins/meshform/TextureSearch.h"
#include "tests/ScratchFiles.h"

namespace {

typedef std::vector<std::string> Names;

struct Case {
    const char* what;
    const char* model;
    Names listing;     // relative to the model's folder
    const char* name;  // as the model file writes it; null: the model names none
    const char* expected;
};

const char* const kShip = "/home/me/models/ship/ship.obj";

const Case kCases[] = {
    {"a relative path", kShip, {"tex/hull.png", "hull.png"}, "tex/hull.png", "tex/hull.png"},
    {"a relative path in another case", kShip, {"Tex/Hull.PNG"}, "./tex/hull.png", "Tex/Hull.PNG"},
    {"a Windows path: its file name", kShip, {"hull.jpg", "x/hull.jpg"}, "D:\\projects\\art\\hull.jpg", "hull.jpg"},
    {"so does one with forward slashes", kShip, {"deck.tga"}, "C:/art/deck.tga", "deck.tga"},
    {"backslashes separate folders", kShip, {"maps/deck.tga", "deck.tga"}, "maps\\deck.tga", "maps/deck.tga"},
    {"a name in any case, the exact case first", kShip, {"HULL.png", "hull.png", "Hull.png"}, "Hull.png", "Hull.png"},
    {"beside the model first", kShip, {"a/b/hull.png", "hull.png", "textures/hull.png"}, "hull.png", "hull.png"},
    {"then in textures/",
     kShip,
     {"a/hull.png", "textures/hull.png", "../textures/hull.png"},
     "art/hull.png",
     "textures/hull.png"},
    {"then the shallowest subfolder", kShip, {"a/b/hull.png", "z/hull.png"}, "hull.png", "z/hull.png"},
    {"then ../textures",
     kShip,
     {"../textures/Hull.png", "../hull.png", "../other/hull.png"},
     "/tmp/hull.png",
     "../textures/Hull.png"},
    {"no other folder around", kShip, {"../hull.png", "../other/hull.png"}, "hull.png", ""},
    {"stem in other formats", kShip, {"deck.png", "maps/deck.jpg", "maps/deck.txt"}, "maps/deck.tga", "maps/deck.jpg"},
    {"a stem in any case, DDS too", kShip, {"DECK.jpg", "deck.png", "deck.dds", "deck.txt"}, "deck", "deck.dds"},
    {"the name beats a nearer stem", kShip, {"deck.png", "../textures/deck.tga"}, "deck.tga", "../textures/deck.tga"},
    {"a stem must match whole and be an image", kShip, {"decks.png", "deck.txt", "deck2.tga"}, "deck.tga", ""},
    {"a path from the game's root",
     "/q3/models/players/sarge/lower.md3",
     {"../../../textures/sarge/band.tga", "band.tga"},
     "textures/sarge/band.tga",
     "../../../textures/sarge/band.tga"},
    {"leading back to the model",
     "/q3/models/players/sarge/lower.md3",
     {"../sarge/Default.TGA", "skins/default.tga"},
     "models/players/sarge/default.tga",
     "Default.TGA"},
    {"nothing found", kShip, {"ship.obj", "notes.txt"}, "hull.png", ""},
    {"an empty name", kShip, {"hull.png"}, "C:\\art\\", ""},
    {"none named: the model's stem", kShip, {"Ship.PNG", "a.png", "textures/ship.png"}, nullptr, "Ship.PNG"},
    {"else the only image", kShip, {"ship.obj", "paint.jpg", "textures/a.png"}, nullptr, "paint.jpg"},
    {"several others: none is guessed", kShip, {"a.jpg", "b.jpg"}, nullptr, ""},
};

TEST(TextureSearch, finds_each_texture_by_the_first_rule_that_matches) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        const TextureSearch search(c.model, c.listing);
        EXPECT_EQ(c.expected, c.name ? search.find(c.name) : search.fallback());
    }

    // The listing from disk: regular files of the folders to list, relative to the model's folder.
    ScratchDir dir;
    for (const char* folder : {"game/models/ship/maps", "game/models/textures", "game/art/metal"})
        std::filesystem::create_directories(dir.path(folder));
    for (const char* file :
         {"game/models/ship/ship.obj", "game/models/ship/maps/hull.png", "game/models/textures/deck.tga",
          "game/models/ship.skin", "game/other.txt", "game/art/metal/rust.tga"})
        writeFile(dir.path(file), std::string("x"));
    // A named folder is listed from each folder above, where a game's root may be.
    const Names listed = TextureSearch::listFiles(dir.path("game/models/ship/ship.obj"), {"art\\metal/rust.jpg"});
    for (const char* file :
         {"maps/hull.png", "../textures/deck.tga", "../ship.skin", "../../other.txt", "../../art/metal/rust.tga"})
        EXPECT_TRUE(std::binary_search(listed.begin(), listed.end(), file)) << file << " not among " << listed.size();
    EXPECT_FALSE(std::binary_search(listed.begin(), listed.end(), "maps")) << "folders are no files";
}

}  // namespace
