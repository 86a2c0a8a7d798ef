// Scene questions about a model's surface: the scene's ray taken into the
// model's own space, and the point it meets taken back out.
#include "paint/SurfaceProbe.h"

#include "paint/PaintableModel.h"
#include "paint/mesh/ModelTransform.h"

bool SurfaceProbe::underRay(const double* from, const double* through, SurfaceRay::Hit& hit) {
    const ModelTransform place = ModelTransform::of(model_, model_.uprightTurn());
    const double motion[3] = {through[0] - from[0], through[1] - from[1], through[2] - from[2]};
    double origin[3], direction[3];
    place.toModel(from, origin);
    place.directionToModel(motion, direction);
    if (!SurfaceRay::nearest(model_.searchGrid(), model_.meshTriangles(), origin, direction, hit))
        return false;
    const double local[3] = {hit.point[0], hit.point[1], hit.point[2]};
    place.toScene(local, hit.point);
    return true;
}
