// The camera's orbit, the view-projection matrix in c4-c7 and the billboard
// axes in c1 and c2, including the frames where the eye has no side axis.
#include "render/camera.h"

#include "platform/fx/fx.h"
#include "sim/particles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

// The projection's scales for fov pi/4 and aspect 1.25: the view matrix's
// columns 0 and 1 come back out of c4-c7 by dividing by them.
const float kYScale = 1.0f / std::tan(0.7853982f / 2.0f);
const float kXScale = kYScale / 1.25f;

float ViewProjection(int row, int col) { return g_constants.c[4 + row][col]; }

// (p, 1) times the matrix in c4-c7.
void Project(double x, double y, double z, double out[4]) {
    for (int col = 0; col < 4; ++col) {
        out[col] = x * ViewProjection(0, col) + y * ViewProjection(1, col) +
                   z * ViewProjection(2, col) + ViewProjection(3, col);
    }
}

class CameraTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_constants = {};
        g_particles[0] = Particle{{1.0f, 2.0f, 3.0f}, {0, 0, 0}};
        g_cameraTarget = &g_particles[0];
    }
    void TearDown() override { g_cameraTarget = &g_particles[0]; }

    void PlaceTarget(float x, float y, float z) { g_particles[0].position = {x, y, z}; }

    static void ExpectRegister(int index, double x, double y, double z, double w, double tol) {
        EXPECT_NEAR(g_constants.c[index][0], x, tol) << "c" << index << ".x";
        EXPECT_NEAR(g_constants.c[index][1], y, tol) << "c" << index << ".y";
        EXPECT_NEAR(g_constants.c[index][2], z, tol) << "c" << index << ".z";
        EXPECT_NEAR(g_constants.c[index][3], w, tol) << "c" << index << ".w";
    }

    static void ExpectCameraRegistersFinite() {
        for (int r = 1; r < 8; ++r) {
            for (float v : g_constants.c[r]) EXPECT_TRUE(std::isfinite(v)) << "c" << r;
        }
    }
};

TEST_F(CameraTest, AtTimeZeroTheEyeSitsAtPlusSixXMinusFourZFromTheTarget) {
    UpdateCamera();

    // The eye maps to the origin of view space: x, y and w all vanish.
    double p[4];
    Project(1.0 + 6.0, 2.0, 3.0 - 4.0, p);
    EXPECT_NEAR(p[0], 0.0, 1e-5);
    EXPECT_NEAR(p[1], 0.0, 1e-5);
    EXPECT_NEAR(p[3], 0.0, 1e-5);
    // The target lies straight ahead at the orbit's distance sqrt(52).
    Project(1.0, 2.0, 3.0, p);
    EXPECT_NEAR(p[0], 0.0, 1e-5);
    EXPECT_NEAR(p[1], 0.0, 1e-5);
    EXPECT_NEAR(p[3], std::sqrt(52.0), 1e-5);

    // d = (6, 0, -4) / |.|: side = (d.z, 0, -d.x), up = (0, 1, 0).
    double length = std::sqrt(52.0);
    ExpectRegister(1, -4.0 / length, 0.0, -6.0 / length, 1.0, 1e-6);
    ExpectRegister(2, 0.0, 1.0, 0.0, 1.0, 1e-6);

    // The whole matrix, depth column included: the view's axes x = (4, 0, 6) / L,
    // y = (0, 1, 0), z = (-6, 0, 4) / L and eye (7, 2, -1), times the projection
    // with cot(pi / 8), aspect 1.25, near 0.1 and far 150.
    const double L = length, ys = 1.0 / std::tan(std::numbers::pi / 8.0), xs = ys / 1.25;
    const double q = 150.0 / (150.0 - 0.1);
    const double expected[4][4] = {
        {4 / L * xs, 0, -6 / L * q, -6 / L},
        {0, ys, 0, 0},
        {6 / L * xs, 0, 4 / L * q, 4 / L},
        {-22 / L * xs, -2 * ys, (46 / L - 0.1) * q, 46 / L},
    };
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            EXPECT_NEAR(ViewProjection(row, col), expected[row][col], 1e-5) << row << "." << col;
        }
    }
}

TEST_F(CameraTest, TouchesOnlyTheCameraRegisters) {
    g_constants.c[0][0] = 12.5f;
    UpdateCamera();
    EXPECT_EQ(g_constants.c[0][0], 12.5f);
    for (int r = 0; r < 256; ++r) {
        if (r == 0 || r == 1 || r == 2 || (r >= 4 && r <= 7)) continue;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(g_constants.c[r][i], 0.0f) << "c" << r;
    }
    EXPECT_EQ(g_constants.c[0][1], 0.0f);
}

TEST_F(CameraTest, FollowsTheLissajousOrbitOverTime) {
    for (float t : {10.0f, 37.5f, 150.0f}) {
        g_constants.c[0][0] = t;
        UpdateCamera();
        double ox = 6.0 * std::cos(t * 0.2), oy = 5.2 * std::sin(t * 0.15), oz = -4.0 * std::cos(t * 0.17);
        double p[4];
        Project(1.0 + ox, 2.0 + oy, 3.0 + oz, p);
        EXPECT_NEAR(p[3], 0.0, 1e-4) << "t = " << t;
        Project(1.0, 2.0, 3.0, p);
        EXPECT_NEAR(p[3], std::sqrt(ox * ox + oy * oy + oz * oz), 1e-4) << "t = " << t;
    }
}

TEST_F(CameraTest, AxesMatchTheViewMatrixSideIsItsNegatedXAxis) {
    for (float t : {0.0f, 3.0f, 20.0f, 77.7f}) {
        g_constants.c[0][0] = t;
        UpdateCamera();
        for (int row = 0; row < 3; ++row) {
            float viewX = ViewProjection(row, 0) / kXScale;
            float viewY = ViewProjection(row, 1) / kYScale;
            EXPECT_NEAR(g_constants.c[1][row], -viewX, 1e-5f) << "t = " << t << " row " << row;
            EXPECT_NEAR(g_constants.c[2][row], viewY, 1e-5f) << "t = " << t << " row " << row;
        }
        // Both unit length and at right angles.
        const float* s = g_constants.c[1];
        const float* u = g_constants.c[2];
        EXPECT_NEAR(s[0] * s[0] + s[1] * s[1] + s[2] * s[2], 1.0f, 1e-6f);
        EXPECT_NEAR(u[0] * u[0] + u[1] * u[1] + u[2] * u[2], 1.0f, 1e-6f);
        EXPECT_NEAR(s[0] * u[0] + s[1] * u[1] + s[2] * u[2], 0.0f, 1e-6f);
    }
}

TEST_F(CameraTest, LookingAlongPlusZGivesSideMinusXAndUpPlusY) {
    // Far out on x the orbit's +6 is lost in rounding, leaving eye - at = (0, 0, -4).
    PlaceTarget(1e9f, 0.0f, 0.0f);
    UpdateCamera();
    ExpectRegister(1, -1.0, 0.0, 0.0, 1.0, 0.0);
    ExpectRegister(2, 0.0, 1.0, 0.0, 1.0, 0.0);
    ExpectCameraRegistersFinite();
}

TEST_F(CameraTest, EyeOnTheTargetKeepsTheLastAxesAndStaysFinite) {
    UpdateCamera();
    float side[4], up[4];
    std::copy(g_constants.c[1], g_constants.c[1] + 4, side);
    std::copy(g_constants.c[2], g_constants.c[2] + 4, up);

    // Both offsets (6 and -4) vanish next to 1e9: eye == at.
    PlaceTarget(1e9f, 0.0f, 1e9f);
    UpdateCamera();
    ExpectCameraRegistersFinite();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(g_constants.c[1][i], side[i]);
        EXPECT_EQ(g_constants.c[2][i], up[i]);
    }
    // The view still has its axes: side is minus its x axis.
    for (int row = 0; row < 3; ++row) {
        EXPECT_NEAR(g_constants.c[1][row], -ViewProjection(row, 0) / kXScale, 1e-5f);
    }
}

TEST_F(CameraTest, EyeStraightAboveTheTargetKeepsTheLastAxes) {
    g_constants.c[0][0] = 5.0f;
    UpdateCamera();
    float side[4];
    std::copy(g_constants.c[1], g_constants.c[1] + 4, side);

    // At t = 5 the y offset is 5.2 sin(0.75) while x and z vanish in rounding.
    PlaceTarget(1e9f, 0.0f, 1e9f);
    UpdateCamera();
    ExpectCameraRegistersFinite();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(g_constants.c[1][i], side[i]);
}

TEST_F(CameraTest, ATargetThatIsNotAFinitePointLeavesTheBlockAsItWas) {
    UpdateCamera();
    float before[8][4];
    std::copy(&g_constants.c[0][0], &g_constants.c[0][0] + 32, &before[0][0]);

    PlaceTarget(NAN, 0.0f, 0.0f);
    UpdateCamera();
    PlaceTarget(INFINITY, 1.0f, 2.0f);
    UpdateCamera();
    for (int r = 0; r < 8; ++r) {
        for (int i = 0; i < 4; ++i) EXPECT_EQ(g_constants.c[r][i], before[r][i]) << "c" << r;
    }

    // A sound target afterwards is followed again.
    PlaceTarget(1.0f, 2.0f, 3.0f);
    g_constants.c[0][0] = 0.0f;
    UpdateCamera();
    double length = std::sqrt(52.0);
    ExpectRegister(1, -4.0 / length, 0.0, -6.0 / length, 1.0, 1e-6);
}

TEST_F(CameraTest, TracksTheLiveTargetParticle) {
    g_cameraTarget = &g_particles[7];
    g_particles[7].position = {-2.0f, 0.5f, 1.0f};
    UpdateCamera();
    double p[4];
    Project(-2.0 + 6.0, 0.5, 1.0 - 4.0, p);
    EXPECT_NEAR(p[3], 0.0, 1e-5);

    g_particles[7].position = {0.0f, -1.0f, 0.0f};
    UpdateCamera();
    Project(6.0, -1.0, -4.0, p);
    EXPECT_NEAR(p[3], 0.0, 1e-5);
}

}  // namespace
