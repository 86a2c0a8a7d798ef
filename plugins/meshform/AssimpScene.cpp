// Importing a model file through Assimp and flattening its node hierarchy
// into the scene the model is built from.
// Nothing the file says is trusted: counts are capped before anything is
// allocated for them, face indices are checked against their mesh, and the
// hierarchy is walked without recursion so a deep one cannot exhaust the stack.
#include "plugins/meshform/AssimpScene.h"

#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <assimp/Importer.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "plugins/meshform/BoundedIOSystem.h"
#include "plugins/meshform/GltfCurves.h"
#include "plugins/meshform/GltfMaterialLook.h"
#include "plugins/meshform/ImportTraps.h"
#include "plugins/meshform/MeshformAnimation.h"
#include "plugins/meshform/RawSceneCheck.h"

namespace {

// Colour components this dark count as black.
constexpr float kBlackEnough = 0.04f;

constexpr unsigned int kProcessing =
    aiProcess_Triangulate | aiProcess_JoinIdenticalVertices | aiProcess_GenSmoothNormals | aiProcess_SortByPType;

using Placed = MeshformAnimation::Placed;

// Each mesh every node names, with the node's transform accumulated from the root; false past the node cap.
bool placeMeshes(const aiScene& scene, std::vector<Placed>* placed) {
    std::vector<std::pair<const aiNode*, aiMatrix4x4>> pending{{scene.mRootNode, aiMatrix4x4()}};
    size_t visited = 0;
    while (!pending.empty()) {
        const auto [node, parent] = pending.back();
        pending.pop_back();
        if (!node)
            continue;
        if (++visited > MeshformScene::kMaxNodes)
            return false;
        const aiMatrix4x4 transform = parent * node->mTransformation;
        for (unsigned int i = 0; i < node->mNumMeshes; ++i)
            if (node->mMeshes[i] < scene.mNumMeshes)
                placed->push_back({node->mMeshes[i], transform, node});
        for (unsigned int i = node->mNumChildren; i-- > 0;)
            pending.emplace_back(node->mChildren[i], transform);
    }
    return true;
}

// An uncompressed embedded picture (texels of blue, green, red, alpha, top row first) as the bytes of a
// top-down 24-bit BMP, which the program's own decoder reads; empty past the size any skin may have.
std::string bmpOf(const aiTexture& texture) {
    const size_t width = texture.mWidth, height = texture.mHeight;
    if (!texture.pcData || width == 0 || width > 16384 || height > 16384)
        return "";
    const size_t stride = (3 * width + 3) / 4 * 4, size = 54 + stride * height;
    std::string bmp(size, '\0');
    auto put = [&bmp](size_t at, uint32_t value) {
        for (int k = 0; k < 4; ++k)
            bmp[at + k] = static_cast<char>(value >> (8 * k));
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put(2, static_cast<uint32_t>(size));
    put(10, 54);
    put(14, 40);
    put(18, static_cast<uint32_t>(width));
    put(22, static_cast<uint32_t>(-static_cast<int32_t>(height)));
    put(26, 1 | 24 << 16);
    for (size_t y = 0; y < height; ++y)
        for (size_t x = 0; x < width; ++x) {
            const aiTexel& texel = texture.pcData[y * width + x];
            char* out = &bmp[54 + y * stride + 3 * x];
            out[0] = static_cast<char>(texel.b);
            out[1] = static_cast<char>(texel.g);
            out[2] = static_cast<char>(texel.r);
        }
    return bmp;
}

// A black surface without a picture of its own shows only what it gives off: labels and screens are
// often made so, their picture being the emitted one, which then stands for the surface's.
bool glowsOnly(const MeshformScene::Texture& texture) {
    return texture.colour[0] <= kBlackEnough && texture.colour[1] <= kBlackEnough && texture.colour[2] <= kBlackEnough;
}

// glTF names its picture and colour as the base colour, older formats as the diffuse ones.
MeshformScene::Texture textureOf(const aiScene& scene, const aiMaterial& material) {
    MeshformScene::Texture texture;
    aiColor4D colour;
    if (material.Get(AI_MATKEY_BASE_COLOR, colour) == AI_SUCCESS ||
        material.Get(AI_MATKEY_COLOR_DIFFUSE, colour) == AI_SUCCESS) {
        // Held to 0..1: a file's out-of-range or undefined colour would light the triangles wrongly.
        const float given[4] = {colour.r, colour.g, colour.b, colour.a};
        for (int k = 0; k < 4; ++k)
            texture.colour[k] = given[k] >= 0.0f ? (given[k] <= 1.0f ? given[k] : 1.0f) : 0.0f;
    }
    GltfMaterialLook::apply(material, &texture);
    aiString name;
    if (material.GetTexture(aiTextureType_BASE_COLOR, 0, &name) != AI_SUCCESS &&
        material.GetTexture(aiTextureType_DIFFUSE, 0, &name) != AI_SUCCESS &&
        !(glowsOnly(texture) && material.GetTexture(aiTextureType_EMISSIVE, 0, &name) == AI_SUCCESS))
        return texture;
    const auto [embedded, index] = scene.GetEmbeddedTextureAndIndex(name.C_Str());
    if (!embedded) {
        texture.file = name.C_Str();
        return texture;
    }
    texture.embedded = index;
    if (embedded->mHeight == 0 && embedded->pcData) {  // compressed: mWidth bytes of PNG, JPEG, ...
        texture.bytes.assign(reinterpret_cast<const char*>(embedded->pcData), embedded->mWidth);
        texture.hint = embedded->achFormatHint;
    } else {
        texture.bytes = bmpOf(*embedded);
        texture.hint = "bmp";
    }
    return texture;
}

void readUpAxis(const aiScene& scene, int* axis, int* sign) {
    if (!scene.mMetaData)
        return;
    int32_t value = 0;
    if (scene.mMetaData->Get("UpAxis", value) && value >= 0 && value <= 2)
        *axis = value;
    if (scene.mMetaData->Get("UpAxisSign", value) && value != 0)
        *sign = value < 0 ? -1 : 1;
}

}  // namespace

bool AssimpScene::read(const std::string& path, MeshformScene* into) {
    if (!ImportTraps::admits(path, &into->problem))
        return false;
    Assimp::Importer importer;
    BoundedIOSystem* files = new BoundedIOSystem(MeshformScene::kFileBudget);
    importer.SetIOHandler(files);  // the importer owns it from here
    // Read with no processing, checked and mended by the program, then processed: the processing steps trust
    // the faces. Points and lines are dropped; what a triangle-only mesh needs is made where the file lacks it.
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    const aiScene* scene = importer.ReadFile(path, 0);
    // The importer's own scene, which it hands out as const only so callers leave it to its processing steps.
    if (scene && !RawSceneCheck::repair(const_cast<aiScene&>(*scene), MeshformScene::kMaxTriangles, &into->problem,
                                        &into->dropped))
        return false;
    if (scene)
        scene = importer.ApplyPostProcessing(kProcessing);
    if (!scene || !scene->mRootNode) {
        into->problem = !files->refusal().empty() ? files->refusal() : importer.GetErrorString();
        if (into->problem.empty())
            into->problem = "not a model file Assimp reads";
        return false;
    }
    if (scene->mNumMeshes > MeshformScene::kMaxMeshes || scene->mNumMaterials > MeshformScene::kMaxMaterials) {
        into->problem = std::to_string(scene->mNumMeshes) + " meshes and " + std::to_string(scene->mNumMaterials) +
                        " materials: a model holds at most " + std::to_string(MeshformScene::kMaxMeshes) + " and " +
                        std::to_string(MeshformScene::kMaxMaterials);
        return false;
    }
    std::vector<Placed> placed;
    if (!placeMeshes(*scene, &placed)) {
        into->problem = "more than " + std::to_string(MeshformScene::kMaxNodes) + " nodes";
        return false;
    }
    // Counted before anything is stored, so the caps hold however often the nodes repeat a mesh.
    size_t vertexCount = 0, triangleCount = 0;
    for (const Placed& p : placed) {
        vertexCount += scene->mMeshes[p.mesh]->mNumVertices;
        triangleCount += scene->mMeshes[p.mesh]->mNumFaces;
        if (vertexCount > MeshformScene::kMaxVertices || triangleCount > MeshformScene::kMaxTriangles) {
            into->problem = "more than " + std::to_string(MeshformScene::kMaxVertices) + " vertices or " +
                            std::to_string(MeshformScene::kMaxTriangles) + " triangles";
            return false;
        }
    }
    into->positions.reserve(3 * vertexCount);
    into->normals.reserve(3 * vertexCount);
    into->texCoords.reserve(2 * vertexCount);
    into->hasTexCoords.reserve(vertexCount);
    into->corners.reserve(3 * triangleCount);
    into->triangleMaterial.reserve(triangleCount);
    for (unsigned int m = 0; m < scene->mNumMaterials; ++m)
        into->materials.push_back(textureOf(*scene, *scene->mMaterials[m]));
    // Grouped by material, in the order the nodes place the meshes within each.
    std::stable_sort(placed.begin(), placed.end(), [scene](const Placed& a, const Placed& b) {
        return scene->mMeshes[a.mesh]->mMaterialIndex < scene->mMeshes[b.mesh]->mMaterialIndex;
    });
    for (const Placed& p : placed) {
        const aiMesh& mesh = *scene->mMeshes[p.mesh];
        const unsigned int base = static_cast<unsigned int>(into->positions.size() / 3);
        const aiMatrix3x3 normalTransform = aiMatrix3x3(p.transform).Inverse().Transpose();
        const bool uv = mesh.HasTextureCoords(0);
        for (unsigned int v = 0; v < mesh.mNumVertices; ++v) {
            const aiVector3D at = p.transform * mesh.mVertices[v];
            into->positions.insert(into->positions.end(), {at.x, at.y, at.z});
            const aiVector3D n = mesh.mNormals ? normalTransform * mesh.mNormals[v] : aiVector3D();
            // In double, so a tiny normal is not lost to underflow; one that is not a number counts as none.
            const double length = std::sqrt(static_cast<double>(n.x) * n.x + static_cast<double>(n.y) * n.y +
                                            static_cast<double>(n.z) * n.z);
            if (std::isfinite(length) && length > 0.0)
                into->normals.insert(into->normals.end(),
                                     {static_cast<float>(n.x / length), static_cast<float>(n.y / length),
                                      static_cast<float>(n.z / length)});
            else
                into->normals.insert(into->normals.end(), {0.0f, 0.0f, 0.0f});
            into->texCoords.push_back(uv ? mesh.mTextureCoords[0][v].x : 0.0f);
            into->texCoords.push_back(uv ? mesh.mTextureCoords[0][v].y : 0.0f);
            into->hasTexCoords.push_back(uv);
        }
        const int material = mesh.mMaterialIndex < into->materials.size() ? static_cast<int>(mesh.mMaterialIndex) : -1;
        for (unsigned int f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            if (face.mNumIndices != 3 || !face.mIndices)
                continue;
            if (std::max({face.mIndices[0], face.mIndices[1], face.mIndices[2]}) >= mesh.mNumVertices)
                continue;
            for (int k = 0; k < 3; ++k)
                into->corners.push_back(base + face.mIndices[k]);
            into->triangleMaterial.push_back(material);
        }
    }
    readUpAxis(*scene, &into->upAxis, &into->upSign);
    // The importer plays every glTF sampler as linear; the file itself says which are steps or splines.
    const GltfCurves curves = scene->mNumAnimations ? GltfCurves::read(path) : GltfCurves();
    MeshformAnimation::bake(*scene, placed, into, &curves);
    return true;
}
