// Reading the start of a PLY file, or the whole of an OFF file, and walking
// their lines. PLY files are known by their magic word whatever their name;
// OFF files by their name or a first word ending in OFF (COFF, NOFF, ...),
// as Assimp picks its readers.
#include "plugins/meshform/ImportTraps.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include <nlohmann/json.hpp>

namespace {

bool startsAsPly(const std::string& head) {
    if (head.size() < 3)
        return false;
    for (size_t i = 0; i < 3; ++i)  // Assimp takes the magic word in any case
        if (std::tolower(static_cast<unsigned char>(head[i])) != "ply"[i])
            return false;
    return true;
}

bool endsWithOff(std::string word) {
    std::transform(word.begin(), word.end(), word.begin(), [](unsigned char c) { return std::tolower(c); });
    return word.size() >= 3 && word.compare(word.size() - 3, 3, "off") == 0;
}

bool isGltf(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".gltf" || extension == ".glb";
}

uint32_t le32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int k = 3; k >= 0; --k)
        value = value << 8 | static_cast<unsigned char>(bytes[at + k]);
    return value;
}

// The words of each line that holds any, comment lines (#) left out.
std::vector<std::vector<std::string>> wordsByLine(const std::string& text) {
    std::vector<std::vector<std::string>> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::vector<std::string> words;
        for (size_t at = start; at < end;) {
            while (at < end && std::isspace(static_cast<unsigned char>(text[at])))
                ++at;
            size_t stop = at;
            while (stop < end && !std::isspace(static_cast<unsigned char>(text[stop])))
                ++stop;
            if (stop > at)
                words.push_back(text.substr(at, stop - at));
            at = stop;
        }
        if (!words.empty() && words[0][0] != '#')
            lines.push_back(std::move(words));
        start = end + 1;
    }
    return lines;
}

}  // namespace

bool ImportTraps::admits(const std::string& path, std::string* problem) {
    // Opening a pipe would wait for a writer; the file access Assimp is given refuses it with a reason.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return true;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return true;
    // The first bytes decide what else is read: for most files, nothing more.
    std::string text(64, '\0');
    in.read(&text[0], static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    if (isGltf(path)) {
        const uintmax_t size = std::filesystem::file_size(path, error);
        if (error || size > kMaxOffFile)
            return true;
        // A binary file's JSON is its first chunk; a text file is JSON throughout.
        size_t start = 0, length = static_cast<size_t>(size);
        if (text.size() >= 20 && text.compare(0, 4, "glTF") == 0) {
            start = 20;
            length = std::min<uintmax_t>(le32(text, 12), size - std::min<uintmax_t>(size, 20));
        }
        std::string json(length, '\0');
        in.clear();
        in.seekg(static_cast<std::streamoff>(start));
        in.read(&json[0], static_cast<std::streamsize>(json.size()));
        json.resize(static_cast<size_t>(in.gcount()));
        return admitsGltf(json, problem);
    }
    const std::string firstWord = text.substr(0, std::min(text.find_first_of(" \t\r\n"), text.size()));
    const bool off = endsWithOff(std::filesystem::path(path).extension().string()) || endsWithOff(firstWord);
    if (!off && !startsAsPly(text))
        return true;
    const size_t have = text.size();
    // An OFF file is read whole, a PLY file to its header. One larger than Assimp is allowed to read is left to
    // the file access that refuses it.
    const uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > kMaxOffFile || size < have)
        return true;
    text.resize(off ? static_cast<size_t>(size) : std::min<size_t>(size, kMaxPlyHeader));
    in.read(&text[have], static_cast<std::streamsize>(text.size() - have));
    text.resize(have + static_cast<size_t>(in.gcount()));
    return off ? admitsOff(text, problem) : admitsPly(text, size, problem);
}

bool ImportTraps::admitsPly(const std::string& head, uintmax_t fileSize, std::string* problem) {
    if (!startsAsPly(head))
        return true;
    // Every element takes a byte of the body at least; Assimp reserves room for as many as the header declares
    // and then tries to read each, for hours when the file holds none of them.
    uintmax_t declared = 0;
    std::vector<std::string> elements;
    for (size_t start = 0; start < head.size() && start < kMaxPlyHeader;) {
        size_t end = std::min(head.find('\n', start), head.size());
        const std::vector<std::vector<std::string>> line = wordsByLine(head.substr(start, end - start));
        const std::vector<std::string> words = line.empty() ? std::vector<std::string>() : line[0];
        if (!words.empty() && words[0] == "end_header") {
            const uintmax_t body = fileSize > end ? fileSize - end - 1 : 0;
            if (declared <= body)
                return true;
            *problem = "a PLY header declaring more elements than its body of " + std::to_string(body) + " bytes holds";
            return false;
        }
        // Assimp frees memory it never allocated when one element, such as the vertices, is declared twice.
        if (words.size() >= 2 && words[0] == "element") {
            if (std::find(elements.begin(), elements.end(), words[1]) != elements.end()) {
                *problem = "a PLY header declaring its '" + words[1] + "' element twice";
                return false;
            }
            elements.push_back(words[1]);
        }
        if (words.size() >= 3 && words[0] == "element")  // summed without overflow: past the file is past it
            declared = std::min<uintmax_t>(
                declared + std::min<uintmax_t>(std::strtoull(words[2].c_str(), nullptr, 10), fileSize), fileSize + 1);
        start = end + 1;
    }
    *problem = "a PLY header without its end_header line in the first " + std::to_string(kMaxPlyHeader) + " bytes";
    return false;
}

bool ImportTraps::admitsOff(const std::string& text, std::string* problem) {
    const std::vector<std::vector<std::string>> lines = wordsByLine(text);
    if (lines.empty())
        return true;
    // The counts follow the keyword (OFF, COFF, ...), on its line or the next, or open a file without one.
    const bool keyword = endsWithOff(lines[0][0]);
    const size_t line = keyword && lines[0].size() == 1 ? 1 : 0;
    if (line >= lines.size())
        return true;
    const size_t countsAt = keyword && line == 0 ? 1 : 0;
    const long vertices = std::strtol(lines[line][countsAt].c_str(), nullptr, 10);
    // Every line after the vertices is a face, whose first number is its count of corners.
    for (size_t face = line + 1 + static_cast<size_t>(std::max(0L, vertices)); face < lines.size(); ++face) {
        const long corners = std::strtol(lines[face][0].c_str(), nullptr, 10);
        if (corners < 1 || corners > kMaxOffCorners) {
            *problem = "an OFF face line of " + std::to_string(corners) + " corners: at most " +
                       std::to_string(kMaxOffCorners) + " are read";
            return false;
        }
    }
    return true;
}

bool ImportTraps::admitsGltf(const std::string& json, std::string* problem) {
    if (json.find("\"skins\"") == std::string::npos)  // most files: not worth parsing twice
        return true;
    const nlohmann::json file = nlohmann::json::parse(json, nullptr, false);
    if (!file.is_object() || !file.contains("skins") || !file["skins"].is_array())
        return true;  // what is not JSON the reader refuses with a reason of its own
    for (const nlohmann::json& skin : file["skins"])
        if (skin.is_object() && !skin.contains("inverseBindMatrices")) {
            *problem = "a glTF skin without inverse bind matrices, which Assimp cannot read";
            return false;
        }
    return true;
}
