// Stage 4: what shader models 2 and 3 reserve or require of a shader,
// which glslang takes (platform/fx internal; the "model_checks" entry of
// 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// Errors:
// - `class` (a reserved word) and `interface` (shader model 5) declaring a
//   type, at the word;
// - a type name as a variable's or parameter's name ("float half;", a
//   typedef's name too), at the name;
// - a declaration whose type is a word nothing declares and the language
//   does not know ("Colour tint;", a parameter's, a member's, a return
//   type), at the word;
// - a vertex shader none of whose outputs (its return value, out
//   parameters, and the members of the structs they are) has the POSITION
//   semantic, at the entry point's name: every vertex shader writes one.
// False when any is found.
bool CheckShaderModel(TokenRewriteState& state);

}  // namespace fx
