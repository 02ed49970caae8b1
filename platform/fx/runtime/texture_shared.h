// What the image readers of texture_file.cpp and texture_dds.cpp share
// (platform-internal): little-endian fields, an image's size as text, the
// device's edge limit, and the mip chain made with a box filter.
#pragma once

#include <cstdint>
#include <string>

#include "platform/fx/shared/message.h"
#include "platform/gfx/texture_image.h"

namespace fx {

inline uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t U32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// "64 x 32", "8 x 8 x 4" (a depth of 1 is left out).
std::string ImageSize(uint32_t width, uint32_t height, uint32_t depth = 1);

// Whether the largest edge the device takes for this kind of texture holds
// the image; false with the error, at the messages' fallback position.
bool WithinEdgeLimit(platform::TextureKind kind, uint32_t width, uint32_t height, uint32_t depth,
                     const platform::TextureLimits& limits, MessageSink& messages);

// Makes every level from 'first' on from the level above it: each texel is
// the average of the 2 x 2 (x 2 for a volume) texels it covers, as the box
// filter of the Direct3D 9 loader made them. An odd edge drops its last
// texel; an edge of 1 averages the one texel with itself. RGBA8, BGRA8 and
// RGBA32F.
void FillMipLevels(platform::TextureImage* image, uint32_t first);

}  // namespace fx
