#pragma once

#include <GL/gl.h>

#include <map>
#include <vector>

#include "paint/brush/DabStamps.h"
#include "paint/image/TexelRect.h"
#include "paint/mesh/PolyMesh.h"
#include "paint/mesh/TriangleGrid.h"

class BrushModel;
class DabCanvas;
class PaintableModel;
class PaintSession;
class TrianglePainter;
struct BrushSnapshot;

// How one paintable model takes the brush: which of its triangles the brush
// reaches, each texture's dab stamps, and per texture the texels the last
// dab changed. With a session whose stroke is open, what a dab may paint
// over is saved in its history first.
class ModelPainter {
public:
    using Triangle = PolyMesh::Triangle;

    // One dab on model, whose triangles are mesh.
    void paintModel(PaintableModel& model, const std::vector<Triangle*>& mesh, BrushModel* brush,
                    PaintSession* session);
    // One dab on tri alone.
    void paintPoly(PaintableModel& model, Triangle* tri, BrushModel* brush, PaintSession* session);
    const std::map<GLuint, TexelRect>& lastChanges() const { return lastPaint_; }

    static bool pointNearPoly(Triangle* tri, float* col_pt, float distance);

private:
    // The brush as the mesh meets it, and in offset the translation the
    // painter adds back to mesh points to compare them with that brush.
    static BrushSnapshot brushInModelSpace(PaintableModel& model, BrushModel* brush, double* offset);
    // Paints tri if it has texture coordinates and an image, in the dab's canvas of that image.
    void paintTriangle(PaintableModel& model, TrianglePainter& painter, Triangle* tri, std::map<GLuint, DabCanvas>& dab,
                       PaintSession* session);
    // Queues what the dab changed for upload.
    void finishDab(PaintableModel& model);
    // Has the session save the tiles of texture name that painting tri may change.
    static void saveBeforePainting(PaintableModel& model, Triangle* tri, GLuint name, PaintSession& session);

    TriangleGrid triangleGrid_;
    std::map<GLuint, DabStamps> dabStamps_;
    std::map<GLuint, TexelRect> lastPaint_;
};
