// Checking and mending a scene as an importer left it, before any processing
// step sees it. Broken faces are moved to the end of their mesh's face array
// and the count shortened, so the mesh still frees them; corners that are not
// finite points become the origin once no kept face names them, so sorting
// positions (smooth normals, joining vertices) never compares a NaN.
#include "plugins/meshform/RawSceneCheck.h"

#include <assimp/scene.h>

#include <cmath>
#include <utility>
#include <vector>

namespace {

bool finite(const aiVector3D& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

unsigned int primitiveOf(unsigned int corners) {
    switch (corners) {
        case 1: return aiPrimitiveType_POINT;
        case 2: return aiPrimitiveType_LINE;
        case 3: return aiPrimitiveType_TRIANGLE;
        default: return aiPrimitiveType_POLYGON;
    }
}

}  // namespace

bool RawSceneCheck::repair(aiScene& scene, size_t maxTriangles, std::string* problem, std::string* dropped) {
    if (scene.mNumMeshes > 0 && !scene.mMeshes) {
        *problem = "the file's meshes are missing";
        return false;
    }
    size_t triangles = 0;
    std::vector<bool> usable;
    for (unsigned int m = 0; m < scene.mNumMeshes; ++m) {
        aiMesh* mesh = scene.mMeshes[m];
        if (!mesh || (mesh->mNumVertices > 0 && !mesh->mVertices) || (mesh->mNumFaces > 0 && !mesh->mFaces)) {
            *problem = "mesh " + std::to_string(m) + " lacks its vertices or faces";
            return false;
        }
        // Most files have no broken point: only then is each vertex's usability looked up per corner.
        bool anyUnusable = false;
        for (unsigned int v = 0; v < mesh->mNumVertices; ++v)
            anyUnusable |= !finite(mesh->mVertices[v]);
        if (anyUnusable) {
            usable.resize(mesh->mNumVertices);
            for (unsigned int v = 0; v < mesh->mNumVertices; ++v)
                usable[v] = finite(mesh->mVertices[v]);
        }
        unsigned int kept = 0, missing = 0, notFinite = 0, tooLarge = 0, types = 0;
        for (unsigned int f = 0; f < mesh->mNumFaces; ++f) {
            aiFace& face = mesh->mFaces[f];
            bool whole = face.mNumIndices > 0 && face.mNumIndices <= kMaxCorners && face.mIndices;
            if (!whole) {
                ++(face.mNumIndices > kMaxCorners ? tooLarge : missing);
                continue;
            }
            for (unsigned int k = 0; k < face.mNumIndices && whole; ++k)
                whole = face.mIndices[k] < mesh->mNumVertices;
            if (!whole) {
                ++missing;
                continue;
            }
            for (unsigned int k = 0; k < face.mNumIndices && whole && anyUnusable; ++k)
                whole = usable[face.mIndices[k]];
            if (!whole) {
                ++notFinite;
                continue;
            }
            if (f != kept) {
                std::swap(face.mNumIndices, mesh->mFaces[kept].mNumIndices);
                std::swap(face.mIndices, mesh->mFaces[kept].mIndices);
            }
            const aiFace& moved = mesh->mFaces[kept++];
            types |= primitiveOf(moved.mNumIndices);
            triangles += moved.mNumIndices > 2 ? moved.mNumIndices - 2 : 1;
            if (triangles > maxTriangles) {
                *problem = "more than " + std::to_string(maxTriangles) + " triangles";
                return false;
            }
        }
        if (anyUnusable)
            for (unsigned int v = 0; v < mesh->mNumVertices; ++v)
                if (!usable[v])
                    mesh->mVertices[v] = aiVector3D();
        if (kept < mesh->mNumFaces) {
            std::string why;
            for (const auto& [count, reason] : {std::pair{missing, "a missing vertex"},
                                                {notFinite, "a corner that is not a finite point"},
                                                {tooLarge, "more corners than a face may have"}})
                if (count > 0)
                    why += (why.empty() ? "" : ", ") + std::to_string(count) + " " + reason;
            *dropped += "mesh " + std::to_string(m) + ": " + std::to_string(mesh->mNumFaces - kept) + " of " +
                        std::to_string(mesh->mNumFaces) + " faces dropped (" + why + ")\n";
            mesh->mNumFaces = kept;
        }
        mesh->mPrimitiveTypes = types;
    }
    return true;
}
