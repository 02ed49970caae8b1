// DDS files read into a texture image (platform-internal; texture_file.h
// lists what is read and what is not): DXT1 / DXT3 / DXT5 kept compressed
// where GL takes them, bit-mask formats converted to 8 bits per channel,
// mip levels, cube maps with all six faces, volumes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/fx/shared/message.h"
#include "platform/gfx/texture_image.h"

namespace fx {

// Reads a DDS file (its "DDS " magic already checked) within the device's
// limits; false with the reason, one error at the messages' fallback
// position, and *image in any state (the caller empties it).
bool ReadDds(const uint8_t* data, size_t size, const platform::TextureLimits& limits,
             platform::TextureImage* image, MessageSink& messages);

}  // namespace fx
