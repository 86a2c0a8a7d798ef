// Distances, angles, the opacity falloff and colour bytes used by the brush
// walk. Each expression is evaluated in double and rounded to float where a
// value is kept, so results do not depend on how the compiler orders float
// arithmetic.
#include "paint/brush/PaintGeometry.h"

#include <cmath>

#include "paint/mesh/VectorMath.h"

float distanceBetween(const float* a, const float* b) {
    float dx = a[0] - b[0];
    float dy = a[1] - b[1];
    float dz = a[2] - b[2];
    return static_cast<float>(
        std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy + static_cast<double>(dz) * dz));
}

float nearestPointOnLine(const float* a, const float* b, const float* p) {
    float ab[3], ap[3];
    for (int k = 0; k < 3; ++k) {
        ab[k] = b[k] - a[k];
        ap[k] = p[k] - a[k];
    }
    double num =
        static_cast<double>(ap[0]) * ab[0] + static_cast<double>(ap[1]) * ab[1] + static_cast<double>(ap[2]) * ab[2];
    double den =
        static_cast<double>(ab[0]) * ab[0] + static_cast<double>(ab[1]) * ab[1] + static_cast<double>(ab[2]) * ab[2];
    // A zero-length segment gives 0/0: NaN survives both clamps on purpose.
    float t = static_cast<float>(num / den);
    if (t < 0.0f)
        t = 0.0f;
    if (t > 1.0f)
        t = 1.0f;
    return t;
}

float distanceToLine(const float* a, const float* b, const float* p) {
    float t = nearestPointOnLine(a, b, p);
    if (t <= 0.0f)
        return distanceBetween(p, a);
    if (t >= 1.0f)
        return distanceBetween(p, b);
    float foot[3];
    for (int k = 0; k < 3; ++k)
        foot[k] = static_cast<float>(a[k] + static_cast<double>(b[k] - a[k]) * t);
    return distanceBetween(p, foot);
}

float calcAngle(const float* center, const float* p1, const float* p2) {
    float a[3], b[3];
    for (int k = 0; k < 3; ++k) {
        a[k] = p1[k] - center[k];
        b[k] = p2[k] - center[k];
    }
    normalize(a);
    normalize(b);
    double dot = static_cast<double>(a[0]) * b[0] + static_cast<double>(a[1]) * b[1] + static_cast<double>(a[2]) * b[2];
    return static_cast<float>(std::acos(dot));
}

bool insideSphere(const float* center, double radius, const float* point, float& dist) {
    float sum = 0.0f;
    for (int k = 0; k < 3; ++k) {
        float d = point[k] - center[k];
        sum = static_cast<float>(sum + static_cast<double>(d) * d);
    }
    dist = static_cast<float>(std::sqrt(static_cast<double>(sum)));
    return radius > dist;
}

double brushFalloff(double base_opacity, float dist, float solid_dim1, float dim1) {
    if (dist < solid_dim1)
        return base_opacity;
    return base_opacity * (1.0 - (static_cast<double>(dist) - solid_dim1) / (static_cast<double>(dim1) - solid_dim1));
}

unsigned char paintColorByte(double channel) {
    double v = std::trunc(channel * 255.0);
    if (!std::isfinite(v))
        return 0;
    // fmod keeps the sign; a negative byte wraps like an integer would.
    double m = std::fmod(v, 256.0);
    if (m < 0.0)
        m += 256.0;
    return static_cast<unsigned char>(m);
}
