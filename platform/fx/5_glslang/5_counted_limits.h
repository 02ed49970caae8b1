// Stage 5, after the size estimate: what a shader of a shader model 2
// profile certainly takes, against that profile's limits
// (platform/fx internal).
//
// ps_2_0 takes at most 32 texture and 64 arithmetic instructions, ps_2_b
// and vs_1_1 512 and 128 in all (vs_1_1 has no _sat modifier: a saturate
// or clamp is a max and a min), vs_2_0 and vs_2_a 256 and ps_2_a 512 in
// all (they have loop instructions: only the code outside loops and in
// loops marked [unroll] is certainly made), and ps_2_0 and ps_2_b a read at most
// third-order dependent: a read whose coordinates are computed (not a
// texture coordinate register as it came in) is first-order, a read whose
// coordinates come from a first-order read's result second-order, and so
// on. Direct3D 9's compiler refused a shader past any of them. Here a
// shader is refused only when it certainly is past one: the code is
// counted after it is inlined, its constant conditions decided, its loops
// of known length unrolled, its repeated values merged and its unused ones
// dropped, its products by 1, by 0 and by constants in a row folded, a
// product by a constant matrix made of the coefficients that are not 0, as
// Direct3D 9's compiler would; what only uniforms decide (the
// effect's preshader computes it) and whatever a loop of unknown length
// holds count for none, a pixel shader's colour output one mov each (shader
// model 2 writes one no other way), arithmetic as the fewest instructions its
// components could be packed into or as its longest chain of instructions
// each needing the one before, whichever is more (exp, log, rsq and rcp
// write one component: each, and a division by what varies, is a whole
// instruction).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace fx {

// What a profile takes; 0 (or -1 for the order) where it has no limit.
struct CountedLimits {
    int reads = 0;       // texture instructions
    int order = -1;      // the highest dependent order of one read
    int arithmetic = 0;  // arithmetic instructions
    int slots = 0;       // both together
    bool saturates = true;  // false: no _sat modifier (saturate is a max and a min)
    // The profile has loop instructions: a loop need not unroll, so only
    // one marked [unroll] is unrolled, and the others count for none.
    bool loops = false;
};
CountedLimits CountedLimitsOf(std::string_view profile);

// What a shader certainly makes.
struct CountedFigures {
    int reads = 0;
    int order = -1;  // -1: no read
    int arithmetic = 0;
};

// Measures the entry point of a SPIR-V module whose instruction slots were
// estimated at slots. Cheap when the module is too small to reach the
// limits (then the figures are zero); false when the module could not be
// measured.
bool MeasureCounted(const std::vector<uint32_t>& words, int64_t slots,
                    const CountedLimits& limits, CountedFigures* figures);

}  // namespace fx
