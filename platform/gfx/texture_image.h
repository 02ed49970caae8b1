// A texture as plain data: every face and mip level of an image, in one of
// the few layouts the device uploads as they are. platform/fx's file reader
// makes it, the GL device turns it into a texture object. Platform-internal:
// the program (app/, render/, sim/) never includes this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

enum class TextureKind : uint8_t {
    Texture2D,
    Cube,    // six square faces: +X, -X, +Y, -Y, +Z, -Z
    Volume,  // width x height x depth; every level holds its slices front to back
};

enum class TextureFormat : uint8_t {
    RGBA8,  // bytes R, G, B, A
    BGRA8,  // bytes B, G, R, A: a D3DCOLOR word in memory
    DXT1,   // 4 x 4 texel blocks of 8 bytes (one-bit alpha)
    DXT3,   // blocks of 16 bytes: explicit four-bit alpha, then a DXT1 colour block
    DXT5,   // blocks of 16 bytes: interpolated alpha, then a DXT1 colour block
    RGBA32F,  // four 32-bit floats R, G, B, A (the float formats, widened)
};

// One mip level of one face. Rows run top first (v = 0 is the first row),
// blocks for the DXT formats; no padding between rows or slices.
struct TextureLevel {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t depth = 1;
    size_t offset = 0;  // into TextureImage::bytes
    size_t size = 0;
};

struct TextureImage {
    TextureKind kind = TextureKind::Texture2D;
    TextureFormat format = TextureFormat::RGBA8;
    uint32_t width = 0;  // of level 0
    uint32_t height = 0;
    uint32_t depth = 1;   // above 1 only for a volume
    uint32_t faces = 1;   // 6 for a cube map
    uint32_t levels = 0;  // mip levels of every face, level 0 the largest
    std::vector<TextureLevel> subresources;  // faces x levels, face-major: [face * levels + level]
    std::vector<uint8_t> bytes;

    const TextureLevel& Level(uint32_t face, uint32_t level) const {
        return subresources[size_t{face} * levels + level];
    }
    const uint8_t* Data(uint32_t face, uint32_t level) const {
        return bytes.data() + Level(face, level).offset;
    }
    uint8_t* Data(uint32_t face, uint32_t level) {
        return bytes.data() + Level(face, level).offset;
    }
};

// What a device takes. The defaults are what every OpenGL 4.5 driver must
// offer, plus a byte budget that keeps one image file from taking the
// machine's memory (a 16384 x 16384 RGBA image with its mip levels would
// take 1.3 GiB).
struct TextureLimits {
    uint32_t maxSize = 16384;       // width and height of a 2D texture
    uint32_t maxCubeSize = 16384;   // edge of a cube map face
    uint32_t maxVolumeSize = 2048;  // width, height and depth of a volume
    uint64_t maxBytes = uint64_t{256} << 20;  // one texture with all its faces and levels
    // All the images one effect names together (each within maxBytes): an
    // effect naming one large image many times must not take the machine.
    uint64_t maxLoadBytes = uint64_t{1} << 30;
};

// "1365 MiB", "65536 bytes": sizes in error text.
std::string ByteCountText(uint64_t bytes);

// "2D 256 x 256 DXT5, 9 levels", "cube 64 x 64 BGRA8, 7 levels": one line
// for tools and error text.
std::string DescribeTexture(const TextureImage& image);

// "RGBA8", "BGRA8", "DXT1", ...
const char* TextureFormatName(TextureFormat format);
// "2D", "cube", "volume"
const char* TextureKindName(TextureKind kind);

bool IsCompressed(TextureFormat format);

// Bytes of one level of these dimensions, or 0 when a dimension is 0 or the
// size does not fit in 64 bits.
uint64_t TextureLevelBytes(TextureFormat format, uint32_t width, uint32_t height, uint32_t depth);

// Levels of a full mip chain down to 1 x 1 x 1: floor(log2(largest)) + 1.
uint32_t FullMipCount(uint32_t width, uint32_t height, uint32_t depth);

// Fills in kind, format, size, faces, levels and the subresource table and
// sizes the byte array for them (contents zero). False with the reason when
// the dimensions are 0, the level count is 0 or longer than the full chain,
// or the total does not fit in maxBytes; nothing is allocated then.
bool LayoutTextureImage(TextureImage* image, TextureKind kind, TextureFormat format,
                        uint32_t width, uint32_t height, uint32_t depth, uint32_t levels,
                        uint64_t maxBytes, std::string* error);

// Total bytes LayoutTextureImage would allocate; 0 on overflow or bad sizes.
uint64_t TextureImageBytes(TextureKind kind, TextureFormat format, uint32_t width,
                           uint32_t height, uint32_t depth, uint32_t levels);

// Checks that an image holds what its fields say: faces and depth match the
// kind, every level has the size of its place in the chain and lies inside
// the byte array, and the size is within the limits. The device checks this
// before it hands any byte to the driver.
bool ValidateTextureImage(const TextureImage& image, const TextureLimits& limits,
                          std::string* error);

}  // namespace platform
