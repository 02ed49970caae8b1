// Stage 4: mul of two shapes that do not meet (platform/fx internal; the
// "mul_shapes" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// Direct3D 9's mul truncates the longer of the two inner dimensions to the
// shorter, with its warning "implicit truncation of vector type": a float4
// times a float3x3 multiplies v.xyz, a float3 times a float4x4 the matrix's
// first three rows, a float4x4 times a float3 the first three columns, two
// matrices the first's columns or the second's rows, two vectors of
// different lengths the shorter one's components. Each such call gets the
// cast that truncates ("mul((float3)(v), m)") and the warning at mul;
// glslang would truncate too, with a warning of its own. Only where
// ValueShape tells both shapes; a 1xN matrix on the left or an Nx1 on the
// right counts as a vector (as the shapes rewrite holds it). An Nx1 by a
// matrix multiplies the matrix's first row ("(float1x4)(m)"), a matrix by a
// 1xN its first column ("(float4x1)(transpose(m)[0])"): each leaves a
// column by a row, for 4_outer_products (after this), which also takes the
// pairs that meet. Always true.
bool RewriteMulShapes(TokenRewriteState& state);

}  // namespace fx
