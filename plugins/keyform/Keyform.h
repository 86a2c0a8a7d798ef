// A model read from an MD2 file: it is made from a directory (its name unless
// it was given a shorter one) holding tris.md2 and the skins, found there by
// the names the file gives or, failing those, the folder's own picture, and
// read with the file. The `frame` attribute picks the keyframe shown
// (fractions blend two neighbours); each animation the frame names spell
// becomes one of the model's scripts.
#pragma once

#include <GL/gl.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "paint/PaintableModel.h"
#include "plugins/keyform/Md2File.h"
#include "plugins/keyform/Md2Mesh.h"
#include "plugins/keyform/SkinSet.h"

class BrushModel;

class Keyform : public PaintableModel {
public:
    // md2 must have been read; the mesh and scripts are built from it here.
    Keyform(const char* name, const Md2File& md2);
    ~Keyform() override;

    // Reads <name>/tris.md2 and the skins it names; refuses (null, with the
    // reason reported) when the MD2 file cannot be read.
    static AnimatedModel* create(const char* name);

    void modelInit() override;  // GL thread: uploads the skins read by create
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

    // Finds and reads the skins the file names in the model's folder, before the model is listed.
    void readSkins(const std::vector<std::string>& skinNames);
    // GL thread: uploads them, saying first which were not found or left out.
    void uploadSkins();
    bool adoptSkin(Image::Decoded picture);
    void showSkin();

    // The texture name every triangle shows once it has a picture: the first
    // skin's, or one kept free for the first skin loaded later.
    GLuint skinTexture;
    std::string folder_;  // as typed: the model may be listed under another name
    // Files found under other names than the file gives, with those names; and named skins not found at all.
    std::vector<std::pair<std::string, std::vector<std::string>>> standIns_;
    std::vector<std::string> missing_;
    std::vector<std::string> unchosen_;  // images beside the model when none was taken as its skin
    std::unique_ptr<SkinSet> skins_;     // read by create, uploaded by the first draw
    Md2Mesh frames_;                     // moves the mesh, which is this model, between keyframes
    double shownFrame_;
};
