#pragma once

// Where a paintable model sits in the scene: its own coordinates stood
// upright by the model's own turn (angles applied as the attributes' are),
// scaled uniformly by `scale`, turned about z by rotation_z, then about y by
// rotation_y, then about x by rotation_x (degrees), then moved by x, y, z.
// This is the order the model is drawn in (translate, rotate x, y, z, own
// turn, scale) and the one painting and handle drags undo to reach the
// model's own space.

class AttributedModel;

class ModelTransform {
public:
    // uprightDegrees, the model's own turn, may be null for none.
    ModelTransform(const double translation[3], const double rotationDegrees[3], double scale,
                   const double* uprightDegrees = nullptr);
    // From the model's x, y, z, rotation_x, rotation_y, rotation_z and scale
    // (a missing rotation reads as 0, a missing scale as 1) and its own turn.
    static ModelTransform of(const AttributedModel& model, const double* uprightDegrees = nullptr);

    // The 4x4 model matrix, column-major as OpenGL takes it.
    void matrix(double out[16]) const;
    // Its inverse, same layout.
    void inverse(double out[16]) const;

    void toScene(const double local[3], double scene[3]) const;
    void toModel(const double scene[3], double local[3]) const;
    // A motion in the scene as a motion in the model's own space (no translation).
    void directionToModel(const double scene[3], double local[3]) const;

    double scale() const { return scale_; }
    // No turn at all and scale 1: only x, y, z move the model.
    bool translationOnly() const { return plain_; }

private:
    double translation_[3];
    double rotation_[3][3];  // rotation_[row][column] = Rx * Ry * Rz * upright
    double scale_;
    bool plain_;
};
