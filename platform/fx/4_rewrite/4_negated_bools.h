// Stage 4: a minus before a bool (platform/fx internal; the "negated_bools"
// entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// "-(a < b)", "-flag": Direct3D 9 negates a bool as the number it is (0 or
// -1 per component); glslang refuses a minus before a bool. Such a minus
// becomes a subtraction from zero, "(0 - (a < b))", of the same width. A
// bool is a bracketed comparison or logic ("(a < b)", "(!c)"), a name
// declared bool, true or false, or a bool constructor; in code, a global's
// initializer or a parameter's default value alike (a bool given -1 then
// holds true). Always true.
bool NegateBools(TokenRewriteState& state);

}  // namespace fx
