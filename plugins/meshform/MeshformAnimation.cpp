// Sampling a file's animations. The node tree is flattened once, parents
// before children, so each sample is one pass over it without recursion; key
// lookups are bisections that stay in bounds whatever order the file's keys
// come in, and every index the file gives is checked before it is used.
#include "plugins/meshform/MeshformAnimation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <unordered_map>

#include "plugins/meshform/GltfCurves.h"

namespace {

struct Tree {
    std::vector<const aiNode*> nodes;  // parents before their children
    std::vector<int> parent;           // -1 for the root
    std::unordered_map<std::string, int> byName;
    std::unordered_map<const aiNode*, int> byNode;
};

Tree flatten(const aiNode* root) {
    Tree tree;
    std::vector<std::pair<const aiNode*, int>> pending{{root, -1}};
    while (!pending.empty() && tree.nodes.size() < MeshformScene::kMaxNodes) {
        const auto [node, parent] = pending.back();
        pending.pop_back();
        if (!node)
            continue;
        const int index = static_cast<int>(tree.nodes.size());
        tree.nodes.push_back(node);
        tree.parent.push_back(parent);
        tree.byName.emplace(node->mName.C_Str(), index);
        tree.byNode.emplace(node, index);
        for (unsigned int i = node->mNumChildren; i-- > 0;)
            pending.emplace_back(node->mChildren[i], index);
    }
    return tree;
}

// The last key at or before time, or the first; a bisection, so keys out of order give some key, never a wild one.
template <typename Key>
unsigned int keyAt(const Key* keys, unsigned int count, double time) {
    unsigned int low = 0, high = count;
    while (high - low > 1) {
        const unsigned int middle = low + (high - low) / 2;
        if (keys[middle].mTime <= time)
            low = middle;
        else
            high = middle;
    }
    return low;
}

// How far time lies from keys[i] to keys[i + 1], 0 past the last key.
template <typename Key>
float between(const Key* keys, unsigned int count, unsigned int i, double time) {
    if (i + 1 >= count || !(keys[i + 1].mTime > keys[i].mTime))
        return 0.0f;
    const double f = (time - keys[i].mTime) / (keys[i + 1].mTime - keys[i].mTime);
    return static_cast<float>(std::clamp(f, 0.0, 1.0));
}

aiVector3D vectorAt(const aiVectorKey* keys, unsigned int count, double time) {
    const unsigned int i = keyAt(keys, count, time);
    const float f = between(keys, count, i, time);
    return f > 0.0f ? keys[i].mValue + (keys[i + 1].mValue - keys[i].mValue) * f : keys[i].mValue;
}

aiQuaternion rotationAt(const aiQuatKey* keys, unsigned int count, double time) {
    const unsigned int i = keyAt(keys, count, time);
    const float f = between(keys, count, i, time);
    aiQuaternion q = keys[i].mValue;
    if (f > 0.0f)
        aiQuaternion::Interpolate(q, keys[i].mValue, keys[i + 1].mValue, f);
    return q.Normalize();
}

// The curves a glTF file gives a channel's position, rotation and scaling in place of their linear keys.
using Curves = std::array<const GltfCurves::Curve*, 3>;

// A node's transform at time (seconds later on curves): what its keys say, and its own for what they leave out.
aiMatrix4x4 localAt(const aiNodeAnim& channel, const Curves& curves, const aiMatrix4x4& own, double time,
                    double seconds) {
    aiVector3D scaling, position;
    aiQuaternion rotation;
    own.Decompose(scaling, rotation, position);
    float v[4];
    auto onCurve = [&v, seconds](const GltfCurves::Curve* curve) {
        if (curve)
            curve->at(seconds, v);
        return curve != nullptr;
    };
    if (onCurve(curves[0]))
        position = aiVector3D(v[0], v[1], v[2]);
    else if (channel.mNumPositionKeys && channel.mPositionKeys)
        position = vectorAt(channel.mPositionKeys, channel.mNumPositionKeys, time);
    if (onCurve(curves[1]))
        rotation = aiQuaternion(v[3], v[0], v[1], v[2]).Normalize();  // the file's order is x, y, z, w
    else if (channel.mNumRotationKeys && channel.mRotationKeys)
        rotation = rotationAt(channel.mRotationKeys, channel.mNumRotationKeys, time);
    if (onCurve(curves[2]))
        scaling = aiVector3D(v[0], v[1], v[2]);
    else if (channel.mNumScalingKeys && channel.mScalingKeys)
        scaling = vectorAt(channel.mScalingKeys, channel.mNumScalingKeys, time);
    return aiMatrix4x4(scaling, rotation, position);
}

// The file's curve for a node's path, when it is sure to be the one the importer's keys came from: as many
// keys, the last at the same time.
template <typename Key>
const GltfCurves::Curve* curveFor(const GltfCurves* curves, size_t animation, const aiString& node,
                                  GltfCurves::Path path, const Key* keys, unsigned int count, double ticksPerSecond) {
    const GltfCurves::Curve* curve = curves ? curves->find(animation, node.C_Str(), path) : nullptr;
    if (!curve || !keys || count != curve->times.size() ||
        std::abs(keys[count - 1].mTime / ticksPerSecond - curve->times.back()) > 1e-3)
        return nullptr;
    return curve;
}

double weightIn(const aiMeshMorphKey& key, unsigned int target) {
    if (!key.mValues || !key.mWeights)
        return 0.0;
    for (unsigned int j = 0; j < key.mNumValuesAndWeights; ++j)
        if (key.mValues[j] == target)
            return key.mWeights[j];
    return 0.0;
}

// Normals follow a transform through its cofactors: the inverse transpose up to a positive
// factor, which the normalising drops, and defined for transforms that flatten.
aiMatrix3x3 normalTransform(const aiMatrix4x4& m) {
    aiMatrix3x3 c;
    c.a1 = m.b2 * m.c3 - m.b3 * m.c2, c.a2 = m.b3 * m.c1 - m.b1 * m.c3, c.a3 = m.b1 * m.c2 - m.b2 * m.c1;
    c.b1 = m.a3 * m.c2 - m.a2 * m.c3, c.b2 = m.a1 * m.c3 - m.a3 * m.c1, c.b3 = m.a2 * m.c1 - m.a1 * m.c2;
    c.c1 = m.a2 * m.b3 - m.a3 * m.b2, c.c2 = m.a3 * m.b1 - m.a1 * m.b3, c.c3 = m.a1 * m.b2 - m.a2 * m.b1;
    // A mirroring transform turns the cofactors inside out.
    if (m.a1 * c.a1 + m.a2 * c.a2 + m.a3 * c.a3 < 0.0f)
        for (float* e = &c.a1; e <= &c.c3; ++e)
            *e = -*e;
    return c;
}

// A mesh's bones as node numbers and offsets, and each vertex's share in them.
struct Skin {
    std::vector<int> node;
    std::vector<aiMatrix4x4> offset;
    std::vector<std::vector<std::pair<unsigned int, float>>> weights;  // per vertex: bone, weight
    size_t work = 0;
};

Skin skinOf(const aiMesh& mesh, const Tree& tree) {
    Skin skin;
    if (!mesh.mBones)
        return skin;
    skin.weights.resize(mesh.mNumVertices);
    for (unsigned int b = 0; b < mesh.mNumBones; ++b) {
        const aiBone* bone = mesh.mBones[b];
        const auto found = bone ? tree.byName.find(bone->mName.C_Str()) : tree.byName.end();
        if (found == tree.byName.end() || !bone->mWeights)
            continue;
        const unsigned int slot = static_cast<unsigned int>(skin.node.size());
        skin.node.push_back(found->second);
        skin.offset.push_back(bone->mOffsetMatrix);
        for (unsigned int w = 0; w < bone->mNumWeights; ++w) {
            const aiVertexWeight& weight = bone->mWeights[w];
            if (weight.mVertexId < mesh.mNumVertices && weight.mWeight > 0.0f) {
                skin.weights[weight.mVertexId].emplace_back(slot, weight.mWeight);
                skin.work += 16;
            }
        }
    }
    return skin;
}

class Baker {
public:
    Baker(const aiScene& scene, const std::vector<MeshformAnimation::Placed>& placed, const GltfCurves* curves)
        : scene_(scene), placed_(placed), tree_(flatten(scene.mRootNode)), curves_(curves) {
        for (const MeshformAnimation::Placed& p : placed_) {
            const aiMesh& mesh = *scene_.mMeshes[p.mesh];
            vertices_ += mesh.mNumVertices;
            if (!skins_.count(p.mesh))
                skins_.emplace(p.mesh, skinOf(mesh, tree_));
        }
    }

    // Samples animation a, appending its keyframes and clip, unless the caps would pass; false then.
    bool bake(const aiAnimation& a, size_t index, const std::string& name, MeshformScene* into);

private:
    double endOf(const aiAnimation& a) const;
    const aiMeshMorphAnim* morphFor(const aiAnimation& a, const MeshformAnimation::Placed& p) const;
    size_t workPerFrame(const aiAnimation& a) const;
    void findCurves(const aiAnimation& a, size_t index);
    void sample(const aiAnimation& a, double time, MeshformScene::Frame* frame);
    void place(const MeshformAnimation::Placed& p, const aiMeshMorphAnim* morph, const GltfCurves::Curve* weights,
               double time, float* at, float* normal);

    const aiScene& scene_;
    const std::vector<MeshformAnimation::Placed>& placed_;
    Tree tree_;
    std::unordered_map<unsigned int, Skin> skins_;
    const GltfCurves* curves_;
    double ticksPerSecond_ = 25.0;
    std::vector<Curves> channelCurves_;                   // per channel of the animation baked
    std::vector<const GltfCurves::Curve*> weightCurves_;  // per placed mesh
    std::vector<float> weights_;
    std::vector<aiMatrix4x4> global_;
    std::vector<aiVector3D> morphed_, morphedNormals_;
    size_t vertices_ = 0;
    size_t floats_ = 0, work_ = 0;
};

// An animation runs from 0 to its last key, or to its stated end if that comes first:
// some importers state an end far past the keys, and a key just past a stated end is clamped.
double Baker::endOf(const aiAnimation& a) const {
    double last = 0.0;
    auto see = [&last](double time) {
        if (std::isfinite(time))
            last = std::max(last, time);
    };
    for (unsigned int c = 0; a.mChannels && c < a.mNumChannels; ++c) {
        const aiNodeAnim* ch = a.mChannels[c];
        if (!ch)
            continue;
        if (ch->mPositionKeys && ch->mNumPositionKeys)
            see(ch->mPositionKeys[ch->mNumPositionKeys - 1].mTime);
        if (ch->mRotationKeys && ch->mNumRotationKeys)
            see(ch->mRotationKeys[ch->mNumRotationKeys - 1].mTime);
        if (ch->mScalingKeys && ch->mNumScalingKeys)
            see(ch->mScalingKeys[ch->mNumScalingKeys - 1].mTime);
    }
    for (unsigned int c = 0; a.mMorphMeshChannels && c < a.mNumMorphMeshChannels; ++c) {
        const aiMeshMorphAnim* ch = a.mMorphMeshChannels[c];
        if (ch && ch->mKeys && ch->mNumKeys)
            see(ch->mKeys[ch->mNumKeys - 1].mTime);
    }
    return a.mDuration > 0.0 && std::isfinite(a.mDuration) ? std::min(last, a.mDuration) : last;
}

// Importers name a morph channel after the mesh or after the node that places it.
const aiMeshMorphAnim* Baker::morphFor(const aiAnimation& a, const MeshformAnimation::Placed& p) const {
    const aiMesh& mesh = *scene_.mMeshes[p.mesh];
    if (!mesh.mAnimMeshes || mesh.mNumAnimMeshes == 0)
        return nullptr;
    for (unsigned int c = 0; a.mMorphMeshChannels && c < a.mNumMorphMeshChannels; ++c) {
        const aiMeshMorphAnim* ch = a.mMorphMeshChannels[c];
        if (ch && ch->mKeys && ch->mNumKeys && (ch->mName == mesh.mName || (p.node && ch->mName == p.node->mName)))
            return ch;
    }
    return nullptr;
}

size_t Baker::workPerFrame(const aiAnimation& a) const {
    size_t work = 16 * tree_.nodes.size() + 12 * vertices_;
    for (const MeshformAnimation::Placed& p : placed_) {
        work += skins_.at(p.mesh).work;
        if (morphFor(a, p))
            work += 6 * size_t(scene_.mMeshes[p.mesh]->mNumVertices) * scene_.mMeshes[p.mesh]->mNumAnimMeshes;
    }
    return work;
}

// The file's own curves for animation index, where it has them: every channel's, and every placed mesh's weights.
void Baker::findCurves(const aiAnimation& a, size_t index) {
    channelCurves_.assign(a.mChannels ? a.mNumChannels : 0, Curves{});
    weightCurves_.assign(placed_.size(), nullptr);
    const double tps = ticksPerSecond_;
    for (size_t c = 0; c < channelCurves_.size(); ++c)
        if (const aiNodeAnim* ch = a.mChannels[c]) {
            const aiString& node = ch->mNodeName;
            channelCurves_[c] = {
                curveFor(curves_, index, node, GltfCurves::kTranslation, ch->mPositionKeys, ch->mNumPositionKeys, tps),
                curveFor(curves_, index, node, GltfCurves::kRotation, ch->mRotationKeys, ch->mNumRotationKeys, tps),
                curveFor(curves_, index, node, GltfCurves::kScale, ch->mScalingKeys, ch->mNumScalingKeys, tps)};
        }
    for (size_t i = 0; i < placed_.size(); ++i) {
        const aiMeshMorphAnim* morph = morphFor(a, placed_[i]);
        const GltfCurves::Curve* curve = morph && placed_[i].node
                                             ? curveFor(curves_, index, placed_[i].node->mName, GltfCurves::kWeights,
                                                        morph->mKeys, morph->mNumKeys, tps)
                                             : nullptr;
        if (curve && curve->width == scene_.mMeshes[placed_[i].mesh]->mNumAnimMeshes)
            weightCurves_[i] = curve;
    }
}

bool Baker::bake(const aiAnimation& a, size_t index, const std::string& name, MeshformScene* into) {
    const double ticksPerSecond =
        a.mTicksPerSecond > 0.0 && std::isfinite(a.mTicksPerSecond) ? a.mTicksPerSecond : 25.0;
    ticksPerSecond_ = ticksPerSecond;
    const double end = endOf(a);
    const double span = std::ceil(end / ticksPerSecond * MeshformAnimation::kFramesPerSecond - 1e-6);
    const double count = std::max(span, 0.0) + 1.0;
    const double floats = count * 6.0 * static_cast<double>(vertices_);
    const double work = count * static_cast<double>(workPerFrame(a));
    if (!(floats_ + floats <= MeshformAnimation::kMaxFloats && work_ + work <= MeshformAnimation::kMaxWork &&
          into->frames.size() + count <= MeshformAnimation::kMaxFrames))
        return false;
    floats_ += static_cast<size_t>(floats);
    work_ += static_cast<size_t>(work);
    MeshformScene::Clip clip;
    clip.name = name;
    clip.first = static_cast<int>(into->frames.size());
    clip.count = static_cast<int>(count);
    clip.fps = MeshformAnimation::kFramesPerSecond;
    findCurves(a, index);
    for (int i = 0; i < clip.count; ++i) {
        const double time = std::min(i / MeshformAnimation::kFramesPerSecond * ticksPerSecond, end);
        into->frames.emplace_back();
        sample(a, time, &into->frames.back());
    }
    into->clips.push_back(clip);
    return true;
}

void Baker::sample(const aiAnimation& a, double time, MeshformScene::Frame* frame) {
    const size_t n = tree_.nodes.size();
    std::vector<aiMatrix4x4> local(n);
    for (size_t i = 0; i < n; ++i)
        local[i] = tree_.nodes[i]->mTransformation;
    for (unsigned int c = 0; a.mChannels && c < a.mNumChannels; ++c) {
        const aiNodeAnim* ch = a.mChannels[c];
        const auto found = ch ? tree_.byName.find(ch->mNodeName.C_Str()) : tree_.byName.end();
        if (found != tree_.byName.end())
            local[found->second] = localAt(*ch, channelCurves_[c], tree_.nodes[found->second]->mTransformation, time,
                                           time / ticksPerSecond_);
    }
    global_.resize(n);
    for (size_t i = 0; i < n; ++i)
        global_[i] = tree_.parent[i] < 0 ? local[i] : global_[tree_.parent[i]] * local[i];
    frame->positions.resize(3 * vertices_);
    frame->normals.resize(3 * vertices_);
    size_t base = 0;
    for (size_t i = 0; i < placed_.size(); ++i) {
        const MeshformAnimation::Placed& p = placed_[i];
        place(p, morphFor(a, p), weightCurves_[i], time, &frame->positions[3 * base], &frame->normals[3 * base]);
        base += scene_.mMeshes[p.mesh]->mNumVertices;
    }
}

// One placed mesh at time: morphed by its targets' weights, then carried by its bones or its node.
void Baker::place(const MeshformAnimation::Placed& p, const aiMeshMorphAnim* morph, const GltfCurves::Curve* weights,
                  double time, float* at, float* normal) {
    const aiMesh& mesh = *scene_.mMeshes[p.mesh];
    const unsigned int count = mesh.mNumVertices;
    morphed_.assign(mesh.mVertices, mesh.mVertices + count);
    if (mesh.mNormals)
        morphedNormals_.assign(mesh.mNormals, mesh.mNormals + count);
    else
        morphedNormals_.assign(count, aiVector3D());
    if (morph) {
        const unsigned int k = keyAt(morph->mKeys, morph->mNumKeys, time);
        const float f = between(morph->mKeys, morph->mNumKeys, k, time);
        const unsigned int next = f > 0.0f ? k + 1 : k;
        if (weights) {
            weights_.resize(weights->width);
            weights->at(time / ticksPerSecond_, weights_.data());
        }
        // Weights as the file gives them, not made to add up to one: each target moves the mesh by its own share.
        for (unsigned int t = 0; t < mesh.mNumAnimMeshes; ++t) {
            const aiAnimMesh* target = mesh.mAnimMeshes[t];
            const float w = weights ? weights_[t]
                                    : static_cast<float>((1.0 - f) * weightIn(morph->mKeys[k], t) +
                                                         f * weightIn(morph->mKeys[next], t));
            if (!target || w == 0.0f || !std::isfinite(w) || target->mNumVertices != count)
                continue;
            // Targets hold whole positions; what moves is the weighted difference from the base.
            for (unsigned int v = 0; target->mVertices && v < count; ++v)
                morphed_[v] += (target->mVertices[v] - mesh.mVertices[v]) * w;
            for (unsigned int v = 0; target->mNormals && mesh.mNormals && v < count; ++v)
                morphedNormals_[v] += (target->mNormals[v] - mesh.mNormals[v]) * w;
        }
    }
    const auto node = tree_.byNode.find(p.node);
    const aiMatrix4x4 placing = node != tree_.byNode.end() ? global_[node->second] : p.transform;
    const Skin& skin = skins_.at(p.mesh);
    std::vector<aiMatrix4x4> bones(skin.node.size());
    for (size_t b = 0; b < bones.size(); ++b)
        bones[b] = global_[skin.node[b]] * skin.offset[b];
    for (unsigned int v = 0; v < count; ++v) {
        aiMatrix4x4 m = placing;
        float total = 0.0f;
        if (!skin.weights.empty())
            for (const auto& [bone, weight] : skin.weights[v])
                total += weight;
        // Bones carry a vertex in proportion to their weights, which need not add up to one.
        if (total > 0.0f) {
            m = aiMatrix4x4();
            for (float* e = &m.a1; e <= &m.d4; ++e)
                *e = 0.0f;
            for (const auto& [bone, weight] : skin.weights[v]) {
                const float share = weight / total;
                const float* from = &bones[bone].a1;
                float* to = &m.a1;
                for (int e = 0; e < 16; ++e)
                    to[e] += share * from[e];
            }
        }
        const aiVector3D moved = m * morphed_[v];
        aiVector3D n = normalTransform(m) * morphedNormals_[v];
        if (n.Length() > 0.0f)
            n.Normalize();
        for (int k = 0; k < 3; ++k) {
            at[3 * v + k] = moved[k];
            normal[3 * v + k] = n[k];
        }
    }
}

// The file's name for an animation, with blanks turned to '_' so that the console can name its script.
std::string scriptName(const aiString& given, int* unnamed) {
    std::string name = given.C_Str();
    for (char& c : name)
        if (static_cast<unsigned char>(c) <= ' ' || c == '\x7f')
            c = '_';
    return name.empty() ? "anim" + std::to_string(++*unnamed) : name;
}

}  // namespace

void MeshformAnimation::bake(const aiScene& scene, const std::vector<Placed>& placed, MeshformScene* into,
                             const GltfCurves* curves) {
    if (!scene.mAnimations || scene.mNumAnimations == 0 || placed.empty())
        return;
    // Animations are known by their place in the file: when the importer kept some other number, none is sure.
    Baker baker(scene, placed, curves && curves->animations() == scene.mNumAnimations ? curves : nullptr);
    std::vector<std::string> leftOut;
    int unnamed = 0;
    for (unsigned int i = 0; i < scene.mNumAnimations; ++i) {
        if (!scene.mAnimations[i])
            continue;
        const std::string name = scriptName(scene.mAnimations[i]->mName, &unnamed);
        // A name already taken would make no script: its frames are not worth their memory.
        const bool taken = std::any_of(into->clips.begin(), into->clips.end(),
                                       [&name](const MeshformScene::Clip& c) { return c.name == name; });
        if (!taken && !baker.bake(*scene.mAnimations[i], i, name, into))
            leftOut.push_back(name);
    }
    if (leftOut.empty())
        return;
    into->leftOut = "left out animation";
    into->leftOut += leftOut.size() > 1 ? "s " : " ";
    for (size_t i = 0; i < leftOut.size() && i < 5; ++i)
        into->leftOut += (i ? ", " : "") + leftOut[i];
    if (leftOut.size() > 5)
        into->leftOut += " and " + std::to_string(leftOut.size() - 5) + " more";
    into->leftOut += ": past " + std::to_string(kMaxFrames) + " keyframes, " + std::to_string(kMaxFloats >> 20) +
                     " Mi floats in them or too much work to make them";
}
