// Stage 4: mul of a column by a row (platform/fx internal; the
// "outer_products" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// "mul(c, r)" with c a float4x1 and r a float1x3 is Direct3D 9's product of
// a 4x1 by a 1x3 matrix: the float4x3 of every c[i] * r[j]. The shapes
// rewrite holds both as vectors, of which mul is the dot product: such a
// call becomes "fx_outer4x3_(c, r)", a function made for its shape and
// defined just before the function that calls it. Only where the
// declarations tell the shapes (ValueShape: a name, a member, an element,
// a constructor, a cast, a call of the effect's own function). Always true.
bool RewriteOuterProducts(TokenRewriteState& state);

}  // namespace fx
