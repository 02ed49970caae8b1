// Stage 4: a scalar cast into a float matrix (platform/fx internal; the
// "matrix_spreads" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// "(float2x2)7", "(float3x3)K", "(M)true": glslang folds a constant int or
// bool scalar cast into a float matrix without converting it, and the
// matrix holds bits that are no number (0, inf) instead of 7 in every
// component. The scalar is made a float first, "(float2x2)(float)7", which
// glslang folds right; a scalar of any other type goes the same way (the
// conversion of a float is nothing). Vectors, initializers ("float2x2 m =
// K;") and constructors convert right and are left alone; so are int and
// bool matrices, which int_matrices converts. Always true.
bool CastScalarsToMatrices(TokenRewriteState& state);

}  // namespace fx
