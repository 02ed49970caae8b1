// Stage 4: "*" between two matrices (platform/fx internal; the
// "matrix_products" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// "m * n" of two matrices multiplies element by element in Direct3D 9 (mul
// is the matrix product), where glslang makes it the matrix product, and
// refuses it for two shapes. Such a product, and "m *= n", becomes a call
// "fx_times2x2_(m, n)" of a function made for the shape and defined just
// before the function that multiplies; of two shapes, both are truncated to
// the smaller rows and columns first, with Direct3D 9's truncation warning.
// "m + n", "m - n" and "m / n" of two shapes are truncated likewise, both
// cast, with the warning (glslang takes a shape inside the other, but not a
// float2x3 and a float3x2, and does not warn). In a chain of products of
// one shape's matrices and scalars ("m * 2 * n"), each product of two
// matrices is a call, the earlier one nested inside. Only where the
// declarations tell the shapes; other chains (a / b * c, a + b - c of two
// shapes) are left as they are. Always true.
bool RewriteMatrixProducts(TokenRewriteState& state);

// Direct3D 9 converts a vector into a matrix, or a matrix into a vector,
// only of as many components (a 1xN or Nx1 matrix is a vector): "m + v",
// "m * v", "m < v" of a float3x3 and a float3 is an error at the operator,
// where glslang would multiply "m * v" as a matrix and a column, or fail
// at the statement's end. A float2x2 and a float4 meet element by element:
// in "v * m" and "m *= v" the vector is cast to the matrix ("(float2x2)(v)
// * m", which RewriteMatrixProducts makes a product element by element;
// glslang would multiply the two as matrices); a scalar spreads. "m += v"
// and the like as statements are checked too, and so are the two values of
// a ternary (glslang would crash on them), the sides of && and ||, and of
// "=" (an error that it does not convert). Only where the shapes of both
// operands are told (ValueShape), each the operator's whole operand (an
// operator beside it binds less tightly; an operation bound more tightly,
// "v * 2" in "m + v * 2", and a signed operand are part of it). The "matrix_vectors" entry of
// 4_token_rewrites.cpp, here for the operand walk it shares with the
// products. False after such an error.
bool CheckMatrixVectorOperands(TokenRewriteState& state);

// Two vectors of different lengths meeting at a binary operator ("a - b"
// of a float3 and a float4, "v.xy < w") compute in the shorter one's
// components, with Direct3D 9's warning "implicit truncation of vector
// type" at the left operand (glslang truncates them without one). Only
// where ValueShape tells both whole operands; a compound assignment is
// assignment_widths'. The "operand_widths" entry of 4_token_rewrites.cpp,
// here for the operand walk it shares with the products. Always true.
bool WarnOperandWidths(TokenRewriteState& state);

}  // namespace fx
