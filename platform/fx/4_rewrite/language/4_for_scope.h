// Stage 4: a for loop's variables visible after the loop (platform/fx
// internal; the "for_scope" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// Direct3D 9's compiler keeps the variables a for statement declares in
// the block around it, as older C++ compilers did: "for (int i = 0; i < 3;
// i++) {} return i;" returns 3. Where the block names such a variable after
// the loop, its declaration moves before the loop and the loop assigns it:
// "int i; for (i = 0; ...)". A later loop of the block that declares the
// same name with the same type then assigns it too (Direct3D 9 warns and
// uses that one), and so does a loop whose counter the block declared
// before it ("int i = 7; for (int i = 0; ...)"). Loops that are not a statement of a block of their own
// (the body of an if) and names no later code reads are left to glslang.
// Always true.
bool HoistForVariables(TokenRewriteState& state);

}  // namespace fx
