// Stage 4: vector<T, N> and matrix<T, R, C> as the type names they stand
// for (platform/fx internal; the "template_types" entry of
// 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// "vector<float, 3>" becomes "float3", "matrix<int, 2, 3>" "int2x3",
// wherever a type is written (typedefs, casts, parameters, struct members),
// so that every rewrite after it reads one spelling of each type: the
// typedefs, lists and matrices of ints it knows by name. Forms it cannot
// name (a size that is not a number from 1 to 4) are left to glslang.
// Always true.
bool RespellTemplateTypes(TokenRewriteState& state);

}  // namespace fx
