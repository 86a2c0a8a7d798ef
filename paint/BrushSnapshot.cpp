// The painter's view of the brush. The sphere test and the falloff are the
// shared insideSphere and brushFalloff, with the radii rounded as the painter
// has always rounded them: the inside test against the outer radius as a
// double, the falloff with both radii as floats.
#include "paint/BrushSnapshot.h"

#include "paint/PaintGeometry.h"

bool BrushSnapshot::contains(const float* point, float& dist) const {
    return sphere && insideSphere(center, radius, point, dist);
}

double BrushSnapshot::opacityAt(float dist) const {
    return brushFalloff(opacity, dist, solidRadius, static_cast<float>(radius));
}
