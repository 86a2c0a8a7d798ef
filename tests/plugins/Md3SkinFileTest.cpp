// How a Quake 3 skin file gives each surface of an MD3 model its texture.
#include <gtest/gtest.h>

#include "plugins/meshform/Md3SkinFile.h"

namespace {

typedef std::map<std::string, std::string> Table;

TEST(Md3SkinFile, maps_each_surface_to_the_texture_it_names) {
    const struct {
        const char* what;
        const char* text;
        Table expected;
    } cases[] = {
        {"pairs, one a line",
         "h_head,models/players/sarge/band.tga\nh_visor,models/players/sarge/visor.tga\n",
         {{"h_head", "models/players/sarge/band.tga"}, {"h_visor", "models/players/sarge/visor.tga"}}},
        {"CR LF, spaces and a last line without its end",
         " U_Torso , models/a.tga\r\nl_legs,models/b.tga",
         {{"u_torso", "models/a.tga"}, {"l_legs", "models/b.tga"}}},
        {"tag lines, empty lines and lines of other shapes give nothing",
         "tag_head,\ntag_weapon,\n\nnonsense\n,models/a.tga\nh_head,models/a.tga\n",
         {{"h_head", "models/a.tga"}}},
        {"the first line for a surface counts", "h_head,a.tga\nH_HEAD,b.tga\n", {{"h_head", "a.tga"}}},
        {"nothing", "", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Md3SkinFile::parse(c.text)) << c.what;
}

}  // namespace
