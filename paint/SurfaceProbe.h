#pragma once

// A paintable model's surface as the scene shows it, for a brush that
// follows it and for picking colours off it: the model's placement is undone
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
    // The surface point nearest the scene point, no farther than reach (scene lengths).
    bool nearest(const double* point, double reach, SurfaceRay::Hit& hit);
    // The colour (0..1 each) of the texel at hit on its triangle's skin; false when it has none.
    bool colourAt(const SurfaceRay::Hit& hit, double* rgb);

private:
    PaintableModel& model_;
};
