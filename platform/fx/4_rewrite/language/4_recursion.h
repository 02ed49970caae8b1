// Stage 4: recursion refused (platform/fx internal; the "recursion" entry
// of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// A function an entry point reaches that calls itself, directly or through
// others, is an error at the call that closes the circle: Direct3D 9's
// shaders have no stack (glslang would say so only when it links, without
// a place). Calls of an overloaded name are not followed: which overload
// they reach needs the arguments' types. False when it found one.
bool RefuseRecursion(TokenRewriteState& state);

}  // namespace fx
