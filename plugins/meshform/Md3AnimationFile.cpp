// Reads an animation.cfg. The game knows an animation by its line's place among the lines of numbers,
// not by the comment after it, so that place decides which part holds it and where the legs' frames
// start; the comment only names the clip. Lines of settings ("sex m", "headoffset ...") are passed over.
#include "plugins/meshform/Md3AnimationFile.h"

#include <cctype>
#include <cmath>
#include <filesystem>
#include <sstream>

namespace {

// In the game's order; the last six came with its expansion and are torso animations.
const char* const kNames[] = {"both_death1",   "both_dead1",      "both_death2",  "both_dead2",     "both_death3",
                              "both_dead3",    "torso_gesture",   "torso_attack", "torso_attack2",  "torso_drop",
                              "torso_raise",   "torso_stand",     "torso_stand2", "legs_walkcr",    "legs_walk",
                              "legs_run",      "legs_back",       "legs_swim",    "legs_jump",      "legs_land",
                              "legs_jumpb",    "legs_landb",      "legs_idle",    "legs_idlecr",    "legs_turn",
                              "torso_getflag", "torso_guardbase", "torso_patrol", "torso_followme", "torso_affirmative",
                              "torso_negative"};
const size_t kNameCount = sizeof kNames / sizeof kNames[0];
const size_t kFirstTorso = 6, kFirstLegs = 13, kFirstExpansion = 25;

struct Line {
    double first, count, loop, fps;
    std::string name;  // from the comment, lower case; empty when it names nothing
};

std::string lowered(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool startsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

// False for a line that does not start with a number; *complete tells whether it holds all four.
bool numbersOf(const std::string& text, Line* line, bool* complete) {
    const size_t comment = text.find("//");
    const std::string numbers = text.substr(0, comment);
    const size_t start = numbers.find_first_not_of(" \t\r");
    if (start == std::string::npos ||
        !(std::isdigit(static_cast<unsigned char>(numbers[start])) || numbers[start] == '-'))
        return false;
    std::istringstream in(numbers);
    std::string extra;
    *complete = static_cast<bool>(in >> line->first >> line->count >> line->loop >> line->fps) && !(in >> extra);
    std::string word;
    if (comment != std::string::npos && std::istringstream(text.substr(comment + 2)) >> word &&
        std::isalpha(static_cast<unsigned char>(word[0])))
        line->name = lowered(word);
    return true;
}

bool whole(double value) {
    return std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e9;
}

}  // namespace

Md3AnimationFile::Part Md3AnimationFile::partOf(const std::string& modelFile) {
    const std::string name = lowered(std::filesystem::path(modelFile).filename().string());
    return startsWith(name, "lower") ? kLower : startsWith(name, "upper") ? kUpper : kWhole;
}

std::vector<MeshformScene::Clip> Md3AnimationFile::parse(const std::string& text, int frameCount, Part part) {
    std::vector<Line> lines;
    std::vector<bool> complete;
    std::istringstream in(text);
    std::string row;
    while (std::getline(in, row)) {
        Line line{};
        bool full = false;
        if (numbersOf(row, &line, &full)) {
            lines.push_back(line);
            complete.push_back(full);
        }
    }
    // The legs' lines count their frames as if the torso's were in the same model, which they are not.
    double skip = 0;
    if (part == kLower && lines.size() > kFirstLegs && complete[kFirstTorso] && complete[kFirstLegs])
        skip = lines[kFirstLegs].first - lines[kFirstTorso].first;
    std::vector<MeshformScene::Clip> clips;
    for (size_t i = 0; i < lines.size(); ++i) {
        const bool torso = (i >= kFirstTorso && i < kFirstLegs) || (i >= kFirstExpansion && i < kNameCount);
        const bool legs = i >= kFirstLegs && i < kFirstExpansion;
        if (!complete[i] || (part == kLower && torso) || (part == kUpper && legs))
            continue;
        Line line = lines[i];
        if (legs && part == kLower)
            line.first -= skip;
        if (!whole(line.first) || !whole(line.count) || !whole(line.loop) || !std::isfinite(line.fps) ||
            line.first < 0 || line.count < 1 || line.first + line.count > frameCount || line.loop < 0 ||
            line.loop > line.count || line.fps <= 0)
            continue;
        MeshformScene::Clip clip;
        clip.name = !line.name.empty() ? line.name : i < kNameCount ? kNames[i] : "anim" + std::to_string(i + 1);
        clip.first = static_cast<int>(line.first);
        clip.count = static_cast<int>(line.count);
        clip.loop = static_cast<int>(line.loop);
        clip.fps = line.fps;
        clips.push_back(clip);
    }
    return clips;
}
