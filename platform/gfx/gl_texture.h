// The GL device's texture objects and what each sampler stage has bound.
// Internal to platform/gfx: the device owns one and forwards its texture
// operations to it, with its GL context current.
#pragma once

#include "platform/gfx/gfx.h"
#include "platform/gfx/texture_image.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class GlTextures {
public:
    // Reads the driver's limits, makes the opaque black stand-ins (2D, 3D,
    // cube) and binds them on every stage.
    void Init();
    // Deletes every texture still alive and the stand-ins.
    void Shutdown();

    TextureLimits Limits() const { return limits_; }
    // Whether 8-bit textures are stored as sRGB, for sampler objects to
    // choose per stage whether they are read converted (D3DSAMP_SRGBTEXTURE).
    bool SrgbDecode() const { return srgbDecode_; }
    HRESULT Create(const TextureImage& image, UINT* texture, std::string* error);
    HRESULT Bind(DWORD stage, UINT texture);
    HRESULT Bound(DWORD stage, UINT* texture) const;
    void Delete(UINT texture);

private:
    struct Texture {
        uint32_t name = 0;  // the GL texture, also the id handed out
        TextureKind kind = TextureKind::Texture2D;
    };

    Texture* Find(UINT texture);
    void BindStandIn(DWORD stage, TextureKind kind);

    TextureLimits limits_;
    bool s3tc_ = false;
    bool srgbDecode_ = false;
    bool srgbDxt_ = false;
    std::array<uint32_t, 3> black_{};  // indexed by TextureKind
    std::vector<Texture> textures_;
    std::array<UINT, D3D_SAMPLER_STAGES> bound_{};  // 0: the stand-ins
};

}  // namespace platform
