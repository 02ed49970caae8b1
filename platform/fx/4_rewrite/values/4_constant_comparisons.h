// Stage 4: comparisons of constant vectors (platform/fx internal; the
// "constant_comparisons" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// A '<', '>', '<=' or '>=' between constants, one of them a vector
// ("float4(1, 0, 1, 0) > 0.5", "K >= float3(1, 1, 1)" of a const K), is one
// bool per component in Direct3D 9. glslang folds such a comparison into
// the answer of the first components alone, so it becomes a step() that
// gives the same 1 and 0 per component, compared with 0 (a comparison of
// equality, which glslang keeps per component):
//   a >= b -> (step(b, a) != 0)        a > b -> (step(a, b) == 0)
//   a <= b -> (step(a, b) != 0)        a < b -> (step(b, a) == 0)
// Comparisons of anything a shader reads at run time, of scalars and of
// matrices are left alone. Always true.
bool RewriteConstantComparisons(TokenRewriteState& state);

}  // namespace fx
