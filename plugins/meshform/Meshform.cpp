// The Meshform model class and its registration. The file and its textures
// are read when the model is created, on the console's thread before the
// model is listed; a file Assimp cannot read creates no model. modelInit
// runs on the GL thread at the first draw and only uploads the skins.
#include "plugins/meshform/Meshform.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

#include "plugins/ClassRegistry.h"

namespace {

// Internal linkage: another plug-in's init can neither replace nor be mistaken for it.
__attribute__((constructor)) void init() {
    model_classes[const_cast<char*>("Meshform")] = Meshform::create;
}

// A triangle without area has no facing to draw or paint; the mesh would complain of its normal.
bool isFlat(const std::vector<float>& at, unsigned int i, unsigned int j, unsigned int k) {
    float a[3], b[3];
    for (int n = 0; n < 3; ++n) {
        a[n] = at[3 * i + n] - at[3 * j + n];
        b[n] = at[3 * j + n] - at[3 * k + n];
    }
    return static_cast<double>(a[1]) * b[2] == static_cast<double>(a[2]) * b[1] &&
           static_cast<double>(a[2]) * b[0] == static_cast<double>(a[0]) * b[2] &&
           static_cast<double>(a[0]) * b[1] == static_cast<double>(a[1]) * b[0];
}

}  // namespace

Meshform::Meshform(const char* name, const MeshformScene& scene) : PaintableModel(name) {
    class_name = "Meshform";
    attributes["x"] = 0.0;
    attributes["y"] = 0.0;
    attributes["z"] = 0.0;
    build(scene);
}

AnimatedModel* Meshform::create(const char* name) {
    const std::string path = name ? name : "";
    MeshformScene scene;
    if (!scene.read(path) || scene.triangleMaterial.empty()) {
        const std::string reason = scene.problem.empty() ? "it holds no triangles" : scene.problem;
        reportModelCreationFailure(("cannot read model '" + path + "': " + reason + "\n").c_str());
        return nullptr;
    }
    if (!scene.dropped.empty())
        std::fprintf(stderr, "faces left out of model '%s':\n%s", path.c_str(), scene.dropped.c_str());
    Meshform* model = new Meshform(name, scene);
    model->skins_ = std::make_unique<MeshformSkins>(scene.materials, path);
    return model;
}

void Meshform::build(const MeshformScene& scene) {
    // The bounding box's centre becomes the model's origin.
    const size_t count = scene.positions.size() / 3;
    float low[3] = {0, 0, 0}, high[3] = {0, 0, 0}, centre[3], extent[3];
    for (size_t i = 0; i < count; ++i)
        for (int k = 0; k < 3; ++k) {
            const float v = scene.positions[3 * i + k];
            low[k] = i == 0 ? v : std::min(low[k], v);
            high[k] = i == 0 ? v : std::max(high[k], v);
        }
    for (int k = 0; k < 3; ++k) {
        centre[k] = (low[k] + high[k]) / 2.0f;
        extent[k] = high[k] - low[k];
    }
    std::vector<float> placed(scene.positions.size());
    reserve(count, count, count, scene.corners.size() / 3);
    triangleMaterial_.reserve(scene.corners.size() / 3);
    for (size_t i = 0; i < count; ++i) {
        float* p = &placed[3 * i];
        for (int k = 0; k < 3; ++k)
            p[k] = scene.positions[3 * i + k] - centre[k];
        const float* n = &scene.normals[3 * i];
        addVertex(p[0], p[1], p[2]);
        addNormal(n[0], n[1], n[2]);
        addTexCoord(scene.texCoords[2 * i], scene.texCoords[2 * i + 1]);
    }
    const std::vector<unsigned int>& c = scene.corners;
    for (size_t t = 0; t + 2 < c.size(); t += 3) {
        if (isFlat(placed, c[t], c[t + 1], c[t + 2]))
            continue;
        const int id = addTriangle(c[t], c[t + 1], c[t + 2]);
        if (id < 0)
            continue;
        // A texture needs coordinates on every corner; without them the triangle stays untextured and unpainted.
        const bool mapped = scene.hasTexCoords[c[t]] && scene.hasTexCoords[c[t + 1]] && scene.hasTexCoords[c[t + 2]];
        triangleMaterial_.push_back(mapped ? scene.triangleMaterial[t / 3] : -1);
        // Straight into the triangle just added: every corner names a vertex the loop above gave a normal and
        // coordinates, and nothing has been built from the mesh yet that a new shape version would have to renew.
        Triangle* tri = triangles[id];
        for (unsigned int j = 0; j < 3; ++j) {
            const unsigned int v = c[t + j];
            // A vertex without a normal of its own shows the face normal.
            if (scene.normals[3 * v] != 0.0f || scene.normals[3 * v + 1] != 0.0f || scene.normals[3 * v + 2] != 0.0f)
                tri->norms[j] = normals[v];
            if (scene.hasTexCoords[v])
                tri->tcs[j] = coords[v];
        }
    }
    setFirstSight(scene, extent);
}

void Meshform::setFirstSight(const MeshformScene& scene, const float* extent) {
    // The file's up axis turns to the viewer's up (+y); the largest side becomes 4 units, as for every model.
    const double sign = scene.upSign;
    attributes["rotation_x"] = 0.0;
    attributes["rotation_z"] = 0.0;
    if (scene.upAxis == 2)
        attributes["rotation_x"] = -90.0 * sign;
    else if (scene.upAxis == 0)
        attributes["rotation_z"] = 90.0 * sign;
    else if (sign < 0)
        attributes["rotation_x"] = 180.0;
    const float largest = std::max(extent[0], std::max(extent[1], extent[2]));
    attributes["scale"] = largest > 0.0f ? 4.0 / static_cast<double>(largest) : 1.0;
}

void Meshform::modelInit() {
    std::vector<GLuint> ids;
    std::vector<int> skinOf;  // per material
    if (skins_) {
        skinOf = skins_->skinOfMaterial;
        std::fputs(skins_->messages.c_str(), stderr);
        ids.assign(skins_->pictures.size(), 0);
        const std::vector<int> embedded = skins_->embedded;
        adoptTextures(skins_->pictures, ids.data());
        for (size_t i = 0; i < ids.size(); ++i) {
            if (!textures.count(ids[i])) {
                ids[i] = 0;  // not decoded: its triangles stay untextured
                continue;
            }
            if (embedded[i] >= 0)
                textures[ids[i]]->refuseSaves("not saving embedded texture " + std::to_string(embedded[i]) + " of " +
                                              model_name + ": pictures inside a model file are not written back yet");
        }
        skins_.reset();
    }
    unsigned int t = 0;
    for (Triangle* tri : triangles) {
        const int material = t < triangleMaterial_.size() ? triangleMaterial_[t] : -1;
        const int skin = material >= 0 && static_cast<size_t>(material) < skinOf.size() ? skinOf[material] : -1;
        tri->setTexture(skin >= 0 && static_cast<size_t>(skin) < ids.size() ? ids[skin] : 0);
        ++t;
    }
    std::string numbers;
    for (const auto& entry : textures)
        numbers += (numbers.empty() ? "" : ",") + std::to_string(entry.first);
    std::printf("skins: <%s>\n", numbers.c_str());
}
