// Stage 4: array sizes that name a non-static const global (platform/fx
// internal; the "constant_sizes" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// "const int N = 4; float4 taps[N * 2];": a const global that is not static
// is a parameter (its const is taken out by "globals"), yet Direct3D 9's
// compiler sizes an array by its initial value. Inside an array size, each
// such name becomes its initializer in parentheses, "taps[(4) * 2]", the
// names that initializer uses in turn (a static const too where its
// initializer names such a global). Always true.
bool ConstantArraySizes(TokenRewriteState& state);

}  // namespace fx
