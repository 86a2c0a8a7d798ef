// The ray test behind a brush that follows the surface. The grid is asked
// for spheres along the stretch of the ray inside its cells, one cell apart,
// each as wide as half the step so none of the stretch goes unseen; the walk
// stops once no later sphere can hold a nearer crossing than the best found.
#include "paint/mesh/SurfaceRay.h"

#include <algorithm>
#include <cmath>

namespace {

// Past this many steps the spheres are widened instead: a ray along a
// grid's long diagonal never costs more than this many searches.
const double kMostSteps = 4096.0;

// The part [enter, leave] of the ray inside the box; false when it misses.
bool clip(const double* lo, const double* hi, const double* origin, const double* direction, double& enter,
          double& leave) {
    enter = 0.0;
    leave = HUGE_VAL;
    for (int k = 0; k < 3; ++k) {
        if (direction[k] == 0.0) {
            if (origin[k] < lo[k] || origin[k] > hi[k])
                return false;
            continue;
        }
        double a = (lo[k] - origin[k]) / direction[k], b = (hi[k] - origin[k]) / direction[k];
        if (a > b)
            std::swap(a, b);
        enter = std::max(enter, a);
        leave = std::min(leave, b);
    }
    return enter <= leave;
}

}  // namespace

bool SurfaceRay::meets(PolyMesh::Triangle* tri, const double* origin, const double* direction, Hit& hit) {
    double p[3][3];
    for (unsigned int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k)
            p[i][k] = tri->verts[i]->pos[k];
    const double e1[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
    const double e2[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
    // Cramer's rule on origin + along * direction = p0 + u e1 + v e2.
    const double q[3] = {direction[1] * e2[2] - direction[2] * e2[1], direction[2] * e2[0] - direction[0] * e2[2],
                         direction[0] * e2[1] - direction[1] * e2[0]};
    const double det = e1[0] * q[0] + e1[1] * q[1] + e1[2] * q[2];
    if (det == 0.0 || !std::isfinite(det))
        return false;  // edge-on or degenerate
    const double s[3] = {origin[0] - p[0][0], origin[1] - p[0][1], origin[2] - p[0][2]};
    const double u = (s[0] * q[0] + s[1] * q[1] + s[2] * q[2]) / det;
    if (!(u >= 0.0 && u <= 1.0))
        return false;
    const double r[3] = {s[1] * e1[2] - s[2] * e1[1], s[2] * e1[0] - s[0] * e1[2], s[0] * e1[1] - s[1] * e1[0]};
    const double v = (direction[0] * r[0] + direction[1] * r[1] + direction[2] * r[2]) / det;
    if (!(v >= 0.0 && u + v <= 1.0))
        return false;
    const double along = (e2[0] * r[0] + e2[1] * r[1] + e2[2] * r[2]) / det;
    if (!(along >= 0.0))
        return false;
    hit.along = along;
    hit.triangle = tri;
    hit.weights[0] = 1.0 - u - v;
    hit.weights[1] = u;
    hit.weights[2] = v;
    for (int k = 0; k < 3; ++k)
        hit.point[k] = origin[k] + along * direction[k];
    return true;
}

bool SurfaceRay::nearest(TriangleGrid& grid, const std::vector<PolyMesh::Triangle*>& triangles, const double* origin,
                         const double* direction, Hit& hit) {
    const double length =
        std::sqrt(direction[0] * direction[0] + direction[1] * direction[1] + direction[2] * direction[2]);
    if (!(length > 0.0) || !std::isfinite(length))
        return false;
    bool found = false;
    Hit best, tried;
    std::vector<unsigned int> near;
    const auto test = [&](const std::vector<unsigned int>& indices) {
        for (unsigned int i : indices)
            if (i < triangles.size() && meets(triangles[i], origin, direction, tried) &&
                (!found || tried.along < best.along)) {
                best = tried;
                found = true;
            }
    };
    double lo[3], hi[3], enter = 0.0, leave = 0.0;
    if (!grid.extent(lo, hi)) {
        const float everywhere[3] = {0.0f, 0.0f, 0.0f};
        grid.candidates(everywhere, HUGE_VAL, &near);
        test(near);
    } else if (!clip(lo, hi, origin, direction, enter, leave)) {
        // Outside the cells only the triangles kept aside from them can be met;
        // any search offers those.
        const float corner[3] = {static_cast<float>(lo[0]), static_cast<float>(lo[1]), static_cast<float>(lo[2])};
        grid.candidates(corner, 0.0, &near);
        test(near);
    } else {
        // In lengths of direction.
        const double span = leave - enter;
        const double step = std::max(grid.cellSize() / length, span / kMostSteps);
        for (double at = enter + step / 2;; at += step) {
            const double centre = std::min(at, leave);
            const float point[3] = {static_cast<float>(origin[0] + centre * direction[0]),
                                    static_cast<float>(origin[1] + centre * direction[1]),
                                    static_cast<float>(origin[2] + centre * direction[2])};
            grid.candidates(point, step * length * 0.5 + grid.cellSize() * 1e-3, &near);
            test(near);
            if ((found && best.along <= centre + step / 2) || at >= leave)
                break;
        }
    }
    if (found)
        hit = best;
    return found;
}

void SurfaceRay::closestOn(PolyMesh::Triangle* tri, const double* point, Hit& hit) {
    double p[3][3];
    for (unsigned int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k)
            p[i][k] = tri->verts[i]->pos[k];
    const auto dot = [](const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; };
    const auto place = [&](double w0, double w1, double w2) {
        double at[3], d2 = 0.0;
        for (int k = 0; k < 3; ++k) {
            at[k] = w0 * p[0][k] + w1 * p[1][k] + w2 * p[2][k];
            d2 += (at[k] - point[k]) * (at[k] - point[k]);
        }
        if (hit.triangle == tri && !(d2 < hit.along * hit.along))
            return;
        hit.triangle = tri;
        hit.along = std::sqrt(d2);
        hit.weights[0] = w0;
        hit.weights[1] = w1;
        hit.weights[2] = w2;
        for (int k = 0; k < 3; ++k)
            hit.point[k] = at[k];
    };
    hit.triangle = nullptr;
    // Inside the outline the foot of the perpendicular is nearest; else a point of an edge.
    const double e1[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
    const double e2[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
    const double s[3] = {point[0] - p[0][0], point[1] - p[0][1], point[2] - p[0][2]};
    const double a = dot(e1, e1), b = dot(e1, e2), c = dot(e2, e2), d = dot(s, e1), e = dot(s, e2);
    const double det = a * c - b * b;
    if (det > 0.0) {
        const double u = (c * d - b * e) / det, v = (a * e - b * d) / det;
        if (u >= 0.0 && v >= 0.0 && u + v <= 1.0) {
            place(1.0 - u - v, u, v);
            return;
        }
    }
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3;
        const double edge[3] = {p[j][0] - p[i][0], p[j][1] - p[i][1], p[j][2] - p[i][2]};
        const double from[3] = {point[0] - p[i][0], point[1] - p[i][1], point[2] - p[i][2]};
        const double len2 = dot(edge, edge);
        const double f = len2 > 0.0 ? std::clamp(dot(from, edge) / len2, 0.0, 1.0) : 0.0;
        double w[3] = {0.0, 0.0, 0.0};
        w[i] = 1.0 - f;
        w[j] = f;
        place(w[0], w[1], w[2]);
    }
}

bool SurfaceRay::closest(TriangleGrid& grid, const std::vector<PolyMesh::Triangle*>& triangles, const double* point,
                         double reach, Hit& hit) {
    const float centre[3] = {static_cast<float>(point[0]), static_cast<float>(point[1]), static_cast<float>(point[2])};
    std::vector<unsigned int> near;
    grid.candidates(centre, reach, &near);
    bool found = false;
    Hit tried;
    for (unsigned int i : near) {
        if (i >= triangles.size())
            continue;
        closestOn(triangles[i], point, tried);
        if (tried.triangle && tried.along <= reach && (!found || tried.along < hit.along)) {
            hit = tried;
            found = true;
        }
    }
    return found;
}
