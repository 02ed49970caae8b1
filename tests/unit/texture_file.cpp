// Image files through the texture reader, all made here in memory. Good
// files: each format and layout gives the texels, orientation and mip chain
// the Direct3D 9 loader gave (top row first, missing channels read as 1, a
// full box-filtered chain when the file has none). Bad files: each gives its
// own error and no image, and no cut-off prefix of a good file is read past
// its end (the asan preset checks that and the leaks).
#include "platform/fx/runtime/texture_file.h"
#include "platform/fx/1_read/1_read_textures.h"
#include "tests/support/image_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using platform::TextureImage;
using testing_support::Bytes;
using testing_support::DdsFile;
using Rgba = std::array<int, 4>;

Bytes Pixels(int width, int height, Rgba (*texel)(int x, int y)) {
    Bytes out;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c : texel(x, y)) out.push_back(static_cast<uint8_t>(c));
        }
    }
    return out;
}
Rgba Checker(int x, int y) {
    return ((x + y) & 1) != 0 ? Rgba{255, 255, 255, 255} : Rgba{0, 0, 0, 255};
}
Rgba Gradient(int x, int y) { return {x * 40, y * 60, 7, 255 - x}; }

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes Repeat(const Bytes& unit, size_t times) {
    Bytes out;
    for (size_t i = 0; i < times; ++i) out = out + unit;
    return out;
}
Bytes Solid(int width, int height, Rgba c) {
    return Repeat(Bytes(c.begin(), c.end()), static_cast<size_t>(width * height));
}
// A decode and the reason it gives, one error at the most.
bool Decode(const uint8_t* data, size_t size, const platform::TextureLimits& limits,
            TextureImage* image, std::string* error) {
    std::vector<fx::Message> messages;
    fx::MessageCollector sink(&messages);
    const bool ok = fx::DecodeTextureFile(data, size, limits, image, sink);
    EXPECT_LE(messages.size(), 1u);
    *error = messages.empty() ? std::string() : messages.back().text;
    return ok;
}

Bytes Cut(const Bytes& file, size_t keep) {
    return Bytes(file.begin(), file.begin() + static_cast<ptrdiff_t>(keep));
}

DdsFile Dds(DdsFile format, Bytes data, uint32_t width, uint32_t height) {
    format.data = std::move(data);
    return format.Size(width, height);
}
const auto Masks = DdsFile::Masks;
const DdsFile kArgb = Masks(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);

// One texel as R, G, B, A whatever the image's byte order.
Rgba TexelOf(const TextureImage& image, uint32_t face, uint32_t level, uint32_t x, uint32_t y,
             uint32_t z = 0) {
    const platform::TextureLevel& sub = image.Level(face, level);
    const uint8_t* p = image.Data(face, level) + ((size_t{z} * sub.height + y) * sub.width + x) * 4;
    if (image.format == platform::TextureFormat::BGRA8) return {p[2], p[1], p[0], p[3]};
    return {p[0], p[1], p[2], p[3]};
}

struct Texel {
    uint32_t face, level, x, y, z;
    Rgba rgba;
};
// A texel of the only face, in the front slice.
Texel At(uint32_t level, uint32_t x, uint32_t y, Rgba rgba) { return {0, level, x, y, 0, rgba}; }

struct GoodCase {
    const char* name;
    Bytes file;
    const char* shape;  // what DescribeTexture says
    std::vector<Texel> texels;
    int tolerance = 0;
};

std::vector<GoodCase> GoodCases() {
    namespace ts = testing_support;
    const Rgba grey{128, 128, 128, 255}, red{255, 0, 0, 255}, green{0, 255, 0, 255},
        blue{0, 0, 255, 255}, bgr{3, 2, 1, 255}, redHalf{255, 0, 0, 128}, tan{30, 20, 10, 255},
        grey565{132, 130, 132, 255};
    // A8R8G8B8 levels whose second is not the average of the first: a
    // file's own levels are kept, not remade.
    const Bytes ownLevels = Repeat({0x30, 0x20, 0x10, 0x40}, 4) + Bytes{1, 2, 3, 0xFE};
    Bytes faces;
    for (int face = 0; face < 6; ++face) faces = faces + Repeat({0, 0, uint8_t(face * 40), 255}, 4);
    const Bytes blueBlock = ts::CompressDxt(1, 4, 4, Solid(4, 4, blue));
    const Bytes blueChain = ts::CompressDxt(1, 8, 8, Solid(8, 8, blue)) + Repeat(blueBlock, 3);
    auto dxt = [](int format, Rgba c) { return ts::CompressDxt(format, 8, 8, Solid(8, 8, c)); };
    const Bytes gradient5x2 = Pixels(5, 2, Gradient);

    return {
        {"png checker", ts::EncodePng(4, 4, Pixels(4, 4, Checker)), "2D 4 x 4 RGBA8, 3 levels",
         {At(0, 0, 0, {0, 0, 0, 255}), At(0, 1, 0, {255, 255, 255, 255}), At(1, 1, 1, grey),
          At(2, 0, 0, grey)}},
        {"png odd size", ts::EncodePng(5, 3, Pixels(5, 3, Gradient)), "2D 5 x 3 RGBA8, 3 levels",
         {At(0, 4, 2, {160, 120, 7, 251}), At(1, 1, 0, {100, 30, 7, 253})}},
        {"png of plain rows", ts::PngWithData(5, 3, Pixels(5, 3, Gradient), 0, false),
         "2D 5 x 3 RGBA8, 3 levels", {At(0, 4, 2, {160, 120, 7, 251})}},
        {"jpeg", ts::EncodeJpeg(8, 8, Solid(8, 8, {200, 100, 50, 255})), "2D 8 x 8 RGBA8, 4 levels",
         {At(0, 3, 3, {200, 100, 50, 255})}, 3},
        {"tga run-length", ts::EncodeTga(5, 2, gradient5x2, true), "2D 5 x 2 RGBA8, 3 levels",
         {At(0, 0, 0, {0, 0, 7, 255}), At(0, 4, 1, {160, 60, 7, 251})}},
        {"tga raw", ts::EncodeTga(5, 2, gradient5x2, false), "2D 5 x 2 RGBA8, 3 levels",
         {At(0, 4, 1, {160, 60, 7, 251})}},
        {"bmp, padded bottom-up rows", ts::EncodeBmp(3, 2, Pixels(3, 2, Gradient)),
         "2D 3 x 2 RGBA8, 2 levels", {At(0, 0, 0, {0, 0, 7, 255}), At(0, 2, 1, {80, 60, 7, 255})}},
        {"dds A8R8G8B8, its own levels", Dds(kArgb, ownLevels, 2, 2).Mips(2),
         "2D 2 x 2 BGRA8, 2 levels", {At(0, 1, 1, {16, 32, 48, 64}), At(1, 0, 0, {3, 2, 1, 254})}},
        {"dds X8R8G8B8", Dds(Masks(32, 0xFF0000, 0xFF00, 0xFF, 0), Repeat({1, 2, 3, 4}, 4), 2, 2),
         "2D 2 x 2 BGRA8, 2 levels", {At(1, 0, 0, bgr)}},
        {"dds A8B8G8R8", Dds(Masks(32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000), {1, 2, 3, 4}, 1, 1),
         "2D 1 x 1 RGBA8, 1 level", {At(0, 0, 0, {1, 2, 3, 4})}},
        {"dds R8G8B8", Dds(Masks(24, 0xFF0000, 0xFF00, 0xFF, 0), {1, 2, 3}, 1, 1),
         "2D 1 x 1 BGRA8, 1 level", {At(0, 0, 0, bgr)}},
        {"dds R5G6B5",
         Dds(Masks(16, 0xF800, 0x7E0, 0x1F, 0), {0, 0xF8, 0xE0, 7, 0x1F, 0, 0x10, 0x84}, 4, 1),
         "2D 4 x 1 BGRA8, 3 levels",
         {At(0, 0, 0, red), At(0, 1, 0, green), At(0, 2, 0, blue), At(0, 3, 0, grey565)}},
        {"dds A1R5G5B5", Dds(Masks(16, 0x7C00, 0x3E0, 0x1F, 0x8000), {0, 0xFC, 0x1F, 0}, 2, 1),
         "2D 2 x 1 BGRA8, 2 levels", {At(0, 0, 0, red), At(0, 1, 0, {0, 0, 255, 0})}},
        {"dds A4R4G4B4", Dds(Masks(16, 0xF00, 0xF0, 0xF, 0xF000), {0xF0, 0x80}, 1, 1),
         "2D 1 x 1 BGRA8, 1 level", {At(0, 0, 0, {0, 255, 0, 136})}},
        {"dds L8", Dds(Masks(8, 0xFF, 0, 0, 0), {0x80}, 1, 1), "2D 1 x 1 BGRA8, 1 level",
         {At(0, 0, 0, grey)}},
        {"dds A8L8", Dds(Masks(16, 0xFF, 0, 0, 0xFF00), {0xC0, 0x40}, 1, 1),
         "2D 1 x 1 BGRA8, 1 level", {At(0, 0, 0, {192, 192, 192, 64})}},
        {"dds A8", Dds(Masks(8, 0, 0, 0, 0xFF), {0x7F}, 1, 1), "2D 1 x 1 BGRA8, 1 level",
         {At(0, 0, 0, {0, 0, 0, 127})}},
        // Wider channels are kept as floats (their values: tests/probe/samplers).
        {"dds G16R16", Dds(Masks(32, 0xFFFF, 0xFFFF0000, 0, 0), {0, 0, 0xFF, 0xFF}, 1, 1),
         "2D 1 x 1 RGBA32F, 1 level", {}},
        {"dds DXT1 with its levels", Dds(DdsFile::Dxt(1), blueChain, 8, 8).Mips(4),
         "2D 8 x 8 DXT1, 4 levels", {}},
        {"dds DXT5 without levels", Dds(DdsFile::Dxt(5), dxt(5, redHalf), 8, 8),
         "2D 8 x 8 RGBA8, 4 levels", {At(0, 7, 7, redHalf), At(3, 0, 0, redHalf)}, 1},
        {"dds DXT3 without levels", Dds(DdsFile::Dxt(3), dxt(3, {0, 255, 0, 0x88}), 8, 8),
         "2D 8 x 8 RGBA8, 4 levels", {At(0, 2, 2, {0, 255, 0, 136})}},
        {"dds cube", Dds(kArgb, faces, 2, 2).Cube(), "cube 2 x 2 BGRA8, 2 levels",
         {{3, 0, 1, 1, 0, {120, 0, 0, 255}}, {5, 1, 0, 0, 0, {200, 0, 0, 255}}}},
        {"dds volume", Dds(kArgb, Repeat({10, 20, 30, 255}, 8), 2, 2).Volume(2),
         "volume 2 x 2 x 2 BGRA8, 2 levels", {{0, 0, 1, 1, 1, tan}, At(1, 0, 0, tan)}},
        {"dds DXT1 volume, decoded", Dds(DdsFile::Dxt(1), Repeat(blueBlock, 2), 4, 4).Volume(2),
         "volume 4 x 4 x 2 RGBA8, 3 levels", {{0, 0, 3, 3, 1, blue}, At(2, 0, 0, blue)}},
    };
}

TEST(TextureFile, GoodFilesGiveTheirTexelsAndMipChains) {
    for (const GoodCase& c : GoodCases()) {
        SCOPED_TRACE(c.name);
        TextureImage image;
        std::string error;
        ASSERT_TRUE(Decode(c.file.data(), c.file.size(), {}, &image, &error))
            << error;
        EXPECT_EQ(platform::DescribeTexture(image), c.shape);
        EXPECT_TRUE(platform::ValidateTextureImage(image, {}, &error)) << error;
        for (const Texel& t : c.texels) {
            Rgba got = TexelOf(image, t.face, t.level, t.x, t.y, t.z);
            for (int i = 0; i < 4; ++i) {
                EXPECT_NEAR(got[i], t.rgba[i], c.tolerance)
                    << "face " << t.face << " level " << t.level << " (" << t.x << ", " << t.y
                    << ", " << t.z << ") channel " << i;
            }
        }
    }
}

// Every shorter prefix of a good file is refused with an error (or, for a
// PNG cut inside its closing chunk, read whole); never read past its end.
TEST(TextureFile, CutOffFilesAreRefusedWithoutReadingPastTheirEnd) {
    for (const GoodCase& c : GoodCases()) {
        SCOPED_TRACE(c.name);
        const bool png = std::string(c.name).rfind("png", 0) == 0;
        for (size_t length = 0; length < c.file.size(); ++length) {
            Bytes prefix = Cut(c.file, length);  // exact size: the sanitizer sees a read past it
            TextureImage image;
            std::string error;
            if (Decode(prefix.data(), prefix.size(), {}, &image, &error)) {
                EXPECT_TRUE(png && length + 12 >= c.file.size()) << "read a file cut at " << length;
            } else {
                EXPECT_FALSE(error.empty()) << length;
                EXPECT_TRUE(image.bytes.empty());
            }
        }
    }
}

Bytes PngClaiming(uint32_t width, uint32_t height) {
    Bytes png = testing_support::EncodePng(1, 1, {1, 2, 3, 4});
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));  // IHDR, big-endian
        png[20 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
    }
    return png;
}

DdsFile Edited(DdsFile dds, void (*edit)(DdsFile*)) {
    edit(&dds);
    return dds;
}

struct BadCase {
    const char* name;
    Bytes file;
    const char* error;  // a part of the error text
    platform::TextureLimits limits = {};
};

std::vector<BadCase> BadCases() {
    namespace ts = testing_support;
    const Bytes grey16 = Solid(16, 16, {9, 9, 9, 255});
    const Bytes png = ts::EncodePng(16, 16, grey16);
    Bytes damagedPng = png;
    for (size_t i = 40; i < damagedPng.size() - 12; ++i) damagedPng[i] ^= 0x5A;
    const Bytes jpeg = ts::EncodeJpeg(16, 16, grey16);
    const DdsFile argb = Dds(kArgb, Repeat({1, 2, 3, 4}, 4), 2, 2);
    const DdsFile dxt1 = Dds(DdsFile::Dxt(1), Bytes(8), 4, 4);
    platform::TextureLimits narrow, tinyBudget;
    narrow.maxSize = 64;
    tinyBudget.maxBytes = 1 << 16;

    return {
        {"empty", {}, "the file is empty"},
        {"text", {'t', 'e', 'x', 't'}, "not an image file (PNG, JPEG, TGA, BMP or DDS expected)"},
        {"gif", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0}, "GIF images are not supported"},
        {"png cut in its data", Cut(png, png.size() / 2), "damaged or truncated PNG image"},
        {"png with damaged data", damagedPng, "damaged or truncated PNG image"},
        {"png header only", Cut(png, 20), "damaged PNG header"},
        {"png wider than the device", PngClaiming(65, 2), "65 x 2, larger than the 64 texels",
         narrow},
        {"png of 16384 x 16384", PngClaiming(16384, 16384), "1365 MiB, more than the 256 MiB"},
        {"jpeg cut off", Cut(jpeg, jpeg.size() - 40),
         "damaged or truncated JPEG image (Premature end of JPEG file)"},
        {"jpeg cut in its header", Cut(jpeg, 30), "(Premature end of JPEG file)"},
        // 16 x 16 texels take 16 rows of 1 + 64 bytes: a stream holding
        // 64 MiB more is refused before it is expanded
        {"png bomb", ts::PngWithData(16, 16, grey16, size_t{64} << 20, false),
         "its compressed data expands past the 1040 bytes the rows of its 16 x 16 texels take"},
        {"png one byte over", ts::PngWithData(16, 16, grey16, 1, false), "past the 1040 bytes"},
        {"png with data after its stream", ts::PngWithData(16, 16, grey16, 0, true),
         "its compressed data goes on after the end of its stream"},
        {"bmp cut off", Cut(ts::EncodeBmp(16, 16, grey16), 812),
         "truncated BMP image: its header describes 822 bytes, the file holds 812"},
        {"tga cut off", Cut(ts::EncodeTga(16, 16, grey16, false), 100),
         "truncated TGA image: it needs at least 1042 bytes, the file holds 100"},
        {"tga run-length cut off", Cut(ts::EncodeTga(16, 16, grey16, true), 30),
         "truncated TGA image"},
        {"dds header only", Cut(kArgb, 60), "truncated DDS file: 60 bytes, less than its 128"},
        {"dds short of its data", Dds(kArgb, {1, 2, 3, 4}, 2, 2),
         "its header describes 16 bytes of image data, the file holds 4"},
        {"dds short of its levels", DdsFile(argb).Mips(2), "describes 20 bytes of image data"},
        {"dds header size", Edited(argb, [](DdsFile* d) { d->headerSize = 4000; }),
         "damaged DDS header"},
        {"dds pitch", Edited(argb, [](DdsFile* d) { d->flags |= 0x8, d->pitch = 12; }),
         "row pitch as 12 bytes, but 2 x 2 texels of its format take 8"},
        {"dds mip count", DdsFile(argb).Mips(40), "40 mip levels; a 2 x 2 image has at most 2"},
        {"dds no size", DdsFile(argb).Size(0, 2), "DDS image has no size (0 x 2)"},
        {"dds beyond every limit", DdsFile(argb).Size(0x80000000u, 1), "larger than the 16384"},
        {"dds of 16384 x 16384", DdsFile(argb).Size(16384, 16384),
         "describes 1073741824 bytes of image data, the file holds 16"},
        {"dds over the byte budget", Dds(kArgb, Repeat({1, 2, 3, 4}, 128 * 128), 128, 128),
         "takes 87380 bytes, more than the 65536 bytes a texture may take", tinyBudget},
        {"dds cube of five faces",
         Edited(DdsFile(argb).Cube(), [](DdsFile* d) { d->caps2 ^= 0x8000; }),
         "cube map without all six faces"},
        {"dds cube not square", DdsFile(argb).Size(2, 1).Cube(), "faces must be square"},
        {"dds volume too deep", DdsFile(argb).Volume(4096), "larger than the 2048 texels a volume"},
        {"dds DX10", Edited(dxt1, [](DdsFile* d) { d->fourCc = 0x30315844; }), "Direct3D 10"},
        {"dds 16-bit integers", Edited(dxt1, [](DdsFile* d) { d->fourCc = 36; }),
         "format number 36"},
        {"dds bump map", Edited(argb, [](DdsFile* d) { d->pixelFlags = 0x80000; }),
         "not supported (flags 0x80000)"},
        {"dds split mask", Dds(Masks(16, 0xF00F, 0xF0, 0, 0), Bytes(8), 2, 2), "one run of bits"},
    };
}

TEST(TextureFile, BadFilesGiveTheirErrorAndNoImage) {
    for (const BadCase& c : BadCases()) {
        SCOPED_TRACE(c.name);
        Bytes file = c.file;  // exact size: the sanitizer sees any read past it
        TextureImage image;
        std::string error;
        EXPECT_FALSE(Decode(file.data(), file.size(), c.limits, &image, &error));
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        EXPECT_TRUE(image.bytes.empty() && image.subresources.empty() && image.levels == 0);
    }
}

// The error lines for files that cannot be opened, and a file on disk read
// as its bytes are in memory.
TEST(TextureFile, FilesOnDisk) {
    char name[] = "/tmp/texture_file_XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    const std::filesystem::path dir = name;
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    const Bytes png = testing_support::EncodePng(4, 4, Solid(4, 4, {1, 2, 3, 4}));
    std::ofstream((dir / "a.png").string(), std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    platform::TextureLimits tiny;
    tiny.maxBytes = 16;
    const struct {
        std::string file;
        platform::TextureLimits limits;
        std::string error;
    } cases[] = {
        {"spark.png", {}, "cannot open texture 'spark.png': No such file or directory"},
        {".", {}, "cannot open texture '.': Is a directory"},
        {"pipe", {}, "cannot read texture 'pipe': not a regular file"},
        {"a.png", tiny, "cannot read texture 'a.png': the file is " + std::to_string(png.size()) +
                            " bytes, more than the 16 bytes a texture may take"},
    };
    TextureImage image;
    for (const auto& c : cases) {
        std::vector<fx::Message> messages;
        fx::MessageCollector sink(&messages);
        EXPECT_FALSE(fx::ReadTextureFile((dir / c.file).string(), c.file, c.limits, &image, sink));
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, c.error);
    }
    std::vector<fx::Message> messages;
    fx::MessageCollector sink(&messages);
    ASSERT_TRUE(fx::ReadTextureFile((dir / "a.png").string(), "a.png", {}, &image, sink))
        << fx::FormatMessage(messages.at(0), "main.fx");
    EXPECT_EQ(TexelOf(image, 0, 0, 3, 3), (Rgba{1, 2, 3, 4}));
    std::filesystem::remove_all(dir);
}

// The images of one effect share one budget: an effect that names a large
// image many times gets placeholders once the budget is spent, each said
// at its ResourceName, and nothing past the budget is read or decoded.
TEST(TextureFile, ImagesOfOneEffectShareOneBudget) {
    char name[] = "/tmp/texture_budget_XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    const std::filesystem::path dir = name;
    const Bytes png = testing_support::EncodePng(4, 4, Solid(4, 4, {1, 2, 3, 4}));
    std::ofstream((dir / "a.png").string(), std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    std::vector<fx::TextureDesc> textures;
    for (const char* texture : {"t0", "t1", "t2", "t3"}) {
        fx::TextureDesc t;
        t.name = texture;
        t.type = "texture";
        t.resourceName = "a.png";
        t.resourcePos.line = static_cast<int>(textures.size()) + 1;
        textures.push_back(t);
    }
    platform::TextureLimits limits;
    limits.maxLoadBytes = 2 * 84 + 83;  // 4 x 4 RGBA8 and its mips: 84 bytes
    std::vector<fx::TextureFile> files;
    std::vector<fx::Message> messages;
    fx::MessageCollector sink(&messages);
    ASSERT_TRUE(fx::ReadTextureFiles((dir / "main.fx").string(), textures, limits, &files, sink));
    ASSERT_EQ(files.size(), 4u);
    EXPECT_FALSE(files[0].placeholder || files[1].placeholder);
    EXPECT_TRUE(files[2].placeholder && files[3].placeholder);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].line, 3);
    EXPECT_EQ(messages[0].severity, fx::Severity::Warning);
    const std::string said = messages[0].text;
    EXPECT_EQ(said.rfind("cannot read texture 'a.png': ", 0), 0u) << said;
    const std::string tail =
        "more than the 83 bytes left of the 251 bytes all the effect's images may take";
    ASSERT_GE(said.size(), tail.size());
    EXPECT_EQ(said.substr(said.size() - tail.size()), tail) << said;
    EXPECT_EQ(messages[1].line, 4);
    EXPECT_EQ(messages[1].text, messages[0].text);
    std::filesystem::remove_all(dir);
}

}  // namespace
