// Platform-internal extras of the GL device for tests and companion tools
// (frame capture). Never included by the program (app/, render/, sim/).
#pragma once

#include "platform/gfx/gfx.h"

#include <cstdint>
#include <vector>

namespace platform {

// Reads the device's back buffer as width x height words 0xAARRGGBB, top row
// first (the row order of the image on screen). Fails with E_INVALIDARG for a
// device that is not a GL device.
HRESULT ReadBackBuffer(IDirect3DDevice9* device, std::vector<uint32_t>* argbTopDown,
                       UINT* width = nullptr, UINT* height = nullptr);

// The drawable size the latest Present scaled the back buffer into (0 x 0
// before the first Present).
HRESULT GetLastPresentSize(IDirect3DDevice9* device, int* width, int* height);

// Tests only: the device's link thread (CreateShaderProgramWithin) waits
// this long before it hands the shaders to the driver, as a slow driver
// would; 0 turns it off.
void SetLinkDelayForTesting(int ms);

}  // namespace platform
