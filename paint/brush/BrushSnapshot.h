#pragma once

// The brush as one paint call sees it: its attributes read once, so that a
// stroke step uses the same centre, radii, opacity and colour for every
// triangle and texel, and the brush's own inside test agrees with the painter's.
class ModelTransform;

struct BrushSnapshot {
    bool sphere;              // the shape is SPHERE; no other shape contains a point
    double position[3];       // x, y, z as set
    float center[3];          // x, y, z rounded to float
    double radius;            // dim1: the outer radius
    float solidRadius;        // solid_dim1, rounded to float
    double opacity;           // weight of the colour inside the solid radius
    unsigned char colour[3];  // red, green, blue as paint bytes
    int mirror;               // 0, or the axis (1 x, 2 y, 3 z) whose plane a dab is also painted across
    int bleed;                // how many texels past a dab's triangles its colour spreads onto bare texels

    // Whether point lies strictly inside the outer radius; dist receives its
    // distance from the centre (left alone for a shape that is no sphere).
    bool contains(const float* point, float& dist) const;
    // Weight of the colour at dist from the centre: the opacity up to the
    // solid radius, falling linearly to 0 at the outer radius.
    double opacityAt(float dist) const;
    // The same brush seen from a model's own space: the centre through the
    // inverse transform, both radii divided by the model's scale.
    BrushSnapshot inModelSpace(const ModelTransform& transform) const;
    // The same brush with its centre reflected through the plane that passes
    // through origin with the unit normal `normal`.
    BrushSnapshot reflectedAcross(const double* normal, const double* origin) const;
};
