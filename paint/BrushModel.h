#pragma once

#include "model/AnimatedModel.h"

enum brush_shape { SPHERE = 0 };

// The painting brush: a sphere placed, coloured and sized through its
// attributes (red, green, blue, x, y, z, dim1, dim2, opacity, solid_dim1).
class BrushModel : public AnimatedModel {
public:
    explicit BrushModel(const char* name);
    ~BrushModel() override;

    void draw() override;  // GL thread only

    void setShape(brush_shape shape);
    brush_shape getShape();
    // Whether point lies strictly inside the outer radius; dist receives its
    // distance from the centre.
    bool contains(const float* point, float& dist);

private:
    brush_shape shape;
};
