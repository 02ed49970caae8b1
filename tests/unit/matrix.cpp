// The matrix and vector functions against hand-worked values: left-handed
// view, depth-[0, 1] projection, products that alias their inputs, and the
// zero vector.
#include "platform/fx/fx.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// p * M for the point p (w = 1).
void Transform(const D3DXMATRIX& m, const D3DXVECTOR3& p, float out[4]) {
    for (int col = 0; col < 4; ++col) {
        out[col] = p.x * m.m[0][col] + p.y * m.m[1][col] + p.z * m.m[2][col] + m.m[3][col];
    }
}

void ExpectMatrixNear(const D3DXMATRIX& actual, const float (&expected)[4][4], float tolerance) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(actual.m[r][c], expected[r][c], tolerance) << "row " << r << " col " << c;
        }
    }
}

TEST(LookAt, EyeBehindTheOriginLooksAlongPlusZ) {
    D3DXVECTOR3 eye{0, 0, -5}, at{0, 0, 0}, up{0, 1, 0};
    D3DXMATRIX view;
    EXPECT_EQ(D3DXMatrixLookAtLH(&view, &eye, &at, &up), &view);
    const float expected[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 5, 1}};
    ExpectMatrixNear(view, expected, 0.0f);
}

TEST(LookAt, EyeOnPlusXLooksAlongMinusX) {
    // z = (-1, 0, 0), x = up x z = (0, 0, 1), y = z x x = (0, 1, 0).
    D3DXVECTOR3 eye{3, 0, 0}, at{0, 0, 0}, up{0, 1, 0};
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    const float expected[4][4] = {{0, 0, -1, 0}, {0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 3, 1}};
    ExpectMatrixNear(view, expected, 0.0f);
}

TEST(LookAt, MovesTheEyeToTheOriginAndTheTargetOntoPlusZ) {
    D3DXVECTOR3 eye{1.5f, -2.0f, 7.25f}, at{-3.0f, 4.0f, 0.5f}, up{0, 1, 0};
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);

    float p[4];
    Transform(view, eye, p);
    EXPECT_NEAR(p[0], 0.0f, 1e-5f);
    EXPECT_NEAR(p[1], 0.0f, 1e-5f);
    EXPECT_NEAR(p[2], 0.0f, 1e-5f);
    EXPECT_FLOAT_EQ(p[3], 1.0f);

    float distance = std::sqrt(4.5f * 4.5f + 6.0f * 6.0f + 6.75f * 6.75f);
    Transform(view, at, p);
    EXPECT_NEAR(p[0], 0.0f, 1e-5f);
    EXPECT_NEAR(p[1], 0.0f, 1e-5f);
    EXPECT_NEAR(p[2], distance, 1e-5f);

    // The rotation part is orthonormal, and y stays on the side of up.
    for (int a = 0; a < 3; ++a) {
        for (int b = 0; b < 3; ++b) {
            float dot = view.m[0][a] * view.m[0][b] + view.m[1][a] * view.m[1][b] +
                        view.m[2][a] * view.m[2][b];
            EXPECT_NEAR(dot, a == b ? 1.0f : 0.0f, 1e-6f) << a << "." << b;
        }
    }
    EXPECT_GT(view.m[1][1], 0.0f);
}

TEST(PerspectiveFov, EntriesAndDepthRange) {
    // fov 90 degrees: yScale = cot(45) = 1; aspect 2 halves x.
    D3DXMATRIX proj;
    EXPECT_EQ(D3DXMatrixPerspectiveFovLH(&proj, 1.5707964f, 2.0f, 1.0f, 3.0f), &proj);
    const float expected[4][4] = {{0.5f, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1.5f, 1}, {0, 0, -1.5f, 0}};
    ExpectMatrixNear(proj, expected, 1e-6f);

    // Depth 0 on the near plane and 1 on the far plane, after the divide by w.
    float p[4];
    Transform(proj, {0, 0, 1}, p);
    EXPECT_NEAR(p[2] / p[3], 0.0f, 1e-6f);
    Transform(proj, {0, 0, 3}, p);
    EXPECT_NEAR(p[2] / p[3], 1.0f, 1e-6f);
}

TEST(PerspectiveFov, TheCameraSettings) {
    D3DXMATRIX proj;
    D3DXMatrixPerspectiveFovLH(&proj, 0.7853982f, 1.25f, 0.1f, 150.0f);
    EXPECT_NEAR(proj.m[1][1], 2.4142137f, 1e-6f);  // cot(pi / 8)
    EXPECT_NEAR(proj.m[0][0], 2.4142137f / 1.25f, 1e-6f);
    EXPECT_NEAR(proj.m[2][2], 150.0f / 149.9f, 1e-6f);
    EXPECT_NEAR(proj.m[3][2], -15.0f / 149.9f, 1e-6f);
    EXPECT_EQ(proj.m[2][3], 1.0f);
    EXPECT_EQ(proj.m[3][3], 0.0f);
}

class Multiply : public ::testing::Test {
protected:
    D3DXMATRIX a_{{{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}}};
    D3DXMATRIX b_{{{2, 0, 0, 1}, {0, 3, 0, 0}, {1, 0, 1, 0}, {0, -1, 0, 2}}};
    // a * b worked by hand, row by row.
    const float ab_[4][4] = {{5, 2, 3, 9}, {17, 10, 7, 21}, {29, 18, 11, 33}, {41, 26, 15, 45}};
};

TEST_F(Multiply, OutOfPlace) {
    D3DXMATRIX out;
    EXPECT_EQ(D3DXMatrixMultiply(&out, &a_, &b_), &out);
    ExpectMatrixNear(out, ab_, 0.0f);
}

TEST_F(Multiply, OutputAliasingEitherInputGivesTheSameProduct) {
    D3DXMATRIX first = a_;
    D3DXMatrixMultiply(&first, &first, &b_);
    ExpectMatrixNear(first, ab_, 0.0f);

    D3DXMATRIX second = b_;
    D3DXMatrixMultiply(&second, &a_, &second);
    ExpectMatrixNear(second, ab_, 0.0f);

    // Squaring in place reads every input entry before writing any.
    D3DXMATRIX square = b_, expected;
    D3DXMatrixMultiply(&expected, &b_, &b_);
    D3DXMatrixMultiply(&square, &square, &square);
    ExpectMatrixNear(square, expected.m, 0.0f);
}

TEST(Vec3Normalize, UnitLengthAndInPlace) {
    D3DXVECTOR3 v{3, 0, -4}, out;
    EXPECT_EQ(D3DXVec3Normalize(&out, &v), &out);
    EXPECT_FLOAT_EQ(out.x, 0.6f);
    EXPECT_FLOAT_EQ(out.y, 0.0f);
    EXPECT_FLOAT_EQ(out.z, -0.8f);
    D3DXVec3Normalize(&v, &v);
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_FLOAT_EQ(v.z, -0.8f);
}

TEST(Vec3Normalize, ZeroAndUnderflowingVectorsGiveZeroNotNaN) {
    for (D3DXVECTOR3 v : {D3DXVECTOR3{0, 0, 0}, D3DXVECTOR3{1e-30f, 0, -1e-30f}}) {
        D3DXVECTOR3 out{9, 9, 9};
        D3DXVec3Normalize(&out, &v);
        EXPECT_EQ(out.x, 0.0f);
        EXPECT_EQ(out.y, 0.0f);
        EXPECT_EQ(out.z, 0.0f);
    }
}

TEST(LookAt, EyeOnTheTargetGivesNoNaN) {
    D3DXVECTOR3 eye{1, 2, 3}, up{0, 1, 0};
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &eye, &up);
    for (auto& row : view.m) {
        for (float value : row) EXPECT_FALSE(std::isnan(value));
    }
}

}  // namespace
