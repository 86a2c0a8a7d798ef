// Gathers a mesh's triangles by texture into flat corner arrays. Gathering
// again reuses the arrays (an animated model gathers every frame it moves):
// one pass counts each texture's triangles, a second writes every corner
// straight to its place. Relies on the mesh's shape version to know when.
#include "paint/mesh/DrawBatches.h"

#include <cstddef>

bool DrawBatches::follow(PolyMesh& mesh) {
    if (gathered_ && shapeVersion_ == mesh.shapeVersion())
        return false;
    gather(mesh);
    return true;
}

int DrawBatches::batchOf(const PolyMesh::Triangle& tri) {
    // A texture paints over any tint, so textured triangles are told apart by their texture alone.
    const unsigned int tint = tri.texture != 0 ? 0 : tri.tint;
    const unsigned long long key = static_cast<unsigned long long>(tint) << 32 | tri.texture;
    // Neighbouring triangles mostly share a texture: look it up only when it changes.
    if (lastBatch_ >= 0 && key == lastKey_)
        return lastBatch_;
    auto found = batchIndex_.find(key);
    int index;
    if (found == batchIndex_.end()) {
        index = static_cast<int>(batches_.size());
        batchIndex_.emplace(key, index);
        batches_.push_back({tri.texture, 0, 0, tint});
    } else {
        index = found->second;
    }
    lastKey_ = key;
    lastBatch_ = index;
    return index;
}

void DrawBatches::countBatches(PolyMesh& mesh) {
    batches_.clear();
    batchIndex_.clear();
    lastBatch_ = -1;
    for (auto it = mesh.triangleIterator(); it != mesh.triangleIteratorEnd(); ++it)
        batches_[batchOf(**it)].count += 3;
    int first = 0;
    for (Batch& batch : batches_) {
        batch.first = first;
        first += batch.count;
    }
    cursor_.resize(batches_.size());
    for (std::size_t i = 0; i < batches_.size(); ++i)
        cursor_[i] = batches_[i].first;
    const std::size_t corners = static_cast<std::size_t>(first);
    positions_.resize(3 * corners);
    normals_.resize(3 * corners);
    texCoords_.resize(2 * corners);
}

void DrawBatches::gather(PolyMesh& mesh) {
    countBatches(mesh);
    hasLastTexCoord_ = false;
    const PolyMesh::Normal* normal = nullptr;
    for (auto it = mesh.triangleIterator(); it != mesh.triangleIteratorEnd(); ++it) {
        PolyMesh::Triangle* tri = *it;
        const bool textured = tri->texture != 0;
        int& corner = cursor_[batchOf(*tri)];
        for (int i = 0; i < 3; ++i, ++corner) {
            float* p = &positions_[3 * static_cast<std::size_t>(corner)];
            float* n = &normals_[3 * static_cast<std::size_t>(corner)];
            float* st = &texCoords_[2 * static_cast<std::size_t>(corner)];
            const float* pos = tri->verts[i]->pos;
            normal = tri->norms[i] ? tri->norms[i] : &tri->face_normal;
            p[0] = pos[0], p[1] = pos[1], p[2] = pos[2];
            n[0] = normal->normal[0], n[1] = normal->normal[1], n[2] = normal->normal[2];
            const PolyMesh::TexCoord* tc = textured ? tri->tcs[i] : nullptr;
            st[0] = tc ? tc->s : 0.0f;
            st[1] = tc ? tc->t : 0.0f;
            if (textured) {
                lastTexCoord_[0] = st[0], lastTexCoord_[1] = st[1];
                hasLastTexCoord_ = true;
            }
        }
    }
    if (normal)
        normal->getVector(lastNormal_);
    shapeVersion_ = mesh.shapeVersion();
    gathered_ = true;
    ++gatherCount_;
}

bool DrawBatches::lastTexCoord(float* st) const {
    if (hasLastTexCoord_)
        st[0] = lastTexCoord_[0], st[1] = lastTexCoord_[1];
    return hasLastTexCoord_;
}
