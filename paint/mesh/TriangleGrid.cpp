// The triangle search of the brush. Cells are cubes about twice the mean
// bounding radius; the grid's size is bounded by the triangle count, the cell
// growing when the mesh is spread thin. Boxes are widened a little before
// they are placed in cells, so rounding never leaves out a triangle the
// exact sphere test would take.
#include "paint/mesh/TriangleGrid.h"

#include <algorithm>
#include <cmath>

namespace {

const int kMaxCellsPerTriangle = 64;

// A triangle's bounding box, widened for rounding; false when not finite.
bool boxOf(PolyMesh::Triangle* tri, double* min, double* max) {
    const double r = tri->diameter;
    for (int k = 0; k < 3; ++k) {
        const double c = tri->center[k];
        const double slack = 1e-5 * (std::fabs(c) + std::fabs(r)) + 1e-6;
        min[k] = c - r - slack;
        max[k] = c + r + slack;
        if (!std::isfinite(min[k]) || !std::isfinite(max[k]))
            return false;
    }
    return true;
}

}  // namespace

void TriangleGrid::refresh(const std::vector<PolyMesh::Triangle*>& triangles, unsigned long shapeVersion) {
    if (built_ && version_ == shapeVersion && count_ == triangles.size())
        return;
    build(triangles);
    built_ = true;
    version_ = shapeVersion;
    count_ = triangles.size();
}

bool TriangleGrid::cellRange(const double* min, const double* max, int* lo, int* hi) const {
    for (int k = 0; k < 3; ++k) {
        const double a = std::floor((min[k] - origin_[k]) / cell_), b = std::floor((max[k] - origin_[k]) / cell_);
        if (!std::isfinite(a) || !std::isfinite(b))
            return false;
        lo[k] = static_cast<int>(std::clamp(a, 0.0, static_cast<double>(dims_[k] - 1)));
        hi[k] = static_cast<int>(std::clamp(b, 0.0, static_cast<double>(dims_[k] - 1)));
    }
    return true;
}

size_t TriangleGrid::cellIndex(int x, int y, int z) const {
    return (static_cast<size_t>(z) * static_cast<size_t>(dims_[1]) + static_cast<size_t>(y)) *
               static_cast<size_t>(dims_[0]) +
           static_cast<size_t>(x);
}

void TriangleGrid::build(const std::vector<PolyMesh::Triangle*>& triangles) {
    everywhere_.clear();
    items_.clear();
    seen_.assign(triangles.size(), 0);
    search_ = 0;
    // The mean radius sets the cell size; the extent is that of every finite
    // box small enough to be placed in cells, so one huge triangle (kept
    // aside anyway) does not stretch the grid.
    double radii = 0;
    size_t finite = 0;
    for (PolyMesh::Triangle* tri : triangles) {
        double min[3], max[3];
        if (boxOf(tri, min, max)) {
            ++finite;
            radii += tri->diameter;
        }
    }
    cell_ = finite && radii > 0 ? 2.0 * radii / static_cast<double>(finite) : 1.0;
    double lo[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, hi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    finite = 0;
    for (PolyMesh::Triangle* tri : triangles) {
        double min[3], max[3];
        if (!boxOf(tri, min, max) || tri->diameter > 2.0 * cell_)
            continue;
        ++finite;
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], min[k]);
            hi[k] = std::max(hi[k], max[k]);
        }
    }
    for (int k = 0; k < 3; ++k)
        if (!std::isfinite(hi[k] - lo[k]))
            finite = 0;  // spread beyond what a grid can hold: one cell for all
    dims_[0] = dims_[1] = dims_[2] = 1;
    for (int k = 0; k < 3; ++k)
        origin_[k] = finite ? lo[k] : 0.0;
    const double cellBudget = 4.0 * static_cast<double>(finite) + 64.0;
    for (;;) {
        double cells = 1;
        for (int k = 0; k < 3; ++k)
            cells *= finite ? std::floor((hi[k] - lo[k]) / cell_) + 1 : 1;
        if (cells <= cellBudget || !std::isfinite(cell_))
            break;
        cell_ *= 1.5;
    }
    spanned_ = finite != 0;
    for (int k = 0; finite && k < 3; ++k)
        dims_[k] = static_cast<int>(std::floor((hi[k] - lo[k]) / cell_)) + 1;

    // Counted first, then placed: each cell's triangles lie together in items_.
    cellStart_.assign(static_cast<size_t>(dims_[0]) * dims_[1] * dims_[2] + 1, 0);
    std::vector<std::pair<size_t, unsigned int>> placed;
    for (int k = 0; k < 3; ++k) {
        reachLo_[k] = origin_[k];
        reachHi_[k] = origin_[k] + dims_[k] * cell_;
    }
    for (unsigned int i = 0; i < triangles.size(); ++i) {
        double min[3], max[3];
        int a[3], b[3];
        if (!boxOf(triangles[i], min, max) || !cellRange(min, max, a, b) ||
            static_cast<long>(b[0] - a[0] + 1) * (b[1] - a[1] + 1) * (b[2] - a[2] + 1) > kMaxCellsPerTriangle) {
            everywhere_.push_back(i);
            continue;
        }
        // A triangle kept out of the extent may still lie in the edge cells, past the cells' own box.
        for (int k = 0; k < 3; ++k) {
            reachLo_[k] = std::min(reachLo_[k], min[k]);
            reachHi_[k] = std::max(reachHi_[k], max[k]);
        }
        for (int z = a[2]; z <= b[2]; ++z)
            for (int y = a[1]; y <= b[1]; ++y)
                for (int x = a[0]; x <= b[0]; ++x)
                    placed.emplace_back(cellIndex(x, y, z), i);
    }
    for (const auto& p : placed)
        ++cellStart_[p.first + 1];
    for (size_t c = 1; c < cellStart_.size(); ++c)
        cellStart_[c] += cellStart_[c - 1];
    items_.resize(placed.size());
    std::vector<unsigned int> fill(cellStart_.begin(), cellStart_.end() - 1);
    for (const auto& p : placed)
        items_[fill[p.first]++] = p.second;
}

bool TriangleGrid::extent(double* lo, double* hi) const {
    for (int k = 0; k < 3; ++k) {
        lo[k] = reachLo_[k];
        hi[k] = reachHi_[k];
    }
    return spanned_;
}

void TriangleGrid::candidates(const float* centre, double radius, std::vector<unsigned int>* out) {
    out->clear();
    double min[3], max[3];
    for (int k = 0; k < 3; ++k) {
        const double slack = 1e-5 * (std::fabs(static_cast<double>(centre[k])) + std::fabs(radius)) + 1e-6;
        min[k] = centre[k] - radius - slack;
        max[k] = centre[k] + radius + slack;
    }
    int a[3], b[3];
    const double cells = static_cast<double>(cellStart_.size() - 1);
    const bool placeable = cellRange(min, max, a, b);
    if (!placeable || static_cast<double>(b[0] - a[0] + 1) * (b[1] - a[1] + 1) * (b[2] - a[2] + 1) >= cells) {
        // A brush that is not finite or covers the whole grid: every triangle.
        for (unsigned int i = 0; i < count_; ++i)
            out->push_back(i);
        return;
    }
    if (++search_ == 0) {
        std::fill(seen_.begin(), seen_.end(), 0);
        search_ = 1;
    }
    for (int z = a[2]; z <= b[2]; ++z)
        for (int y = a[1]; y <= b[1]; ++y)
            for (int x = a[0]; x <= b[0]; ++x) {
                const size_t c = cellIndex(x, y, z);
                for (unsigned int at = cellStart_[c]; at < cellStart_[c + 1]; ++at) {
                    const unsigned int i = items_[at];
                    if (seen_[i] != search_) {
                        seen_[i] = search_;
                        out->push_back(i);
                    }
                }
            }
    out->insert(out->end(), everywhere_.begin(), everywhere_.end());
    std::sort(out->begin(), out->end());
}
