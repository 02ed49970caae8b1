#include "platform/gfx/texture_image.h"

#include <algorithm>
#include <bit>

namespace platform {

namespace {

uint32_t Faces(TextureKind kind) { return kind == TextureKind::Cube ? 6 : 1; }

uint32_t MaxEdge(const TextureLimits& limits, TextureKind kind) {
    switch (kind) {
        case TextureKind::Cube: return limits.maxCubeSize;
        case TextureKind::Volume: return limits.maxVolumeSize;
        default: return limits.maxSize;
    }
}

std::string Dimensions(uint32_t width, uint32_t height, uint32_t depth) {
    std::string text = std::to_string(width) + " x " + std::to_string(height);
    if (depth != 1) text += " x " + std::to_string(depth);
    return text;
}

}  // namespace

std::string ByteCountText(uint64_t bytes) {
    if (bytes >= (uint64_t{1} << 20)) return std::to_string(bytes >> 20) + " MiB";
    return std::to_string(bytes) + " bytes";
}

std::string DescribeTexture(const TextureImage& image) {
    return std::string(TextureKindName(image.kind)) + " " +
           Dimensions(image.width, image.height, image.depth) + " " +
           TextureFormatName(image.format) + ", " + std::to_string(image.levels) +
           (image.levels == 1 ? " level" : " levels");
}

const char* TextureFormatName(TextureFormat format) {
    switch (format) {
        case TextureFormat::RGBA8: return "RGBA8";
        case TextureFormat::BGRA8: return "BGRA8";
        case TextureFormat::DXT1: return "DXT1";
        case TextureFormat::DXT3: return "DXT3";
        case TextureFormat::DXT5: return "DXT5";
        case TextureFormat::RGBA32F: return "RGBA32F";
    }
    return "?";
}

const char* TextureKindName(TextureKind kind) {
    switch (kind) {
        case TextureKind::Texture2D: return "2D";
        case TextureKind::Cube: return "cube";
        case TextureKind::Volume: return "volume";
    }
    return "?";
}

bool IsCompressed(TextureFormat format) {
    return format == TextureFormat::DXT1 || format == TextureFormat::DXT3 ||
           format == TextureFormat::DXT5;
}

uint64_t TextureLevelBytes(TextureFormat format, uint32_t width, uint32_t height, uint32_t depth) {
    if (width == 0 || height == 0 || depth == 0) return 0;
    uint64_t columns = width, rows = height, unit = 4;
    if (IsCompressed(format)) {
        columns = (uint64_t{width} + 3) / 4;
        rows = (uint64_t{height} + 3) / 4;
        unit = format == TextureFormat::DXT1 ? 8 : 16;
    } else if (format == TextureFormat::RGBA32F) {
        unit = 16;
    }
    // Each factor is below 2^32 and unit is at most 16: only the last two
    // products can overflow.
    uint64_t slice = columns * rows;
    uint64_t bytes = 0;
    if (__builtin_mul_overflow(slice, unit, &bytes)) return 0;
    if (__builtin_mul_overflow(bytes, uint64_t{depth}, &bytes)) return 0;
    return bytes;
}

uint32_t FullMipCount(uint32_t width, uint32_t height, uint32_t depth) {
    uint32_t largest = std::max({width, height, depth, 1u});
    return static_cast<uint32_t>(std::bit_width(largest));
}

uint64_t TextureImageBytes(TextureKind kind, TextureFormat format, uint32_t width,
                           uint32_t height, uint32_t depth, uint32_t levels) {
    if (levels == 0 || levels > FullMipCount(width, height, depth)) return 0;
    uint64_t perFace = 0;
    for (uint32_t level = 0; level < levels; ++level) {
        uint64_t bytes = TextureLevelBytes(format, std::max(width >> level, 1u),
                                           std::max(height >> level, 1u),
                                           std::max(depth >> level, 1u));
        if (bytes == 0 || __builtin_add_overflow(perFace, bytes, &perFace)) return 0;
    }
    uint64_t total = 0;
    if (__builtin_mul_overflow(perFace, uint64_t{Faces(kind)}, &total)) return 0;
    return total;
}

bool LayoutTextureImage(TextureImage* image, TextureKind kind, TextureFormat format,
                        uint32_t width, uint32_t height, uint32_t depth, uint32_t levels,
                        uint64_t maxBytes, std::string* error) {
    if (kind != TextureKind::Volume) depth = 1;
    if (width == 0 || height == 0 || depth == 0) {
        *error = "the image has no size (" + Dimensions(width, height, depth) + ")";
        return false;
    }
    uint32_t full = FullMipCount(width, height, depth);
    if (levels == 0 || levels > full) {
        *error = std::to_string(levels) + " mip levels for a " + Dimensions(width, height, depth) +
                 " image, which has " + std::to_string(full);
        return false;
    }
    uint64_t total = TextureImageBytes(kind, format, width, height, depth, levels);
    if (total == 0 || total > maxBytes) {
        *error = Dimensions(width, height, depth) + " " + TextureFormatName(format) +
                 " with " + std::to_string(levels) + " mip levels takes " +
                 (total == 0 ? std::string("more than 2^64 bytes") : ByteCountText(total)) +
                 ", more than the " + ByteCountText(maxBytes) + " a texture may take";
        return false;
    }

    image->kind = kind;
    image->format = format;
    image->width = width;
    image->height = height;
    image->depth = depth;
    image->faces = Faces(kind);
    image->levels = levels;
    image->subresources.clear();
    size_t offset = 0;
    for (uint32_t face = 0; face < image->faces; ++face) {
        for (uint32_t level = 0; level < levels; ++level) {
            TextureLevel sub;
            sub.width = std::max(width >> level, 1u);
            sub.height = std::max(height >> level, 1u);
            sub.depth = std::max(depth >> level, 1u);
            sub.offset = offset;
            sub.size = static_cast<size_t>(
                TextureLevelBytes(format, sub.width, sub.height, sub.depth));
            offset += sub.size;
            image->subresources.push_back(sub);
        }
    }
    image->bytes.assign(static_cast<size_t>(total), 0);
    return true;
}

bool ValidateTextureImage(const TextureImage& image, const TextureLimits& limits,
                          std::string* error) {
    const uint32_t depth = image.kind == TextureKind::Volume ? image.depth : 1;
    if (image.width == 0 || image.height == 0 || image.depth == 0 || depth != image.depth) {
        *error = std::string("a ") + TextureKindName(image.kind) + " texture of " +
                 Dimensions(image.width, image.height, image.depth);
        return false;
    }
    if (image.faces != Faces(image.kind) ||
        (image.kind == TextureKind::Cube && image.width != image.height)) {
        *error = "a cube map needs six square faces";
        return false;
    }
    uint32_t edge = MaxEdge(limits, image.kind);
    if (image.width > edge || image.height > edge || image.depth > edge) {
        *error = Dimensions(image.width, image.height, image.depth) + " is larger than the " +
                 std::to_string(edge) + " texels a " + TextureKindName(image.kind) +
                 " texture may have on this device";
        return false;
    }
    uint64_t total =
        TextureImageBytes(image.kind, image.format, image.width, image.height, depth, image.levels);
    if (total == 0 || total > limits.maxBytes ||
        image.subresources.size() != size_t{image.faces} * image.levels) {
        *error = "the image's mip levels do not fit its size or the memory budget";
        return false;
    }
    for (uint32_t face = 0; face < image.faces; ++face) {
        for (uint32_t level = 0; level < image.levels; ++level) {
            const TextureLevel& sub = image.Level(face, level);
            const uint64_t bytes =
                TextureLevelBytes(image.format, sub.width, sub.height, sub.depth);
            bool fits = sub.width == std::max(image.width >> level, 1u) &&
                        sub.height == std::max(image.height >> level, 1u) &&
                        sub.depth == std::max(depth >> level, 1u) && sub.size == bytes &&
                        sub.offset <= image.bytes.size() &&
                        sub.size <= image.bytes.size() - sub.offset;
            if (!fits) {
                *error = "face " + std::to_string(face) + " level " + std::to_string(level) +
                         " does not match the image's size or lies outside its bytes";
                return false;
            }
        }
    }
    return true;
}

}  // namespace platform
