// Stage 5, after the size estimate: the texture reads of a pixel shader
// against the limits of ps_2_0 and ps_2_b (platform/fx internal).
//
// ps_2_0 takes at most 32 texture instructions, and ps_2_0 and ps_2_b a
// read at most third-order dependent: a read whose coordinates are
// computed (not a texture coordinate register as it came in) is
// first-order, a read whose coordinates come from a first-order read's
// result second-order, and so on. Direct3D 9's compiler refused a shader
// past either. Here a shader is refused only when it certainly is past
// one: the reads are counted after the code is inlined, its constant
// conditions decided, its loops of known length unrolled, its repeated
// reads merged and its unused ones dropped, as Direct3D 9's compiler
// would; a read inside a loop whose length is not known counts for none.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace fx {

// What a profile takes; 0 (or -1 for the order) where it has no limit.
struct TextureReadLimits {
    int reads = 0;   // texture instructions
    int order = -1;  // the highest dependent order of one read
};
TextureReadLimits TextureReadLimitsOf(std::string_view profile);

// What a shader certainly makes.
struct TextureReadFigures {
    int reads = 0;
    int order = -1;  // -1: no read
};

// Measures the entry point of a SPIR-V module. Cheap when the module has
// too few reads to reach the limits (then the figures are only what was
// needed to tell); false when the module could not be measured.
bool MeasureTextureReads(const std::vector<uint32_t>& words, const TextureReadLimits& limits,
                         TextureReadFigures* figures);

}  // namespace fx
