// Stage 4: semantics spelled as later compilers take them (platform/fx
// internal; the "semantic_spellings" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// The semantics of parameters, return values and struct members, as
// Direct3D 9 reads them:
// - "TEXCOORD0_centroid" is TEXCOORD0 read at the centroid; glslang would
//   take the whole word as a semantic of its own, which no output writes;
// - "SV_Position" is POSITION (glslang makes a vertex shader's input of it
//   the clip position, which no stream fills);
// - "SV_IsFrontFace" on a float is VFACE, the face's sign (glslang would
//   give it GL's bool).
// Always true.
bool RespellSemantics(TokenRewriteState& state);

}  // namespace fx
