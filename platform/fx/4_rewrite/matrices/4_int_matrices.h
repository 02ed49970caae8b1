// Stage 4: matrices of ints and bools (the "int_matrices" entry of
// 4_token_rewrites.h). Shader models 2 and 3 hold them in float registers,
// as glslang holds neither: int2x2, uint3x4, bool3x3 ... are float matrices
// here, and a value converted into one is made whole (truncated toward
// zero) or 0 / 1, as Direct3D 9 converts it: constructors, casts,
// initializers (an array's list too), assignments (plain and compound, of
// the whole matrix, its elements, an array's element, a struct's member),
// parameters taken in (in and inout), returns, what a function, sincos or
// modf writes back through an out or inout parameter of another type, and
// a uniform's registers where the code reads them (a uniform struct's
// member too). An element, row or swizzle of an int matrix is read as an
// int, of a variable, a member or a matrix an expression of ints makes
// ("transpose(m)[0]", "(m + m)[1]"), and a whole one divided by an int
// truncates (4_int_matrix_values.cpp). Overloads that only an
// int or bool matrix tells apart ("f(float2x2)", "f(int2x2)") are two
// functions, the calls routed by their arguments. A call that two
// overloads fit alike (per argument: its shape, then its scalar kind) is
// an error, as is a compound assignment whose left side cannot be told
// ("(s).m[f()] += e").
#pragma once

#include "platform/fx/4_rewrite/4_token_rewrites.h"

namespace fx {

bool RewriteIntMatrices(TokenRewriteState& state);

}  // namespace fx
