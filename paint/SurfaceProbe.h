#pragma once

// A paintable model's surface as the scene shows it, for a brush that
// follows it: the model's placement is undone
// to ask its mesh, as it stands in the frame shown, and the answers are put
// back into the scene.
#include "paint/mesh/SurfaceRay.h"

class PaintableModel;

class SurfaceProbe {
public:
    explicit SurfaceProbe(PaintableModel& model) : model_(model) {}

    // Where the line from `from` through `through` (scene points) first meets
    // the surface beyond `from`; hit.point is in the scene, the rest in the mesh.
    bool underRay(const double* from, const double* through, SurfaceRay::Hit& hit);

private:
    PaintableModel& model_;
};
