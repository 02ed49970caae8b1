// The GL device: texture stages (the textures themselves are gl_texture.cpp).
#include "platform/gfx/gl_device_class.h"

namespace gldevice {

// >> textures (gl_texture.cpp)

HRESULT GlDevice::GetTextureLimits(platform::TextureLimits* limits) {
    if (limits == nullptr) return D3DERR_INVALIDCALL;
    *limits = textures_.Limits();
    return S_OK;
}

HRESULT GlDevice::CreateTexture(const platform::TextureImage& image, UINT* texture,
                                std::string* error) {
    MakeCurrent();
    return textures_.Create(image, texture, error);
}

HRESULT GlDevice::SetStageTexture(DWORD stage, UINT texture) {
    MakeCurrent();
    return textures_.Bind(stage, texture);
}

HRESULT GlDevice::GetStageTexture(DWORD stage, UINT* texture) {
    return textures_.Bound(stage, texture);
}

void GlDevice::DeleteTexture(UINT texture) {
    MakeCurrent();
    textures_.Delete(texture);
}

}  // namespace gldevice
