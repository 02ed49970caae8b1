#include "platform/fx/runtime/image_decoders.h"

#include <spng.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

// jpeglib.h needs FILE and size_t declared before it; jerror.h names its
// messages.
#include <jpeglib.h>
#include <jerror.h>

namespace fx {

namespace {

uint32_t Be32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

std::string Size(uint32_t width, uint32_t height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

// >> PNG

// The bytes of filtered rows a PNG header describes: each row is a filter
// byte and its packed texels; an interlaced image has seven passes of
// smaller rows.
uint64_t PngFilteredBytes(const spng_ihdr& h) {
    static const uint8_t kChannels[7] = {1, 0, 3, 1, 2, 0, 4};  // by colour type
    const uint64_t bits = uint64_t{h.bit_depth} * (h.color_type < 7 ? kChannels[h.color_type] : 4);
    auto rows = [&](uint64_t width, uint64_t height) {
        return width == 0 || height == 0 ? 0 : height * (1 + (width * bits + 7) / 8);
    };
    if (h.interlace_method == 0) return rows(h.width, h.height);
    static const uint8_t kAdam7[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                         {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    uint64_t total = 0;
    for (const auto& pass : kAdam7) {
        auto count = [](uint64_t size, uint64_t start, uint64_t step) {
            return size > start ? (size - start + step - 1) / step : 0;
        };
        total += rows(count(h.width, pass[0], pass[2]), count(h.height, pass[1], pass[3]));
    }
    return total;
}

// Inflates the IDAT chunks into a small scratch buffer, and refuses data
// that expands past the rows the header describes, goes on after its
// stream ends, or ends before it does: the decoder stops at the last row
// and would never say. A chunk cut off by the file's end is not read.
bool PngDataFitsHeader(const uint8_t* data, size_t size, const spng_ihdr& header,
                       MessageSink& messages) {
    std::string reason;
    const uint64_t expected = PngFilteredBytes(header);
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return true;
    uint8_t scratch[16384];
    uint64_t produced = 0;
    bool seenData = false, ended = false, fits = true;
    for (size_t at = 8; fits && at + 12 <= size;) {
        const uint32_t length = Be32(data + at);
        if (length > size - at - 12) break;
        const bool idat = std::memcmp(data + at + 4, "IDAT", 4) == 0;
        if (!idat && seenData) break;  // the image's data chunks are consecutive
        if (idat) {
            seenData = true;
            stream.next_in = const_cast<uint8_t*>(data + at + 8);
            stream.avail_in = length;
            while (fits && stream.avail_in > 0 && !ended) {
                stream.next_out = scratch;
                stream.avail_out = sizeof scratch;
                const int result = inflate(&stream, Z_NO_FLUSH);
                produced += sizeof scratch - stream.avail_out;
                fits = produced <= expected;
                ended = result == Z_STREAM_END;
                if (result != Z_OK && result != Z_STREAM_END) {
                    fits = false;
                    reason = std::string("damaged or truncated PNG image (") +
                             (stream.msg != nullptr ? stream.msg : "zlib error") + ")";
                }
            }
            if (!fits && reason.empty()) {
                reason = "damaged PNG image: its compressed data expands past the " +
                         std::to_string(expected) + " bytes the rows of its " +
                         Size(header.width, header.height) + " texels take";
            } else if (ended && stream.avail_in > 0) {
                fits = false;
                reason = "damaged PNG image: its compressed data goes on after the end of its "
                         "stream";
            }
        }
        at += 12 + size_t{length};
    }
    if (fits && !ended) {
        fits = false;
        reason = "damaged or truncated PNG image (the file ends before its compressed data)";
    }
    inflateEnd(&stream);
    if (!fits) messages.Error(reason);
    return fits;
}

}  // namespace

bool DecodePng(const uint8_t* data, size_t size, const ImageDestination& destination,
               MessageSink& messages) {
    std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> ctx(spng_ctx_new(0), spng_ctx_free);
    if (ctx == nullptr) {
        messages.Error("the PNG decoder could not start");
        return false;
    }
    spng_set_png_buffer(ctx.get(), data, size);
    spng_set_chunk_limits(ctx.get(), kPngChunkCache, kPngChunkCache);
    spng_ihdr header{};
    if (int result = spng_get_ihdr(ctx.get(), &header); result != 0) {
        messages.Error(std::string("damaged PNG header (") + spng_strerror(result) + ")");
        return false;
    }
    if (!PngDataFitsHeader(data, size, header, messages)) return false;
    size_t bytes = 0;
    if (int result = spng_decoded_image_size(ctx.get(), SPNG_FMT_RGBA8, &bytes); result != 0) {
        messages.Error(std::string("damaged PNG header (") + spng_strerror(result) + ")");
        return false;
    }
    uint8_t* texels = destination(header.width, header.height, messages);
    if (texels == nullptr) return false;
    if (int result = spng_decode_image(ctx.get(), texels, bytes, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS);
        result != 0) {
        messages.Error(std::string("damaged or truncated PNG image (") + spng_strerror(result) +
                       ")");
        return false;
    }
    return true;
}

// >> JPEG

namespace {

// libjpeg reports errors through a callback that must not return: it jumps
// back to DecodeJpegInto with the library's own text.
struct JpegErrors {
    jpeg_error_mgr manager;
    jmp_buf jump;
    char text[JMSG_LENGTH_MAX];
};

[[noreturn]] void JpegFail(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->text);
    std::longjmp(errors->jump, 1);
}

// libjpeg only warns when the data ends early and fills the rest with grey:
// a cut-off file is refused here, as it is in every other format.
void JpegMessage(j_common_ptr info, int level) {
    const int code = info->err->msg_code;
    if (level < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER)) JpegFail(info);
}

void JpegProgress(j_common_ptr info) {
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number <= kMaxJpegScans) return;
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    std::snprintf(errors->text, sizeof errors->text, "more than %d progressive scans",
                  kMaxJpegScans);
    std::longjmp(errors->jump, 1);
}

// Only plain values live in this frame: longjmp skips destructors.
bool DecodeJpegInto(jpeg_decompress_struct* info, JpegErrors* errors, const uint8_t* data,
                    size_t size, const ImageDestination& destination, MessageSink& messages) {
    jpeg_progress_mgr progress{};
    progress.progress_monitor = JpegProgress;
    info->err = jpeg_std_error(&errors->manager);
    errors->manager.error_exit = JpegFail;
    errors->manager.emit_message = JpegMessage;
    errors->text[0] = '\0';
    if (setjmp(errors->jump) != 0) return false;
    jpeg_create_decompress(info);
    info->progress = &progress;
    jpeg_mem_src(info, data, static_cast<unsigned long>(size));
    jpeg_read_header(info, TRUE);
    // What the library may allocate: its coefficient buffers for the whole
    // image (a progressive file) are the image's size in 16-bit values.
    info->mem->max_memory_to_use =
        static_cast<long>(uint64_t{info->image_width} * info->image_height * 8 + (1 << 20));
    info->out_color_space = JCS_EXT_RGBA;
    uint8_t* texels = destination(info->image_width, info->image_height, messages);
    if (texels == nullptr) return false;
    jpeg_start_decompress(info);
    while (info->output_scanline < info->output_height) {
        JSAMPROW row = texels + size_t{info->output_scanline} * info->output_width * 4;
        jpeg_read_scanlines(info, &row, 1);
    }
    jpeg_finish_decompress(info);
    return true;
}

}  // namespace

bool DecodeJpeg(const uint8_t* data, size_t size, const ImageDestination& destination,
                MessageSink& messages) {
    jpeg_decompress_struct info{};
    JpegErrors errors{};
    const size_t said = messages.ErrorCount();
    const bool ok = DecodeJpegInto(&info, &errors, data, size, destination, messages);
    jpeg_destroy_decompress(&info);
    if (!ok && messages.ErrorCount() == said) {
        messages.Error(std::string("damaged or truncated JPEG image (") + errors.text + ")");
    }
    return ok;
}

}  // namespace fx
