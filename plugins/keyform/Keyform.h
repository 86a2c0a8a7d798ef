// A model read from an MD2 file: the model's name is its directory, holding
// tris.md2 and the skins, found there by the names the file gives or, failing
// those, the folder's own picture. The `frame` attribute picks the keyframe
// shown (fractions blend two neighbours); each animation the frame names
// spell becomes one of the model's scripts.
#pragma once

#include <GL/gl.h>

#include <string>
#include <utility>
#include <vector>

#include "paint/PaintableModel.h"
#include "plugins/keyform/Md2File.h"
#include "plugins/keyform/Md2Mesh.h"

class BrushModel;

class Keyform : public PaintableModel {
public:
    // md2 must have been read; the mesh and scripts are built from it here.
    Keyform(const char* name, const Md2File& md2);
    ~Keyform() override;

    // Reads <name>/tris.md2; refuses (null, with the reason reported) when it cannot be read.
    static AnimatedModel* create(const char* name);

    void modelInit() override;  // GL thread: loads the skins
    void draw() override;
    void paintModel(BrushModel* brush) override;
    int takeSkin(int num, const char* filename, Image::Decoded picture) override;

    // Animation name (a frame's name without its trailing digits) to its frame
    // numbers, in the order the names first appear; nameless frames belong to none.
    typedef std::vector<std::pair<std::string, std::vector<int>>> Animations;
    static Animations animationsOf(const std::vector<std::string>& frameNames);

    static constexpr int kTicksPerFrame = 5;  // 10 frames a second at 50 ticks a second

private:
    void setFirstSight(const float* extent);
    void makeAnimationScripts(const std::vector<Md2File::Frame>& frames);
    // Moves the mesh to the `frame` attribute's value if it changed since the last move.
    void followFrame();

    // GL thread: loads the skins found in the model's folder for the names the file gives.
    void loadSkins(const std::vector<std::string>& skinNames);
    bool adoptSkin(Image::Decoded picture);
    void showSkin();
    void printSkins();

    // The texture name every triangle shows once it has a picture: the first
    // skin's, or one kept free for the first skin loaded later.
    GLuint skinTexture;
    std::vector<std::string> skinNames_;
    Md2Mesh frames_;  // moves the mesh, which is this model, between keyframes
    double shownFrame_;
};
