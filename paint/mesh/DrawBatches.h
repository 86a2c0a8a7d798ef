#pragma once

// A mesh's triangles gathered by texture into arrays that draw in one call per
// texture: positions, normals and texture coordinates for every corner, with
// no OpenGL involved, so the gathering is testable without a display.

#include <unordered_map>
#include <vector>

#include "paint/mesh/PolyMesh.h"

class DrawBatches {
public:
    // One texture's triangles (or, untextured, one tint's): corners first ..
    // first + count - 1 of the arrays, in the order the triangles come in the mesh.
    struct Batch {
        unsigned int texture;
        int first;
        int count;
        unsigned int tint;  // of untextured triangles; 0 for textured ones
    };

    // Gathers mesh again when its shape version differs from the one last
    // gathered or forget() was called since; returns whether it gathered.
    bool follow(PolyMesh& mesh);
    // Makes the next follow() gather whatever the shape version says (the
    // textures changed in a way the mesh does not count).
    void forget() { gathered_ = false; }
    // Gathers mesh's triangles now. Batches come in the order each texture
    // (or tint of untextured triangles) first appears. Each corner carries its own normal or else the face
    // normal, and its own coordinates or else (0, 0); corners of untextured
    // triangles (texture 0) carry (0, 0), which is never drawn.
    void gather(PolyMesh& mesh);

    const std::vector<Batch>& batches() const { return batches_; }
    const std::vector<float>& positions() const { return positions_; }  // 3 per corner
    const std::vector<float>& normals() const { return normals_; }      // 3 per corner
    const std::vector<float>& texCoords() const { return texCoords_; }  // 2 per corner
    // Grows with every gather, so what is made from the arrays knows when to renew.
    unsigned long gatherCount() const { return gatherCount_; }
    // The normal of the mesh's last corner, and the coordinates of the last
    // corner of a textured triangle (false without one): what drawing the
    // triangles one at a time leaves as the current normal and coordinates.
    const float* lastNormal() const { return lastNormal_; }
    bool lastTexCoord(float* st) const;

private:
    // Counts each texture's triangles into batches_ and sets their first corners.
    void countBatches(PolyMesh& mesh);
    int batchOf(const PolyMesh::Triangle& tri);

    std::vector<Batch> batches_;
    std::vector<float> positions_, normals_, texCoords_;
    std::unordered_map<unsigned long long, int> batchIndex_;  // by texture and tint
    std::vector<int> cursor_;                                 // per batch, the next corner to fill
    unsigned long long lastKey_ = 0;
    int lastBatch_ = -1;
    bool gathered_ = false;
    unsigned long shapeVersion_ = 0;
    unsigned long gatherCount_ = 0;
    float lastNormal_[3] = {0.0f, 0.0f, 1.0f};
    float lastTexCoord_[2] = {0.0f, 0.0f};
    bool hasLastTexCoord_ = false;
};
