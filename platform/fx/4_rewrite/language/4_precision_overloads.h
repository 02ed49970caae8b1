// Stage 4: overloads that differ only by half, float or double (platform/fx
// internal; the "precision_overloads" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// Direct3D 9 keeps "float f(half a)" and "float f(float a)" apart and
// calls the one whose parameters the arguments' declared types match
// exactly; glslang reads half and double as float and finds the second a
// redefinition. Where a function has such overloads, the float one (the
// one of most float parameters) keeps its name and each other becomes
// fx_prec_f_N_, declarations and definitions alike; a call goes to the one
// whose parameters' precisions its arguments match most (a half variable,
// a "1.0h" literal, a (half3) cast or a half3(...) constructor), to the
// float one when none matches better. Always true.
bool SeparatePrecisionOverloads(TokenRewriteState& state);

}  // namespace fx
