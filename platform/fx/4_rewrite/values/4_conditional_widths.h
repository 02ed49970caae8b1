// Stage 4: a '?:' whose condition is wider than its values (platform/fx
// internal; the "conditional_widths" entry of 4_token_rewrites.cpp).
#pragma once

#include <cstddef>

namespace fx {

class TokenRewriteState;
class Code;
struct HlslOutline;

// The first token of the condition of the '?' at q; Declarator::npos when
// it cannot be told.
size_t ConditionStart(const Code& code, size_t q);

// The components of the condition [first, last) of a '?:' (a comparison's
// or logic's widest side); 0 when its types do not tell.
int ConditionComponents(const Code& code, const HlslOutline& outline, size_t first, size_t last);

// "(v > 2) ? a.xy : b.xy" with a float4 v: Direct3D 9 takes as many
// components of the condition as the values have, with the truncation
// warning; glslang makes a selection SPIR-V cannot hold (the pass does not
// link). The condition becomes "((v > 2)).xy". Values of one component
// (each chosen per component of the condition) and conditions no wider
// than the values are left as they are. Always true.
bool RewriteConditionalWidths(TokenRewriteState& state);

}  // namespace fx
