// Images a probe case gives inline ("//? texture", "//? texels"; see
// probe_case.h), written as DDS files so that the effect loader reads them
// as it reads any image its ResourceName names.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "tools/probe/probe_case.h"

namespace fs = std::filesystem;

namespace probe {
namespace {

// How one format is stored: bit masks (R, G, B, A; a channel with mask 0 is
// absent and takes no value), floats of 4 or 2 bytes under a Direct3D
// format number, or DXT1 blocks of four 16-bit words (channels = 4 values a
// block of 4 x 4 texels).
struct FormatInfo {
    const char* name;
    uint32_t pixelFlags;
    uint32_t bits;
    uint32_t masks[4];
    uint32_t fourCc;      // float formats: the format number
    uint32_t floatBytes;  // 0 for mask formats
    uint32_t channels;
};

constexpr uint32_t kRgb = 0x40, kAlphaPixels = 0x1, kAlphaOnly = 0x2, kLuminance = 0x20000,
                   kFourCc = 0x4;

constexpr FormatInfo kFormats[] = {
    {"rgba8", kRgb | kAlphaPixels, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, 0, 0, 4},
    {"xrgb8", kRgb, 32, {0xFF0000, 0xFF00, 0xFF, 0}, 0, 0, 3},
    {"l8", kLuminance, 8, {0xFF, 0, 0, 0}, 0, 0, 1},
    {"a8l8", kLuminance | kAlphaPixels, 16, {0xFF, 0, 0, 0xFF00}, 0, 0, 2},
    {"a8", kAlphaOnly, 8, {0, 0, 0, 0xFF}, 0, 0, 1},
    {"r5g6b5", kRgb, 16, {0xF800, 0x7E0, 0x1F, 0}, 0, 0, 3},
    {"g16r16", kRgb, 32, {0xFFFF, 0xFFFF0000, 0, 0}, 0, 0, 2},
    {"r16f", kFourCc, 16, {0, 0, 0, 0}, 111, 2, 1},
    {"rgba16f", kFourCc, 64, {0, 0, 0, 0}, 113, 2, 4},
    {"r32f", kFourCc, 32, {0, 0, 0, 0}, 114, 4, 1},
    {"g32r32f", kFourCc, 64, {0, 0, 0, 0}, 115, 4, 2},
    {"rgba32f", kFourCc, 128, {0, 0, 0, 0}, 116, 4, 4},
    {"dxt1", kFourCc, 0, {0, 0, 0, 0}, 0x31545844, 0, 4},
};

bool IsBlocks(const FormatInfo& f) { return f.fourCc == 0x31545844; }

const FormatInfo* FindFormat(const std::string& name) {
    for (const FormatInfo& f : kFormats) {
        if (name == f.name) return &f;
    }
    return nullptr;
}

// Halves of the values a case writes: normal numbers and zero, rounded to
// nearest even.
uint16_t FloatToHalf(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, 4);
    const uint16_t sign = static_cast<uint16_t>((bits >> 16) & 0x8000);
    const int exponent = static_cast<int>((bits >> 23) & 0xFF) - 127 + 15;
    if ((bits & 0x7FFFFFFF) == 0 || exponent <= 0) return sign;
    if (exponent >= 31) return static_cast<uint16_t>(sign | 0x7C00);
    uint32_t mantissa = bits & 0x7FFFFF;
    uint32_t half = (static_cast<uint32_t>(exponent) << 10) | (mantissa >> 13);
    const uint32_t rest = mantissa & 0x1FFF;
    if (rest > 0x1000 || (rest == 0x1000 && (half & 1) != 0)) ++half;
    return static_cast<uint16_t>(sign | half);
}

void Put32(std::vector<uint8_t>* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

bool Dimensions(const std::string& text, TextureData* t) {
    int* fields[3] = {&t->width, &t->height, &t->depth};
    size_t at = 0;
    for (int i = 0; i < 3 && at <= text.size(); ++i) {
        size_t end = text.find('x', at);
        if (end == std::string::npos) end = text.size();
        const std::string part = text.substr(at, end - at);
        char* stop = nullptr;
        const long v = std::strtol(part.c_str(), &stop, 10);
        if (part.empty() || *stop != 0 || v < 1 || v > 64) return false;
        *fields[i] = static_cast<int>(v);
        at = end + 1;
    }
    return at > text.size();
}

std::vector<uint8_t> Header(const TextureData& t, const FormatInfo& f) {
    std::vector<uint8_t> out = {'D', 'D', 'S', ' '};
    const bool volume = t.kind == "volume", cube = t.kind == "cube";
    Put32(&out, 124);
    Put32(&out, 0x1 | 0x2 | 0x4 | 0x1000 | 0x20000 | (volume ? 0x800000 : 0));
    Put32(&out, static_cast<uint32_t>(t.height));
    Put32(&out, static_cast<uint32_t>(t.width));
    Put32(&out, 0);  // pitch: not given
    Put32(&out, volume ? static_cast<uint32_t>(t.depth) : 0);
    Put32(&out, static_cast<uint32_t>(t.levels));
    for (int i = 0; i < 11; ++i) Put32(&out, 0);
    Put32(&out, 32);
    Put32(&out, f.pixelFlags);
    Put32(&out, f.fourCc);
    Put32(&out, f.floatBytes != 0 ? 0 : f.bits);
    for (uint32_t m : f.masks) Put32(&out, m);
    Put32(&out, 0x1000 | (t.levels > 1 ? 0x400008 : 0) | (cube || volume ? 0x8 : 0));
    Put32(&out, cube ? 0x200 | 0xFC00 : volume ? 0x200000 : 0);
    for (int i = 0; i < 3; ++i) Put32(&out, 0);
    return out;
}

// One texel's values into the file's bytes.
bool PutTexel(const FormatInfo& f, const float* values, std::vector<uint8_t>* out,
              std::string* error) {
    if (IsBlocks(f)) {
        for (uint32_t w = 0; w < 4; ++w) {
            if (values[w] < 0 || values[w] > 65535 || values[w] != std::floor(values[w])) {
                *error = "block word " + std::to_string(values[w]) + " is not 0 to 65535";
                return false;
            }
            const auto word = static_cast<uint32_t>(values[w]);
            out->push_back(static_cast<uint8_t>(word));
            out->push_back(static_cast<uint8_t>(word >> 8));
        }
        return true;
    }
    if (f.floatBytes == 4) {
        for (uint32_t c = 0; c < f.channels; ++c) Put32(out, std::bit_cast<uint32_t>(values[c]));
        return true;
    }
    if (f.floatBytes == 2) {
        for (uint32_t c = 0; c < f.channels; ++c) {
            const uint16_t h = FloatToHalf(values[c]);
            out->push_back(static_cast<uint8_t>(h));
            out->push_back(static_cast<uint8_t>(h >> 8));
        }
        return true;
    }
    uint64_t pixel = 0;
    const float* v = values;
    for (uint32_t mask : f.masks) {
        if (mask == 0) continue;
        const uint32_t shift = static_cast<uint32_t>(std::countr_zero(mask));
        const uint32_t max = mask >> shift;
        if (*v < 0 || *v > static_cast<float>(max) || *v != std::floor(*v)) {
            *error = "texel value " + std::to_string(*v) + " is not an integer from 0 to " +
                     std::to_string(max);
            return false;
        }
        pixel |= uint64_t{static_cast<uint32_t>(*v++)} << shift;
    }
    for (uint32_t b = 0; b < f.bits / 8; ++b) {
        out->push_back(static_cast<uint8_t>(pixel >> (8 * b)));
    }
    return true;
}

}  // namespace

bool ReadTextureDirective(const std::vector<std::string>& w, TextureData* out) {
    if (w.size() != 4 && w.size() != 5) return false;
    TextureData t;
    t.file = w[0];
    t.kind = w[1];
    t.format = w[3];
    if (t.file.find('/') != std::string::npos || t.file.size() < 5 ||
        t.file.substr(t.file.size() - 4) != ".dds") {
        return false;
    }
    if (t.kind != "2d" && t.kind != "cube" && t.kind != "volume") return false;
    if (!Dimensions(w[2], &t) || (t.kind != "volume" && t.depth != 1)) return false;
    if (t.kind == "cube" && t.width != t.height) return false;
    if (FindFormat(t.format) == nullptr) return false;
    if (w.size() == 5) {
        char* stop = nullptr;
        const long levels = std::strtol(w[4].c_str(), &stop, 10);
        if (*stop != 0 || levels < 1 || levels > 7) return false;
        t.levels = static_cast<int>(levels);
    }
    *out = std::move(t);
    return true;
}

bool WriteTexture(const TextureData& t, const fs::path& folder, std::string* error) {
    const FormatInfo& f = *FindFormat(t.format);
    size_t texels = 0;
    const int unit = IsBlocks(f) ? 4 : 1;  // blocks: counted as texels of 4 x 4
    for (int level = 0; level < t.levels; ++level) {
        texels += size_t((std::max(t.width >> level, 1) + unit - 1) / unit) *
                  size_t((std::max(t.height >> level, 1) + unit - 1) / unit) *
                  size_t(std::max(t.depth >> level, 1));
    }
    if (t.kind == "cube") texels *= 6;
    if (t.values.size() != texels * f.channels) {
        *error = t.file + ": " + std::to_string(t.values.size()) + " texel values given, " +
                 std::to_string(texels * f.channels) + " needed (" + std::to_string(texels) +
                 " texels of " + std::to_string(f.channels) + ")";
        return false;
    }
    std::vector<uint8_t> bytes = Header(t, f);
    for (size_t i = 0; i < texels; ++i) {
        if (!PutTexel(f, &t.values[i * f.channels], &bytes, error)) {
            *error = t.file + ": " + *error;
            return false;
        }
    }
    std::ofstream file(folder / t.file, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        *error = t.file + ": cannot write it";
        return false;
    }
    return true;
}

}  // namespace probe
