#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "paint/brush/DabStamps.h"
#include "paint/brush/SeamBleed.h"
#include "paint/brush/TexelCoverage.h"
#include "paint/image/TexelRect.h"
#include "paint/mesh/PolyMesh.h"
#include "paint/mesh/TriangleGrid.h"

class AttributedModel;
class BrushModel;
class DabCanvas;
class Image;
class PaintRecorder;
class TrianglePainter;
struct BrushSnapshot;

// How one paintable model takes the brush: which of its triangles the brush
// reaches, each texture's dab stamps, and per texture the texels the last
// dab changed, for the model to upload. With a recorder whose stroke is
// open, what a dab may paint over is saved in its history first.
class ModelPainter {
public:
    using Triangle = PolyMesh::Triangle;

    // What a dab needs of the model it paints, which the painter does not own.
    struct Target {
        const AttributedModel& placement;  // x, y, z, rotation_x..z and scale
        const double* upright;             // the model's own turn (x, y, z degrees), null for none
        const PolyMesh& mesh;              // its shape version tells when to find triangles afresh
        const std::vector<Triangle*>& triangles;
        std::function<Image*(GLuint)> skin;  // a texture's picture, or null
        // The skin number users know a texture by, which is what the recorder keeps.
        std::function<unsigned int(GLuint)> number;
        PaintRecorder* recorder;    // may be null
        unsigned long long serial;  // the model as the recorder knows it
        const char* name;
    };

    // One dab on the target's triangles: with the brush's mirror set, a second
    // at its centre reflected across the model's own plane on that axis; then
    // the colour bled past the dab's triangles onto texels no triangle shows.
    void paintModel(const Target& target, BrushModel* brush);
    // One dab on tri alone.
    void paintPoly(const Target& target, Triangle* tri, BrushModel* brush);
    // Per texture name, the texels the last dab changed; unchanged textures are not listed.
    const std::map<GLuint, TexelRect>& lastChanges() const { return lastPaint_; }
    // Whether the last dab reached a triangle without a texture, which it leaves alone.
    bool reachedUntextured() const { return reachedUntextured_; }

    static bool pointNearPoly(Triangle* tri, float* col_pt, float distance);
    // The grid the dabs search, over the target's triangles as they are now;
    // the rays that find the surface under the cursor walk it too.
    TriangleGrid& gridOf(const Target& target);

private:
    // The brush as the mesh meets it, and in offset the translation the
    // painter adds back to mesh points to compare them with that brush.
    static BrushSnapshot brushInModelSpace(const Target& target, BrushModel* brush, double* offset);
    // The unit normal, in the mesh, of the model's own mirror plane across axis (0 x, 1 y, 2 z).
    static void mirrorNormal(const Target& target, int axis, double* normal);
    // Paints the triangles the snapshot reaches into the dab's canvases.
    void paintDab(const Target& target, const BrushSnapshot& snapshot, const double* offset,
                  std::map<GLuint, DabCanvas>& dab);
    // Spreads each canvas's dab onto the bare texels within reach of it.
    void bleedSeams(const Target& target, int reach, std::map<GLuint, DabCanvas>& dab);
    // Changes whenever a triangle is added or given other texture coordinates or another texture.
    static uint64_t layoutFingerprint(const std::vector<Triangle*>& triangles);
    // Paints tri if it has texture coordinates and an image, in the dab's canvas of that image.
    void paintTriangle(const Target& target, TrianglePainter& painter, Triangle* tri, std::map<GLuint, DabCanvas>& dab);
    // Drops the textures the dab left alone from what it changed.
    void finishDab();
    // Has the recorder save the tiles of texture name that painting tri may change.
    static void saveBeforePainting(const Target& target, Triangle* tri, GLuint name);

    TriangleGrid triangleGrid_;
    std::map<GLuint, DabStamps> dabStamps_;
    std::map<GLuint, TexelCoverage> coverage_;  // per texture, for seam bleed
    uint64_t coveredLayout_ = 0;                // the layout fingerprint the masks were built for
    SeamBleed bleed_;
    std::map<GLuint, TexelRect> lastPaint_;
    bool reachedUntextured_ = false;
};
