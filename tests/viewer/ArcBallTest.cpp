// Matrix, quaternion and arcball numbers, checked against values worked out
// by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "viewer/ArcBall.h"

namespace {

Matrix3fT rotationZ(float radians) {
    Matrix3fT m;
    Matrix3fSetIdentity(&m);
    m.s.M00 = std::cos(radians); m.s.M01 = -std::sin(radians);
    m.s.M10 = std::sin(radians); m.s.M11 = std::cos(radians);
    return m;
}

Tuple2fT point(float x, float y) {
    Tuple2fT p;
    p.s.X = x;
    p.s.Y = y;
    return p;
}

}  // namespace

TEST(ArcBallMath, storage_is_column_major) {
    Matrix4fT m;
    Matrix4fSetZero(&m);
    m.s.M12 = 5.0f;   // row 1, column 2
    m.s.TX = 7.0f;    // row 0, column 3
    EXPECT_EQ(m.M[2 * 4 + 1], 5.0f);
    EXPECT_EQ(m.M[12], 7.0f);
    Matrix3fT r;
    Matrix3fSetZero(&r);
    r.s.ZY = 3.0f;    // alias of M12
    EXPECT_EQ(r.M[2 * 3 + 1], 3.0f);
}

TEST(ArcBallMath, multiply_keeps_left_operand_on_the_left) {
    // A = rotation by 90 degrees about z, B = scale of x by 2.
    Matrix3fT a = rotationZ(static_cast<float>(M_PI / 2));
    Matrix3fT b;
    Matrix3fSetIdentity(&b);
    b.s.M00 = 2.0f;
    Matrix3fMulMatrix3f(&a, &b);
    // A x B maps the x axis to (0, 2, 0); B x A would map it to (0, 1, 0).
    EXPECT_NEAR(a.s.M00, 0.0f, 1e-6);
    EXPECT_NEAR(a.s.M10, 2.0f, 1e-6);
    EXPECT_NEAR(a.s.M01, -1.0f, 1e-6);
    EXPECT_NEAR(a.s.M11, 0.0f, 1e-6);
}

TEST(ArcBallMath, quaternion_to_matrix) {
    Tuple4fT zero = {{0, 0, 0, 0}};
    Matrix3fT m;
    Matrix3fSetZero(&m);
    Matrix3fSetRotationFromQuat4f(&m, &zero);
    Matrix3fT id;
    Matrix3fSetIdentity(&id);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(m.M[i], id.M[i]) << i;

    // (0, 0, 1, 1) is 90 degrees about z, not normalised: the length must not matter.
    Tuple4fT q = {{0, 0, 1, 1}};
    Matrix3fSetRotationFromQuat4f(&m, &q);
    EXPECT_NEAR(m.s.M00, 0.0f, 1e-6);
    EXPECT_NEAR(m.s.M01, -1.0f, 1e-6);
    EXPECT_NEAR(m.s.M10, 1.0f, 1e-6);
    EXPECT_NEAR(m.s.M22, 1.0f, 1e-6);
}

TEST(ArcBallMath, set_rotation_keeps_scale_and_translation) {
    Matrix4fT m;
    Matrix4fSetIdentity(&m);
    m.s.TX = 1.0f; m.s.TY = 2.0f; m.s.TZ = 3.0f;
    Matrix3fT r = rotationZ(0.5f);
    Matrix4fSetRotationFromMatrix3f(&m, &r);
    EXPECT_NEAR(m.s.M00, std::cos(0.5f), 1e-6);
    EXPECT_NEAR(m.s.M10, std::sin(0.5f), 1e-6);
    EXPECT_EQ(m.s.TX, 1.0f);
    EXPECT_EQ(m.s.TY, 2.0f);
    EXPECT_EQ(m.s.TZ, 3.0f);
    EXPECT_EQ(m.s.TW, 1.0f);

    // A matrix scaled by 3 keeps that scale under a new rotation.
    Matrix4fSetIdentity(&m);
    Matrix4fMulRotationScale(&m, 3.0f);
    EXPECT_NEAR(Matrix4fSVD(&m, nullptr, nullptr), 3.0f, 1e-6);
    Matrix4fSetRotationFromMatrix3f(&m, &r);
    EXPECT_NEAR(m.s.M00, 3.0f * std::cos(0.5f), 1e-5);
    EXPECT_NEAR(m.s.M22, 3.0f, 1e-5);
}

TEST(ArcBall, maps_centre_and_corner) {
    ArcBall_t ball(500.0f, 500.0f);
    Tuple3fT v;
    Tuple2fT centre = point(249.5f, 249.5f);
    ball._mapToSphere(&centre, &v);
    EXPECT_NEAR(v.s.X, 0.0f, 1e-6);
    EXPECT_NEAR(v.s.Y, 0.0f, 1e-6);
    EXPECT_NEAR(v.s.Z, 1.0f, 1e-6);

    Tuple2fT corner = point(0.0f, 0.0f);
    ball._mapToSphere(&corner, &v);
    EXPECT_NEAR(v.s.X, -0.70710678f, 1e-4);
    EXPECT_NEAR(v.s.Y, 0.70710678f, 1e-4);
    EXPECT_EQ(v.s.Z, 0.0f);
}

TEST(ArcBall, drag_gives_rotation_quaternion) {
    ArcBall_t ball(500.0f, 500.0f);
    Tuple2fT start = point(249.5f, 249.5f);
    ball.click(&start);

    Tuple4fT q;
    ball.drag(&start, &q);  // back to the click point: no rotation
    EXPECT_EQ(q.s.X, 0.0f);
    EXPECT_EQ(q.s.W, 0.0f);

    // From the centre (0, 0, 1) to the right rim (1, 0, 0): perp = (0, 1, 0), dot = 0,
    // a half turn of 180 degrees about y.
    Tuple2fT right = point(499.0f, 249.5f);
    ball.drag(&right, &q);
    EXPECT_NEAR(q.s.X, 0.0f, 1e-5);
    EXPECT_NEAR(q.s.Y, 1.0f, 1e-5);
    EXPECT_NEAR(q.s.Z, 0.0f, 1e-5);
    EXPECT_NEAR(q.s.W, 0.0f, 1e-5);
    EXPECT_NEAR(ball.EnVec.s.X, 1.0f, 1e-5);

    ball.drag(&right, nullptr);  // only records the end point
    EXPECT_NEAR(ball.EnVec.s.X, 1.0f, 1e-5);
}

TEST(ArcBall, tiny_windows_do_not_divide_by_zero) {
    ArcBall_t ball(1.0f, 0.0f);
    EXPECT_TRUE(std::isfinite(ball.AdjustWidth));
    EXPECT_TRUE(std::isfinite(ball.AdjustHeight));
    EXPECT_EQ(ball.AdjustWidth, 2.0f);  // treated as a window 2 wide
    ball.setBounds(300.0f, 101.0f);
    EXPECT_NEAR(ball.AdjustWidth, 1.0f / 149.5f, 1e-7);
    EXPECT_NEAR(ball.AdjustHeight, 1.0f / 50.0f, 1e-7);
}
