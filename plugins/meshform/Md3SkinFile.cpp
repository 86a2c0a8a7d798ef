// Reads a Quake 3 ".skin" file: one "surface,texture" pair a line. Such files are hand-edited on
// any system, so line ends, spaces around the names and letter case of the surface do not matter.
#include "plugins/meshform/Md3SkinFile.h"

#include <cctype>
#include <sstream>

namespace {

std::string trimmed(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])))
        --end;
    return text.substr(begin, end - begin);
}

}  // namespace

std::map<std::string, std::string> Md3SkinFile::parse(const std::string& text) {
    std::map<std::string, std::string> textures;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t comma = line.find(',');
        if (comma == std::string::npos)
            continue;
        std::string surface = trimmed(line.substr(0, comma));
        const std::string texture = trimmed(line.substr(comma + 1));
        if (surface.empty() || texture.empty())
            continue;
        for (char& c : surface)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        textures.emplace(surface, texture);
    }
    return textures;
}
