// Turns a decoded IQM file into a Meshform scene. The rest pose is the mesh as the file stores it; a
// frame moves each joint from where the skeleton's own pose puts it (the inverse of that pose undoes
// it), and each vertex follows its joints by their weights. Joints come after their parents, so every
// frame's skeleton is built in one pass.
#include "plugins/meshform/IqmScene.h"

#include <cctype>
#include <cmath>
#include <filesystem>

namespace {

// An affine transform: three rows of a 3 x 3 linear part and a translation in the last column.
struct Affine {
    double m[3][4];
};

Affine identity() {
    return {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}}};
}

Affine times(const Affine& a, const Affine& b) {
    Affine out;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            out.m[r][c] =
                a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c] + (c == 3 ? a.m[r][3] : 0);
    return out;
}

// Translation, then rotation by a quaternion (x y z w, made unit length), then scale.
Affine fromParts(const double t[3], const double q[4], const double s[3]) {
    const double length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    const bool turns = length > 0 && std::isfinite(length);
    const double x = turns ? q[0] / length : 0, y = turns ? q[1] / length : 0, z = turns ? q[2] / length : 0,
                 w = turns ? q[3] / length : 1;
    const double r[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                            {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                            {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
    Affine out;
    for (int row = 0; row < 3; ++row) {
        for (int c = 0; c < 3; ++c)
            out.m[row][c] = r[row][c] * s[c];
        out.m[row][3] = t[row];
    }
    return out;
}

// The identity for a transform that has none (a joint scaled to nothing).
Affine inverse(const Affine& a) {
    const double(*m)[4] = a.m;
    const double cof[3][3] = {{m[1][1] * m[2][2] - m[1][2] * m[2][1], m[0][2] * m[2][1] - m[0][1] * m[2][2],
                               m[0][1] * m[1][2] - m[0][2] * m[1][1]},
                              {m[1][2] * m[2][0] - m[1][0] * m[2][2], m[0][0] * m[2][2] - m[0][2] * m[2][0],
                               m[0][2] * m[1][0] - m[0][0] * m[1][2]},
                              {m[1][0] * m[2][1] - m[1][1] * m[2][0], m[0][1] * m[2][0] - m[0][0] * m[2][1],
                               m[0][0] * m[1][1] - m[0][1] * m[1][0]}};
    const double det = m[0][0] * cof[0][0] + m[0][1] * cof[1][0] + m[0][2] * cof[2][0];
    if (!(std::fabs(det) > 1e-12) || !std::isfinite(det))
        return identity();
    Affine out;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            out.m[r][c] = cof[r][c] / det;
        out.m[r][3] = -(out.m[r][0] * m[0][3] + out.m[r][1] * m[1][3] + out.m[r][2] * m[2][3]);
    }
    return out;
}

// Each joint's transform from the model's space into where frame f of the poses puts it.
std::vector<Affine> skinning(const IqmFile& iqm, uint32_t f, const std::vector<Affine>& unbind) {
    const size_t channels = iqm.frames.size() / iqm.frameCount;
    const uint16_t* value = iqm.frames.data() + f * channels;  // no channels at all when nothing moves
    std::vector<Affine> placed(iqm.poses.size());
    for (size_t p = 0; p < iqm.poses.size(); ++p) {
        const IqmFile::Pose& pose = iqm.poses[p];
        double v[10];
        for (int k = 0; k < 10; ++k)
            v[k] = pose.offset[k] + (pose.mask >> k & 1 ? *value++ * static_cast<double>(pose.scale[k]) : 0.0);
        const Affine local = fromParts(v, v + 3, v + 7);
        placed[p] = pose.parent >= 0 ? times(placed[pose.parent], local) : local;
    }
    for (size_t p = 0; p < placed.size(); ++p)
        placed[p] = times(placed[p], unbind[p]);
    return placed;
}

}  // namespace

bool IqmScene::reads(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".iqm";
}

bool IqmScene::fill(const IqmFile& iqm, MeshformScene* scene) {
    const size_t n = iqm.vertexCount;
    const bool skinned = !iqm.joints.empty() && iqm.poses.size() == iqm.joints.size() && !iqm.blendWeights.empty();
    const size_t frames = skinned ? iqm.frameCount : 0;
    if (n > MeshformScene::kMaxVertices || iqm.triangles.size() > MeshformScene::kMaxTriangles ||
        (n + iqm.poses.size()) * frames > kMaxBakedVertices) {
        scene->problem = "more than " + std::to_string(MeshformScene::kMaxVertices) + " vertices, " +
                         std::to_string(MeshformScene::kMaxTriangles) + " triangles or " +
                         std::to_string(kMaxBakedVertices) + " vertices and joints in all frames";
        return false;
    }
    scene->positions = iqm.positions;
    scene->normals = iqm.normals.empty() ? std::vector<float>(3 * n, 0.0f) : iqm.normals;
    for (size_t v = 0; v < n; ++v) {
        float* normal = &scene->normals[3 * v];
        const double x = normal[0], y = normal[1], z = normal[2], length = std::sqrt(x * x + y * y + z * z);
        for (int k = 0; k < 3 && length > 0; ++k)
            normal[k] = static_cast<float>(normal[k] / length);
    }
    scene->hasTexCoords.assign(n, !iqm.texCoords.empty());
    scene->texCoords.assign(2 * n, 0.0f);
    for (size_t v = 0; v < n && !iqm.texCoords.empty(); ++v) {
        scene->texCoords[2 * v] = iqm.texCoords[2 * v];
        scene->texCoords[2 * v + 1] = 1.0f - iqm.texCoords[2 * v + 1];  // the file's t counts from the top
    }
    for (const IqmFile::Mesh& mesh : iqm.meshes) {
        MeshformScene::Texture texture;
        texture.file = mesh.material;
        for (uint32_t t = mesh.firstTriangle; t < mesh.firstTriangle + mesh.triangleCount; ++t) {
            scene->corners.insert(scene->corners.end(), iqm.triangles[t].begin(), iqm.triangles[t].end());
            scene->triangleMaterial.push_back(static_cast<int>(scene->materials.size()));
        }
        scene->materials.push_back(texture);
    }
    scene->upAxis = 2;  // the z of the tools these models come from is up
    if (!frames)
        return true;

    std::vector<Affine> unbind(iqm.joints.size());
    for (size_t j = 0; j < iqm.joints.size(); ++j) {
        const IqmFile::Joint& joint = iqm.joints[j];
        double t[3], q[4], s[3];
        for (int k = 0; k < 3; ++k) {
            t[k] = joint.translate[k];
            s[k] = joint.scale[k];
        }
        for (int k = 0; k < 4; ++k)
            q[k] = joint.rotate[k];
        const Affine local = fromParts(t, q, s);
        unbind[j] = joint.parent >= 0 ? times(unbind[joint.parent], local) : local;  // the rest pose, for now
    }
    for (Affine& transform : unbind)
        transform = inverse(transform);
    scene->frames.resize(frames);
    for (uint32_t f = 0; f < frames; ++f) {
        const std::vector<Affine> moves = skinning(iqm, f, unbind);
        MeshformScene::Frame& frame = scene->frames[f];
        frame.positions.resize(3 * n);
        frame.normals.resize(3 * n);
        for (size_t v = 0; v < n; ++v) {
            double at[3] = {0, 0, 0}, normal[3] = {0, 0, 0}, total = 0;
            for (int k = 0; k < 4; ++k) {
                const double weight = iqm.blendWeights[4 * v + k];
                if (!(weight > 0))
                    continue;
                total += weight;
                const Affine& move = moves[iqm.blendIndexes[4 * v + k]];
                for (int r = 0; r < 3; ++r) {
                    at[r] += weight *
                             (move.m[r][3] + move.m[r][0] * scene->positions[3 * v] +
                              move.m[r][1] * scene->positions[3 * v + 1] + move.m[r][2] * scene->positions[3 * v + 2]);
                    normal[r] +=
                        weight * (move.m[r][0] * scene->normals[3 * v] + move.m[r][1] * scene->normals[3 * v + 1] +
                                  move.m[r][2] * scene->normals[3 * v + 2]);
                }
            }
            const double length = std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
            // A vertex bound to no joint, or carried off beyond any number, stays where the rest pose has it.
            const bool moved = total > 0 && std::isfinite(at[0] + at[1] + at[2] + length);
            for (int r = 0; r < 3; ++r) {
                frame.positions[3 * v + r] = moved ? static_cast<float>(at[r] / total) : scene->positions[3 * v + r];
                frame.normals[3 * v + r] = !moved       ? scene->normals[3 * v + r]
                                           : length > 0 ? static_cast<float>(normal[r] / length)
                                                        : 0.0f;
            }
        }
    }
    for (size_t a = 0; a < iqm.anims.size(); ++a) {
        const IqmFile::Anim& anim = iqm.anims[a];
        MeshformScene::Clip clip;
        clip.name = anim.name.empty() ? "anim" + std::to_string(a + 1) : anim.name;
        clip.first = static_cast<int>(anim.first);
        clip.count = static_cast<int>(anim.count);
        clip.loop = anim.flags & IqmFile::kLoop ? clip.count : 0;
        if (anim.rate > 0 && std::isfinite(anim.rate))
            clip.fps = anim.rate;
        if (clip.count > 0)
            scene->clips.push_back(clip);
    }
    return true;
}

bool IqmScene::read(const std::string& path, MeshformScene* scene) {
    IqmFile iqm;
    if (iqm.read(path.c_str()) != IqmFile::kRead) {
        scene->problem = iqm.problem;
        return false;
    }
    return fill(iqm, scene);
}
