// Stage 4: overloads that differ by half, float or double (platform/fx
// internal; the "precision_overloads" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// Direct3D 9 tells "k(half a)", "k(float a)" and "k(double a)" apart;
// glslang holds half as float and respell makes double float, so two such
// overloads would be one function defined twice. Each overload that takes
// half or double where another of its name takes float is renamed
// (fx_prec_KEY_NAME_, said back as NAME in messages), and each call goes
// to the overload whose parameters' precisions its arguments have: the
// declared type of a name, a cast or a constructor, a literal's suffix,
// a call's return type; float when none tells. Always true.
bool RenamePrecisionOverloads(TokenRewriteState& state);

}  // namespace fx
