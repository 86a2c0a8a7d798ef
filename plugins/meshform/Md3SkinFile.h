// The surface-to-texture table of a Quake 3 ".skin" file, which sits beside an MD3 model and picks
// a texture for each of its surfaces.
#pragma once

#include <map>
#include <string>

class Md3SkinFile {
public:
    // Surface name (lower case, as the game compares them) -> texture name as written, which counts
    // from the game's root. Lines without a texture (the "tag_" lines) and lines that are not
    // "surface,texture" give nothing; the first line for a surface counts.
    static std::map<std::string, std::string> parse(const std::string& text);
};
