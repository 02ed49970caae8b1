// PNG and JPEG decoders for files nobody vouches for: libspng and
// libjpeg-turbo, both written for untrusted input, with the bounds their
// defaults leave open closed here. Platform-internal: used by texture_file.
//
// What a decode may hold is what the header's image implies plus a small
// constant, whatever the file holds:
//   [x] PNG: the compressed data is inflated once into a small scratch
//       buffer first, and refused where it expands past the rows its header
//       describes (rows x (1 + row bytes), per interlace pass), or goes on
//       after its stream ends; ancillary chunks are held up to kPngChunkCache
//   [x] JPEG: the library's memory is bounded by the image's own buffers,
//       a progressive file by kMaxJpegScans scans; a cut-off or damaged
//       file gives libjpeg's own reason
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/fx/shared/message.h"

namespace fx {

// Ancillary PNG chunks (text, profiles) kept while decoding, in bytes.
inline constexpr size_t kPngChunkCache = size_t{1} << 20;
// Scans of a progressive JPEG: each one costs a pass over the whole image.
inline constexpr int kMaxJpegScans = 256;

// Where the decoder writes the texels: called once with the header's size,
// returns width x height x 4 bytes (RGBA8, rows top first) or nullptr with
// the reason in messages (the image is larger than the caller takes).
using ImageDestination =
    std::function<uint8_t*(uint32_t width, uint32_t height, MessageSink& messages)>;

// Decodes a PNG (signature already checked) into the destination; false
// with the reason, one error at the messages' fallback position.
bool DecodePng(const uint8_t* data, size_t size, const ImageDestination& destination,
               MessageSink& messages);

// The same for a JPEG (SOI marker already checked).
bool DecodeJpeg(const uint8_t* data, size_t size, const ImageDestination& destination,
                MessageSink& messages);

}  // namespace fx
