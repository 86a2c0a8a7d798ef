// Painting a model with the brush. Only triangles the grid finds near the brush
// are tested. One paint call is one dab: each texel takes the brush at most once
// in it, however many triangles show it, and what it changed in each texture is
// kept for the model to upload. The brush meets the mesh in the model's own
// coordinates, so a moved, turned or scaled model is painted where it is drawn,
// and a mirrored dab is mirrored in the model's own space.
#include "paint/brush/ModelPainter.h"

#include <cmath>
#include <iterator>
#include <tuple>

#include "model/AttributedModel.h"
#include "paint/brush/BrushModel.h"
#include "paint/brush/DabCanvas.h"
#include "paint/brush/PaintGeometry.h"
#include "paint/brush/TexelCoverage.h"
#include "paint/brush/TrianglePainter.h"
#include "paint/history/PaintRecorder.h"
#include "paint/mesh/EulerTurn.h"
#include "paint/mesh/ModelTransform.h"

namespace {

// The texels from..to that coordinates lo..hi can reach in a picture size
// texels across: the painter maps c to the truncation of (size - 1) * c, and
// a texel more on either side leaves room for rounding. Undefined
// coordinates reach every texel.
void texelSpan(double lo, double hi, int size, int* from, int* to) {
    const double scale = size > 1 ? size - 1 : 1;
    const double a = std::floor(lo * scale) - 1.0, b = std::ceil(hi * scale) + 1.0;
    if (!(a <= b)) {
        *from = 0;
        *to = size - 1;
        return;
    }
    *from = a < 0.0 ? 0 : (a > size ? size : static_cast<int>(a));
    *to = b > size - 1 ? size - 1 : (b < -1.0 ? -1 : static_cast<int>(b));
}

}  // namespace

void ModelPainter::saveBeforePainting(const Target& target, Triangle* tri, GLuint name) {
    Image* image = target.skin(name);
    if (!image)
        return;
    double lo[2] = {HUGE_VAL, HUGE_VAL}, hi[2] = {-HUGE_VAL, -HUGE_VAL};
    for (unsigned int i = 0; i < 3; ++i) {
        float st[2];
        tri->getVertexTexCoords(i, st);
        for (int k = 0; k < 2; ++k) {
            lo[k] = st[k] < lo[k] ? st[k] : lo[k];
            hi[k] = st[k] > hi[k] ? st[k] : hi[k];
            if (std::isnan(st[k]))
                lo[k] = hi[k] = NAN;  // stays undefined: NaN compares false above
        }
    }
    TexelRect area;
    texelSpan(lo[0], hi[0], image->width(), &area.x0, &area.x1);
    texelSpan(lo[1], hi[1], image->height(), &area.y0, &area.y1);
    target.recorder->saveBefore(target.serial, target.name, target.number(name), *image, area);
}

BrushSnapshot ModelPainter::brushInModelSpace(const Target& target, BrushModel* brush, double* offset) {
    const AttributedModel& placement = target.placement;
    const BrushSnapshot scene = brush->snapshot();
    const ModelTransform transform = ModelTransform::of(placement, target.upright);
    if (transform.translationOnly()) {
        // Only moved: the painter compares scene points with the brush as it is.
        offset[0] = placement.getAttribute("x");
        offset[1] = placement.getAttribute("y");
        offset[2] = placement.getAttribute("z");
        return scene;
    }
    offset[0] = offset[1] = offset[2] = 0.0;
    return scene.inModelSpace(transform);
}

void ModelPainter::mirrorNormal(const Target& target, int axis, double* normal) {
    // The axes are those of the model stood upright, before its attributes
    // turn it, so x is left and right for a figure whatever way it was
    // modelled: in the mesh that axis is the upright turn's row.
    const double noTurn[3] = {0.0, 0.0, 0.0};
    EulerTurn::Matrix upright;
    EulerTurn::toMatrix(target.upright ? target.upright : noTurn, upright);
    for (int k = 0; k < 3; ++k)
        normal[k] = upright[axis][k];
}

void ModelPainter::paintModel(const Target& target, BrushModel* brush) {
    lastPaint_.clear();
    reachedUntextured_ = false;
    if (!brush)
        return;
    // The brush holds still while the model is painted: read it once.
    double offset[3];
    const BrushSnapshot snapshot = brushInModelSpace(target, brush, offset);
    if (!snapshot.sphere)
        return;
    triangleGrid_.refresh(target.triangles, target.mesh.shapeVersion());
    // Both halves of a mirrored dab share its canvases, so a texel both reach takes the brush once.
    std::map<GLuint, DabCanvas> dab;
    paintDab(target, snapshot, offset, dab);
    if (snapshot.mirror >= 1 && snapshot.mirror <= 3) {
        // The model's own origin sits at offset in the space the snapshot is in.
        double normal[3];
        mirrorNormal(target, snapshot.mirror - 1, normal);
        paintDab(target, snapshot.reflectedAcross(normal, offset), offset, dab);
    }
    if (snapshot.bleed > 0)
        bleedSeams(target, snapshot.bleed, dab);
    finishDab();
}

void ModelPainter::paintDab(const Target& target, const BrushSnapshot& snapshot, const double* offset,
                            std::map<GLuint, DabCanvas>& dab) {
    const float painterOffset[3] = {static_cast<float>(offset[0]), static_cast<float>(offset[1]),
                                    static_cast<float>(offset[2])};
    TrianglePainter painter(snapshot, painterOffset);
    float brush_pos[3] = {static_cast<float>(snapshot.position[0] - offset[0]),
                          static_cast<float>(snapshot.position[1] - offset[1]),
                          static_cast<float>(snapshot.position[2] - offset[2])};
    const double dim1 = snapshot.radius;

    // Only the triangles whose bounds may meet the brush, in mesh order.
    const std::vector<Triangle*>& mesh = target.triangles;
    std::vector<unsigned int> near;
    triangleGrid_.candidates(brush_pos, dim1, &near);
    // Cheapest test first: bounding spheres, then the plane, then the outline.
    for (unsigned int index : near) {
        Triangle* tri = mesh[index];
        float p0[3], n[3], c[3];
        tri->getVertexLocation(0, p0);
        tri->getFaceNormal(n);
        tri->getCenter(c);
        if (!(static_cast<double>(tri->getDiameter()) + dim1 > std::fabs(distanceBetween(c, brush_pos))))
            continue;
        float d = static_cast<float>(static_cast<double>(brush_pos[0] - p0[0]) * n[0] +
                                     static_cast<double>(brush_pos[1] - p0[1]) * n[1] +
                                     static_cast<double>(brush_pos[2] - p0[2]) * n[2]);
        if (!(-dim1 < d && d < dim1))
            continue;
        float col_pt[3];
        for (int k = 0; k < 3; ++k)
            col_pt[k] = static_cast<float>(brush_pos[k] - static_cast<double>(n[k]) * d);
        if (pointNearPoly(tri, col_pt, static_cast<float>(dim1)))
            paintTriangle(target, painter, tri, dab);
    }
}

uint64_t ModelPainter::layoutFingerprint(const std::vector<Triangle*>& triangles) {
    // FNV-1a over each triangle's coordinates and texture: any new layout or texture assignment changes it.
    uint64_t hash = 14695981039346656037ull;
    auto mix = [&hash](uint64_t value) { hash = (hash ^ value) * 1099511628211ull; };
    mix(triangles.size());
    for (const Triangle* tri : triangles) {
        for (const PolyMesh::TexCoord* tc : tri->tcs)
            mix(reinterpret_cast<uintptr_t>(tc));
        mix(tri->texture);
    }
    return hash;
}

void ModelPainter::bleedSeams(const Target& target, int reach, std::map<GLuint, DabCanvas>& dab) {
    bool fingerprinted = false;
    uint64_t layout = 0;
    for (auto& [name, canvas] : dab) {
        TexelRect& changed = lastPaint_[name];
        Image* image = target.skin(name);
        GLubyte* texels = image ? image->heldTexels() : nullptr;
        if (changed.empty() || !texels)
            continue;  // a picture short of texels is painted texel by texel and left without bleed
        if (!fingerprinted) {
            layout = layoutFingerprint(target.triangles);
            fingerprinted = true;
            if (layout != coveredLayout_)
                coverage_.clear();  // drops the masks of textures the model no longer shows
            coveredLayout_ = layout;
        }
        TexelCoverage& coverage = coverage_[name];
        coverage.refresh(target.triangles, name, canvas.width(), canvas.height(), layout);
        const TexelRect bled = bleed_.find(coverage, dabStamps_[name], changed, reach);
        if (bled.empty())
            continue;
        if (target.recorder && target.recorder->inStroke())
            target.recorder->saveBefore(target.serial, target.name, target.number(name), *image, bled);
        bleed_.apply(texels);
        changed.include(bled);
    }
}

TriangleGrid& ModelPainter::gridOf(const Target& target) {
    triangleGrid_.refresh(target.triangles, target.mesh.shapeVersion());
    return triangleGrid_;
}

bool ModelPainter::pointNearPoly(Triangle* tri, float* col_pt, float distance) {
    float p[3][3];
    for (unsigned int i = 0; i < 3; ++i)
        tri->getVertexLocation(i, p[i]);
    // Seen from a point inside the triangle, the corners go round a full turn.
    float theta = calcAngle(col_pt, p[0], p[1]);
    theta = static_cast<float>(theta + static_cast<double>(calcAngle(col_pt, p[1], p[2])));
    theta = static_cast<float>(theta + static_cast<double>(calcAngle(col_pt, p[2], p[0])));
    if (std::fabs(static_cast<double>(theta) - TWO_PI) < 0.0005)
        return true;
    return distance > distanceToLine(p[0], p[1], col_pt) || distance > distanceToLine(p[1], p[2], col_pt) ||
           distance > distanceToLine(p[2], p[0], col_pt);
}

void ModelPainter::paintPoly(const Target& target, Triangle* tri, BrushModel* brush) {
    lastPaint_.clear();
    reachedUntextured_ = false;
    if (!brush)
        return;
    double offset[3];
    const BrushSnapshot snapshot = brushInModelSpace(target, brush, offset);
    const float painterOffset[3] = {static_cast<float>(offset[0]), static_cast<float>(offset[1]),
                                    static_cast<float>(offset[2])};
    TrianglePainter painter(snapshot, painterOffset);
    std::map<GLuint, DabCanvas> dab;
    paintTriangle(target, painter, tri, dab);
    finishDab();
}

void ModelPainter::paintTriangle(const Target& target, TrianglePainter& painter, Triangle* tri,
                                 std::map<GLuint, DabCanvas>& dab) {
    if (tri->getTexture() == 0) {
        reachedUntextured_ = true;
        return;
    }
    if (!painter.measure(tri))
        return;
    const GLuint name = tri->getTexture();
    auto canvas = dab.find(name);
    if (canvas == dab.end()) {
        Image* image = target.skin(name);
        if (!image)
            return;
        // The first triangle of a texture in this dab starts the dab there.
        canvas = dab.emplace(std::piecewise_construct, std::forward_as_tuple(name),
                             std::forward_as_tuple(*image, dabStamps_[name], lastPaint_[name]))
                     .first;
    }
    if (target.recorder && target.recorder->inStroke())
        saveBeforePainting(target, tri, name);
    painter.paint(canvas->second);
}

void ModelPainter::finishDab() {
    for (auto it = lastPaint_.begin(); it != lastPaint_.end();)
        it = it->second.empty() ? lastPaint_.erase(it) : std::next(it);
}
