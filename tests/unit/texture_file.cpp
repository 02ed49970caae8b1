// Image files through the texture reader, all made here in memory. Good
// files: each format and layout gives the texels, orientation and mip chain
// the Direct3D 9 loader gave (top row first, missing channels read as 1, a
// full box-filtered chain when the file has none). Bad files: each gives its
// own error and no image, and no cut-off prefix of a good file is read past
// its end (the asan preset checks that and the leaks).
#include "platform/fx/texture_file.h"
#include "tests/support/image_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using platform::TextureFormat;
using platform::TextureImage;
using platform::TextureKind;
using testing_support::Bytes;
using testing_support::DdsFile;
using Rgba = std::array<int, 4>;

// width x height texels from a function of (x, y).
Bytes Pixels(int width, int height, const std::function<Rgba(int, int)>& texel) {
    Bytes out;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c : texel(x, y)) out.push_back(static_cast<uint8_t>(c));
        }
    }
    return out;
}

Bytes Solid(int width, int height, Rgba colour) {
    return Pixels(width, height, [&](int, int) { return colour; });
}

Bytes Repeat(const Bytes& unit, int times) {
    Bytes out;
    for (int i = 0; i < times; ++i) out.insert(out.end(), unit.begin(), unit.end());
    return out;
}

DdsFile WithData(DdsFile dds, Bytes data) {
    dds.data = std::move(data);
    return dds;
}

const DdsFile kArgb = DdsFile::Masks(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
const DdsFile kXrgb = DdsFile::Masks(32, 0xFF0000, 0xFF00, 0xFF, 0);
const DdsFile kAbgr = DdsFile::Masks(32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000);
const DdsFile kRgb24 = DdsFile::Masks(24, 0xFF0000, 0xFF00, 0xFF, 0);
const DdsFile kR5G6B5 = DdsFile::Masks(16, 0xF800, 0x07E0, 0x001F, 0);
const DdsFile kA1R5G5B5 = DdsFile::Masks(16, 0x7C00, 0x03E0, 0x001F, 0x8000);
const DdsFile kA4R4G4B4 = DdsFile::Masks(16, 0x0F00, 0x00F0, 0x000F, 0xF000);
const DdsFile kL8 = DdsFile::Masks(8, 0xFF, 0, 0, 0);
const DdsFile kA8L8 = DdsFile::Masks(16, 0xFF, 0, 0, 0xFF00);
const DdsFile kA8 = DdsFile::Masks(8, 0, 0, 0, 0xFF);
const DdsFile kG16R16 = DdsFile::Masks(32, 0xFFFF, 0xFFFF0000, 0, 0);

// One texel as R, G, B, A whatever the image's byte order.
Rgba TexelOf(const TextureImage& image, uint32_t face, uint32_t level, uint32_t x, uint32_t y,
             uint32_t z = 0) {
    const platform::TextureLevel& sub = image.Level(face, level);
    const uint8_t* p = image.Data(face, level) + ((size_t{z} * sub.height + y) * sub.width + x) * 4;
    if (image.format == TextureFormat::BGRA8) return {p[2], p[1], p[0], p[3]};
    return {p[0], p[1], p[2], p[3]};
}

struct TexelCheck {
    uint32_t face, level, x, y, z;
    Rgba rgba;
};

struct GoodCase {
    const char* name;
    Bytes file;
    TextureKind kind;
    TextureFormat format;
    uint32_t width, height, depth, levels;
    std::vector<TexelCheck> texels;  // RGBA8 / BGRA8 images
    int tolerance = 0;
};

std::vector<GoodCase> GoodCases() {
    const Rgba black{0, 0, 0, 255}, white{255, 255, 255, 255}, grey{128, 128, 128, 255};
    auto checker = [&](int x, int y) { return ((x + y) & 1) != 0 ? white : black; };
    auto gradient = [](int x, int y) { return Rgba{x * 40, y * 60, 7, 255 - x}; };
    const TextureKind flat = TextureKind::Texture2D;
    // Two 2 x 2 levels of A8R8G8B8 whose second level is not the average of
    // the first: a file's own levels are kept, not remade.
    Bytes argbLevels = {0x30, 0x20, 0x10, 0x40, 0x30, 0x20, 0x10, 0x40, 0x30, 0x20, 0x10, 0x40,
                        0x30, 0x20, 0x10, 0x40, 0x01, 0x02, 0x03, 0xFE};
    Bytes cubeFaces;
    for (int face = 0; face < 6; ++face) {
        for (int t = 0; t < 4; ++t) cubeFaces.insert(cubeFaces.end(), {0, 0, uint8_t(face * 40), 255});
    }
    const Bytes red = Solid(8, 8, {255, 0, 0, 128});
    Bytes dxt1Chain = testing_support::CompressDxt(1, 8, 8, Solid(8, 8, {0, 0, 255, 255}));
    for (int level = 0; level < 3; ++level) {
        Bytes block = testing_support::CompressDxt(1, 4, 4, Solid(4, 4, {0, 0, 255, 255}));
        dxt1Chain.insert(dxt1Chain.end(), block.begin(), block.end());
    }

    return {
        {"png checker", testing_support::EncodePng(4, 4, Pixels(4, 4, checker)), flat,
         TextureFormat::RGBA8, 4, 4, 1, 3, {{0, 0, 0, 0, 0, black}, {0, 0, 1, 0, 0, white},
         {0, 1, 1, 1, 0, grey}, {0, 2, 0, 0, 0, grey}}},
        {"png odd size", testing_support::EncodePng(5, 3, Pixels(5, 3, gradient)), flat,
         TextureFormat::RGBA8, 5, 3, 1, 3, {{0, 0, 4, 2, 0, {160, 120, 7, 251}},
         {0, 1, 1, 0, 0, {100, 30, 7, 253}}}},
        {"jpeg", testing_support::EncodeJpeg(8, 8, Solid(8, 8, {200, 100, 50, 255})), flat,
         TextureFormat::RGBA8, 8, 8, 1, 4, {{0, 0, 3, 3, 0, {200, 100, 50, 255}}}, 3},
        {"tga run-length", testing_support::EncodeTga(5, 2, Pixels(5, 2, gradient), true), flat,
         TextureFormat::RGBA8, 5, 2, 1, 3, {{0, 0, 0, 0, 0, {0, 0, 7, 255}},
         {0, 0, 4, 1, 0, {160, 60, 7, 251}}}},
        {"tga raw", testing_support::EncodeTga(5, 2, Pixels(5, 2, gradient), false), flat,
         TextureFormat::RGBA8, 5, 2, 1, 3, {{0, 0, 4, 1, 0, {160, 60, 7, 251}}}},
        {"bmp, padded bottom-up rows", testing_support::EncodeBmp(3, 2, Pixels(3, 2, gradient)),
         flat, TextureFormat::RGBA8, 3, 2, 1, 2, {{0, 0, 0, 0, 0, {0, 0, 7, 255}},
         {0, 0, 2, 1, 0, {80, 60, 7, 255}}}},
        {"dds A8R8G8B8, its own levels", WithData(kArgb, argbLevels).Size(2, 2).Mips(2).Build(),
         flat, TextureFormat::BGRA8, 2, 2, 1, 2, {{0, 0, 1, 1, 0, {0x10, 0x20, 0x30, 0x40}},
         {0, 1, 0, 0, 0, {0x03, 0x02, 0x01, 0xFE}}}},
        {"dds X8R8G8B8", WithData(kXrgb, Repeat({1, 2, 3, 4}, 4)).Size(2, 2).Build(), flat,
         TextureFormat::BGRA8, 2, 2, 1, 2, {{0, 1, 0, 0, 0, {3, 2, 1, 255}}}},
        {"dds A8B8G8R8", WithData(kAbgr, Repeat({1, 2, 3, 4}, 4)).Size(2, 2).Build(), flat,
         TextureFormat::RGBA8, 2, 2, 1, 2, {{0, 0, 0, 0, 0, {1, 2, 3, 4}}}},
        {"dds R8G8B8", WithData(kRgb24, {1, 2, 3}).Size(1, 1).Build(), flat,
         TextureFormat::BGRA8, 1, 1, 1, 1, {{0, 0, 0, 0, 0, {3, 2, 1, 255}}}},
        {"dds R5G6B5", WithData(kR5G6B5, {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0x10, 0x84})
                           .Size(4, 1).Build(),
         flat, TextureFormat::BGRA8, 4, 1, 1, 3, {{0, 0, 0, 0, 0, {255, 0, 0, 255}},
         {0, 0, 1, 0, 0, {0, 255, 0, 255}}, {0, 0, 2, 0, 0, {0, 0, 255, 255}},
         {0, 0, 3, 0, 0, {132, 130, 132, 255}}}},
        {"dds A1R5G5B5", WithData(kA1R5G5B5, {0x00, 0xFC, 0x1F, 0x00}).Size(2, 1).Build(), flat,
         TextureFormat::BGRA8, 2, 1, 1, 2, {{0, 0, 0, 0, 0, {255, 0, 0, 255}},
         {0, 0, 1, 0, 0, {0, 0, 255, 0}}}},
        {"dds A4R4G4B4", WithData(kA4R4G4B4, {0xF0, 0x80}).Size(1, 1).Build(), flat,
         TextureFormat::BGRA8, 1, 1, 1, 1, {{0, 0, 0, 0, 0, {0, 255, 0, 136}}}},
        {"dds L8", WithData(kL8, {0x80}).Size(1, 1).Build(), flat, TextureFormat::BGRA8, 1, 1,
         1, 1, {{0, 0, 0, 0, 0, {128, 128, 128, 255}}}},
        {"dds A8L8", WithData(kA8L8, {0xC0, 0x40}).Size(1, 1).Build(), flat,
         TextureFormat::BGRA8, 1, 1, 1, 1, {{0, 0, 0, 0, 0, {192, 192, 192, 64}}}},
        {"dds A8", WithData(kA8, {0x7F}).Size(1, 1).Build(), flat, TextureFormat::BGRA8, 1, 1,
         1, 1, {{0, 0, 0, 0, 0, {0, 0, 0, 127}}}},
        {"dds G16R16", WithData(kG16R16, {0, 0, 0xFF, 0xFF}).Size(1, 1).Build(), flat,
         TextureFormat::BGRA8, 1, 1, 1, 1, {{0, 0, 0, 0, 0, {0, 255, 255, 255}}}},
        {"dds DXT1 with its levels", WithData(DdsFile::Dxt(1), dxt1Chain).Size(8, 8).Mips(4).Build(),
         flat, TextureFormat::DXT1, 8, 8, 1, 4, {}},
        {"dds DXT5 without levels", WithData(DdsFile::Dxt(5), testing_support::CompressDxt(5, 8, 8, red))
                                        .Size(8, 8).Build(),
         flat, TextureFormat::RGBA8, 8, 8, 1, 4, {{0, 0, 7, 7, 0, {255, 0, 0, 128}},
         {0, 3, 0, 0, 0, {255, 0, 0, 128}}}, 1},
        {"dds DXT3 without levels",
         WithData(DdsFile::Dxt(3), testing_support::CompressDxt(3, 4, 4, Solid(4, 4, {0, 255, 0, 0x88})))
             .Size(4, 4).Build(),
         flat, TextureFormat::RGBA8, 4, 4, 1, 3, {{0, 0, 2, 2, 0, {0, 255, 0, 136}}}},
        {"dds cube", WithData(kArgb, cubeFaces).Size(2, 2).Cube().Build(), TextureKind::Cube,
         TextureFormat::BGRA8, 2, 2, 1, 2, {{3, 0, 1, 1, 0, {120, 0, 0, 255}},
         {5, 1, 0, 0, 0, {200, 0, 0, 255}}}},
        {"dds volume", WithData(kArgb, Repeat({10, 20, 30, 255}, 8)).Size(2, 2).Volume(2).Build(),
         TextureKind::Volume, TextureFormat::BGRA8, 2, 2, 2, 2, {{0, 0, 1, 1, 1, {30, 20, 10, 255}},
         {0, 1, 0, 0, 0, {30, 20, 10, 255}}}},
        {"dds DXT1 volume, decoded",
         WithData(DdsFile::Dxt(1), Repeat(testing_support::CompressDxt(1, 4, 4, Solid(4, 4, {0, 0, 255, 255})), 2))
             .Size(4, 4).Volume(2).Build(),
         TextureKind::Volume, TextureFormat::RGBA8, 4, 4, 2, 3, {{0, 0, 3, 3, 1, {0, 0, 255, 255}},
         {0, 2, 0, 0, 0, {0, 0, 255, 255}}}},
    };
}

TEST(TextureFile, GoodFilesGiveTheirTexelsAndMipChains) {
    for (const GoodCase& c : GoodCases()) {
        SCOPED_TRACE(c.name);
        TextureImage image;
        std::string error;
        ASSERT_TRUE(fx::DecodeTextureFile(c.file.data(), c.file.size(), {}, &image, &error))
            << error;
        EXPECT_EQ(image.kind, c.kind);
        EXPECT_EQ(platform::TextureFormatName(image.format), std::string(platform::TextureFormatName(c.format)));
        EXPECT_EQ(image.width, c.width);
        EXPECT_EQ(image.height, c.height);
        EXPECT_EQ(image.depth, c.depth);
        EXPECT_EQ(image.levels, c.levels);
        std::string invalid;
        EXPECT_TRUE(platform::ValidateTextureImage(image, {}, &invalid)) << invalid;
        for (const TexelCheck& t : c.texels) {
            Rgba got = TexelOf(image, t.face, t.level, t.x, t.y, t.z);
            for (int i = 0; i < 4; ++i) {
                EXPECT_NEAR(got[i], t.rgba[i], c.tolerance)
                    << "face " << t.face << " level " << t.level << " (" << t.x << ", " << t.y
                    << ", " << t.z << ") channel " << i;
            }
        }
    }
}

// Every shorter prefix of a good file is refused with an error, or (for
// the end of a PNG, after its image data) read completely; never past its end.
TEST(TextureFile, CutOffFilesAreRefusedWithoutReadingPastTheirEnd) {
    for (const GoodCase& c : GoodCases()) {
        SCOPED_TRACE(c.name);
        const bool png = std::string(c.name).rfind("png", 0) == 0;
        for (size_t length = 0; length < c.file.size(); ++length) {
            // An exact-size copy, so that the sanitizer sees a read past it.
            Bytes prefix(c.file.begin(), c.file.begin() + static_cast<ptrdiff_t>(length));
            TextureImage image;
            std::string error;
            bool ok = fx::DecodeTextureFile(prefix.data(), prefix.size(), {}, &image, &error);
            if (ok) {
                EXPECT_TRUE(png && length + 12 >= c.file.size()) << "read a file cut at " << length;
            } else {
                EXPECT_FALSE(error.empty()) << length;
                EXPECT_TRUE(image.bytes.empty());
            }
        }
    }
}

struct BadCase {
    const char* name;
    Bytes file;
    const char* error;  // a part of the error text
    platform::TextureLimits limits = {};
};

Bytes PngHeaderClaiming(uint32_t width, uint32_t height) {
    Bytes png = testing_support::EncodePng(1, 1, {1, 2, 3, 4});
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));  // IHDR width, big-endian
        png[20 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
    }
    return png;
}

std::vector<BadCase> BadCases() {
    const Bytes texel = {1, 2, 3, 4};
    const Bytes png = testing_support::EncodePng(16, 16, Solid(16, 16, {9, 9, 9, 255}));
    Bytes damagedPng = png;
    for (size_t i = 40; i < damagedPng.size() - 12; ++i) damagedPng[i] ^= 0x5A;
    const Bytes jpeg = testing_support::EncodeJpeg(16, 16, Solid(16, 16, {9, 9, 9, 255}));
    const Bytes bmp = testing_support::EncodeBmp(16, 16, Solid(16, 16, {9, 9, 9, 255}));
    const Bytes tga = testing_support::EncodeTga(16, 16, Solid(16, 16, {9, 9, 9, 255}), false);
    const Bytes argb2x2 = Repeat(texel, 4);
    auto cut = [](const Bytes& b, size_t keep) { return Bytes(b.begin(), b.begin() + static_cast<ptrdiff_t>(keep)); };
    DdsFile hugeHeader = WithData(kArgb, argb2x2).Size(2, 2);
    hugeHeader.headerSize = 4000;
    DdsFile badPitch = WithData(kArgb, argb2x2).Size(2, 2);
    badPitch.flags |= 0x8;
    badPitch.pitch = 12;
    DdsFile fiveFaces = WithData(kArgb, Repeat(texel, 30)).Size(2, 2).Cube();
    fiveFaces.caps2 &= ~0x8000u;
    DdsFile dx10 = DdsFile::Dxt(1).Size(4, 4);
    dx10.fourCc = 0x30315844;  // "DX10"
    DdsFile floats = DdsFile::Dxt(1).Size(4, 4);
    floats.fourCc = 116;  // 32-bit float RGBA
    DdsFile bump = WithData(kArgb, argb2x2).Size(2, 2);
    bump.pixelFlags = 0x80000;
    DdsFile splitMask = WithData(DdsFile::Masks(16, 0xF00F, 0x0F0, 0, 0), Repeat({0, 0}, 4)).Size(2, 2);
    platform::TextureLimits small;
    small.maxSize = 64;
    platform::TextureLimits tinyBudget;
    tinyBudget.maxBytes = 1 << 16;

    return {
        {"empty", {}, "empty"},
        {"text", Bytes{'t', 'e', 'x', 't', ' ', 'f', 'i', 'l', 'e', '\n'}, "not an image file"},
        {"gif", Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0}, "GIF images are not supported"},
        {"png cut in its data", cut(png, png.size() / 2), "PNG"},
        {"png with damaged data", damagedPng, "damaged or truncated PNG"},
        {"png header only", cut(png, 20), "damaged PNG header"},
        {"png wider than the device", PngHeaderClaiming(65, 2), "larger than the 64 texels", small},
        {"png of 16384 x 16384", PngHeaderClaiming(16384, 16384), "1365 MiB, more than the 256 MiB"},
        {"jpeg cut off", cut(jpeg, jpeg.size() - 40), "damaged or truncated JPEG"},
        {"bmp cut off", cut(bmp, bmp.size() - 10), "truncated BMP image: its header describes 822 bytes"},
        {"tga cut off", cut(tga, 100), "truncated TGA image: it needs at least 1042 bytes"},
        {"dds header only", cut(kArgb.Build(), 60), "less than its 128-byte header"},
        {"dds short of its data", WithData(kArgb, Repeat(texel, 3)).Size(2, 2).Build(),
         "header describes 16 bytes of image data, the file holds 12"},
        {"dds short of its levels", WithData(kArgb, argb2x2).Size(2, 2).Mips(2).Build(),
         "header describes 20 bytes"},
        {"dds header size", hugeHeader.Build(), "damaged DDS header"},
        {"dds pitch", badPitch.Build(), "row pitch as 12 bytes, but 2 x 2 texels of its format take 8"},
        {"dds mip count", WithData(kArgb, argb2x2).Size(2, 2).Mips(40).Build(),
         "lists 40 mip levels; a 2 x 2 image has at most 2"},
        {"dds no size", WithData(kArgb, argb2x2).Size(0, 2).Build(), "no size"},
        {"dds beyond every limit", WithData(kArgb, argb2x2).Size(0x80000000u, 0x80000000u).Build(),
         "larger than the 16384 texels"},
        {"dds of 16384 x 16384", WithData(kArgb, argb2x2).Size(16384, 16384).Build(),
         "header describes 1073741824 bytes of image data, the file holds 16"},
        {"dds over the byte budget", WithData(kArgb, Repeat(texel, 128 * 128)).Size(128, 128).Build(),
         "more than the 65536 bytes a texture may take", tinyBudget},
        {"dds cube of five faces", fiveFaces.Build(), "without all six faces"},
        {"dds cube not square", WithData(kArgb, Repeat(texel, 12)).Size(2, 1).Cube().Build(),
         "faces must be square"},
        {"dds volume deeper than the device", WithData(kArgb, argb2x2).Size(1, 1).Volume(4096).Build(),
         "larger than the 2048 texels a volume"},
        {"dds DX10", dx10.Build(), "Direct3D 10 header"},
        {"dds floats", floats.Build(), "Direct3D format number 116"},
        {"dds bump map", bump.Build(), "not supported (flags 0x80000)"},
        {"dds split mask", splitMask.Build(), "not one run of bits"},
    };
}

TEST(TextureFile, BadFilesGiveTheirErrorAndNoImage) {
    for (const BadCase& c : BadCases()) {
        SCOPED_TRACE(c.name);
        Bytes file = c.file;  // exact size: the sanitizer sees any read past it
        TextureImage image;
        image.levels = 99;
        std::string error;
        EXPECT_FALSE(fx::DecodeTextureFile(file.data(), file.size(), c.limits, &image, &error));
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        EXPECT_TRUE(image.bytes.empty());
        EXPECT_EQ(image.levels, 0u);
    }
}

// What the effect loader shows for files it cannot open, and that a file on
// disk reads as the same bytes in memory do.
TEST(TextureFile, FilesOnDiskAndTheirErrorLines) {
    char name[] = "/tmp/texture_file_XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    const std::filesystem::path dir = name;
    const platform::TextureLimits limits;
    TextureImage image;
    fx::TextureFileError error;

    EXPECT_FALSE(fx::ReadTextureFile((dir / "spark.png").string(), limits, &image, &error));
    EXPECT_EQ(fx::TextureErrorText("spark.png", error),
              "cannot open texture 'spark.png': No such file or directory");
    EXPECT_FALSE(fx::ReadTextureFile(dir.string(), limits, &image, &error));
    EXPECT_EQ(fx::TextureErrorText("dir", error), "cannot open texture 'dir': Is a directory");
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    EXPECT_FALSE(fx::ReadTextureFile((dir / "pipe").string(), limits, &image, &error));
    EXPECT_EQ(fx::TextureErrorText("pipe", error), "cannot read texture 'pipe': not a regular file");

    const Bytes png = testing_support::EncodePng(4, 4, Solid(4, 4, {1, 2, 3, 4}));
    std::ofstream((dir / "big.png").string(), std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    platform::TextureLimits tiny;
    tiny.maxBytes = 16;
    EXPECT_FALSE(fx::ReadTextureFile((dir / "big.png").string(), tiny, &image, &error));
    EXPECT_NE(error.text.find("the file is " + std::to_string(png.size()) + " bytes, more than the 16 bytes"), std::string::npos) << error.text;
    ASSERT_TRUE(fx::ReadTextureFile((dir / "big.png").string(), limits, &image, &error)) << error.text;
    EXPECT_EQ(TexelOf(image, 0, 0, 3, 3), (Rgba{1, 2, 3, 4}));
    std::filesystem::remove_all(dir);
}

}  // namespace
