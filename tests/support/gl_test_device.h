// What the GL tests share: one window for the whole test process and a
// 640 x 480 device on it that presents without waiting, plus the vertex of
// format 0x20142 the tests draw with.
#pragma once

#include "platform/gfx/gfx.h"

#include <cstdint>

namespace testing_support {

struct TestVertex {
    float x, y, z;
    uint32_t diffuse;
    float u0, u1, u2, u3;
};
static_assert(sizeof(TestVertex) == 32);

constexpr DWORD kTestFvf = 0x20142;
constexpr UINT kTestWidth = 640;
constexpr UINT kTestHeight = 480;

// The window every GL test draws in (created on first use; nullptr when
// there is no display: GetPlatformErrorText() says why).
HWND TestWindow();

// A device on TestWindow(), with the IDirect3D9 object it came from in *d3d.
// nullptr in *device on failure. The caller releases both.
void CreateTestDevice(IDirect3D9** d3d, IDirect3DDevice9** device);

// One such device for the whole process (the benchmarks'), made on first
// use and kept to the end; nullptr when it cannot be made.
IDirect3DDevice9* SharedTestDevice();

}  // namespace testing_support
