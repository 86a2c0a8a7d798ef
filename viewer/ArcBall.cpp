// The arcball: window points are mapped onto a unit sphere, and a drag from one
// point to another becomes the quaternion of the rotation between them.
// Everything is single precision, like the matrices handed to OpenGL.
#include "viewer/ArcBall.h"

#include <cmath>

namespace {

const GLfloat kEpsilon = 1.0e-5f;

void Vector3fCross(Tuple3fT* NewObj, const Tuple3fT* v1, const Tuple3fT* v2) {
    Tuple3fT r;  // NewObj may alias an input
    r.s.X = v1->s.Y * v2->s.Z - v1->s.Z * v2->s.Y;
    r.s.Y = v1->s.Z * v2->s.X - v1->s.X * v2->s.Z;
    r.s.Z = v1->s.X * v2->s.Y - v1->s.Y * v2->s.X;
    *NewObj = r;
}

GLfloat Vector3fDot(const Tuple3fT* NewObj, const Tuple3fT* v1) {
    return NewObj->s.X * v1->s.X + NewObj->s.Y * v1->s.Y + NewObj->s.Z * v1->s.Z;
}

GLfloat Vector3fLengthSquared(const Tuple3fT* NewObj) {
    return NewObj->s.X * NewObj->s.X + NewObj->s.Y * NewObj->s.Y + NewObj->s.Z * NewObj->s.Z;
}

GLfloat Vector3fLength(const Tuple3fT* NewObj) {
    return std::sqrt(Vector3fLengthSquared(NewObj));
}

}  // namespace

GLfloat Matrix4fSVD(const Matrix4fT* NewObj, Matrix3fT*, Matrix4fT*) {
    GLfloat sum = 0.0f;
    for (int col = 0; col < 3; ++col)
        for (int row = 0; row < 3; ++row) {
            const GLfloat m = NewObj->M[col * 4 + row];
            sum += m * m;
        }
    return std::sqrt(sum / 3.0f);
}

ArcBall_t::ArcBall_t(GLfloat NewWidth, GLfloat NewHeight) {
    StVec.s.X = StVec.s.Y = StVec.s.Z = 0.0f;
    EnVec.s.X = EnVec.s.Y = EnVec.s.Z = 0.0f;
    setBounds(NewWidth, NewHeight);
}

ArcBall_t::~ArcBall_t() {}

void ArcBall_t::setBounds(GLfloat NewWidth, GLfloat NewHeight) {
    // A window one pixel wide (or less) would divide by zero: treat it as two.
    if (NewWidth < 2.0f)
        NewWidth = 2.0f;
    if (NewHeight < 2.0f)
        NewHeight = 2.0f;
    AdjustWidth = 1.0f / ((NewWidth - 1.0f) * 0.5f);
    AdjustHeight = 1.0f / ((NewHeight - 1.0f) * 0.5f);
}

void ArcBall_t::_mapToSphere(const Tuple2fT* NewPt, Tuple3fT* NewVec) const {
    const GLfloat x = NewPt->s.X * AdjustWidth - 1.0f;
    const GLfloat y = 1.0f - NewPt->s.Y * AdjustHeight;  // window y grows downwards
    const GLfloat length = x * x + y * y;
    if (length > 1.0f) {
        const GLfloat norm = 1.0f / std::sqrt(length);
        NewVec->s.X = x * norm;
        NewVec->s.Y = y * norm;
        NewVec->s.Z = 0.0f;
    } else {
        NewVec->s.X = x;
        NewVec->s.Y = y;
        NewVec->s.Z = std::sqrt(1.0f - length);
    }
}

void ArcBall_t::click(const Tuple2fT* NewPt) {
    _mapToSphere(NewPt, &StVec);
}

void ArcBall_t::drag(const Tuple2fT* NewPt, Tuple4fT* NewRot) {
    _mapToSphere(NewPt, &EnVec);
    if (!NewRot)
        return;

    Tuple3fT perp;
    Vector3fCross(&perp, &StVec, &EnVec);
    if (Vector3fLength(&perp) > kEpsilon) {
        NewRot->s.X = perp.s.X;
        NewRot->s.Y = perp.s.Y;
        NewRot->s.Z = perp.s.Z;
        NewRot->s.W = Vector3fDot(&StVec, &EnVec);
    } else {
        // Coincident or opposite points: no rotation we can name.
        NewRot->s.X = NewRot->s.Y = NewRot->s.Z = NewRot->s.W = 0.0f;
    }
}
