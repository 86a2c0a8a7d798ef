// Arcball mapping and its matrix helpers, against values worked out by hand for a 500 x 500 window.
#include <gtest/gtest.h>

#include <cmath>

#include "viewer/ArcBall.h"

static Matrix3fT rotationZ(float radians) {  // column by column, as M[] holds it
    const float c = std::cos(radians), s = std::sin(radians);
    return {{c, s, 0.0f, -s, c, 0.0f, 0.0f, 0.0f, 1.0f}};
}

static void expectNear(const GLfloat* got, std::initializer_list<float> want, float tolerance) {
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_NEAR(got[i], want.begin()[i], tolerance) << "component " << i;
}

TEST(ArcBallMath, multiply_keeps_the_left_operand_on_the_left) {
    // A quarter turn about z times x scaled by 2 takes the x axis to (0, 2, 0); the other order to (0, 1, 0).
    Matrix3fT a = rotationZ(static_cast<float>(M_PI / 2)), b = {{2.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f}};
    Matrix3fMulMatrix3f(&a, &b);
    expectNear(a.M, {0.0f, 2.0f}, 1e-6f);  // M00, M10
}

TEST(ArcBallMath, set_rotation_keeps_scale_and_translation) {
    Matrix4fT m;
    Matrix4fSetIdentity(&m);
    Matrix4fMulRotationScale(&m, 3.0f);
    for (int i = 12; i < 15; ++i)
        m.M[i] = static_cast<float>(i);  // the translation column
    const Matrix3fT r = rotationZ(0.5f);
    Matrix4fSetRotationFromMatrix3f(&m, &r);
    EXPECT_NEAR(m.s.M00, 3.0f * std::cos(0.5f), 1e-5);
    EXPECT_NEAR(m.s.M22, 3.0f, 1e-5);
    expectNear(m.M + 12, {12.0f, 13.0f, 14.0f, 1.0f}, 0.0f);
}

TEST(ArcBall, maps_the_centre_to_the_pole_and_a_corner_onto_the_rim) {
    ArcBall_t ball(500.0f, 500.0f);
    Tuple3fT v;
    Tuple2fT p = {{249.5f, 249.5f}};
    ball._mapToSphere(&p, &v);
    expectNear(v.T, {0.0f, 0.0f, 1.0f}, 1e-6f);
    p = {{0.0f, 0.0f}};  // (-1, 1) before scaling back to the unit circle
    ball._mapToSphere(&p, &v);
    expectNear(v.T, {-std::sqrt(0.5f), std::sqrt(0.5f), 0.0f}, 1e-6f);
}

TEST(ArcBall, drag_gives_the_quaternion_between_click_and_drag_points) {
    ArcBall_t ball(500.0f, 500.0f);
    Tuple2fT start = {{249.5f, 249.5f}}, right = {{499.0f, 249.5f}};
    ball.click(&start);
    Tuple4fT q;
    ball.drag(&start, &q);  // back where it began: no rotation, all four zero
    expectNear(q.T, {0.0f, 0.0f, 0.0f, 0.0f}, 0.0f);
    ball.drag(&right, &q);  // pole (0, 0, 1) to rim (1, 0, 0): cross product (0, 1, 0), dot product 0
    expectNear(q.T, {0.0f, 1.0f, 0.0f, 0.0f}, 1e-5f);
}

TEST(ArcBall, windows_under_two_pixels_count_as_two) {
    ArcBall_t ball(1.0f, 0.0f);
    EXPECT_EQ(std::make_pair(ball.AdjustWidth, ball.AdjustHeight), std::make_pair(2.0f, 2.0f));
    ball.setBounds(300.0f, 101.0f);
    EXPECT_NEAR(ball.AdjustWidth, 1.0f / 149.5f, 1e-7);
    EXPECT_NEAR(ball.AdjustHeight, 1.0f / 50.0f, 1e-7);
}
