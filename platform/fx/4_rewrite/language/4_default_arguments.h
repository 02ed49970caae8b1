// Stage 4: parameters whose default value reads a uniform (platform/fx
// internal; the "default_arguments" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// A parameter's default value may be any expression; Direct3D 9 reads it
// where the function is called without that argument. glslang takes only
// constants there, so a function with a default that reads a global the
// program sets ("float f(float x = Scale)") loses its defaults, and every
// call that leaves arguments out gets them written in: "f()" becomes
// "f(Scale)". Functions of one name with different parameter counts are
// left to glslang. Always true.
bool WriteDefaultArguments(TokenRewriteState& state);

}  // namespace fx
