// Stage 4: comparisons of constant vectors (platform/fx internal; the
// "constant_comparisons" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// A '<', '>', '<=' or '>=' between constants, one of them a vector
// ("float4(1, 0, 1, 0) > 0.5", "K >= float3(1, 1, 1)" of a const K), is one
// bool per component in Direct3D 9. glslang folds such a comparison into
// the answer of the first components alone, so it becomes the step()
// that gives the same 1 and 0 per component, which glslang folds whole:
//   a >= b -> step(b, a)        a > b -> (1 - step(a, b))
//   a <= b -> step(a, b)        a < b -> (1 - step(b, a))
// Comparisons of anything a shader reads at run time, of scalars and of
// matrices are left alone. Always true.
bool RewriteConstantComparisons(TokenRewriteState& state);

}  // namespace fx
