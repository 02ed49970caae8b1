// The texture side of the graphics device (platform-internal: only
// platform/fx uses it, to give effects the images their files name; the
// program's device interface in gfx.h has no texture objects). The GL device
// implements it; tests' devices may.
#pragma once

#include <string>

#include "platform/gfx/gfx.h"

namespace platform {

struct TextureImage;
struct TextureLimits;

class DeviceTextures {
public:
    // What a texture may be on this device: the driver's largest sizes and
    // a byte budget (platform/gfx/texture_image.h).
    virtual HRESULT GetTextureLimits(TextureLimits* limits) = 0;
    // Makes a texture object holding every face and level of the image.
    // Returns 0 and an id (> 0), or non-zero with the reason in *error (an
    // image whose sizes disagree with its bytes, DXT without driver support,
    // the driver out of memory). The image may be dropped afterwards.
    virtual HRESULT CreateTexture(const TextureImage& image, UINT* texture,
                                  std::string* error) = 0;
    // Puts the texture on a sampler stage (0 .. D3D_SAMPLER_STAGES - 1) for
    // both shader stages; 0 gives the stage back its opaque black stand-in.
    virtual HRESULT SetStageTexture(DWORD stage, UINT texture) = 0;
    // The texture on a stage; 0 for the stand-in.
    virtual HRESULT GetStageTexture(DWORD stage, UINT* texture) = 0;
    // Deletes the texture; stages that held it read the stand-in again.
    // Every texture made must be deleted once; the device deletes what is
    // left when it goes.
    virtual void DeleteTexture(UINT texture) = 0;

protected:
    ~DeviceTextures() = default;
};

// The device's textures; nullptr for a device that has none.
inline DeviceTextures* GetDeviceTextures(IDirect3DDevice9* device) {
    return dynamic_cast<DeviceTextures*>(device);
}

}  // namespace platform
