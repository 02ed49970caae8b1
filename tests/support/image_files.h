// Image files made in memory for the texture tests and benchmarks: PNG, JPEG,
// TGA and BMP through stb_image_write, DXT blocks through stb_dxt, and DDS
// files written here from their documented header layout.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

using Bytes = std::vector<uint8_t>;

// width x height RGBA texels, top row first.
Bytes EncodePng(int width, int height, const Bytes& rgba);
Bytes EncodeJpeg(int width, int height, const Bytes& rgba);
Bytes EncodeTga(int width, int height, const Bytes& rgba, bool runLength);
Bytes EncodeBmp(int width, int height, const Bytes& rgba);  // 24-bit, bottom-up rows

// A PNG whose one zlib stream holds the rows of the image, then `extra`
// zero bytes more (a decompression bomb behind an honest header when large),
// then, when `trailing`, a second stream after the first one's end. Rows
// are unfiltered RGBA.
Bytes PngWithData(int width, int height, const Bytes& rgba, size_t extra, bool trailing);

// RGBA texels (width and height multiples of 4) as DXT1 (colour only),
// DXT3 or DXT5 blocks; format is 1, 3 or 5.
Bytes CompressDxt(int format, int width, int height, const Bytes& rgba);

// The header of a DDS file; Build() appends the data after it.
struct DdsFile {
    uint32_t flags = 0x1 | 0x2 | 0x4 | 0x1000;  // caps, height, width, pixel format
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t pitch = 0;
    uint32_t depth = 0;
    uint32_t mipCount = 0;
    uint32_t headerSize = 124;
    uint32_t pixelSize = 32;
    uint32_t pixelFlags = 0;
    uint32_t fourCc = 0;
    uint32_t bitCount = 0;
    uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
    uint32_t caps = 0x1000;
    uint32_t caps2 = 0;
    Bytes data;

    // The pixel formats of the tests.
    static DdsFile Masks(uint32_t bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a);
    static DdsFile Dxt(int format);  // 1, 3 or 5
    DdsFile& Size(uint32_t w, uint32_t h) { width = w; height = h; return *this; }
    DdsFile& Mips(uint32_t count);
    DdsFile& Cube();
    DdsFile& Volume(uint32_t d);
    Bytes Build() const;
    operator Bytes() const { return Build(); }  // so that tables of files read as files
};

}  // namespace testing_support
