// Stage 1, the placeholder of an image file that cannot be used (see
// 1_placeholder_texture.h).
#include "platform/fx/1_read/1_placeholder_texture.h"

namespace fx {

platform::TextureImage PlaceholderTexture(platform::TextureKind kind) {
    constexpr uint32_t kSize = 8;
    platform::TextureImage image;
    image.kind = kind;
    image.format = platform::TextureFormat::RGBA8;
    image.width = kSize;
    image.height = kSize;
    image.depth = kind == platform::TextureKind::Volume ? kSize : 1;
    image.faces = kind == platform::TextureKind::Cube ? 6 : 1;
    image.levels = 1;
    const size_t faceBytes = size_t{kSize} * kSize * image.depth * 4;
    for (uint32_t face = 0; face < image.faces; ++face) {
        image.subresources.push_back({kSize, kSize, image.depth, face * faceBytes, faceBytes});
    }
    image.bytes.resize(faceBytes * image.faces);
    uint8_t* texel = image.bytes.data();
    for (uint32_t face = 0; face < image.faces; ++face) {
        for (uint32_t z = 0; z < image.depth; ++z) {
            for (uint32_t y = 0; y < kSize; ++y) {
                for (uint32_t x = 0; x < kSize; ++x, texel += 4) {
                    const uint8_t on = (x + y + z) % 2 == 0 ? 255 : 0;
                    texel[0] = on;
                    texel[1] = 0;
                    texel[2] = on;
                    texel[3] = 255;
                }
            }
        }
    }
    return image;
}

}  // namespace fx
