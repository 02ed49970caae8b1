// Stage 4: globals whose initial value calls a function of the effect
// (platform/fx internal; the "initializer_calls" entry of
// 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// Direct3D 9 runs a static global's initializer when the shader starts, and
// it may call the effect's own functions ("static float3 dir =
// Direction(30);"); glslang takes such a call for one made by the function
// defined before it (a recursion, or a crash). So the static is declared
// without it, and a function made after it assigns it:
//   static float3 dir; void fx_init_dir_() { dir = Direction(30); }
// which each entry point defined below calls first, in the order of the
// declarations. A later static whose initializer reads one so moved moves
// too (it would read it before its assignment). A uniform global's
// initializer that calls one is the effect's to evaluate (4_default_values
// warns where it cannot): glslang does not see it. An initializer list
// ("{ f(1), 2 }") or a declaration of several names is left to glslang.
// Always true.
bool MoveInitializerCalls(TokenRewriteState& state);

}  // namespace fx
