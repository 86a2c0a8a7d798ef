#pragma once

// Finds the triangles a brush may reach without looking at every triangle of
// the mesh: a uniform grid of cubes over the triangles' bounding spheres, in
// the mesh's own space. A triangle is listed in every cell its sphere's box
// meets; one whose box would fill too many cells is kept aside and always
// offered. The grid is built again when the mesh's shape version moves on.
#include <cstddef>
#include <vector>

#include "paint/mesh/PolyMesh.h"

class TriangleGrid {
public:
    // Builds the grid for triangles unless it was built for this shape version and count.
    void refresh(const std::vector<PolyMesh::Triangle*>& triangles, unsigned long shapeVersion);
    // Into out, in ascending order, the indices of every triangle whose
    // bounding sphere may meet the sphere of radius about centre (and some that
    // do not): never one fewer than a test of every triangle would find.
    void candidates(const float* centre, double radius, std::vector<unsigned int>* out);
    // A box holding every triangle placed in cells (the cells' own box, and
    // any triangle that reaches past it), and the cells' edge; false when the
    // mesh is spread too far for cells (or is empty) and every search offers
    // every triangle.
    bool extent(double* lo, double* hi) const;
    double cellSize() const { return cell_; }

private:
    void build(const std::vector<PolyMesh::Triangle*>& triangles);
    // The cell range [lo, hi] per axis that the box [min, max] meets; false when it is not finite.
    bool cellRange(const double* min, const double* max, int* lo, int* hi) const;
    size_t cellIndex(int x, int y, int z) const;

    bool built_ = false;
    unsigned long version_ = 0;
    size_t count_ = 0;
    double origin_[3] = {0, 0, 0};
    double cell_ = 1.0;
    int dims_[3] = {0, 0, 0};
    bool spanned_ = false;  // the cells cover the triangles' boxes
    double reachLo_[3] = {0, 0, 0}, reachHi_[3] = {0, 0, 0};
    std::vector<unsigned int> cellStart_;  // cell c lists items_[cellStart_[c] .. cellStart_[c + 1])
    std::vector<unsigned int> items_;
    std::vector<unsigned int> everywhere_;  // triangles offered to every search
    std::vector<unsigned int> seen_;        // the search that last offered each triangle
    unsigned int search_ = 0;
};
