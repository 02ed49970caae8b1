#include "tests/support/image_files.h"

#include <stb/stb_dxt.h>
#include <stb/stb_image_write.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace testing_support {

namespace {

void Append(void* context, void* data, int size) {
    auto* out = static_cast<Bytes*>(context);
    const auto* bytes = static_cast<const uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

void Put32(Bytes* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t FourCc(const char* code) {
    return uint32_t(uint8_t(code[0])) | (uint32_t(uint8_t(code[1])) << 8) |
           (uint32_t(uint8_t(code[2])) << 16) | (uint32_t(uint8_t(code[3])) << 24);
}

}  // namespace

Bytes EncodePng(int width, int height, const Bytes& rgba) {
    Bytes out;
    stbi_write_png_to_func(Append, &out, width, height, 4, rgba.data(), width * 4);
    return out;
}

Bytes PngWithData(int width, int height, const Bytes& rgba, size_t extra, bool trailing) {
    Bytes raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // filter: none
        raw.insert(raw.end(), rgba.begin() + y * width * 4, rgba.begin() + (y + 1) * width * 4);
    }
    Bytes packed;
    auto deflateAll = [&](const Bytes& head, size_t zeros) {
        z_stream z{};
        deflateInit(&z, 9);
        const Bytes block(size_t{1} << 16, 0);
        uint8_t out[1 << 16];
        auto feed = [&](const Bytes& in, size_t count, int flush) {
            z.next_in = const_cast<uint8_t*>(in.data());
            z.avail_in = static_cast<uInt>(count);
            do {
                z.next_out = out;
                z.avail_out = sizeof out;
                deflate(&z, flush);
                packed.insert(packed.end(), out, out + (sizeof out - z.avail_out));
            } while (z.avail_out == 0);
        };
        feed(head, head.size(), Z_NO_FLUSH);
        for (; zeros > 0; zeros -= std::min(zeros, block.size())) {
            feed(block, std::min(zeros, block.size()), Z_NO_FLUSH);
        }
        feed({}, 0, Z_FINISH);
        deflateEnd(&z);
    };
    deflateAll(raw, extra);
    if (trailing) deflateAll(raw, 0);

    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto chunk = [&](const char* type, const Bytes& data) {
        Bytes body(type, type + 4);
        body.insert(body.end(), data.begin(), data.end());
        for (int i = 3; i >= 0; --i) png.push_back(static_cast<uint8_t>(data.size() >> (8 * i)));
        png.insert(png.end(), body.begin(), body.end());
        const uLong crc = crc32(0, body.data(), static_cast<uInt>(body.size()));
        for (int i = 3; i >= 0; --i) png.push_back(static_cast<uint8_t>(crc >> (8 * i)));
    };
    Bytes header;
    for (uint32_t v : {uint32_t(width), uint32_t(height)}) {
        for (int i = 3; i >= 0; --i) header.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, not interlaced
    chunk("IHDR", header);
    for (size_t at = 0; at < packed.size(); at += size_t{1} << 20) {
        chunk("IDAT", Bytes(packed.begin() + at,
                            packed.begin() + std::min(packed.size(), at + (size_t{1} << 20))));
    }
    chunk("IEND", {});
    return png;
}

Bytes EncodeJpeg(int width, int height, const Bytes& rgba) {
    Bytes out;
    stbi_write_jpg_to_func(Append, &out, width, height, 4, rgba.data(), 95);
    return out;
}

Bytes EncodeTga(int width, int height, const Bytes& rgba, bool runLength) {
    Bytes out;
    int saved = stbi_write_tga_with_rle;
    stbi_write_tga_with_rle = runLength ? 1 : 0;
    stbi_write_tga_to_func(Append, &out, width, height, 4, rgba.data());
    stbi_write_tga_with_rle = saved;
    return out;
}

Bytes EncodeBmp(int width, int height, const Bytes& rgba) {
    Bytes rgb;
    for (size_t i = 0; i < rgba.size(); i += 4) rgb.insert(rgb.end(), &rgba[i], &rgba[i] + 3);
    Bytes out;
    stbi_write_bmp_to_func(Append, &out, width, height, 3, rgb.data());
    return out;
}

Bytes CompressDxt(int format, int width, int height, const Bytes& rgba) {
    Bytes out;
    for (int by = 0; by < height; by += 4) {
        for (int bx = 0; bx < width; bx += 4) {
            uint8_t block[16 * 4];
            for (int t = 0; t < 16; ++t) {
                std::memcpy(block + t * 4, &rgba[((by + t / 4) * width + bx + t % 4) * 4], 4);
            }
            uint8_t encoded[16];
            if (format == 1) {
                stb_compress_dxt_block(encoded, block, 0, STB_DXT_HIGHQUAL);
                out.insert(out.end(), encoded, encoded + 8);
            } else if (format == 5) {
                stb_compress_dxt_block(encoded, block, 1, STB_DXT_HIGHQUAL);
                out.insert(out.end(), encoded, encoded + 16);
            } else {
                // Four bits of alpha per texel, then a colour-only block.
                for (int t = 0; t < 16; t += 2) {
                    out.push_back(static_cast<uint8_t>((block[t * 4 + 3] >> 4) |
                                                       (block[t * 4 + 7] & 0xF0)));
                }
                stb_compress_dxt_block(encoded, block, 0, STB_DXT_HIGHQUAL);
                out.insert(out.end(), encoded, encoded + 8);
            }
        }
    }
    return out;
}

DdsFile DdsFile::Masks(uint32_t bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    DdsFile dds;
    dds.bitCount = bits;
    dds.masks[0] = r;
    dds.masks[1] = g;
    dds.masks[2] = b;
    dds.masks[3] = a;
    if (r == 0 && g == 0 && b == 0) {
        dds.pixelFlags = 0x2;  // alpha only
    } else if (g == 0 && b == 0) {
        dds.pixelFlags = 0x20000 | (a != 0 ? 0x1 : 0);  // luminance
    } else {
        dds.pixelFlags = 0x40 | (a != 0 ? 0x1 : 0);  // RGB
    }
    return dds;
}

DdsFile DdsFile::Dxt(int format) {
    DdsFile dds;
    dds.pixelFlags = 0x4;
    dds.fourCc = FourCc(format == 1 ? "DXT1" : format == 3 ? "DXT3" : "DXT5");
    return dds;
}

DdsFile& DdsFile::Mips(uint32_t count) {
    flags |= 0x20000;
    caps |= 0x8 | 0x400000;
    mipCount = count;
    return *this;
}

DdsFile& DdsFile::Cube() {
    caps |= 0x8;
    caps2 |= 0x200 | 0xFC00;
    return *this;
}

DdsFile& DdsFile::Volume(uint32_t d) {
    flags |= 0x800000;
    caps |= 0x8;
    caps2 |= 0x200000;
    depth = d;
    return *this;
}

Bytes DdsFile::Build() const {
    Bytes out = {'D', 'D', 'S', ' '};
    const uint32_t head[] = {headerSize, flags, height, width, pitch, depth, mipCount};
    for (uint32_t v : head) Put32(&out, v);
    for (int i = 0; i < 11; ++i) Put32(&out, 0);
    const uint32_t pixel[] = {pixelSize, pixelFlags, fourCc, bitCount,
                              masks[0],  masks[1],   masks[2], masks[3]};
    for (uint32_t v : pixel) Put32(&out, v);
    const uint32_t tail[] = {caps, caps2, 0, 0, 0};
    for (uint32_t v : tail) Put32(&out, v);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

}  // namespace testing_support
