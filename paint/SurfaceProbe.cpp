// Scene questions about a model's surface. Texels are found as the painter
// finds them (a coordinate c falls on texel (size - 1) * c, truncated), so a
// picked colour is the one a dab at that point paints over.
#include "paint/SurfaceProbe.h"

#include <cmath>

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

bool SurfaceProbe::nearest(const double* point, double reach, SurfaceRay::Hit& hit) {
    const ModelTransform place = ModelTransform::of(model_, model_.uprightTurn());
    double local[3];
    place.toModel(point, local);
    if (!SurfaceRay::closest(model_.searchGrid(), model_.meshTriangles(), local, reach / place.scale(), hit))
        return false;
    const double found[3] = {hit.point[0], hit.point[1], hit.point[2]};
    place.toScene(found, hit.point);
    hit.along *= place.scale();
    return true;
}

bool SurfaceProbe::colourAt(const SurfaceRay::Hit& hit, double* rgb) {
    PolyMesh::Triangle* tri = hit.triangle;
    Image* image = tri && tri->getTexture() ? model_.skinImage(tri->getTexture()) : nullptr;
    if (!image || image->width() < 1 || image->height() < 1)
        return false;
    double st[2] = {0.0, 0.0};
    for (unsigned int i = 0; i < 3; ++i) {
        if (!tri->tcs[i])
            return false;
        float corner[2];
        tri->getVertexTexCoords(i, corner);
        st[0] += hit.weights[i] * corner[0];
        st[1] += hit.weights[i] * corner[1];
    }
    const double x = std::floor((image->width() - 1) * st[0]), y = std::floor((image->height() - 1) * st[1]);
    if (!(x >= 0.0 && y >= 0.0 && x < image->width() && y < image->height()))
        return false;
    GLubyte texel[3] = {0, 0, 0};
    if (!image->get(static_cast<int>(x), static_cast<int>(y), texel))
        return false;
    for (int k = 0; k < 3; ++k)
        rgb[k] = texel[k] / 255.0;
    return true;
}
