// Stage 4: calls of intrinsics as Direct3D 9 resolves them (the
// "intrinsic_overloads" entry of 4_token_rewrites.h), where glslang's
// overloads differ:
// - a function of the effect named as an intrinsic hides the intrinsic:
//   it and every call of it are renamed fx_user_NAME_ (stage 5 says the
//   name back as NAME), so calls reach it with the usual conversions;
// - normalize, reflect and refract of scalars are taken as of a vector of
//   two ("normalize(float2(x, 0)).x"), determinant of a scalar is the
//   scalar, transpose of a scalar or vector is itself, any and all of a
//   scalar are bool(x) (glslang finds them ambiguous or cannot say them);
// - any and all of a matrix add stage 5's unfolded zero to it, since
//   glslang folds them of a constant matrix from its first column only;
// - ldexp(x, e) of scalars and vectors is x * exp2(e), for an e that is not
//   whole too (glslang's takes e as an int);
// - modf, frexp and sincos writing into a variable that is not a float
//   become fx_modf_, fx_frexp_ and fx_sincos_, stage 5's functions of
//   floats, so that what they write converts to the variable's type;
// - vectors of different lengths given to a component-wise intrinsic are
//   truncated to the shortest (glslang does that), with the warning
//   Direct3D 9 gives.
#pragma once

#include <string_view>

#include "platform/fx/4_rewrite/4_token_rewrites.h"

namespace fx {

// Whether name is one of the intrinsics of shader models 2 and 3.
bool IsIntrinsicName(std::string_view name);

bool RewriteIntrinsicOverloads(TokenRewriteState& state);

}  // namespace fx
