// Stage 5: loops bounded by the arrays their counters index, where the
// profile has no loop instructions (platform/fx internal;
// 5_array_bounded_loops.cpp).
#pragma once

#include <string>

namespace glslang {
class TIntermediate;
}

namespace fx {

// Whether the profile has loop instructions (vs_1_1, ps_2_0 and ps_2_b have
// none: every loop must unroll).
bool HasLoopInstructions(const std::string& profile);

// In a profile without loop instructions, a loop that ends on what the
// shader reads at run time ("i < count") and whose counter indexes an array
// of a fixed size N unrolls N times, its own test still tried on each turn,
// as Direct3D 9's compiler does: its test becomes "i < N && (test)". A
// counter that counts down gets "i >= 0 && (test)"; an index that adds a
// constant to the counter ("w[i + 1]", "w[i - 2]") moves the bound so that
// the index stays inside the array ("i < N - 1", "i >= 2").
// Loops that give no such bound are left as they are (the profile check
// refuses them).
void BoundLoopsByArrays(glslang::TIntermediate& tree, const std::string& profile);

}  // namespace fx
