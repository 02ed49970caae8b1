// Stage 4: an assignment of fewer components than its vector holds
// (platform/fx internal; the "assignment_widths" entry of
// 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// "a = v.xy;" or "a += v.xy;" with a float4 a: a vector takes a scalar or
// at least as many components, nothing between (Direct3D 9: cannot
// implicitly convert). The error stands at the operator, where glslang
// says "could not create assignment" at the line's start. The left side is
// a name, its element or swizzle, as the declarations tell its width.
// False when it found one.
bool CheckAssignmentWidths(TokenRewriteState& state);

}  // namespace fx
