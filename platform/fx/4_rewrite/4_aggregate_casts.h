// Stage 4: casts between structs, arrays, vectors and matrices (platform/fx
// internal; the "aggregate_casts" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// Direct3D 9 casts between any two types of enough components, taking them
// in order (a struct's members in turn, an array's elements, a matrix's rows,
// a vector's components; a scalar fills every one). glslang takes only
// casts between numeric types, and a scalar cast to anything. Each cast to or from a struct or an array,
// "(float4)s", "(S)v", becomes a call of a function made for its pair of
// types, "fx_cast0_(s)", defined just before the function that casts; a
// cast to an array stands as the initializer of a local ("float f[4] =
// (float[4])p;" fills f through an out parameter). A source of fewer
// components than the target (not a scalar) is an error. A struct or array
// among a constructor's arguments or in an initializer list, "float4(s, 1)",
// "{ s, 1 }", is such a call that gives its components as a vector (of four
// at most). Always true but for that error.
bool RewriteAggregateCasts(TokenRewriteState& state);

}  // namespace fx
