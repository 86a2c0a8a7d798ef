// How an MD2 model's skins are found among its folder's files, and which file stands in for a name it does not carry.
#include <gtest/gtest.h>

#include <sstream>

#include "plugins/keyform/SkinSearch.h"

namespace {

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
std::string described(const SkinSearch::Result& result) {
    std::string files, missing, standIns;
    for (const std::string& file : result.files)
        files += (files.empty() ? "" : " ") + file;
    for (const std::string& name : result.missing)
        missing += (missing.empty() ? "" : " ") + name;
    for (const auto& [file, named] : result.standIns) {
        standIns += (standIns.empty() ? "" : " ") + file + "=";
        for (const std::string& name : named)
            standIns += (&name == &named.front() ? "" : ",") + name;
    }
    std::string unchosen;
    for (const std::string& file : result.unchosen)
        unchosen += ";" + file;
    return files + ";" + missing + ";" + standIns + unchosen;
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
