// Turn matrices from and to the three angles models are turned by. Whole
// quarter turns get exact sines and cosines, so turning by 90 degrees maps
// grid points to grid points, and angles read back from such a matrix come
// out whole.
#include "paint/mesh/EulerTurn.h"

#include <cmath>

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

// The rotation by degrees about the axis'th coordinate axis (0 = x, 1 = y, 2 = z).
void axisRotation(int axis, double degrees, EulerTurn::Matrix out) {
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

// atan2 in degrees, with what rounding leaves a hair off a whole degree made
// whole and -0 made 0, so a file written from it says what a person would.
double angle(double y, double x) {
    double degrees = std::atan2(y, x) * 180.0 / kPi;
    const double whole = std::round(degrees);
    if (std::fabs(degrees - whole) < 1e-9)
        degrees = whole;
    if (degrees == -180.0)
        degrees = 180.0;
    return degrees + 0.0;
}

}  // namespace

void EulerTurn::toMatrix(const double degrees[3], Matrix out) {
    Matrix rx, ry, rz, rxy;
    axisRotation(0, degrees[0], rx);
    axisRotation(1, degrees[1], ry);
    axisRotation(2, degrees[2], rz);
    multiply(rx, ry, rxy);
    multiply(rxy, rz, out);
}

void EulerTurn::toDegrees(const Matrix m, double degrees[3]) {
    // Rx * Ry * Rz has sin y in its top right corner; cos y, never negative
    // here, scales what x and z leave in the rest of the last column and the top row.
    const double cosY = std::hypot(m[0][0], m[0][1]);
    degrees[1] = angle(m[0][2], cosY);
    if (cosY > 1e-12) {
        degrees[0] = angle(-m[1][2], m[2][2]);
        degrees[2] = angle(-m[0][1], m[0][0]);
        return;
    }
    // Gimbal lock: with y a quarter turn, x and z both turn about the scene's
    // x axis, and only their sum shows; z = 0 leaves the middle column to x.
    degrees[0] = angle(m[2][1], m[1][1]);
    degrees[2] = 0.0;
}

void EulerTurn::multiply(const Matrix a, const Matrix b, Matrix out) {
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k)
            out[r][k] = a[r][0] * b[0][k] + a[r][1] * b[1][k] + a[r][2] * b[2][k];
}

void EulerTurn::transpose(const Matrix m, Matrix out) {
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k)
            out[r][k] = m[k][r];
}

bool EulerTurn::none(const double* degrees) {
    return !degrees || (degrees[0] == 0.0 && degrees[1] == 0.0 && degrees[2] == 0.0);
}
