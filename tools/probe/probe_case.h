// Pixel probes: one small effect compiled by the real loader, drawn as a
// full-screen pass (the first pass of the first technique, at depth 0.5)
// into a float target cleared to 0 (depth 1, stencil 0), its pixels
// compared with the values Direct3D 9 gives. Used by the GL test that runs tests/probe/ and by
// flowfield-probe (tools/probe.cpp).
//
// A case is an effect file with its expectations in "//?" lines:
//
//   //? entry ps_3_0 main           no technique in the file: the probe adds
//                                  one (a vs_main passing POSITION and
//                                  TEXCOORD0 through; for a vs_* entry, a
//                                  pixel shader returning TEXCOORD0)
//   //? size 4 2                   target size (4 x 4 without it)
//   //? winding ccw                draw the quad counter-clockwise on screen
//   //? ps c0 = 1 2 3 4 5 6 7 8    registers written after BeginPass, as the
//   //? vs c4 = ...                program does (c0 and c1 here)
//   //? expect 1 0.5 -2 1          every pixel
//   //? expect at 3 0 = 1 0 0 1    pixel (x, y), (0, 0) at the top left (one
//                                  the target has)
//   //? define PROFILE=ps_2_0      a macro the host defines (VALUE 1 when not
//                                  given), as D3DXCreateEffectFromFileA's
//                                  defines
//   //? ulps 4                     tolerance in units in the last place (4)
//   //? abs 1e-6                   or an absolute one; either passes
//   //? error 12 unknown variable  must fail with an error on line 12
//   //? warning 3 text             must compile with this warning
//   //? xfail what is missing      known not to pass yet (a pass is reported)
//   //? texture F.dds 2d 4x2 rgba8 2   an image file written beside the case
//   //? texels 255 0 0 255 ...     before it compiles, for a ResourceName
//                                  to name: kind 2d, cube or volume (WxHxD),
//                                  a format below, the mip levels (1 when
//                                  not given). "texels" lines give the
//                                  values in file order: face by face (+X,
//                                  -X, +Y, -Y, +Z, -Z), level by level,
//                                  slices front to back, rows top first, each
//                                  texel's channels as listed; a last
//                                  word "*N" repeats the line's values N
//                                  times in all:
//       rgba8 r g b a, xrgb8 r g b, l8 l, a8l8 l a, a8 a, r5g6b5 r g b,
//       g16r16 r g (integers, the channel's own range: 0-255, 0-31, ...);
//       r32f r, g32r32f r g, rgba32f r g b a, r16f r, rgba16f r g b a
//       (floats); dxt1 c0 c1 lo hi, a 4 x 4 block's 16-bit words
//
// The quad covers the target: TEXCOORD0 is (u, v, 0, 1) with u 0 -> 1 from
// left to right, v 0 -> 1 from top to bottom; COLOR0 is opaque white.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/gfx/gfx.h"

namespace probe {

struct Registers {
    bool vertex = false;
    int start = 0;
    std::vector<float> values;  // four per register
};

// An image a case writes for itself (a DDS file in the work folder).
struct TextureData {
    std::string file;
    std::string kind;    // "2d", "cube", "volume"
    std::string format;  // "rgba8", "r32f", ...
    int width = 0, height = 0, depth = 1, levels = 1;
    std::vector<float> values;  // channels of every texel, in file order
};

struct Expectation {
    int x = -1;  // -1: every pixel
    int y = -1;
    float rgba[4] = {0, 0, 0, 0};
};

struct Case {
    std::filesystem::path path;
    std::string group;  // the folder it is in
    std::string name;   // the file name without .fx
    std::string source;
    std::string entry;  // "ps_3_0 main"; empty when the file has its own technique
    UINT width = 4;
    UINT height = 4;
    bool counterClockwise = false;
    std::vector<Registers> registers;
    std::vector<Expectation> expect;
    int ulps = 4;
    float absolute = 0.0f;
    int errorLine = 0;  // > 0: must fail with an error there
    std::string errorText;
    int warningLine = 0;
    std::string warningText;
    std::string knownFailure;  // non-empty: "xfail" and why
    std::vector<std::pair<std::string, std::string>> defines;  // name, value
    std::vector<TextureData> textures;
};

// Parses "F.dds KIND WxH[xD] FORMAT [LEVELS]" (the words after "texture").
bool ReadTextureDirective(const std::vector<std::string>& words, TextureData* out);

// Writes the texture's DDS file into folder; false with the reason when its
// texel values do not fill its levels exactly or a value is out of range.
bool WriteTexture(const TextureData& t, const std::filesystem::path& folder, std::string* error);

// Reads a case; false with the reason when its "//?" lines do not parse.
bool ReadCase(const std::filesystem::path& path, Case* out, std::string* error);

struct Outcome {
    bool passed = false;
    std::string report;  // what went wrong, or the compiler's warnings
    UINT width = 0;
    UINT height = 0;
    std::vector<float> pixels;  // RGBA, top row first; empty when nothing was drawn
};

// Compiles the case (written into workDir with its technique), draws it into
// a float target of the case's size and compares. The device's target is
// the back buffer again afterwards.
Outcome RunCase(IDirect3DDevice9* device, const Case& c, const std::filesystem::path& workDir);

// Every case under root, sorted by group and name.
std::vector<std::filesystem::path> FindCases(const std::filesystem::path& root);

}  // namespace probe
