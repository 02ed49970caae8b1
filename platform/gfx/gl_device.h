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

// Draws and Clear go to a width x height RGBA32F target instead of the back
// buffer (values outside [0, 1] and full float precision survive), until it
// is called again with 0 x 0. Programs' "fx_target" follows the size.
HRESULT UseFloatRenderTarget(IDirect3DDevice9* device, UINT width, UINT height);

// Reads the float target as width x height x 4 floats (RGBA), top row first.
// D3DERR_INVALIDCALL when no float target is in use.
HRESULT ReadFloatRenderTarget(IDirect3DDevice9* device, std::vector<float>* rgbaTopDown,
                              UINT* width = nullptr, UINT* height = nullptr);

// The drawable size the latest Present scaled the back buffer into (0 x 0
// before the first Present).
HRESULT GetLastPresentSize(IDirect3DDevice9* device, int* width, int* height);

// The GL framebuffer that holds the back buffer (RGBA8 or RGB8, row 0 the image's top
// row) and its size, with the device's context made current: for reading
// frames back without waiting (platform/video).
HRESULT GetBackBufferTarget(IDirect3DDevice9* device, unsigned* framebuffer, UINT* width,
                            UINT* height);

// Something drawn over the window after Present has scaled the back buffer
// into it and before the swap (the knobs panel): called with the window's
// framebuffer bound, at the drawable's size, in window pixels. nullptr
// turns it off.
using PresentOverlay = void (*)(void* context, int drawableWidth, int drawableHeight);
HRESULT SetPresentOverlay(IDirect3DDevice9* device, PresentOverlay overlay, void* context);

// Tests only: the device's link thread (CreateShaderProgramWithin) waits
// this long before it hands the shaders to the driver, as a slow driver
// would; 0 turns it off.
void SetLinkDelayForTesting(int ms);

}  // namespace platform
