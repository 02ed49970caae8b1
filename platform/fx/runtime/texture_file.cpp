#include "platform/fx/runtime/texture_file.h"

#include "platform/fx/runtime/image_decoders.h"

#include <fcntl.h>
#include <stb/stb_image.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace fx {

using platform::TextureFormat;
using platform::TextureImage;
using platform::TextureKind;
using platform::TextureLimits;

namespace {

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

std::string StbReason() {
    const char* reason = stbi_failure_reason();
    return reason != nullptr ? reason : "no reason given";
}

std::string Size(uint32_t width, uint32_t height, uint32_t depth = 1) {
    std::string text = std::to_string(width) + " x " + std::to_string(height);
    if (depth != 1) text += " x " + std::to_string(depth);
    return text;
}

// The largest edge the device takes for this kind of texture, with the
// error text for a larger one.
bool WithinEdgeLimit(TextureKind kind, uint32_t width, uint32_t height, uint32_t depth,
                     const TextureLimits& limits, std::string* error) {
    uint32_t edge = kind == TextureKind::Cube     ? limits.maxCubeSize
                    : kind == TextureKind::Volume ? limits.maxVolumeSize
                                                  : limits.maxSize;
    if (width <= edge && height <= edge && depth <= edge) return true;
    *error = "the image is " + Size(width, height, depth) + ", larger than the " +
             std::to_string(edge) + " texels a " + platform::TextureKindName(kind) +
             " texture may have on this device";
    return false;
}

// >> mip chain

// Makes every level from 'first' on from the level above it: each texel is
// the average of the 2 x 2 (x 2 for a volume) texels it covers, as the box
// filter of the Direct3D 9 loader made them. An odd edge drops its last
// texel; an edge of 1 averages the one texel with itself. RGBA8 / BGRA8 only.
void FillMipLevels(TextureImage* image, uint32_t first) {
    for (uint32_t face = 0; face < image->faces; ++face) {
        for (uint32_t level = std::max(first, 1u); level < image->levels; ++level) {
            const platform::TextureLevel& from = image->Level(face, level - 1);
            const platform::TextureLevel& to = image->Level(face, level);
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

// >> DXT blocks

void Expand565(uint16_t c, uint8_t out[4]) {
    uint32_t r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    out[0] = static_cast<uint8_t>((r << 3) | (r >> 2));
    out[1] = static_cast<uint8_t>((g << 2) | (g >> 4));
    out[2] = static_cast<uint8_t>((b << 3) | (b >> 2));
    out[3] = 255;
}

// The colour half of a block into 16 RGBA texels, row by row. DXT1 blocks
// whose first colour is not above the second have three colours and
// transparent black; DXT3 / DXT5 colour blocks always have four.
void DecodeColourBlock(const uint8_t* block, bool dxt1, uint8_t texels[16][4]) {
    uint16_t c0 = U16(block), c1 = U16(block + 2);
    uint8_t palette[4][4];
    Expand565(c0, palette[0]);
    Expand565(c1, palette[1]);
    for (int i = 0; i < 3; ++i) {
        if (!dxt1 || c0 > c1) {
            palette[2][i] = static_cast<uint8_t>((2 * palette[0][i] + palette[1][i] + 1) / 3);
            palette[3][i] = static_cast<uint8_t>((palette[0][i] + 2 * palette[1][i] + 1) / 3);
        } else {
            palette[2][i] = static_cast<uint8_t>((palette[0][i] + palette[1][i] + 1) / 2);
            palette[3][i] = 0;
        }
    }
    palette[2][3] = 255;
    palette[3][3] = (!dxt1 || c0 > c1) ? 255 : 0;
    uint32_t indices = U32(block + 4);
    for (int t = 0; t < 16; ++t) std::memcpy(texels[t], palette[(indices >> (2 * t)) & 3], 4);
}

void DecodeAlphaBlock(const uint8_t* block, bool explicitAlpha, uint8_t texels[16][4]) {
    if (explicitAlpha) {
        for (int t = 0; t < 16; ++t) {
            uint32_t a = (block[t / 2] >> (4 * (t % 2))) & 15;
            texels[t][3] = static_cast<uint8_t>(a * 17);
        }
        return;
    }
    uint32_t a0 = block[0], a1 = block[1];
    uint8_t palette[8] = {static_cast<uint8_t>(a0), static_cast<uint8_t>(a1)};
    for (uint32_t i = 1; i < 7; ++i) {
        if (a0 > a1) {
            palette[i + 1] = static_cast<uint8_t>(((7 - i) * a0 + i * a1 + 3) / 7);
        } else if (i < 5) {
            palette[i + 1] = static_cast<uint8_t>(((5 - i) * a0 + i * a1 + 2) / 5);
        }
    }
    if (a0 <= a1) {
        palette[6] = 0;
        palette[7] = 255;
    }
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) bits |= uint64_t{block[2 + i]} << (8 * i);
    for (int t = 0; t < 16; ++t) texels[t][3] = palette[(bits >> (3 * t)) & 7];
}

// One level (all its slices) of DXT blocks into RGBA8 texels.
void DecodeDxtLevel(TextureFormat format, const uint8_t* src, uint32_t width, uint32_t height,
                    uint32_t depth, uint8_t* dst) {
    const size_t blockBytes = format == TextureFormat::DXT1 ? 8 : 16;
    const uint32_t columns = (width + 3) / 4, rows = (height + 3) / 4;
    for (uint32_t z = 0; z < depth; ++z) {
        uint8_t* slice = dst + size_t{z} * width * height * 4;
        for (uint32_t by = 0; by < rows; ++by) {
            for (uint32_t bx = 0; bx < columns; ++bx, src += blockBytes) {
                uint8_t texels[16][4];
                if (format == TextureFormat::DXT1) {
                    DecodeColourBlock(src, true, texels);
                } else {
                    DecodeColourBlock(src + 8, false, texels);
                    DecodeAlphaBlock(src, format == TextureFormat::DXT3, texels);
                }
                for (uint32_t ty = 0; ty < 4 && by * 4 + ty < height; ++ty) {
                    for (uint32_t tx = 0; tx < 4 && bx * 4 + tx < width; ++tx) {
                        std::memcpy(slice + (size_t{by * 4 + ty} * width + bx * 4 + tx) * 4,
                                    texels[ty * 4 + tx], 4);
                    }
                }
            }
        }
    }
}

// >> DDS

constexpr size_t kDdsHeaderBytes = 128;  // "DDS " and the 124-byte header

constexpr uint32_t kFlagPitch = 0x8;
constexpr uint32_t kFlagMipCount = 0x20000;
constexpr uint32_t kFlagLinearSize = 0x80000;
constexpr uint32_t kPixelAlphaPixels = 0x1;
constexpr uint32_t kPixelAlpha = 0x2;
constexpr uint32_t kPixelFourCc = 0x4;
constexpr uint32_t kPixelRgb = 0x40;
constexpr uint32_t kPixelLuminance = 0x20000;
constexpr uint32_t kCaps2Cube = 0x200;
constexpr uint32_t kCaps2AllFaces = 0xFC00;  // +X, -X, +Y, -Y, +Z, -Z
constexpr uint32_t kCaps2Volume = 0x200000;

constexpr uint32_t FourCc(const char (&code)[5]) {
    return uint32_t(uint8_t(code[0])) | (uint32_t(uint8_t(code[1])) << 8) |
           (uint32_t(uint8_t(code[2])) << 16) | (uint32_t(uint8_t(code[3])) << 24);
}

struct DdsHeader {
    uint32_t size, flags, height, width, pitch, depth, mipCount;
    uint32_t pixelSize, pixelFlags, fourCc, bitCount;
    uint32_t masks[4];  // red (or luminance), green, blue, alpha
    uint32_t caps2;
};

DdsHeader ReadDdsHeader(const uint8_t* p) {
    const uint8_t* h = p + 4;
    DdsHeader header{};
    header.size = U32(h + 0);
    header.flags = U32(h + 4);
    header.height = U32(h + 8);
    header.width = U32(h + 12);
    header.pitch = U32(h + 16);
    header.depth = U32(h + 20);
    header.mipCount = U32(h + 24);
    header.pixelSize = U32(h + 72);
    header.pixelFlags = U32(h + 76);
    header.fourCc = U32(h + 80);
    header.bitCount = U32(h + 84);
    for (int i = 0; i < 4; ++i) header.masks[i] = U32(h + 88 + 4 * i);
    header.caps2 = U32(h + 108);
    return header;
}

// One channel of a bit-mask format, widened to 8 bits through a table
// (at most 8 bits) or by rounding (wider channels).
struct Channel {
    uint32_t mask = 0;
    uint32_t shift = 0;
    uint32_t max = 0;  // 0: absent
    std::array<uint8_t, 256> table{};

    bool Set(uint32_t m) {
        mask = m;
        if (m == 0) return true;
        shift = static_cast<uint32_t>(std::countr_zero(m));
        uint64_t run = uint64_t{m} >> shift;
        if ((run & (run + 1)) != 0) return false;  // not one run of bits
        max = static_cast<uint32_t>(run);
        if (max < 256) {
            for (uint32_t v = 0; v <= max; ++v) {
                table[v] = static_cast<uint8_t>((v * 255 + max / 2) / max);
            }
        }
        return true;
    }
    uint8_t Get(uint32_t pixel, uint8_t absent) const {
        if (max == 0) return absent;
        uint32_t v = (pixel & mask) >> shift;
        if (max < 256) return table[v];
        return static_cast<uint8_t>((uint64_t{v} * 255 + max / 2) / max);
    }
};

// How the file's texels become the image's.
struct DdsPlan {
    enum class Source { Blocks, Masks } source = Source::Masks;
    TextureFormat fileFormat = TextureFormat::BGRA8;  // DXTn for blocks
    TextureFormat format = TextureFormat::BGRA8;      // what the image holds
    uint32_t bytesPerPixel = 0;                       // masks only
    enum class Copy { None, Exact, SetAlpha } copy = Copy::None;
    bool luminance = false;
    bool alphaOnly = false;
    Channel red, green, blue, alpha;
};

std::string FourCcText(uint32_t code) {
    char text[5] = {static_cast<char>(code), static_cast<char>(code >> 8),
                    static_cast<char>(code >> 16), static_cast<char>(code >> 24), 0};
    for (int i = 0; i < 4; ++i) {
        if (text[i] < 0x20 || text[i] > 0x7E) {
            return "Direct3D format number " + std::to_string(code) +
                   " (floating-point and 16-bit-per-channel formats are not read)";
        }
    }
    return "FourCC '" + std::string(text) + "'";
}

bool PlanDdsPixels(const DdsHeader& h, DdsPlan* plan, std::string* error) {
    if (h.pixelFlags & kPixelFourCc) {
        plan->source = DdsPlan::Source::Blocks;
        switch (h.fourCc) {
            case FourCc("DXT1"): plan->fileFormat = TextureFormat::DXT1; break;
            // DXT2 / DXT4 hold premultiplied colour in the same blocks.
            case FourCc("DXT2"):
            case FourCc("DXT3"): plan->fileFormat = TextureFormat::DXT3; break;
            case FourCc("DXT4"):
            case FourCc("DXT5"): plan->fileFormat = TextureFormat::DXT5; break;
            case FourCc("DX10"):
                *error = "DDS files with the Direct3D 10 header are not supported";
                return false;
            default:
                *error = "DDS pixel format not supported: " + FourCcText(h.fourCc);
                return false;
        }
        plan->format = plan->fileFormat;
        return true;
    }

    const bool rgb = (h.pixelFlags & kPixelRgb) != 0;
    plan->luminance = (h.pixelFlags & kPixelLuminance) != 0;
    plan->alphaOnly = (h.pixelFlags & kPixelAlpha) != 0 && !rgb && !plan->luminance;
    if (!rgb && !plan->luminance && !plan->alphaOnly) {
        *error = "DDS pixel format not supported (flags " + Hex(h.pixelFlags) +
                 "): only DXT1/3/5 and RGB, luminance or alpha bit masks are read";
        return false;
    }
    if (h.bitCount != 8 && h.bitCount != 16 && h.bitCount != 24 && h.bitCount != 32) {
        *error = "DDS pixel format of " + std::to_string(h.bitCount) +
                 " bits per texel not supported (8, 16, 24 or 32)";
        return false;
    }
    uint32_t masks[4] = {h.masks[0], h.masks[1], h.masks[2], h.masks[3]};
    if (plan->alphaOnly) masks[0] = masks[1] = masks[2] = 0;
    if (plan->luminance) masks[1] = masks[2] = 0;
    const bool hasAlpha = (h.pixelFlags & (kPixelAlphaPixels | kPixelAlpha)) != 0;
    if (!hasAlpha) masks[3] = 0;
    const uint64_t representable = (uint64_t{1} << h.bitCount) - 1;
    for (uint32_t m : masks) {
        if (m > representable) {
            *error = "DDS bit masks reach past the " + std::to_string(h.bitCount) + "-bit texel";
            return false;
        }
    }
    if (!plan->red.Set(masks[0]) || !plan->green.Set(masks[1]) || !plan->blue.Set(masks[2]) ||
        !plan->alpha.Set(masks[3])) {
        *error = "DDS bit masks that are not one run of bits are not supported";
        return false;
    }
    if ((plan->alphaOnly && masks[3] == 0) || (!plan->alphaOnly && masks[0] == 0)) {
        *error = "DDS bit masks are empty";
        return false;
    }
    plan->source = DdsPlan::Source::Masks;
    plan->bytesPerPixel = h.bitCount / 8;

    // 32-bit formats whose bytes are already in one of the image layouts.
    if (h.bitCount == 32 && rgb && !plan->luminance) {
        const bool argb = masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF;
        const bool abgr = masks[0] == 0xFF && masks[1] == 0xFF00 && masks[2] == 0xFF0000;
        if ((argb || abgr) && (masks[3] == 0xFF000000 || masks[3] == 0)) {
            plan->format = argb ? TextureFormat::BGRA8 : TextureFormat::RGBA8;
            plan->copy = masks[3] != 0 ? DdsPlan::Copy::Exact : DdsPlan::Copy::SetAlpha;
            return true;
        }
    }
    plan->format = TextureFormat::BGRA8;
    return true;
}

// Bytes of one level as the file stores it; 0 on overflow.
uint64_t DdsLevelBytes(const DdsPlan& plan, uint32_t width, uint32_t height, uint32_t depth) {
    if (plan.source == DdsPlan::Source::Blocks) {
        return platform::TextureLevelBytes(plan.fileFormat, width, height, depth);
    }
    uint64_t texels = uint64_t{width} * height;  // both below 2^32: no overflow
    uint64_t bytes = 0;
    if (__builtin_mul_overflow(texels, uint64_t{depth}, &texels) ||
        __builtin_mul_overflow(texels, uint64_t{plan.bytesPerPixel}, &bytes)) {
        return 0;
    }
    return bytes;
}

void ConvertMaskedTexels(const DdsPlan& plan, const uint8_t* src, size_t texels, uint8_t* dst) {
    if (plan.copy == DdsPlan::Copy::Exact) {
        std::memcpy(dst, src, texels * 4);
        return;
    }
    if (plan.copy == DdsPlan::Copy::SetAlpha) {
        std::memcpy(dst, src, texels * 4);
        for (size_t i = 0; i < texels; ++i) dst[i * 4 + 3] = 255;
        return;
    }
    const uint32_t bytes = plan.bytesPerPixel;
    for (size_t i = 0; i < texels; ++i, src += bytes, dst += 4) {
        uint32_t pixel = 0;
        for (uint32_t b = 0; b < bytes; ++b) pixel |= uint32_t{src[b]} << (8 * b);
        // Direct3D 9 reads 1 for a colour channel a format lacks, and an
        // alpha-only format as black with that alpha.
        uint8_t r = plan.alphaOnly ? 0 : plan.red.Get(pixel, 255);
        uint8_t g = plan.luminance ? r : plan.alphaOnly ? 0 : plan.green.Get(pixel, 255);
        uint8_t b = plan.luminance ? r : plan.alphaOnly ? 0 : plan.blue.Get(pixel, 255);
        dst[0] = b;
        dst[1] = g;
        dst[2] = r;
        dst[3] = plan.alpha.Get(pixel, 255);
    }
}

bool ReadDds(const uint8_t* data, size_t size, const TextureLimits& limits, TextureImage* image,
             std::string* error) {
    if (size < kDdsHeaderBytes) {
        *error = "truncated DDS file: " + std::to_string(size) +
                 " bytes, less than its 128-byte header";
        return false;
    }
    const DdsHeader h = ReadDdsHeader(data);
    if (h.size != 124 || h.pixelSize != 32) {
        *error = "damaged DDS header: it gives its size as " + std::to_string(h.size) +
                 " bytes and its pixel format's as " + std::to_string(h.pixelSize) +
                 " (124 and 32 expected)";
        return false;
    }

    TextureKind kind = TextureKind::Texture2D;
    uint32_t depth = 1;
    if (h.caps2 & kCaps2Cube) {
        kind = TextureKind::Cube;
        if ((h.caps2 & kCaps2AllFaces) != kCaps2AllFaces) {
            *error = "DDS cube map without all six faces: not supported";
            return false;
        }
        if (h.width != h.height) {
            *error = "DDS cube map with faces of " + Size(h.width, h.height) +
                     ": faces must be square";
            return false;
        }
    } else if (h.caps2 & kCaps2Volume) {
        kind = TextureKind::Volume;
        depth = h.depth;
    }
    if (h.width == 0 || h.height == 0 || depth == 0) {
        *error = "DDS image has no size (" + Size(h.width, h.height, depth) + ")";
        return false;
    }
    if (!WithinEdgeLimit(kind, h.width, h.height, depth, limits, error)) return false;

    const uint32_t full = platform::FullMipCount(h.width, h.height, depth);
    uint32_t fileLevels = (h.flags & kFlagMipCount) != 0 ? std::max(h.mipCount, 1u) : 1u;
    if (fileLevels > full) {
        *error = "DDS header lists " + std::to_string(fileLevels) + " mip levels; a " +
                 Size(h.width, h.height, depth) + " image has at most " + std::to_string(full);
        return false;
    }

    DdsPlan plan;
    if (!PlanDdsPixels(h, &plan, error)) return false;
    const bool blocks = plan.source == DdsPlan::Source::Blocks;

    // What the file must hold: every face, every level it lists.
    const uint32_t faces = kind == TextureKind::Cube ? 6 : 1;
    std::vector<uint64_t> levelBytes(fileLevels);
    uint64_t perFace = 0;
    for (uint32_t level = 0; level < fileLevels; ++level) {
        levelBytes[level] = DdsLevelBytes(plan, std::max(h.width >> level, 1u),
                                          std::max(h.height >> level, 1u),
                                          std::max(depth >> level, 1u));
        if (levelBytes[level] == 0 ||
            __builtin_add_overflow(perFace, levelBytes[level], &perFace)) {
            *error = "DDS image size does not fit in 64 bits";
            return false;
        }
    }
    uint64_t needed = 0;
    if (__builtin_mul_overflow(perFace, uint64_t{faces}, &needed) ||
        needed > size - kDdsHeaderBytes) {
        *error = "truncated DDS file: its header describes " + std::to_string(needed) +
                 " bytes of image data, the file holds " + std::to_string(size - kDdsHeaderBytes);
        return false;
    }
    // The top level's size, where the header gives it, must be the one its
    // dimensions and format make.
    if (kind != TextureKind::Volume && h.pitch != 0) {
        uint64_t expected = 0;
        if (blocks && (h.flags & kFlagLinearSize)) expected = levelBytes[0];
        if (!blocks && (h.flags & kFlagPitch)) expected = uint64_t{h.width} * plan.bytesPerPixel;
        if (expected != 0 && expected != h.pitch) {
            *error = "DDS header gives the top level's " +
                     std::string(blocks ? "size as " : "row pitch as ") + std::to_string(h.pitch) +
                     " bytes, but " + Size(h.width, h.height) + " texels of its format take " +
                     std::to_string(expected);
            return false;
        }
    }

    // Compressed levels stay compressed where GL can take them and the file
    // brings its own mip chain; otherwise they are decoded here.
    const bool makeChain = fileLevels == 1 && full > 1;
    TextureFormat format = plan.format;
    if (blocks && (makeChain || kind == TextureKind::Volume)) format = TextureFormat::RGBA8;
    const uint32_t levels = makeChain ? full : fileLevels;
    if (!platform::LayoutTextureImage(image, kind, format, h.width, h.height, depth, levels,
                                      limits.maxBytes, error)) {
        *error = "DDS " + *error;
        return false;
    }

    const uint8_t* src = data + kDdsHeaderBytes;
    for (uint32_t face = 0; face < faces; ++face) {
        for (uint32_t level = 0; level < fileLevels; ++level) {
            const platform::TextureLevel& sub = image->Level(face, level);
            uint8_t* dst = image->Data(face, level);
            if (blocks && format == plan.fileFormat) {
                std::memcpy(dst, src, sub.size);
            } else if (blocks) {
                DecodeDxtLevel(plan.fileFormat, src, sub.width, sub.height, sub.depth, dst);
            } else {
                ConvertMaskedTexels(plan, src, size_t{sub.width} * sub.height * sub.depth, dst);
            }
            src += levelBytes[level];
        }
    }
    if (makeChain) FillMipLevels(image, 1);
    return true;
}

// >> PNG, JPEG, TGA, BMP

// stb_image fills what a TGA or BMP file lacks with zeros instead of
// failing (it does fail on cut-off PNG and JPEG files); these checks find a
// cut-off file first.

struct TgaHeader {
    uint32_t idLength, colorMapType, imageType, colorMapLength, colorMapBits;
    uint32_t width, height, bits;
};

// Whether the first 18 bytes look like a TGA header (the format has no
// signature): the kinds of image and bit depths stb_image reads.
bool LooksLikeTga(const uint8_t* data, size_t size, TgaHeader* h) {
    if (size < 18) return false;
    h->idLength = data[0];
    h->colorMapType = data[1];
    h->imageType = data[2];
    h->colorMapLength = U16(data + 5);
    h->colorMapBits = data[7];
    h->width = U16(data + 12);
    h->height = U16(data + 14);
    h->bits = data[16];
    const uint32_t type = h->imageType & ~8u;  // 8: run-length encoded
    if (h->colorMapType > 1 || type < 1 || type > 3 || (h->imageType & ~11u) != 0) return false;
    if ((type == 1) != (h->colorMapType == 1)) return false;
    const uint32_t b = h->bits;
    if (b != 8 && b != 15 && b != 16 && b != 24 && b != 32) return false;
    if (h->colorMapType == 1 && h->colorMapBits != 15 && h->colorMapBits != 16 &&
        h->colorMapBits != 24 && h->colorMapBits != 32) {
        return false;
    }
    return h->width > 0 && h->height > 0;
}

// Whether the file holds every texel the TGA header describes (walking the
// run-length packets); *needed is how many bytes that takes.
bool TgaComplete(const uint8_t* data, size_t size, const TgaHeader& h, uint64_t* needed) {
    const uint64_t pixelBytes = (h.bits + 7) / 8;
    uint64_t pos = 18 + uint64_t{h.idLength};
    if (h.colorMapType == 1) pos += uint64_t{h.colorMapLength} * ((h.colorMapBits + 7) / 8);
    const uint64_t texels = uint64_t{h.width} * h.height;
    if ((h.imageType & 8) == 0) {
        *needed = pos + texels * pixelBytes;
        return *needed <= size;
    }
    uint64_t done = 0;
    while (done < texels) {
        if (pos >= size) {
            *needed = pos + 1;
            return false;
        }
        uint8_t packet = data[pos++];
        uint64_t count = (packet & 0x7F) + 1;
        pos += (packet & 0x80) ? pixelBytes : count * pixelBytes;
        done += count;
    }
    *needed = pos;
    return pos <= size;
}

// Whether the file holds every row its header describes (compressed BMPs,
// which stb_image refuses anyway, are left to the decoder).
bool BmpComplete(const uint8_t* data, size_t size, std::string* error) {
    uint64_t width = 0, height = 0, bits = 0, compression = 0;
    const uint32_t offset = U32(data + 10);
    const uint32_t headerSize = U32(data + 14);
    if (headerSize == 12 && size >= 26) {
        width = U16(data + 18);
        height = U16(data + 20);
        bits = U16(data + 24);
    } else if (headerSize != 12 && size >= 34) {
        width = static_cast<uint64_t>(std::llabs(static_cast<int32_t>(U32(data + 18))));
        height = static_cast<uint64_t>(std::llabs(static_cast<int32_t>(U32(data + 22))));
        bits = U16(data + 28);
        compression = U32(data + 30);
    } else {
        *error = "truncated BMP image: the file ends inside its header";
        return false;
    }
    if (compression != 0 && compression != 3 && compression != 6) return true;
    uint64_t rowBits = 0, pixels = 0, needed = 0;
    if (__builtin_mul_overflow(width, bits, &rowBits) ||
        __builtin_mul_overflow((rowBits + 31) / 32 * 4, height, &pixels) ||
        __builtin_add_overflow(pixels, std::max<uint64_t>(offset, 14 + uint64_t{headerSize}),
                               &needed)) {
        *error = "damaged BMP header: " + Size(static_cast<uint32_t>(width),
                                              static_cast<uint32_t>(height)) +
                 " texels of " + std::to_string(bits) + " bits";
        return false;
    }
    if (needed <= size) return true;
    *error = "truncated BMP image: its header describes " + std::to_string(needed) +
             " bytes, the file holds " + std::to_string(size);
    return false;
}

bool IsBmp(const uint8_t* data, size_t size) {
    if (size < 18 || data[0] != 'B' || data[1] != 'M') return false;
    const uint32_t headerSize = U32(data + 14);
    return headerSize == 12 || headerSize == 40 || headerSize == 52 || headerSize == 56 ||
           headerSize == 64 || headerSize == 108 || headerSize == 124;
}

// Whether a decoded image of w x h with its mip chain fits the device:
// checked before the decoder allocates anything.
bool DecodedSizeWithinLimits(uint32_t w, uint32_t h, const TextureLimits& limits,
                             TextureImage* image, std::string* error) {
    if (!WithinEdgeLimit(TextureKind::Texture2D, w, h, 1, limits, error)) return false;
    const uint32_t levels = platform::FullMipCount(w, h, 1);
    const uint64_t total = platform::TextureImageBytes(TextureKind::Texture2D, TextureFormat::RGBA8,
                                                        w, h, 1, levels);
    if (total != 0 && total <= limits.maxBytes) return true;
    platform::LayoutTextureImage(image, TextureKind::Texture2D, TextureFormat::RGBA8, w, h, 1,
                                 levels, limits.maxBytes, error);
    return false;
}

// stb_image refuses a PNG of more than 1 GiB of texels without saying how
// large it is (the reason it leaves is another format's); the size stands
// in the header (IHDR, right after the signature), so say it plainly.
bool PngWithinLimits(const uint8_t* data, size_t size, const TextureLimits& limits,
                     TextureImage* image, std::string* error) {
    if (size < 24 || std::memcmp(data + 12, "IHDR", 4) != 0) return true;
    auto be32 = [&](size_t at) {
        return uint32_t{data[at]} << 24 | uint32_t{data[at + 1]} << 16 |
               uint32_t{data[at + 2]} << 8 | uint32_t{data[at + 3]};
    };
    if (be32(16) == 0 || be32(20) == 0) return true;  // stb_image says what is wrong
    return DecodedSizeWithinLimits(be32(16), be32(20), limits, image, error);
}

bool DecodeWithStb(const uint8_t* data, size_t size, const char* format,
                   const TextureLimits& limits, TextureImage* image, std::string* error) {
    if (size > static_cast<size_t>(INT_MAX)) {
        *error = std::string(format) + " file too large to decode";
        return false;
    }
    const int length = static_cast<int>(size);
    int width = 0, height = 0, channels = 0;
    if (stbi_info_from_memory(data, length, &width, &height, &channels) == 0) {
        *error = std::string("damaged ") + format + " header (" + StbReason() + ")";
        return false;
    }
    const auto w = static_cast<uint32_t>(width), h = static_cast<uint32_t>(height);
    if (!DecodedSizeWithinLimits(w, h, limits, image, error)) return false;
    const uint32_t levels = platform::FullMipCount(w, h, 1);

    int decodedWidth = 0, decodedHeight = 0;
    stbi_uc* pixels =
        stbi_load_from_memory(data, length, &decodedWidth, &decodedHeight, &channels, 4);
    if (pixels == nullptr) {
        *error = std::string("damaged or truncated ") + format + " image (" + StbReason() + ")";
        return false;
    }
    bool ok = decodedWidth == width && decodedHeight == height &&
              platform::LayoutTextureImage(image, TextureKind::Texture2D, TextureFormat::RGBA8, w,
                                           h, 1, levels, limits.maxBytes, error);
    if (ok) {
        std::memcpy(image->Data(0, 0), pixels, image->Level(0, 0).size);
        FillMipLevels(image, 1);
    } else if (error->empty()) {
        *error = std::string(format) + " image decoded to another size than its header gives";
    }
    stbi_image_free(pixels);
    return ok;
}

// PNG and JPEG through decoders made for untrusted files, into level 0 of
// the image laid out once the header's size is known to fit the limits.
bool DecodePngOrJpeg(const uint8_t* data, size_t size, const char* format,
                     const TextureLimits& limits, TextureImage* image, std::string* error) {
    const bool png = std::strcmp(format, "PNG") == 0;
    if (png && !PngWithinLimits(data, size, limits, image, error)) return false;
    uint32_t levels = 0;
    auto destination = [&](uint32_t w, uint32_t h, std::string* sizeError) -> uint8_t* {
        if (!DecodedSizeWithinLimits(w, h, limits, image, sizeError)) return nullptr;
        levels = platform::FullMipCount(w, h, 1);
        if (!platform::LayoutTextureImage(image, TextureKind::Texture2D, TextureFormat::RGBA8, w,
                                          h, 1, levels, limits.maxBytes, sizeError)) {
            return nullptr;
        }
        return image->Data(0, 0);
    };
    if (!(png ? DecodePng(data, size, destination, error)
              : DecodeJpeg(data, size, destination, error))) {
        return false;
    }
    FillMipLevels(image, 1);
    return true;
}

// Formats that are images, just not ones this reader takes.
const char* OtherImageFormat(const uint8_t* data, size_t size) {
    auto starts = [&](const char* magic) {
        size_t n = std::strlen(magic);
        return size >= n && std::memcmp(data, magic, n) == 0;
    };
    if (starts("GIF8")) return "GIF";
    if (starts("8BPS")) return "PSD";
    if (starts("#?RADIANCE") || starts("#?RGBE")) return "Radiance HDR";
    if (starts("\xABKTX")) return "KTX";
    if (size >= 12 && starts("RIFF") && std::memcmp(data + 8, "WEBP", 4) == 0) return "WebP";
    return nullptr;
}

}  // namespace

bool DecodeTextureFile(const uint8_t* data, size_t size, const TextureLimits& limits,
                       TextureImage* image, std::string* error) {
    *image = TextureImage{};
    error->clear();
    bool ok = false;
    auto starts = [&](const char* magic, size_t n) {
        return size >= n && std::memcmp(data, magic, n) == 0;
    };
    TgaHeader tga{};
    uint64_t needed = 0;
    auto tgaComplete = [&] {
        if (TgaComplete(data, size, tga, &needed)) return true;
        *error = "truncated TGA image: it needs at least " + std::to_string(needed) +
                 " bytes, the file holds " + std::to_string(size);
        return false;
    };
    if (size == 0) {
        *error = "the file is empty";
    } else if (starts("DDS ", 4)) {
        ok = ReadDds(data, size, limits, image, error);
    } else if (starts("\x89PNG\r\n\x1A\n", 8)) {
        ok = DecodePngOrJpeg(data, size, "PNG", limits, image, error);
    } else if (starts("\xFF\xD8\xFF", 3)) {
        ok = DecodePngOrJpeg(data, size, "JPEG", limits, image, error);
    } else if (IsBmp(data, size)) {
        ok = BmpComplete(data, size, error) &&
             DecodeWithStb(data, size, "BMP", limits, image, error);
    } else if (const char* other = OtherImageFormat(data, size)) {
        *error = std::string(other) + " images are not supported (PNG, JPEG, TGA, BMP or DDS)";
    } else if (LooksLikeTga(data, size, &tga)) {
        ok = tgaComplete() && DecodeWithStb(data, size, "TGA", limits, image, error);
    } else {
        *error = "not an image file (PNG, JPEG, TGA, BMP or DDS expected)";
    }
    if (!ok) *image = TextureImage{};
    return ok;
}

bool ReadTextureFile(const std::string& path, const TextureLimits& limits, TextureImage* image,
                     TextureFileError* error, std::vector<uint8_t>* bytesOut) {
    std::vector<uint8_t> local;
    std::vector<uint8_t>& bytes = bytesOut != nullptr ? *bytesOut : local;
    bytes.clear();
    *image = TextureImage{};
    *error = TextureFileError{};
    auto systemError = [&](int code) {
        error->cannotOpen = true;
        error->text = std::strerror(code);
        return false;
    };
    // Non-blocking, so that a FIFO named as a texture cannot hang the load.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return systemError(errno);
    struct stat info{};
    if (fstat(fd, &info) != 0) {
        int code = errno;
        close(fd);
        return systemError(code);
    }
    if (S_ISDIR(info.st_mode)) {
        close(fd);
        return systemError(EISDIR);
    }
    if (!S_ISREG(info.st_mode)) {
        close(fd);
        error->text = "not a regular file";
        return false;
    }
    const uint64_t fileSize = static_cast<uint64_t>(info.st_size);
    // No image this reader takes is larger as a file than as a texture.
    if (fileSize > limits.maxBytes) {
        close(fd);
        error->text = "the file is " + platform::ByteCountText(fileSize) + ", more than the " +
                      platform::ByteCountText(limits.maxBytes) + " a texture may take";
        return false;
    }
    bytes.resize(static_cast<size_t>(fileSize));
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            int code = errno;
            close(fd);
            return systemError(code);
        }
        if (got == 0) break;  // the file shrank while being read
        done += static_cast<size_t>(got);
    }
    close(fd);
    bytes.resize(done);
    error->fileRead = true;
    return DecodeTextureFile(bytes.data(), done, limits, image, &error->text);
}

std::string TextureErrorText(const std::string& name, const TextureFileError& error) {
    return std::string(error.cannotOpen ? "cannot open" : "cannot read") + " texture '" + name +
           "': " + error.text;
}

}  // namespace fx
