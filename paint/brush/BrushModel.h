#pragma once

#include "model/AnimatedModel.h"
#include "paint/brush/BrushSnapshot.h"

enum brush_shape { SPHERE = 0 };

// The painting brush: a sphere placed, coloured and sized through its
// attributes (red, green, blue, x, y, z, dim1, dim2, opacity, solid_dim1,
// spacing, mirror, bleed). A drag dabs every spacing x dim1 along its path.
// Colours and opacity stay within 0..1, the radii above 0, the solid radius
// within the outer one, mirror within 0..3 and bleed within 0..16; the
// painter reads those two as the nearest whole numbers. Its two handles size
// it: handle 1 sits on the
// outer radius (+x of the centre), handle 2 on the solid radius (-x).
class BrushModel : public AnimatedModel {
public:
    explicit BrushModel(const char* name);
    ~BrushModel() override;

    // Dragging a handle by a motion in the scene moves its radius by the
    // motion's share along the handle's direction, stopping at the limits.
    void adjustHandle(unsigned int handle, double dx, double dy, double dz) override;
    void draw() override;                    // GL thread only
    void drawHandles(GLenum mode) override;  // GL thread only; on the radii as they are now

    void setShape(brush_shape shape);
    brush_shape getShape();
    // Whether point lies strictly inside the outer radius; dist receives its
    // distance from the centre. The same test as the painter's snapshot.
    bool contains(const float* point, float& dist);
    // The shape and the attributes painting uses, as they are now.
    BrushSnapshot snapshot() const;

private:
    // Puts the handles where the radii are now.
    void placeHandles();

    brush_shape shape;
};
