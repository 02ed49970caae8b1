// Stage 4: a semantic given to an entry point's struct parameter or struct
// return value (platform/fx internal; the "struct_semantics" entry of
// 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// "float4 ps(S s : TEXCOORD1)": Direct3D 9 gives the struct's members the
// parameter's semantic, one register after another in declaration order
// (a.TEXCOORD1, b.TEXCOORD2; an array member or a matrix takes one index
// per element or column, a nested struct's members go on counting), in
// place of whatever semantics the members have. glslang would read the
// members' own semantics (none: nothing is read). The entry point takes a
// copy of the struct with those semantics (fx_semantic_N_) and fills the
// user's variable from it at its start; an out or inout one, and a
// returned struct, are copied back at each return and at the end. Entry
// points only: another function's semantics mean nothing. Always true.
bool AssignStructSemantics(TokenRewriteState& state);

}  // namespace fx
