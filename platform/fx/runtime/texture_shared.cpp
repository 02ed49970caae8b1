// What the image readers share (see texture_shared.h).
#include "platform/fx/runtime/texture_shared.h"

#include <algorithm>
#include <cstring>

namespace fx {

using platform::TextureImage;
using platform::TextureKind;
using platform::TextureLimits;

std::string ImageSize(uint32_t width, uint32_t height, uint32_t depth) {
    std::string text = std::to_string(width) + " x " + std::to_string(height);
    if (depth != 1) text += " x " + std::to_string(depth);
    return text;
}

bool WithinEdgeLimit(TextureKind kind, uint32_t width, uint32_t height, uint32_t depth,
                     const TextureLimits& limits, MessageSink& messages) {
    uint32_t edge = kind == TextureKind::Cube     ? limits.maxCubeSize
                    : kind == TextureKind::Volume ? limits.maxVolumeSize
                                                  : limits.maxSize;
    if (width <= edge && height <= edge && depth <= edge) return true;
    messages.Error("the image is " + ImageSize(width, height, depth) + ", larger than the " +
                   std::to_string(edge) + " texels a " + platform::TextureKindName(kind) +
                   " texture may have on this device");
    return false;
}

namespace {

// One level of RGBA32F texels from the level above it, as FillMipLevels
// does for bytes.
void FillFloatLevel(const platform::TextureLevel& from, const platform::TextureLevel& to,
                    const uint8_t* srcBytes, uint8_t* dstBytes) {
    auto at = [&](uint32_t x, uint32_t y, uint32_t z) {
        x = std::min(x, from.width - 1);
        y = std::min(y, from.height - 1);
        z = std::min(z, from.depth - 1);
        return ((size_t{z} * from.height + y) * from.width + x) * 16;
    };
    const uint32_t zTaps = from.depth > 1 ? 2 : 1;
    for (uint32_t z = 0; z < to.depth; ++z) {
        for (uint32_t y = 0; y < to.height; ++y) {
            for (uint32_t x = 0; x < to.width; ++x, dstBytes += 16) {
                float sum[4] = {0, 0, 0, 0};
                for (uint32_t t = 0; t < 4 * zTaps; ++t) {
                    float texel[4];
                    std::memcpy(texel, srcBytes + at(2 * x + (t & 1), 2 * y + ((t >> 1) & 1),
                                                     2 * z + (t >> 2)),
                                sizeof texel);
                    for (int c = 0; c < 4; ++c) sum[c] += texel[c];
                }
                for (float& c : sum) c /= static_cast<float>(4 * zTaps);
                std::memcpy(dstBytes, sum, sizeof sum);
            }
        }
    }
}

}  // namespace

void FillMipLevels(TextureImage* image, uint32_t first) {
    for (uint32_t face = 0; face < image->faces; ++face) {
        for (uint32_t level = std::max(first, 1u); level < image->levels; ++level) {
            const platform::TextureLevel& from = image->Level(face, level - 1);
            const platform::TextureLevel& to = image->Level(face, level);
            if (image->format == platform::TextureFormat::RGBA32F) {
                FillFloatLevel(from, to, image->Data(face, level - 1), image->Data(face, level));
                continue;
            }
            const uint8_t* src = image->Data(face, level - 1);
            uint8_t* dst = image->Data(face, level);
            const size_t rowPitch = size_t{from.width} * 4;
            const size_t slicePitch = rowPitch * from.height;
            const uint32_t zTaps = from.depth > 1 ? 2 : 1;
            const uint32_t taps = 4 * zTaps;
            for (uint32_t z = 0; z < to.depth; ++z) {
                const size_t z0 = std::min(2 * z, from.depth - 1) * slicePitch;
                const size_t z1 = std::min(2 * z + 1, from.depth - 1) * slicePitch;
                for (uint32_t y = 0; y < to.height; ++y) {
                    const size_t y0 = std::min(2 * y, from.height - 1) * rowPitch;
                    const size_t y1 = std::min(2 * y + 1, from.height - 1) * rowPitch;
                    for (uint32_t x = 0; x < to.width; ++x) {
                        const size_t x0 = std::min(2 * x, from.width - 1) * size_t{4};
                        const size_t x1 = std::min(2 * x + 1, from.width - 1) * size_t{4};
                        const size_t corners[8] = {z0 + y0 + x0, z0 + y0 + x1, z0 + y1 + x0,
                                                   z0 + y1 + x1, z1 + y0 + x0, z1 + y0 + x1,
                                                   z1 + y1 + x0, z1 + y1 + x1};
                        for (int c = 0; c < 4; ++c) {
                            uint32_t sum = 0;
                            for (uint32_t t = 0; t < taps; ++t) sum += src[corners[t] + c];
                            *dst++ = static_cast<uint8_t>((sum + taps / 2) / taps);
                        }
                    }
                }
            }
        }
    }
}

}  // namespace fx
