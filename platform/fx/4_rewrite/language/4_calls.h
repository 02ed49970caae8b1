// Stage 4: calls Direct3D 9 refuses (platform/fx internal; the "calls"
// entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// A function an entry point reaches that calls itself, directly or through
// others, is an error at the call that closes the circle: Direct3D 9's
// shaders have no stack. A call of a function that is declared but never
// defined is an error at the call. (glslang would say either only when it
// links, without a place.) Calls of an overloaded name are not followed:
// which overload they reach needs the arguments' types (stage 5's
// check_recursion follows them by glslang's choice). Recursive functions no
// entry point can reach (a call of an overloaded name may reach each of its
// definitions), and the unreached ones calling them, leave the text:
// Direct3D 9 never compiles them, glslang would refuse the circle.
// False when it found an error.
bool CheckCalls(TokenRewriteState& state);

}  // namespace fx
