// Stage 5, last step: how many instruction slots a shader would take on
// Direct3D 9, estimated from its SPIR-V, and the most each profile accepts
// (platform/fx internal).
//
// Direct3D 9 refused a shader that did not fit its profile's instruction
// slots. Here the GL driver takes whatever it is given, and its time grows
// faster than the shader (Mesa llvmpipe, one matrix transform repeated:
// 1000 times 1.7 s to compile, link and draw once, 4000 times 20 s), so a
// shader far beyond what its profile holds is refused before it reaches
// the driver, with an error at its compile statement.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace fx {

// The slots the entry point of a SPIR-V module would take: arithmetic and
// texture instructions weighted as Direct3D 9 counts them (a float4x4
// transform is four, sin is eight), loads, stores, swizzles and negation
// free, every function counted once per call (Direct3D 9 compilers inline
// them all), loop bodies counted once. 0 for words that are not SPIR-V.
int64_t EstimateInstructionSlots(const std::vector<uint32_t>& words);

// The most slots a shader of the profile may take here ("vs_3_0"), 0 for a
// profile this does not know (then nothing is refused).
int64_t InstructionSlotBound(std::string_view profile);

}  // namespace fx
