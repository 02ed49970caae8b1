// Stage 4: variables given to out and inout parameters of another shape or
// kind (platform/fx internal; the "out_conversions" entry of
// 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// Direct3D 9 converts a variable given to an out or inout parameter on
// the way in and back on the way out, as an assignment would: a float
// given to an inout float2 goes in as (x, x) and takes back the first
// component; a float2 given to an out float takes the value in both; a
// float given to an inout bool goes in as x != 0 and takes back 0 or 1.
// glslang finds no function for the first two and crashes on the third.
// Such a call goes through a helper of ours that takes the variable as it
// is declared and converts it around the call:
//
//     void fx_conv_F_0_(inout float a0) { float2 t0 = (float2)a0; F(t0); a0 = (float)t0; }
//
// A matrix variable given to a parameter of a smaller matrix is cast to
// it, "(float3x3)(m)", as Direct3D 9 truncates it.
//
// Only calls of the effect's functions that one definition of that name
// and parameter count takes, and variables named whole (or swizzled) with
// a scalar or vector type. Always true.
bool ConvertOutArguments(TokenRewriteState& state);

}  // namespace fx
