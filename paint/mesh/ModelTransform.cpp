// The model matrix of a paintable model and its inverse, built from the
// model's attributes without OpenGL. Angles that are whole quarter turns get
// exact sines and cosines, so a model turned by 90 degrees maps grid points
// to grid points and round trips come back unchanged.
#include "paint/mesh/ModelTransform.h"

#include <cmath>

#include "model/AttributedModel.h"

namespace {

const double kPi = 3.14159265358979323846;

void sineCosine(double degrees, double* s, double* c) {
    const double turns = degrees / 90.0;
    if (std::isfinite(turns) && turns == std::floor(turns)) {
        const int quarter = static_cast<int>(std::fmod(turns, 4.0) + 4.0) % 4;
        const double sines[4] = {0.0, 1.0, 0.0, -1.0};
        *s = sines[quarter];
        *c = sines[(quarter + 1) % 4];
        return;
    }
    const double radians = degrees * kPi / 180.0;
    *s = std::sin(radians);
    *c = std::cos(radians);
}

typedef double Mat3[3][3];

// The rotation by degrees about the axis'th coordinate axis (0 = x, 1 = y, 2 = z).
void axisRotation(int axis, double degrees, Mat3 out) {
    double s, c;
    sineCosine(degrees, &s, &c);
    const int u = (axis + 1) % 3, v = (axis + 2) % 3;
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k)
            out[r][k] = r == k ? 1.0 : 0.0;
    out[u][u] = c;
    out[u][v] = -s;
    out[v][u] = s;
    out[v][v] = c;
}

void multiply(const Mat3 a, const Mat3 b, Mat3 out) {
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k)
            out[r][k] = a[r][0] * b[0][k] + a[r][1] * b[1][k] + a[r][2] * b[2][k];
}

}  // namespace

ModelTransform::ModelTransform(const double translation[3], const double rotationDegrees[3], double scale)
    : scale_(scale),
      plain_(scale == 1.0 && rotationDegrees[0] == 0.0 && rotationDegrees[1] == 0.0 && rotationDegrees[2] == 0.0) {
    Mat3 rx, ry, rz, rxy;
    axisRotation(0, rotationDegrees[0], rx);
    axisRotation(1, rotationDegrees[1], ry);
    axisRotation(2, rotationDegrees[2], rz);
    multiply(rx, ry, rxy);
    multiply(rxy, rz, rotation_);
    for (int k = 0; k < 3; ++k)
        translation_[k] = translation[k];
}

ModelTransform ModelTransform::of(const AttributedModel& model) {
    const double translation[3] = {model.getAttribute("x"), model.getAttribute("y"), model.getAttribute("z")};
    const double rotation[3] = {model.getAttribute("rotation_x"), model.getAttribute("rotation_y"),
                                model.getAttribute("rotation_z")};
    const double scale = model.hasAttribute("scale") ? model.getAttribute("scale") : 1.0;
    return ModelTransform(translation, rotation, scale);
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
