// Stage 4: what ++ and -- are given (platform/fx internal; the
// "increment_checks" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// ++ and -- need a variable: a name (not true or false), its elements and
// members, in brackets or not. A number, a call, a constructor or an
// expression given to one is an error at it ("1++", "(a + 1)--",
// "++float2(1, 2)"); glslang's front end crashes on some of them. False
// when it found one.
bool CheckIncrements(TokenRewriteState& state);

}  // namespace fx
