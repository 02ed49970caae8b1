// Stage 4: compound assignments to int, uint and bool names (platform/fx
// internal; the "int_compounds" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// "i *= 1.5" with an int i: Direct3D 9 computes i * 1.5 as floats and
// truncates what it stores (3 becomes 4); glslang converts 1.5 to an int
// first (3 stays 3), and refuses a compound assignment to a bool. Such an
// assignment becomes "i = (int)(i * (1.5))", of the left side's type (a
// swizzle's or an element's width). The left side is a local, parameter
// or static of int, uint or bool type, scalar or vector, or such a member
// of a struct variable ("a[1].s.k"): the name, an element of it, a swizzle
// of either, by indices without side effects.
// An int left side whose right side holds only int literals and int names
// stays as it is (loop counters keep the form unrolling reads). A right
// side that writes a variable ("i *= (i++ * 0.5)") runs first, as on
// Direct3D 9: the assignment becomes a call of a helper taking the right
// side, then the left side as an inout argument (an indexed left side,
// whose index Direct3D 9 takes first, is left as it is). Always true.
bool RewriteIntCompounds(TokenRewriteState& state);

}  // namespace fx
