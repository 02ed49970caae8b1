// The camera: a slow orbit around the target particle, driven by the shader
// time in c0.x, written into the constant block as a view-projection matrix
// (c4-c7) and two billboard axes (c1, c2).
#include "render/camera.h"

#include "platform/fx/fx.h"

#include <cmath>
#include <cstring>
#include <type_traits>

ShaderConstants g_constants = {};
Particle* g_cameraTarget = &g_particles[0];

namespace {

// Angular rates per time unit, and the radii as factors of a base radius.
constexpr float kRateX = 0.2f;
constexpr float kRateY = 0.15f;
constexpr float kRateZ = 0.17f;
constexpr float kOrbitRadius = 4.0f;
constexpr float kStretchX = 1.5f;
constexpr float kStretchY = 1.3f;

constexpr float kFieldOfView = 0.7853982f;  // pi / 4
constexpr float kAspect = 1.25f;            // fixed, not the back buffer's 640 / 480
constexpr float kNearPlane = 0.1f;
constexpr float kFarPlane = 150.0f;

constexpr int kSideRegister = 1;
constexpr int kUpRegister = 2;
constexpr int kMatrixRegister = 4;
constexpr int kFirstCameraRegister = 1;  // c1 .. c7 hold everything the camera writes
constexpr int kCameraRegisterCount = 7;

static_assert(sizeof(D3DXMATRIX) == 4 * sizeof(g_constants.c[0]));
static_assert(std::is_standard_layout_v<D3DXMATRIX>);

// The direction from the target to the eye in the last frame that had a
// side axis. Before any such frame: looking along +z, so that the side axis
// is (-1, 0, 0) and the up axis (0, 1, 0).
D3DXVECTOR3 g_lastEyeDirection = {0.0f, 0.0f, -1.0f};

// The orbit's three components: the angle rounds to float, its cosine or sine
// (taken in double) rounds to float, and the product with the factors is
// exact in double and rounds once.
float OrbitCos(float t, float rate, double factor) {
    float angle = t * rate;
    float wave = static_cast<float>(std::cos(static_cast<double>(angle)));
    return static_cast<float>(static_cast<double>(wave) * factor);
}

float OrbitSin(float t, float rate, double factor) {
    float angle = t * rate;
    float wave = static_cast<float>(std::sin(static_cast<double>(angle)));
    return static_cast<float>(static_cast<double>(wave) * factor);
}

D3DXVECTOR3 Normalized(const D3DXVECTOR3& v) {
    D3DXVECTOR3 out;
    D3DXVec3Normalize(&out, &v);
    return out;
}

// up x d with up = (0, 1, 0).
D3DXVECTOR3 SideAxis(const D3DXVECTOR3& d) { return Normalized({d.z, 0.0f, -d.x}); }

D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The view matrix D3DXMatrixLookAtLH would build for a camera at eye with
// these axes. Used when the eye sits on the target or straight above or
// below it, where LookAt cannot find a side axis of its own.
void ViewFromAxes(D3DXMATRIX* out, const D3DXVECTOR3& eye, const D3DXVECTOR3& xAxis,
                  const D3DXVECTOR3& yAxis, const D3DXVECTOR3& zAxis) {
    *out = D3DXMATRIX{{
        {xAxis.x, yAxis.x, zAxis.x, 0.0f},
        {xAxis.y, yAxis.y, zAxis.y, 0.0f},
        {xAxis.z, yAxis.z, zAxis.z, 0.0f},
        {-Dot(xAxis, eye), -Dot(yAxis, eye), -Dot(zAxis, eye), 1.0f},
    }};
}

bool AllFinite(const float* values, int count) {
    for (int i = 0; i < count; ++i) {
        if (!std::isfinite(values[i])) return false;
    }
    return true;
}

void SetRegister(int index, const D3DXVECTOR3& v, float w) {
    float* r = g_constants.c[index];
    r[0] = v.x;
    r[1] = v.y;
    r[2] = v.z;
    r[3] = w;
}

}  // namespace

void UpdateCamera() {
    float t = g_constants.c[0][0];
    float* cameraRegisters = g_constants.c[kFirstCameraRegister];
    float previous[kCameraRegisterCount * 4];
    std::memcpy(previous, cameraRegisters, sizeof(previous));

    // Orbit offset: radii 6, 5.2 and 4 around the target.
    float ox = OrbitCos(t, kRateX, static_cast<double>(kOrbitRadius) * static_cast<double>(kStretchX));
    float oy = OrbitSin(t, kRateY, static_cast<double>(kOrbitRadius) * static_cast<double>(kStretchY));
    float oz = OrbitCos(t, kRateZ, -static_cast<double>(kOrbitRadius));

    D3DXVECTOR3 at = {g_cameraTarget->position.x, g_cameraTarget->position.y,
                      g_cameraTarget->position.z};
    D3DXVECTOR3 eye = {at.x + ox, at.y + oy, at.z + oz};
    const D3DXVECTOR3 up = {0.0f, 1.0f, 0.0f};

    // Billboard axes: side = up x d points to the screen's left, the opposite
    // of the view's x axis; camUp = d x side is the view's y axis.
    D3DXVECTOR3 d = Normalized({eye.x - at.x, eye.y - at.y, eye.z - at.z});
    D3DXVECTOR3 side = SideAxis(d);
    bool hasSide = std::isfinite(side.x) && std::isfinite(side.z) &&
                   (side.x != 0.0f || side.z != 0.0f);
    if (hasSide) {
        g_lastEyeDirection = d;
    } else {
        // The eye sits on the target (the offset vanished in rounding) or
        // straight above or below it: keep looking the way we last did.
        d = g_lastEyeDirection;
        side = SideAxis(d);
    }
    D3DXVECTOR3 camUp = Normalized(Cross(d, side));

    // View, then view x projection in place, straight into c4-c7.
    auto* viewProjection = reinterpret_cast<D3DXMATRIX*>(g_constants.c[kMatrixRegister]);
    if (hasSide) {
        D3DXMatrixLookAtLH(viewProjection, &eye, &at, &up);
    } else {
        D3DXVECTOR3 right = {-side.x, -side.y, -side.z};
        D3DXVECTOR3 forward = {-d.x, -d.y, -d.z};
        ViewFromAxes(viewProjection, eye, right, camUp, forward);
    }
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, kFieldOfView, kAspect, kNearPlane, kFarPlane);
    D3DXMatrixMultiply(viewProjection, viewProjection, &projection);

    SetRegister(kSideRegister, side, 1.0f);
    SetRegister(kUpRegister, camUp, 1.0f);

    // A target that is not a finite point would put NaN into the shaders;
    // keep the last frame's camera instead.
    if (!AllFinite(cameraRegisters, kCameraRegisterCount * 4)) {
        std::memcpy(cameraRegisters, previous, sizeof(previous));
    }
}
