// Stage 4: swizzles of number literals (platform/fx internal; the
// "literal_swizzles" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// "1.xxx", "0.5.rr", "0x10.x": Direct3D 9 swizzles a literal as a
// scalar; glslang's lexer reads "1." as the number and then fails on the
// name. The number goes in brackets, "(1).xxx", which both read alike.
// Always true.
bool BracketLiteralSwizzles(TokenRewriteState& state);

}  // namespace fx
