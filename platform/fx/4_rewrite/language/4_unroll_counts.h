// Stage 4: a loop's [unroll(n)] as the most turns it takes (platform/fx
// internal; the "unroll_counts" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// [unroll(n)] unrolls a loop n times at most: Direct3D 9's compiler makes n
// copies of the body, each behind the loop's own test, so a loop whose test
// reads a uniform or an input still unrolls in profiles without loop
// instructions (ps_2_0, ps_2_b, vs_1_1) and never takes more than n turns.
// The loop keeps its test and gets a counter of its own in a block around
// it:
//   { int fx_turns_1_ = 0; [unroll(8)] for (int i = 0; fx_turns_1_++ < (8) && (i < n); i++) ... }
// (a do loop tries "++fx_turns_1_ < (8)" after each turn). The profile check
// then takes it as it takes "i < 8 && i < n". It runs after for_scope, which
// has moved a counter read after the loop out of the for statement.
// Always true.
bool CountUnrolledTurns(TokenRewriteState& state);

}  // namespace fx
