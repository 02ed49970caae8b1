// The matrix and vector functions of the utility layer: left-handed view and
// projection matrices for row vectors (p' = p * M) with depth in [0, 1], the
// 4 x 4 product, and normalisation. All arithmetic is in 32-bit floats, one
// operation at a time, so that results round the same way on every build.
#include "platform/fx/fx.h"

#include <cmath>

namespace {

D3DXVECTOR3 Subtract(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

}  // namespace

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up) {
    D3DXVECTOR3 forward = Subtract(*at, *eye);
    D3DXVECTOR3 zAxis;
    D3DXVec3Normalize(&zAxis, &forward);
    D3DXVECTOR3 right = Cross(*up, zAxis);
    D3DXVECTOR3 xAxis;
    D3DXVec3Normalize(&xAxis, &right);
    D3DXVECTOR3 yAxis = Cross(zAxis, xAxis);

    // The axes are the columns; the last row moves the eye to the origin.
    *out = D3DXMATRIX{{
        {xAxis.x, yAxis.x, zAxis.x, 0.0f},
        {xAxis.y, yAxis.y, zAxis.y, 0.0f},
        {xAxis.z, yAxis.z, zAxis.z, 0.0f},
        {-Dot(xAxis, *eye), -Dot(yAxis, *eye), -Dot(zAxis, *eye), 1.0f},
    }};
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovY, float aspect, float zNear,
                                       float zFar) {
    float yScale = 1.0f / std::tan(fovY / 2.0f);
    float xScale = yScale / aspect;
    float depthRange = zFar - zNear;
    *out = D3DXMATRIX{{
        {xScale, 0.0f, 0.0f, 0.0f},
        {0.0f, yScale, 0.0f, 0.0f},
        {0.0f, 0.0f, zFar / depthRange, 1.0f},
        {0.0f, 0.0f, -zNear * zFar / depthRange, 0.0f},
    }};
    return out;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2) {
    // The program multiplies in place (out == m1): read both inputs in full
    // before writing any of the result.
    D3DXMATRIX product;
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            product.m[row][col] = m1->m[row][0] * m2->m[0][col] + m1->m[row][1] * m2->m[1][col] +
                                  m1->m[row][2] * m2->m[2][col] + m1->m[row][3] * m2->m[3][col];
        }
    }
    *out = product;
    return out;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
    float length = std::sqrt(Dot(*v, *v));
    // A zero vector (or one so short that its squared length underflows) has
    // no direction; give zero rather than dividing by zero into NaN.
    if (length == 0.0f) {
        *out = {0.0f, 0.0f, 0.0f};
        return out;
    }
    *out = {v->x / length, v->y / length, v->z / length};
    return out;
}
