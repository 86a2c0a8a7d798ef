#pragma once

// Vector helpers shared by the mesh (face normals) and the painter (angles).
// Vectors are arrays of three floats. Lengths are taken in double precision
// and rounded once to float, so every caller sees the same rounding. Inline:
// every triangle of a model being loaded or moved comes through here.
#include <cmath>
#include <cstdio>

// Scales v to unit length; a zero-length v is reported and left unchanged.
inline void normalize(float* v) {
    double sum = static_cast<double>(v[0]) * v[0] + static_cast<double>(v[1]) * v[1] + static_cast<double>(v[2]) * v[2];
    float length = static_cast<float>(std::sqrt(sum));
    if (length == 0.0f) {
        // Degenerate triangles and brush points on a vertex end up here.
        std::printf("zero length vector");
        return;
    }
    v[0] /= length;
    v[1] /= length;
    v[2] /= length;
}

// out = v1 x v2, normalised.
inline void normCrossProd(float* v1, float* v2, float* out) {
    // Computed before storing so that out may alias v1 or v2.
    float x = static_cast<float>(static_cast<double>(v1[1]) * v2[2] - static_cast<double>(v1[2]) * v2[1]);
    float y = static_cast<float>(static_cast<double>(v1[2]) * v2[0] - static_cast<double>(v1[0]) * v2[2]);
    float z = static_cast<float>(static_cast<double>(v1[0]) * v2[1] - static_cast<double>(v1[1]) * v2[0]);
    out[0] = x;
    out[1] = y;
    out[2] = z;
    normalize(out);
}
