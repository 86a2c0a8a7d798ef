// The coverage mask is built row by row: each triangle is clipped to the band
// of texture space that maps to one texel row, and the clipped polygon's
// extent across the row gives the texels it shows. The painter maps a
// coordinate c to the truncation of (size - 1) * c, so texel 0 takes the
// coordinates just below 0 as well; bands are widened by a sliver so that a
// sample the painter rounds across a texel's edge still counts as shown.
#include "paint/brush/TexelCoverage.h"

#include <algorithm>
#include <cmath>

namespace {

const double kSliver = 1e-3;  // in texels
// A triangle repeated across more whole skins than this is taken to show every texel.
const double kMostRepeats = 8.0;

// The texel a coordinate already scaled to texels maps to; may lie outside the picture.
double texelOf(double u) {
    return u > -1.0 && u < 0.0 ? 0.0 : std::floor(u);
}

// Keeps the part of polygon in (n points) where the sign * (v - bound) >= 0; returns the new count.
int clipBand(const double (*in)[2], int n, double bound, double sign, double (*out)[2]) {
    int m = 0;
    for (int i = 0; i < n; ++i) {
        const double* a = in[i];
        const double* b = in[(i + 1) % n];
        const double da = sign * (a[1] - bound), db = sign * (b[1] - bound);
        if (da >= 0.0) {
            out[m][0] = a[0];
            out[m][1] = a[1];
            ++m;
        }
        if ((da < 0.0) != (db < 0.0)) {
            const double f = da / (da - db);
            out[m][0] = a[0] + (b[0] - a[0]) * f;
            out[m][1] = bound;
            ++m;
        }
    }
    return m;
}

}  // namespace

void TexelCoverage::refresh(const std::vector<PolyMesh::Triangle*>& triangles, unsigned int texture, int width,
                            int height, uint64_t layout) {
    if (built_ && layout == layout_ && width == width_ && height == height_)
        return;
    built_ = true;
    layout_ = layout;
    width_ = width > 0 && height > 0 ? width : 0;
    height_ = width > 0 && height > 0 ? height : 0;
    shown_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0);
    if (shown_.empty())
        return;
    const double scaleS = width_ > 1 ? width_ - 1 : 1, scaleT = height_ > 1 ? height_ - 1 : 1;
    for (PolyMesh::Triangle* tri : triangles) {
        if (tri->getTexture() != texture || !tri->tcs[0] || !tri->tcs[1] || !tri->tcs[2])
            continue;
        double st[3][2], lo[2] = {HUGE_VAL, HUGE_VAL}, hi[2] = {-HUGE_VAL, -HUGE_VAL};
        bool defined = true;
        for (unsigned int i = 0; i < 3; ++i) {
            float given[2];
            tri->getVertexTexCoords(i, given);
            for (int k = 0; k < 2; ++k) {
                st[i][k] = given[k];
                lo[k] = std::min(lo[k], st[i][k]);
                hi[k] = std::max(hi[k], st[i][k]);
                defined = defined && std::isfinite(st[i][k]);
            }
        }
        if (!defined)
            continue;
        // The window repeats the skin, so each whole-number shift of the
        // triangle that overlaps 0..1 shows texels too.
        const double firstS = std::floor(lo[0]), lastS = std::max(firstS, std::ceil(hi[0]) - 1.0);
        const double firstT = std::floor(lo[1]), lastT = std::max(firstT, std::ceil(hi[1]) - 1.0);
        if (lastS - firstS > kMostRepeats || lastT - firstT > kMostRepeats) {
            std::fill(shown_.begin(), shown_.end(), uint8_t{1});  // tiled over and over: it shows everything
            return;
        }
        for (double a = firstS; a <= lastS; ++a)
            for (double b = firstT; b <= lastT; ++b) {
                double corner[3][2];
                for (int i = 0; i < 3; ++i) {
                    corner[i][0] = (st[i][0] - a) * scaleS;
                    corner[i][1] = (st[i][1] - b) * scaleT;
                }
                markTriangle(corner);
            }
    }
}

void TexelCoverage::markTriangle(const double (*corner)[2]) {
    double vLo = corner[0][1], vHi = corner[0][1];
    for (int i = 1; i < 3; ++i) {
        vLo = std::min(vLo, corner[i][1]);
        vHi = std::max(vHi, corner[i][1]);
    }
    const double firstRow = std::max(0.0, texelOf(vLo - kSliver));
    const double lastRow = std::min(height_ - 1.0, texelOf(vHi + kSliver));
    for (double row = firstRow; row <= lastRow; ++row) {
        // The band of v that maps to this row, widened by the sliver.
        const double bandLo = (row == 0.0 ? -1.0 : row) - kSliver, bandHi = row + 1.0 + kSliver;
        double above[7][2], inside[7][2];
        const int n = clipBand(corner, 3, bandLo, 1.0, above);
        const int m = clipBand(above, n, bandHi, -1.0, inside);
        if (m == 0)
            continue;
        double uLo = inside[0][0], uHi = inside[0][0];
        for (int i = 1; i < m; ++i) {
            uLo = std::min(uLo, inside[i][0]);
            uHi = std::max(uHi, inside[i][0]);
        }
        const double from = std::max(0.0, texelOf(uLo - kSliver));
        const double to = std::min(width_ - 1.0, texelOf(uHi + kSliver));
        if (from > to)
            continue;
        uint8_t* line = shown_.data() + static_cast<size_t>(row) * static_cast<size_t>(width_);
        std::fill(line + static_cast<size_t>(from), line + static_cast<size_t>(to) + 1, uint8_t{1});
    }
}
