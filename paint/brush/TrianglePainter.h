#pragma once

#include <GL/gl.h>

#include "paint/brush/BrushSnapshot.h"
#include "paint/brush/DabCanvas.h"
#include "paint/mesh/PolyMesh.h"

// Paints one brush snapshot into the texels that show a triangle: the
// triangle's bounds in texture space, the walk over them in columns of
// constant s and rows of t, each sample mapped back to the point of the
// triangle it shows, and the blend of the samples that lie inside the brush.
// One painter serves every triangle of a paint call. Samples that cannot lie
// inside the brush are stepped over without being mapped back.
class TrianglePainter {
public:
    // offset: the model's translation, which places mesh positions in the scene.
    TrianglePainter(const BrushSnapshot& brush, const float* offset);

    // Takes tri's texture coordinates and positions; false (nothing to paint)
    // when a corner has no texture coordinates or no s is below 2 or above -1.
    bool measure(PolyMesh::Triangle* tri);
    // Walks the measured triangle over the canvas's picture.
    void paint(DabCanvas& canvas);
    // Samples taken (points mapped back and tested against the brush) by every paint so far.
    long long samplesTaken() const { return samples_; }

private:
    struct Corner {
        float s, t;
        float pos[3];
    };
    // One row of a column: t from tLo to tHi, points from lo to lo + diff.
    struct Row {
        float tLo, tHi;
        double lo[3], diff[3];
    };

    // The first of from, from + step, ... (accumulated in float, as the walk
    // steps) that is not below lowest; from itself when it is not.
    static float firstAtOrAbove(float from, float step, double lowest);
    void measureReach();
    void walkColumn(float s);
    void walkRow(float t_lo, float t_hi, const float* lo_pt, const float* hi_pt);
    // The span of t in which a row's samples may lie inside the brush, with
    // room to spare for rounding; false when none can, with *clearance the
    // distance by which the row's line, when it is that, misses the brush.
    bool rowReach(const Row& row, double* from, double* to, double* clearance) const;
    double columnSpeed();
    // Maps samples t[0..n) of row back onto the triangle and blends those
    // inside the brush, in order; widens [*lowest, *highest] by the texel rows blended.
    void sampleRow(const Row& row, const float* t, int n, int* lowest, int* highest);

    const BrushSnapshot brush_;
    GLubyte colour_[3];
    float offset_[3];
    Corner low_, mid_, high_;  // the corners by s: lowest, middle, highest
    float tMin_, tMax_;
    float stepT_;
    DabCanvas* canvas_;
    int width_, height_;
    int column_;            // the texel column of the column being walked
    double radiusSquared_;  // beyond this squared distance no sample is inside
    double reachSlack_;     // how far rowReach widens the brush for this triangle
    bool wholeRows_;        // every corner inside the brush: rowReach would keep whole rows
    double clearance_;      // how far the column just walked misses the brush; 0 when it may not
    double columnSpeed_;    // what columnSpeed() found for this triangle; below 0 until asked
    // Texture coordinates beyond these map to no texel: the walk stays inside.
    double sLow_, sHigh_, tLow_, tHigh_;
    int rangeWidth_, rangeHeight_;  // the picture size the ranges above were found for
    long long samples_;
};
