// A model read through Assimp from one of the formats models are passed
// around in (glTF, OBJ, FBX, COLLADA, 3DS, ...): the model's name is its file
// as typed. Every mesh is drawn where the file's nodes place it, with each
// material's texture as a skin of its own; triangles without one are drawn
// in their material's colour and take no paint.
#pragma once

#include <GL/gl.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "paint/PaintableModel.h"
#include "plugins/meshform/MeshformScene.h"
#include "plugins/meshform/MeshformSkins.h"

class Meshform : public PaintableModel {
public:
    // scene must have been read; the mesh is built from it here.
    Meshform(const char* name, const MeshformScene& scene);

    // Reads the file and its textures; refuses (null, with the reason
    // reported) when the file cannot be read or holds no triangles.
    static AnimatedModel* create(const char* name);

    void modelInit() override;  // GL thread: uploads the skins read by create

private:
    void build(const MeshformScene& scene);
    void setFirstSight(const MeshformScene& scene, const float* extent);

    std::unique_ptr<MeshformSkins> skins_;         // read by create, uploaded by the first draw
    std::vector<int> triangleMaterial_;            // per triangle of the mesh, its material, or -1
    std::vector<bool> triangleMapped_;             // per triangle, whether every corner has texture coordinates
    std::vector<std::array<GLfloat, 4>> colours_;  // per material, what its untextured triangles show
};
