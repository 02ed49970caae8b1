// Image files read into a texture image (platform/gfx/texture_image.h), the
// way the Direct3D 9 utility library's texture loader read them for effect
// files. Platform-internal: used by the effect loader, tools and tests.
//
// Implemented: [x] PNG through libspng and JPEG through libjpeg-turbo, held to
//                  what their headers imply (image_decoders.h), as RGBA8
//              [x] TGA, BMP through stb_image (libstb), as RGBA8
//              [x] DDS, read in texture_dds.cpp: DXT1 / DXT3 / DXT5 kept compressed;
//                  uncompressed formats described by bit masks (A8R8G8B8,
//                  X8R8G8B8, A8B8G8R8, X8B8G8R8, R8G8B8, R5G6B5, X1R5G5B5,
//                  A1R5G5B5, A4R4G4B4, X4R4G4B4, A2R10G10B10, A2B10G10R10,
//                  G16R16, L8, A8L8, A4L4, L16, A8) converted to 8 bits per
//                  channel, or to RGBA32F where a channel is wider; mip
//                  levels, cube maps with all six faces, volumes
//              [x] DDS float formats (R16F, G16R16F, A16B16G16R16F, R32F,
//                  G32R32F, A32B32G32R32F) widened to RGBA32F, 1 in the
//                  channels they lack
//              [x] an image without mip levels gets a full chain made with a
//                  box filter; a compressed DDS without mip levels, and a DXT
//                  volume (GL has no compressed volumes), is decoded to RGBA8
//                  here and its chain made from the decoded copy
// Not implemented: DDS files with the Direct3D 10 header, 16-bit-per-channel
// integer formats, bump-map (UV) formats, cube maps with only some
// faces, GIF / HDR / PSD and the other formats stb_image also reads.
//
// Every size is checked against the caller's limits before anything is
// allocated for it, in 64-bit arithmetic; nothing past the end of the file
// is read.
#pragma once

#include "platform/fx/shared/message.h"
#include "platform/gfx/texture_image.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fx {

// Decodes an image file's bytes, recognised by their contents (not the
// file's name). On failure returns false, leaves *image empty and says why:
// one error at the messages' fallback position.
bool DecodeTextureFile(const uint8_t* data, size_t size, const platform::TextureLimits& limits,
                       platform::TextureImage* image, MessageSink& messages);

// Reads and decodes an image file. On failure returns false, leaves *image
// empty and says why as one warning at the messages' fallback position (a
// texture's ResourceName string): "cannot open texture 'NAME': REASON" when
// the system cannot open or read the file (REASON is its own), "cannot read
// texture 'NAME': REASON" when what it holds is no image this reader takes.
// fileRead, when given, says whether the whole file was read; bytes receives
// the file's bytes as read (also when they are not an image).
bool ReadTextureFile(const std::string& path, const std::string& name,
                     const platform::TextureLimits& limits, platform::TextureImage* image,
                     MessageSink& messages, bool* fileRead = nullptr,
                     std::vector<uint8_t>* bytes = nullptr);

}  // namespace fx
