// Stage 4: typedefs of scalars and vectors read as the types they name
// (platform/fx internal; the "typedef_names" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// "typedef float3 v3;" with no qualifier: every later "v3" becomes
// "float3", so that the rewrites that count components by the declared
// type (lists, truncations, overloads) know v3's. Matrix typedefs stay:
// they carry the packing in force where they are declared, which the
// globals rewrite reads. The typedef itself stays too. A typedef of an
// array of those, of a struct or (without #pragma pack_matrix) of a
// matrix, "typedef float4 Quad[4];", puts its size after each name a use
// declares ("Quad q = { ... };" is "float4 q[4] = { ... };") and in a
// cast ("(float4[4])v"). Always true.
bool ReplaceTypedefNames(TokenRewriteState& state);

}  // namespace fx
