// Stage 4: static globals whose initial value calls a function of the
// effect (platform/fx internal; the "static_calls" entry of
// 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// "static float g = Twice(k);": glslang runs such an initializer inside
// the function defined before it and then finds that function calling
// itself ("Recursion detected"), in every stage. The initial value becomes
// an assignment at the start of each entry point, "g = Twice(k);", where
// Direct3D 9 computes it too (before the shader's own code); the
// declaration keeps its place without it (and without const). A list or
// an array ("static float a[2] = { F(1), 2 };") is assigned through a
// local of its type, "{ float fx_static_a_[2] = { F(1), 2 }; a =
// fx_static_a_; }". Declarations of several names are left alone.
// A parameter (a global that is not static) whose initial value calls a
// function loses it from the text (glslang would fail the same way); the
// effect evaluates it (4_default_values) and writes its registers. The
// intrinsics stage 5 gives as functions of its own (lit, sign,
// faceforward) count as calls of functions.
// Always true.
bool MoveStaticCalls(TokenRewriteState& state);

}  // namespace fx
