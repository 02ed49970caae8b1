#include "platform/fx/runtime/texture_file.h"

#include "platform/fx/runtime/image_decoders.h"
#include "platform/fx/runtime/texture_dds.h"
#include "platform/fx/runtime/texture_shared.h"

#include <fcntl.h>
#include <stb/stb_image.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace fx {

using platform::TextureFormat;
using platform::TextureImage;
using platform::TextureKind;
using platform::TextureLimits;

namespace {

std::string StbReason() {
    const char* reason = stbi_failure_reason();
    return reason != nullptr ? reason : "no reason given";
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
bool BmpComplete(const uint8_t* data, size_t size, MessageSink& messages) {
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
        messages.Error("truncated BMP image: the file ends inside its header");
        return false;
    }
    if (compression != 0 && compression != 3 && compression != 6) return true;
    uint64_t rowBits = 0, pixels = 0, needed = 0;
    if (__builtin_mul_overflow(width, bits, &rowBits) ||
        __builtin_mul_overflow((rowBits + 31) / 32 * 4, height, &pixels) ||
        __builtin_add_overflow(pixels, std::max<uint64_t>(offset, 14 + uint64_t{headerSize}),
                               &needed)) {
        messages.Error("damaged BMP header: " +
                       ImageSize(static_cast<uint32_t>(width), static_cast<uint32_t>(height)) +
                       " texels of " + std::to_string(bits) + " bits");
        return false;
    }
    if (needed <= size) return true;
    messages.Error("truncated BMP image: its header describes " + std::to_string(needed) +
                   " bytes, the file holds " + std::to_string(size));
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
                             TextureImage* image, MessageSink& messages) {
    if (!WithinEdgeLimit(TextureKind::Texture2D, w, h, 1, limits, messages)) return false;
    const uint32_t levels = platform::FullMipCount(w, h, 1);
    const uint64_t total = platform::TextureImageBytes(TextureKind::Texture2D, TextureFormat::RGBA8,
                                                        w, h, 1, levels);
    if (total != 0 && total <= limits.maxBytes) return true;
    std::string layoutError;
    platform::LayoutTextureImage(image, TextureKind::Texture2D, TextureFormat::RGBA8, w, h, 1,
                                 levels, limits.maxBytes, &layoutError);
    messages.Error(layoutError);
    return false;
}

// stb_image refuses a PNG of more than 1 GiB of texels without saying how
// large it is (the reason it leaves is another format's); the size stands
// in the header (IHDR, right after the signature), so say it plainly.
bool PngWithinLimits(const uint8_t* data, size_t size, const TextureLimits& limits,
                     TextureImage* image, MessageSink& messages) {
    if (size < 24 || std::memcmp(data + 12, "IHDR", 4) != 0) return true;
    auto be32 = [&](size_t at) {
        return uint32_t{data[at]} << 24 | uint32_t{data[at + 1]} << 16 |
               uint32_t{data[at + 2]} << 8 | uint32_t{data[at + 3]};
    };
    if (be32(16) == 0 || be32(20) == 0) return true;  // stb_image says what is wrong
    return DecodedSizeWithinLimits(be32(16), be32(20), limits, image, messages);
}

bool DecodeWithStb(const uint8_t* data, size_t size, const char* format,
                   const TextureLimits& limits, TextureImage* image, MessageSink& messages) {
    if (size > static_cast<size_t>(INT_MAX)) {
        messages.Error(std::string(format) + " file too large to decode");
        return false;
    }
    const int length = static_cast<int>(size);
    int width = 0, height = 0, channels = 0;
    if (stbi_info_from_memory(data, length, &width, &height, &channels) == 0) {
        messages.Error(std::string("damaged ") + format + " header (" + StbReason() + ")");
        return false;
    }
    const auto w = static_cast<uint32_t>(width), h = static_cast<uint32_t>(height);
    if (!DecodedSizeWithinLimits(w, h, limits, image, messages)) return false;
    const uint32_t levels = platform::FullMipCount(w, h, 1);

    int decodedWidth = 0, decodedHeight = 0;
    stbi_uc* pixels =
        stbi_load_from_memory(data, length, &decodedWidth, &decodedHeight, &channels, 4);
    if (pixels == nullptr) {
        messages.Error(std::string("damaged or truncated ") + format + " image (" + StbReason() +
                       ")");
        return false;
    }
    std::string layoutError;
    bool ok = decodedWidth == width && decodedHeight == height &&
              platform::LayoutTextureImage(image, TextureKind::Texture2D, TextureFormat::RGBA8, w,
                                           h, 1, levels, limits.maxBytes, &layoutError);
    if (ok) {
        std::memcpy(image->Data(0, 0), pixels, image->Level(0, 0).size);
        FillMipLevels(image, 1);
    } else if (!layoutError.empty()) {
        messages.Error(layoutError);
    } else {
        messages.Error(std::string(format) +
                       " image decoded to another size than its header gives");
    }
    stbi_image_free(pixels);
    return ok;
}

// PNG and JPEG through decoders made for untrusted files, into level 0 of
// the image laid out once the header's size is known to fit the limits.
bool DecodePngOrJpeg(const uint8_t* data, size_t size, const char* format,
                     const TextureLimits& limits, TextureImage* image, MessageSink& messages) {
    const bool png = std::strcmp(format, "PNG") == 0;
    if (png && !PngWithinLimits(data, size, limits, image, messages)) return false;
    uint32_t levels = 0;
    auto destination = [&](uint32_t w, uint32_t h, MessageSink& sizeMessages) -> uint8_t* {
        if (!DecodedSizeWithinLimits(w, h, limits, image, sizeMessages)) return nullptr;
        levels = platform::FullMipCount(w, h, 1);
        std::string layoutError;
        if (!platform::LayoutTextureImage(image, TextureKind::Texture2D, TextureFormat::RGBA8, w,
                                          h, 1, levels, limits.maxBytes, &layoutError)) {
            sizeMessages.Error(layoutError);
            return nullptr;
        }
        return image->Data(0, 0);
    };
    if (!(png ? DecodePng(data, size, destination, messages)
              : DecodeJpeg(data, size, destination, messages))) {
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
                       TextureImage* image, MessageSink& messages) {
    *image = TextureImage{};
    bool ok = false;
    auto starts = [&](const char* magic, size_t n) {
        return size >= n && std::memcmp(data, magic, n) == 0;
    };
    TgaHeader tga{};
    uint64_t needed = 0;
    auto tgaComplete = [&] {
        if (TgaComplete(data, size, tga, &needed)) return true;
        messages.Error("truncated TGA image: it needs at least " + std::to_string(needed) +
                       " bytes, the file holds " + std::to_string(size));
        return false;
    };
    if (size == 0) {
        messages.Error("the file is empty");
    } else if (starts("DDS ", 4)) {
        ok = ReadDds(data, size, limits, image, messages);
    } else if (starts("\x89PNG\r\n\x1A\n", 8)) {
        ok = DecodePngOrJpeg(data, size, "PNG", limits, image, messages);
    } else if (starts("\xFF\xD8\xFF", 3)) {
        ok = DecodePngOrJpeg(data, size, "JPEG", limits, image, messages);
    } else if (IsBmp(data, size)) {
        ok = BmpComplete(data, size, messages) &&
             DecodeWithStb(data, size, "BMP", limits, image, messages);
    } else if (const char* other = OtherImageFormat(data, size)) {
        messages.Error(std::string(other) +
                       " images are not supported (PNG, JPEG, TGA, BMP or DDS)");
    } else if (LooksLikeTga(data, size, &tga)) {
        ok = tgaComplete() && DecodeWithStb(data, size, "TGA", limits, image, messages);
    } else {
        messages.Error("not an image file (PNG, JPEG, TGA, BMP or DDS expected)");
    }
    if (!ok) *image = TextureImage{};
    return ok;
}

bool ReadTextureFile(const std::string& path, const std::string& name,
                     const TextureLimits& limits, TextureImage* image, MessageSink& messages,
                     bool* fileRead, std::vector<uint8_t>* bytesOut) {
    std::vector<uint8_t> local;
    std::vector<uint8_t>& bytes = bytesOut != nullptr ? *bytesOut : local;
    bytes.clear();
    *image = TextureImage{};
    if (fileRead != nullptr) *fileRead = false;
    // "cannot open" when the system said no, "cannot read" when the file
    // is not an image this reader takes.
    auto fail = [&](bool open, const std::string& reason) {
        messages.Warning(std::string(open ? "cannot open" : "cannot read") + " texture '" + name +
                         "': " + reason);
        return false;
    };
    auto systemError = [&](int code) { return fail(true, std::strerror(code)); };
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
        return fail(false, "not a regular file");
    }
    const uint64_t fileSize = static_cast<uint64_t>(info.st_size);
    // No image this reader takes is larger as a file than as a texture.
    if (fileSize > limits.maxBytes) {
        close(fd);
        return fail(false, "the file is " + platform::ByteCountText(fileSize) + ", more than the " +
                               platform::ByteCountText(limits.maxBytes) + " a texture may take");
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
    if (fileRead != nullptr) *fileRead = true;
    std::vector<Message> reasons;
    MessageCollector decode(&reasons);
    if (DecodeTextureFile(bytes.data(), done, limits, image, decode)) return true;
    return fail(false, reasons.empty() ? std::string() : reasons.back().text);
}

}  // namespace fx