// DDS files (see texture_dds.h): the header, the pixel formats and the DXT
// blocks.
#include "platform/fx/runtime/texture_dds.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/fx/runtime/texture_shared.h"

namespace fx {

using platform::TextureFormat;
using platform::TextureImage;
using platform::TextureKind;
using platform::TextureLimits;

namespace {

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
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
    float GetFloat(uint32_t pixel, float absent) const {
        if (max == 0) return absent;
        return static_cast<float>((pixel & mask) >> shift) / static_cast<float>(max);
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
    enum class Source { Blocks, Masks, Floats } source = Source::Masks;
    TextureFormat fileFormat = TextureFormat::BGRA8;  // DXTn for blocks
    TextureFormat format = TextureFormat::BGRA8;      // what the image holds
    uint32_t bytesPerPixel = 0;                       // masks only
    enum class Copy { None, Exact, SetAlpha } copy = Copy::None;
    bool luminance = false;
    bool alphaOnly = false;
    uint32_t floatChannels = 0;  // floats: R, RG or ABGR (in memory R, G, B, A)
    bool halfFloats = false;
    Channel red, green, blue, alpha;
};

std::string FourCcText(uint32_t code) {
    char text[5] = {static_cast<char>(code), static_cast<char>(code >> 8),
                    static_cast<char>(code >> 16), static_cast<char>(code >> 24), 0};
    for (int i = 0; i < 4; ++i) {
        if (text[i] < 0x20 || text[i] > 0x7E) {
            return "Direct3D format number " + std::to_string(code) +
                   " (16-bit-per-channel integer and bump-map formats are not read)";
        }
    }
    return "FourCC '" + std::string(text) + "'";
}

bool PlanDdsPixels(const DdsHeader& h, DdsPlan* plan, MessageSink& messages) {
    if (h.pixelFlags & kPixelFourCc) {
        plan->source = DdsPlan::Source::Blocks;
        switch (h.fourCc) {
            case FourCc("DXT1"): plan->fileFormat = TextureFormat::DXT1; break;
            // DXT2 / DXT4 hold premultiplied colour in the same blocks.
            case FourCc("DXT2"):
            case FourCc("DXT3"): plan->fileFormat = TextureFormat::DXT3; break;
            case FourCc("DXT4"):
            case FourCc("DXT5"): plan->fileFormat = TextureFormat::DXT5; break;
            // Float formats go by their Direct3D format number: R16F (111),
            // G16R16F, A16B16G16R16F, R32F (114), G32R32F, A32B32G32R32F.
            case 111: case 112: case 113: case 114: case 115: case 116: {
                const uint32_t n = h.fourCc - (h.fourCc < 114 ? 111 : 114);
                plan->source = DdsPlan::Source::Floats;
                plan->floatChannels = n == 2 ? 4 : n + 1;
                plan->halfFloats = h.fourCc < 114;
                plan->bytesPerPixel = plan->floatChannels * (plan->halfFloats ? 2 : 4);
                plan->format = TextureFormat::RGBA32F;
                return true;
            }
            case FourCc("DX10"):
                messages.Error("DDS files with the Direct3D 10 header are not supported");
                return false;
            default:
                messages.Error("DDS pixel format not supported: " + FourCcText(h.fourCc));
                return false;
        }
        plan->format = plan->fileFormat;
        return true;
    }

    const bool rgb = (h.pixelFlags & kPixelRgb) != 0;
    plan->luminance = (h.pixelFlags & kPixelLuminance) != 0;
    plan->alphaOnly = (h.pixelFlags & kPixelAlpha) != 0 && !rgb && !plan->luminance;
    if (!rgb && !plan->luminance && !plan->alphaOnly) {
        messages.Error("DDS pixel format not supported (flags " + Hex(h.pixelFlags) +
                       "): only DXT1/3/5 and RGB, luminance or alpha bit masks are read");
        return false;
    }
    if (h.bitCount != 8 && h.bitCount != 16 && h.bitCount != 24 && h.bitCount != 32) {
        messages.Error("DDS pixel format of " + std::to_string(h.bitCount) +
                       " bits per texel not supported (8, 16, 24 or 32)");
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
            messages.Error("DDS bit masks reach past the " + std::to_string(h.bitCount) +
                           "-bit texel");
            return false;
        }
    }
    if (!plan->red.Set(masks[0]) || !plan->green.Set(masks[1]) || !plan->blue.Set(masks[2]) ||
        !plan->alpha.Set(masks[3])) {
        messages.Error("DDS bit masks that are not one run of bits are not supported");
        return false;
    }
    if ((plan->alphaOnly && masks[3] == 0) || (!plan->alphaOnly && masks[0] == 0)) {
        messages.Error("DDS bit masks are empty");
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
    // Channels wider than 8 bits (G16R16, L16, A2R10G10B10) keep their
    // precision as floats, as Direct3D 9 reads them.
    plan->format = TextureFormat::BGRA8;
    for (const Channel* c : {&plan->red, &plan->green, &plan->blue, &plan->alpha}) {
        if (c->max > 255) plan->format = TextureFormat::RGBA32F;
    }
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
    if (plan.format == TextureFormat::RGBA32F) {
        for (size_t i = 0; i < texels; ++i, src += bytes, dst += 16) {
            uint32_t pixel = 0;
            for (uint32_t b = 0; b < bytes; ++b) pixel |= uint32_t{src[b]} << (8 * b);
            const float r = plan.alphaOnly ? 0 : plan.red.GetFloat(pixel, 1);
            const float rgba[4] = {
                r, plan.luminance ? r : plan.alphaOnly ? 0 : plan.green.GetFloat(pixel, 1),
                plan.luminance ? r : plan.alphaOnly ? 0 : plan.blue.GetFloat(pixel, 1),
                plan.alpha.GetFloat(pixel, 1)};
            std::memcpy(dst, rgba, sizeof rgba);
        }
        return;
    }
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

float HalfToFloat(uint16_t h) {
    const bool sign = (h & 0x8000) != 0;
    const uint32_t exponent = (h >> 10) & 31, mantissa = h & 1023;
    float value = 0;
    if (exponent == 0) {
        value = std::ldexp(static_cast<float>(mantissa), -24);
    } else if (exponent == 31) {
        value = mantissa == 0 ? INFINITY : NAN;
    } else {
        value = std::ldexp(static_cast<float>(mantissa | 1024), static_cast<int>(exponent) - 25);
    }
    return sign ? -value : value;
}

// Float texels widened to RGBA32F. Direct3D 9 reads 1 for the channels a
// float format lacks (R32F reads (r, 1, 1, 1)).
void ConvertFloatTexels(const DdsPlan& plan, const uint8_t* src, size_t texels, uint8_t* dst) {
    for (size_t i = 0; i < texels; ++i, dst += 16) {
        float rgba[4] = {1, 1, 1, 1};
        for (uint32_t c = 0; c < plan.floatChannels; ++c) {
            if (plan.halfFloats) {
                rgba[c] = HalfToFloat(U16(src));
                src += 2;
            } else {
                std::memcpy(&rgba[c], src, 4);
                src += 4;
            }
        }
        std::memcpy(dst, rgba, sizeof rgba);
    }
}

// What the header says of the image besides its texels.
struct DdsShape {
    TextureKind kind = TextureKind::Texture2D;
    uint32_t depth = 1;
    uint32_t fileLevels = 1;  // the levels the file brings
    uint32_t full = 1;        // the levels of a full chain
};

// The header read and checked: its own sizes, a cube's faces, the edges
// against the device, the mip count.
bool ReadDdsShape(const uint8_t* data, size_t size, const TextureLimits& limits, DdsHeader* header,
                  DdsShape* shape, MessageSink& messages) {
    if (size < kDdsHeaderBytes) {
        messages.Error("truncated DDS file: " + std::to_string(size) +
                       " bytes, less than its 128-byte header");
        return false;
    }
    const DdsHeader h = *header = ReadDdsHeader(data);
    if (h.size != 124 || h.pixelSize != 32) {
        messages.Error("damaged DDS header: it gives its size as " + std::to_string(h.size) +
                       " bytes and its pixel format's as " + std::to_string(h.pixelSize) +
                       " (124 and 32 expected)");
        return false;
    }
    if (h.caps2 & kCaps2Cube) {
        shape->kind = TextureKind::Cube;
        if ((h.caps2 & kCaps2AllFaces) != kCaps2AllFaces) {
            messages.Error("DDS cube map without all six faces: not supported");
            return false;
        }
        if (h.width != h.height) {
            messages.Error("DDS cube map with faces of " + ImageSize(h.width, h.height) +
                           ": faces must be square");
            return false;
        }
    } else if (h.caps2 & kCaps2Volume) {
        shape->kind = TextureKind::Volume;
        shape->depth = h.depth;
    }
    if (h.width == 0 || h.height == 0 || shape->depth == 0) {
        messages.Error("DDS image has no size (" + ImageSize(h.width, h.height, shape->depth) +
                       ")");
        return false;
    }
    if (!WithinEdgeLimit(shape->kind, h.width, h.height, shape->depth, limits, messages)) {
        return false;
    }
    shape->full = platform::FullMipCount(h.width, h.height, shape->depth);
    shape->fileLevels = (h.flags & kFlagMipCount) != 0 ? std::max(h.mipCount, 1u) : 1u;
    if (shape->fileLevels > shape->full) {
        messages.Error("DDS header lists " + std::to_string(shape->fileLevels) +
                       " mip levels; a " + ImageSize(h.width, h.height, shape->depth) +
                       " image has at most " + std::to_string(shape->full));
        return false;
    }
    return true;
}

// The bytes of each level of one face; false when the file does not hold
// every face's levels, or the header gives the top level another size than
// its dimensions and format make.
bool MeasureDdsLevels(const DdsHeader& h, const DdsShape& shape, const DdsPlan& plan, size_t size,
                      std::vector<uint64_t>* levelBytes, MessageSink& messages) {
    const bool blocks = plan.source == DdsPlan::Source::Blocks;
    const uint32_t faces = shape.kind == TextureKind::Cube ? 6 : 1;
    levelBytes->assign(shape.fileLevels, 0);
    uint64_t perFace = 0;
    for (uint32_t level = 0; level < shape.fileLevels; ++level) {
        uint64_t& bytes = (*levelBytes)[level];
        bytes = DdsLevelBytes(plan, std::max(h.width >> level, 1u), std::max(h.height >> level, 1u),
                              std::max(shape.depth >> level, 1u));
        if (bytes == 0 || __builtin_add_overflow(perFace, bytes, &perFace)) {
            messages.Error("DDS image size does not fit in 64 bits");
            return false;
        }
    }
    uint64_t needed = 0;
    if (__builtin_mul_overflow(perFace, uint64_t{faces}, &needed) ||
        needed > size - kDdsHeaderBytes) {
        messages.Error("truncated DDS file: its header describes " + std::to_string(needed) +
                       " bytes of image data, the file holds " +
                       std::to_string(size - kDdsHeaderBytes));
        return false;
    }
    if (shape.kind == TextureKind::Volume || h.pitch == 0) return true;
    uint64_t expected = 0;
    if (blocks && (h.flags & kFlagLinearSize)) expected = levelBytes->front();
    if (!blocks && (h.flags & kFlagPitch)) expected = uint64_t{h.width} * plan.bytesPerPixel;
    if (expected != 0 && expected != h.pitch) {
        messages.Error("DDS header gives the top level's " +
                       std::string(blocks ? "size as " : "row pitch as ") +
                       std::to_string(h.pitch) + " bytes, but " + ImageSize(h.width, h.height) +
                       " texels of its format take " + std::to_string(expected));
        return false;
    }
    return true;
}

// Every face's levels from the file into the image: copied, DXT blocks
// decoded, or bit-mask texels converted.
void CopyDdsLevels(const uint8_t* src, const DdsPlan& plan,
                   const std::vector<uint64_t>& levelBytes, TextureImage* image) {
    const bool blocks = plan.source == DdsPlan::Source::Blocks;
    for (uint32_t face = 0; face < image->faces; ++face) {
        for (uint32_t level = 0; level < levelBytes.size(); ++level) {
            const platform::TextureLevel& sub = image->Level(face, level);
            uint8_t* dst = image->Data(face, level);
            if (blocks && image->format == plan.fileFormat) {
                std::memcpy(dst, src, sub.size);
            } else if (blocks) {
                DecodeDxtLevel(plan.fileFormat, src, sub.width, sub.height, sub.depth, dst);
            } else if (plan.source == DdsPlan::Source::Floats) {
                ConvertFloatTexels(plan, src, size_t{sub.width} * sub.height * sub.depth, dst);
            } else {
                ConvertMaskedTexels(plan, src, size_t{sub.width} * sub.height * sub.depth, dst);
            }
            src += levelBytes[level];
        }
    }
}

}  // namespace

bool ReadDds(const uint8_t* data, size_t size, const TextureLimits& limits, TextureImage* image,
             MessageSink& messages) {
    DdsHeader h;
    DdsShape shape;
    DdsPlan plan;
    std::vector<uint64_t> levelBytes;
    if (!ReadDdsShape(data, size, limits, &h, &shape, messages) ||
        !PlanDdsPixels(h, &plan, messages) ||
        !MeasureDdsLevels(h, shape, plan, size, &levelBytes, messages)) {
        return false;
    }
    // Compressed levels stay compressed where GL can take them and the file
    // brings its own mip chain; otherwise they are decoded here.
    const bool blocks = plan.source == DdsPlan::Source::Blocks;
    const bool makeChain = shape.fileLevels == 1 && shape.full > 1;
    TextureFormat format = plan.format;
    if (blocks && (makeChain || shape.kind == TextureKind::Volume)) format = TextureFormat::RGBA8;
    const uint32_t levels = makeChain ? shape.full : shape.fileLevels;
    std::string layoutError;
    if (!platform::LayoutTextureImage(image, shape.kind, format, h.width, h.height, shape.depth,
                                      levels, limits.maxBytes, &layoutError)) {
        messages.Error("DDS " + layoutError);
        return false;
    }
    CopyDdsLevels(data + kDdsHeaderBytes, plan, levelBytes, image);
    if (makeChain) FillMipLevels(image, 1);
    return true;
}

}  // namespace fx
