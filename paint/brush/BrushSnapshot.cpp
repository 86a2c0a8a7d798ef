// The painter's view of the brush. The sphere test and the falloff are the
// shared insideSphere and brushFalloff, with the radii rounded as the painter
// has always rounded them: the inside test against the outer radius as a
// double, the falloff with both radii as floats.
#include "paint/brush/BrushSnapshot.h"

#include "paint/brush/PaintGeometry.h"
#include "paint/mesh/ModelTransform.h"

bool BrushSnapshot::contains(const float* point, float& dist) const {
    return sphere && insideSphere(center, radius, point, dist);
}

double BrushSnapshot::opacityAt(float dist) const {
    return brushFalloff(opacity, dist, solidRadius, static_cast<float>(radius));
}

BrushSnapshot BrushSnapshot::inModelSpace(const ModelTransform& transform) const {
    BrushSnapshot local = *this;
    transform.toModel(position, local.position);
    for (int k = 0; k < 3; ++k)
        local.center[k] = static_cast<float>(local.position[k]);
    local.radius = radius / transform.scale();
    local.solidRadius = static_cast<float>(solidRadius / transform.scale());
    return local;
}

BrushSnapshot BrushSnapshot::reflectedAcross(const double* normal, const double* origin) const {
    BrushSnapshot mirrored = *this;
    double along = 0.0;
    for (int k = 0; k < 3; ++k)
        along += (position[k] - origin[k]) * normal[k];
    for (int k = 0; k < 3; ++k) {
        mirrored.position[k] = position[k] - 2.0 * along * normal[k];
        mirrored.center[k] = static_cast<float>(mirrored.position[k]);
    }
    return mirrored;
}
