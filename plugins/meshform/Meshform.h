// A model read through Assimp from one of the formats models are passed
// around in (glTF, OBJ, FBX, COLLADA, 3DS, ...): the model's name is its file
// as typed. Every mesh is drawn where the file's nodes place it, with each
// material's texture as a skin of its own; triangles without one are drawn
// in their material's colour and take no paint. Each animation the file holds becomes one of
// the model's scripts, playing through keyframes baked when the file is read:
// the `frame` attribute picks the one shown (0 is the rest pose, fractions
// blend neighbours), and painting paints the pose that is shown.
#pragma once

#include <GL/gl.h>

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "paint/PaintableModel.h"
#include "paint/mesh/KeyframeMesh.h"
#include "plugins/meshform/MeshformScene.h"
#include "plugins/meshform/MeshformSkins.h"

class BrushModel;

class Meshform : public PaintableModel {
public:
    // scene must have been read; the mesh and scripts are built from it here,
    // and its keyframes are taken rather than copied.
    Meshform(const char* name, MeshformScene& scene);

    // Reads the file and its textures; refuses (null, with the reason
    // reported) when the file cannot be read or holds no triangles.
    static AnimatedModel* create(const char* name);

    void modelInit() override;  // GL thread: uploads the skins read by create
    void draw() override;
    void paintModel(BrushModel* brush) override;

    static constexpr int kTicksPerSecond = 50;  // the animation timer's

private:
    void build(MeshformScene& scene);
    void setFirstSight(const MeshformScene& scene, const float* extent);
    void makeAnimationScripts(const std::vector<MeshformScene::Clip>& clips);
    // Moves the mesh to the `frame` attribute's value if it changed since the last move.
    void followFrame();
    // GL thread: the alpha each masked skin is cut by, as textures of their own, by the skin's texture.
    std::map<GLuint, std::pair<GLuint, float>> uploadMasks(const MeshformSkins& skins, const std::vector<GLuint>& ids);

    std::unique_ptr<MeshformSkins> skins_;         // read by create, uploaded by the first draw
    std::vector<int> triangleMaterial_;            // per triangle of the mesh, its material, or -1
    std::vector<bool> triangleMapped_;             // per triangle, whether every corner has texture coordinates
    std::vector<std::array<GLfloat, 4>> colours_;  // per material, what its untextured triangles show
    std::vector<bool> blended_;                    // per material, whether those triangles are see-through
    KeyframeMesh frames_;                          // the rest pose, then every animation's keyframes
    double shownFrame_ = 0.0;
};
