// The model matrix of a paintable model and its inverse, built from the
// model's attributes and its own upright turn without OpenGL. EulerTurn's
// exact quarter turns keep a model turned by 90 degrees on the grid, so
// round trips come back unchanged.
#include "paint/mesh/ModelTransform.h"

#include "model/AttributedModel.h"
#include "paint/mesh/EulerTurn.h"

ModelTransform::ModelTransform(const double translation[3], const double rotationDegrees[3], double scale,
                               const double* uprightDegrees)
    : scale_(scale), plain_(scale == 1.0 && EulerTurn::none(rotationDegrees) && EulerTurn::none(uprightDegrees)) {
    EulerTurn::Matrix attributes, upright;
    EulerTurn::toMatrix(rotationDegrees, attributes);
    const double noTurn[3] = {0.0, 0.0, 0.0};
    EulerTurn::toMatrix(uprightDegrees ? uprightDegrees : noTurn, upright);
    EulerTurn::multiply(attributes, upright, rotation_);
    for (int k = 0; k < 3; ++k)
        translation_[k] = translation[k];
}

ModelTransform ModelTransform::of(const AttributedModel& model, const double* uprightDegrees) {
    const double translation[3] = {model.getAttribute("x"), model.getAttribute("y"), model.getAttribute("z")};
    const double rotation[3] = {model.getAttribute("rotation_x"), model.getAttribute("rotation_y"),
                                model.getAttribute("rotation_z")};
    const double scale = model.hasAttribute("scale") ? model.getAttribute("scale") : 1.0;
    return ModelTransform(translation, rotation, scale, uprightDegrees);
}

void ModelTransform::matrix(double out[16]) const {
    for (int col = 0; col < 3; ++col) {
        for (int row = 0; row < 3; ++row)
            out[4 * col + row] = rotation_[row][col] * scale_;
        out[4 * col + 3] = 0.0;
    }
    for (int row = 0; row < 3; ++row)
        out[12 + row] = translation_[row];
    out[15] = 1.0;
}

void ModelTransform::inverse(double out[16]) const {
    // (T R S)^-1 = S^-1 R^T T^-1.
    for (int col = 0; col < 3; ++col) {
        for (int row = 0; row < 3; ++row)
            out[4 * col + row] = rotation_[col][row] / scale_;
        out[4 * col + 3] = 0.0;
    }
    double back[3];
    directionToModel(translation_, back);
    for (int row = 0; row < 3; ++row)
        out[12 + row] = -back[row];
    out[15] = 1.0;
}

void ModelTransform::toScene(const double local[3], double scene[3]) const {
    double turned[3];
    for (int r = 0; r < 3; ++r)
        turned[r] = (rotation_[r][0] * local[0] + rotation_[r][1] * local[1] + rotation_[r][2] * local[2]) * scale_;
    for (int r = 0; r < 3; ++r)
        scene[r] = turned[r] + translation_[r];
}

void ModelTransform::toModel(const double scene[3], double local[3]) const {
    const double moved[3] = {scene[0] - translation_[0], scene[1] - translation_[1], scene[2] - translation_[2]};
    directionToModel(moved, local);
}

void ModelTransform::directionToModel(const double scene[3], double local[3]) const {
    double turned[3];
    for (int r = 0; r < 3; ++r)
        turned[r] = rotation_[0][r] * scene[0] + rotation_[1][r] * scene[1] + rotation_[2][r] * scene[2];
    for (int r = 0; r < 3; ++r)
        local[r] = turned[r] / scale_;
}
