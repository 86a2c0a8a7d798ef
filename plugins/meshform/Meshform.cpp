// The Meshform model class and its registration. The file and its textures
// are read when the model is created, on the console's thread before the
// model is listed; a file Assimp cannot read creates no model. modelInit
// runs on the GL thread at the first draw and only uploads the skins.
// Animations are posed on the processor: the mesh moves to the shown keyframe
// before each draw and each painting.
#include "plugins/meshform/Meshform.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>

#include "paint/brush/BrushModel.h"
#include "plugins/ClassRegistry.h"
#include "plugins/meshform/SceneReader.h"
#include "scene/AsyncOutput.h"

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

Meshform::Meshform(const char* name, MeshformScene& scene) : PaintableModel(name) {
    class_name = "Meshform";
    attributes["x"] = 0.0;
    attributes["y"] = 0.0;
    attributes["z"] = 0.0;
    attributes["frame"] = 0.0;
    lower_limits["frame"] = 0.0;
    upper_limits["frame"] = static_cast<double>(scene.frames.size());
    makeAnimationScripts(scene.clips);
    build(scene);
}

AnimatedModel* Meshform::create(const char* name) {
    const std::string path = name ? name : "";
    MeshformScene scene;
    if (!SceneReader::read(path, &scene) || scene.triangleMaterial.empty()) {
        const std::string reason = scene.problem.empty() ? "it holds no triangles" : scene.problem;
        reportModelCreationFailure(("cannot read model '" + path + "': " + reason + "\n").c_str());
        return nullptr;
    }
    if (!scene.leftOut.empty())
        std::fprintf(stderr, "model '%s': %s\n", path.c_str(), scene.leftOut.c_str());
    if (!scene.dropped.empty())
        std::fprintf(stderr, "faces left out of model '%s':\n%s", path.c_str(), scene.dropped.c_str());
    Meshform* model = new Meshform(name, scene);
    for (const MeshformScene::Texture& material : scene.materials) {
        model->colours_.push_back({material.colour[0], material.colour[1], material.colour[2], material.colour[3]});
        model->blended_.push_back(material.blended);
    }
    model->skins_ = std::make_unique<MeshformSkins>(scene.materials, path);
    return model;
}

void Meshform::build(MeshformScene& scene) {
    // The centre of the box over the rest pose and every keyframe becomes the model's origin, so that
    // no animation walks the model out of the view.
    const size_t count = scene.positions.size() / 3;
    float low[3] = {0, 0, 0}, high[3] = {0, 0, 0}, centre[3], extent[3];
    auto widen = [&low, &high](const std::vector<float>& at, bool first) {
        for (size_t i = 0; i + 2 < at.size(); i += 3)
            for (int k = 0; k < 3; ++k) {
                low[k] = first && i == 0 ? at[i + k] : std::min(low[k], at[i + k]);
                high[k] = first && i == 0 ? at[i + k] : std::max(high[k], at[i + k]);
            }
    };
    widen(scene.positions, true);
    for (const MeshformScene::Frame& frame : scene.frames)
        widen(frame.positions, false);
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
        // A texture needs coordinates on every corner; without them the triangle shows its material's colour.
        const bool mapped = scene.hasTexCoords[c[t]] && scene.hasTexCoords[c[t + 1]] && scene.hasTexCoords[c[t + 2]];
        triangleMaterial_.push_back(scene.triangleMaterial[t / 3]);
        triangleMapped_.push_back(mapped);
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
    std::vector<KeyframeMesh::Frame> frames(1);
    frames[0].positions = std::move(placed);
    frames[0].normals = scene.normals;
    for (MeshformScene::Frame& frame : scene.frames) {
        for (size_t i = 0; i < frame.positions.size(); ++i)
            frame.positions[i] -= centre[i % 3];
        frames.push_back(std::move(frame));
    }
    scene.frames.clear();
    frames_ = KeyframeMesh(std::move(frames));
}

void Meshform::makeAnimationScripts(const std::vector<MeshformScene::Clip>& clips) {
    for (const MeshformScene::Clip& clip : clips) {
        if (clip.count <= 0 || newScript(clip.name.c_str()) != 0)
            continue;
        current_script->behavior = SCR_REPEAT;
        const int ticks = std::max(1, static_cast<int>(std::lround(kTicksPerSecond / clip.fps)));
        for (int i = 0; i < clip.count; ++i) {
            position pose;
            pose["frame"] = clip.first + 1 + i;  // frame 0 is the rest pose
            // Each repeat comes to the first frame from the last: a slower way would sweep through all between.
            appendPose(&pose, i == 0 ? 1 : ticks, INT_LINEAR);
        }
    }
    // Like any new model, this one starts without a current script.
    current_script = nullptr;
}

void Meshform::followFrame() {
    const double frame = getAttribute("frame");
    if (frame == shownFrame_)
        return;
    shownFrame_ = frame;
    frames_.showFrame(*this, frame);
}

void Meshform::draw() {
    followFrame();
    PaintableModel::draw();
}

void Meshform::paintModel(BrushModel* brush) {
    followFrame();
    PaintableModel::paintModel(brush);
}

void Meshform::setFirstSight(const MeshformScene& scene, const float* extent) {
    // The model's own turn brings the file's up axis to the viewer's up (+y),
    // so the rotations turn it standing; the largest side becomes 4 units, as for every model.
    const double sign = scene.upSign;
    if (scene.upAxis == 2)
        setUprightTurn(-90.0 * sign, 0.0, 0.0);
    else if (scene.upAxis == 0)
        setUprightTurn(0.0, 0.0, 90.0 * sign);
    else if (sign < 0)
        setUprightTurn(180.0, 0.0, 0.0);
    const float largest = std::max(extent[0], std::max(extent[1], extent[2]));
    attributes["scale"] = largest > 0.0f ? 4.0 / static_cast<double>(largest) : 1.0;
}

std::map<GLuint, std::pair<GLuint, float>> Meshform::uploadMasks(const MeshformSkins& skins,
                                                                 const std::vector<GLuint>& ids) {
    std::map<GLuint, std::pair<GLuint, float>> masks;
    for (size_t i = 0; i < ids.size() && i < skins.masks.size(); ++i) {
        const auto skin = textures.find(ids[i]);
        if (skins.masks[i].empty() || skin == textures.end() || !skin->second)
            continue;
        GLuint mask = 0;
        glGenTextures(1, &mask);
        glBindTexture(GL_TEXTURE_2D, mask);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        GLint alignment = 4;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // one byte a texel: rows are not padded
        glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, skin->second->width(), skin->second->height(), 0, GL_ALPHA,
                     GL_UNSIGNED_BYTE, skins.masks[i].data());
        glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
        glBindTexture(GL_TEXTURE_2D, 0);
        masks[ids[i]] = {mask, skins.cutoffs[i]};
    }
    return masks;
}

void Meshform::modelInit() {
    std::vector<GLuint> ids;
    std::vector<int> skinOf;  // per material
    if (skins_) {
        skinOf = skins_->skinOfMaterial;
        AsyncOutput::write(stderr, skins_->messages);
        ids.assign(skins_->pictures.size(), 0);
        adoptTextures(skins_->pictures, ids.data());
        for (GLuint& id : ids)
            if (!textures.count(id))
                id = 0;  // not decoded: its triangles stay untextured
        setTextureMasks(uploadMasks(*skins_, ids));
        skins_.reset();
    }
    unsigned int t = 0;
    for (Triangle* tri : triangles) {
        const int material = t < triangleMaterial_.size() ? triangleMaterial_[t] : -1;
        const int skin = material >= 0 && static_cast<size_t>(material) < skinOf.size() && triangleMapped_[t]
                             ? skinOf[material]
                             : -1;
        tri->setTexture(skin >= 0 && static_cast<size_t>(skin) < ids.size() ? ids[skin] : 0);
        tri->tint = material >= 0 && static_cast<size_t>(material) < colours_.size() ? material + 1 : 0;
        ++t;
    }
    setTints(colours_);
    setBlendedTints(blended_);
    printSkinNumbers();
}
