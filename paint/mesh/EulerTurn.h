#pragma once

// A turn written as three angles the way the rotation_x, rotation_y and
// rotation_z attributes write it: about z first, then about y, then about x
// (degrees), so its matrix is Rx * Ry * Rz. Also a model's own upright turn.
class EulerTurn {
public:
    typedef double Matrix[3][3];  // [row][column]

    static void toMatrix(const double degrees[3], Matrix out);
    // The angles of a rotation matrix: y within [-90, 90], x and z within
    // (-180, 180]. When y is a quarter turn, z and x turn about one axis and
    // x takes the whole of it (z is 0).
    static void toDegrees(const Matrix m, double degrees[3]);
    static void multiply(const Matrix a, const Matrix b, Matrix out);
    // The inverse of a rotation.
    static void transpose(const Matrix m, Matrix out);
    // Degrees the three angles read as no turn at all (a missing turn, null, is none too).
    static bool none(const double* degrees);
};
