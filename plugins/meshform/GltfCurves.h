// The animation samplers of a glTF file that do not interpolate linearly
// (held steps and cubic splines), read from the file itself: the importer
// plays every sampler as linear and keeps no spline tangents. Linear samplers
// are left to the importer's keys.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

class GltfCurves {
public:
    enum Path { kTranslation, kRotation, kScale, kWeights };

    // One sampler's keys: times in seconds, and per key width values, or for a spline three runs of width
    // (the tangent coming in, the value, the tangent going out).
    struct Curve {
        bool spline = false;  // else each value holds until the next key
        size_t width = 0;     // 3 for translation and scale, 4 for rotation (x, y, z, w), the targets for weights
        std::vector<float> times;
        std::vector<float> values;

        // The curve at time seconds, width values into out; before the first key its first value, after the
        // last its last.
        void at(double time, float* out) const;
    };

    static constexpr size_t kMaxFloats = 16 << 20;  // every curve's times and values together

    // The non-linear samplers of the .gltf or .glb file path; none when it is not one or cannot be read.
    static GltfCurves read(const std::string& path);
    // The same from the file's bytes, an outside buffer named by a relative uri being read from folder.
    static GltfCurves parse(const std::string& bytes, const std::string& folder);

    // How many animations the file holds, linear or not.
    size_t animations() const { return animations_; }
    // The curve animation gives the named node's path, or null when it is linear or the file does not say
    // for certain which one it is (two nodes of that name, two channels of that path).
    const Curve* find(size_t animation, const std::string& node, Path path) const;

private:
    size_t animations_ = 0;
    // By animation, node name and path; a null-free map, ambiguous entries taken out.
    std::map<std::pair<size_t, std::pair<std::string, int>>, Curve> curves_;
};
