// The animations of a Quake 3 player, as the "animation.cfg" beside its models lists them: one line of
// first frame, frame count, looping frames and speed for each, in an order the game fixes.
#pragma once

#include <string>
#include <vector>

#include "plugins/meshform/MeshformScene.h"

class Md3AnimationFile {
public:
    // A player is three models, each holding the frames of some animations only.
    enum Part {
        kWhole,  // any other model: every line that fits its frames
        kUpper,  // the torso: the BOTH_ and TORSO_ animations
        kLower,  // the legs: the BOTH_ and LEGS_ animations, whose numbers the file counts past the torso's
    };

    // By the model file's name, as the game names its parts.
    static Part partOf(const std::string& modelFile);
    // The clips of part in text for a model of frameCount frames, named as the line's comment names
    // them (lower case), else by their place. Lines that are not four numbers, and ranges the model
    // does not hold, give none.
    static std::vector<MeshformScene::Clip> parse(const std::string& text, int frameCount, Part part);
};
