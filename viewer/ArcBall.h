// Single-precision vectors, quaternions and column-major matrices, and the
// arcball that turns mouse drags into a rotation of the scene.
#pragma once

#include <GL/gl.h>

typedef union Tuple2f_t {
    struct {
        GLfloat X, Y;
    } s;
    GLfloat T[2];
} Tuple2fT;

typedef union Tuple3f_t {
    struct {
        GLfloat X, Y, Z;
    } s;
    GLfloat T[3];
} Tuple3fT;

// Used as a quaternion: (X, Y, Z) is the vector part, W the scalar part.
typedef union Tuple4f_t {
    struct {
        GLfloat X, Y, Z, W;
    } s;
    GLfloat T[4];
} Tuple4fT;

// Element Mrc (row r, column c) is stored at index c * 3 + r.
typedef union Matrix3f_t {
    struct {
        union {
            GLfloat M00;
            GLfloat XX;
            GLfloat SX;
        };
        union {
            GLfloat M10;
            GLfloat XY;
        };
        union {
            GLfloat M20;
            GLfloat XZ;
        };
        union {
            GLfloat M01;
            GLfloat YX;
        };
        union {
            GLfloat M11;
            GLfloat YY;
            GLfloat SY;
        };
        union {
            GLfloat M21;
            GLfloat YZ;
        };
        union {
            GLfloat M02;
            GLfloat ZX;
        };
        union {
            GLfloat M12;
            GLfloat ZY;
        };
        union {
            GLfloat M22;
            GLfloat ZZ;
            GLfloat SZ;
        };
    } s;
    GLfloat M[9];
} Matrix3fT;

// Element Mrc (row r, column c) is stored at index c * 4 + r, as OpenGL expects.
typedef union Matrix4f_t {
    struct {
        union {
            GLfloat M00;
            GLfloat XX;
            GLfloat SX;
        };
        union {
            GLfloat M10;
            GLfloat XY;
        };
        union {
            GLfloat M20;
            GLfloat XZ;
        };
        union {
            GLfloat M30;
            GLfloat XW;
        };
        union {
            GLfloat M01;
            GLfloat YX;
        };
        union {
            GLfloat M11;
            GLfloat YY;
            GLfloat SY;
        };
        union {
            GLfloat M21;
            GLfloat YZ;
        };
        union {
            GLfloat M31;
            GLfloat YW;
        };
        union {
            GLfloat M02;
            GLfloat ZX;
        };
        union {
            GLfloat M12;
            GLfloat ZY;
        };
        union {
            GLfloat M22;
            GLfloat ZZ;
            GLfloat SZ;
        };
        union {
            GLfloat M32;
            GLfloat ZW;
        };
        union {
            GLfloat M03;
            GLfloat TX;
        };
        union {
            GLfloat M13;
            GLfloat TY;
        };
        union {
            GLfloat M23;
            GLfloat TZ;
        };
        union {
            GLfloat M33;
            GLfloat TW;
            GLfloat SW;
        };
    } s;
    GLfloat M[16];
} Matrix4fT;

inline void Matrix3fSetZero(Matrix3fT* NewObj) {
    for (GLfloat& m : NewObj->M)
        m = 0.0f;
}

inline void Matrix4fSetZero(Matrix4fT* NewObj) {
    for (GLfloat& m : NewObj->M)
        m = 0.0f;
}

inline void Matrix3fSetIdentity(Matrix3fT* NewObj) {
    Matrix3fSetZero(NewObj);
    NewObj->s.M00 = NewObj->s.M11 = NewObj->s.M22 = 1.0f;
}

inline void Matrix4fSetIdentity(Matrix4fT* NewObj) {
    Matrix4fSetZero(NewObj);
    NewObj->s.M00 = NewObj->s.M11 = NewObj->s.M22 = NewObj->s.M33 = 1.0f;
}

inline void Matrix3fSetRotationFromQuat4f(Matrix3fT* NewObj, const Tuple4fT* q1) {
    const GLfloat X = q1->s.X, Y = q1->s.Y, Z = q1->s.Z, W = q1->s.W;
    const GLfloat n = X * X + Y * Y + Z * Z + W * W;
    const GLfloat s = (n > 0.0f) ? (2.0f / n) : 0.0f;  // a zero quaternion gives the identity
    const GLfloat xs = X * s, ys = Y * s, zs = Z * s;
    const GLfloat wx = W * xs, wy = W * ys, wz = W * zs;
    const GLfloat xx = X * xs, xy = X * ys, xz = X * zs;
    const GLfloat yy = Y * ys, yz = Y * zs, zz = Z * zs;

    NewObj->s.M00 = 1.0f - (yy + zz);
    NewObj->s.M01 = xy - wz;
    NewObj->s.M02 = xz + wy;
    NewObj->s.M10 = xy + wz;
    NewObj->s.M11 = 1.0f - (xx + zz);
    NewObj->s.M12 = yz - wx;
    NewObj->s.M20 = xz - wy;
    NewObj->s.M21 = yz + wx;
    NewObj->s.M22 = 1.0f - (xx + yy);
}

// NewObj = NewObj x m1, every element computed from the old values first.
inline void Matrix3fMulMatrix3f(Matrix3fT* NewObj, const Matrix3fT* m1) {
    Matrix3fT r;
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            GLfloat sum = 0.0f;
            for (int k = 0; k < 3; ++k)
                sum += NewObj->M[k * 3 + row] * m1->M[col * 3 + k];
            r.M[col * 3 + row] = sum;
        }
    }
    *NewObj = r;
}

// Copies m1 into the upper-left 3x3 block; the fourth row and column stay.
inline void Matrix4fSetRotationScaleFromMatrix3f(Matrix4fT* NewObj, const Matrix3fT* m1) {
    for (int col = 0; col < 3; ++col)
        for (int row = 0; row < 3; ++row)
            NewObj->M[col * 4 + row] = m1->M[col * 3 + row];
}

inline void Matrix4fMulRotationScale(Matrix4fT* NewObj, GLfloat scale) {
    for (int col = 0; col < 3; ++col)
        for (int row = 0; row < 3; ++row)
            NewObj->M[col * 4 + row] *= scale;
}

// Only the uniform scale is computed; the decomposition outputs are unused.
GLfloat Matrix4fSVD(const Matrix4fT* NewObj, Matrix3fT* rot3, Matrix4fT* rot4);

// Replaces the rotation of NewObj by m1 and keeps its scale and translation.
inline void Matrix4fSetRotationFromMatrix3f(Matrix4fT* NewObj, const Matrix3fT* m1) {
    const GLfloat scale = Matrix4fSVD(NewObj, nullptr, nullptr);
    Matrix4fSetRotationScaleFromMatrix3f(NewObj, m1);
    Matrix4fMulRotationScale(NewObj, scale);
}

class ArcBall_t {
public:
    ArcBall_t(GLfloat NewWidth, GLfloat NewHeight);
    ~ArcBall_t();

    void setBounds(GLfloat NewWidth, GLfloat NewHeight);
    void click(const Tuple2fT* NewPt);
    void drag(const Tuple2fT* NewPt, Tuple4fT* NewRot);
    void _mapToSphere(const Tuple2fT* NewPt, Tuple3fT* NewVec) const;

    Tuple3fT StVec;
    Tuple3fT EnVec;
    GLfloat AdjustWidth;
    GLfloat AdjustHeight;
};
