#pragma once

#include "model/AnimatedModel.h"
#include "paint/brush/BrushSnapshot.h"

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
    // distance from the centre. The same test as the painter's snapshot.
    bool contains(const float* point, float& dist);
    // The shape and the attributes painting uses, as they are now.
    BrushSnapshot snapshot() const;

private:
    brush_shape shape;
};
