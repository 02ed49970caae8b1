// Stage 4: bool colours and depths (platform/fx internal; the
// "bool_outputs" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// Direct3D 9 writes a bool returned or written out on a COLOR or DEPTH
// register as 0 or 1; the device takes no bool pixel output. A bool or
// boolN type of such an output (an entry point's return value, its out
// parameter, a struct member) becomes float or floatN, and the bool
// values given to it convert to 0 and 1 as any bool does. Always true.
bool FloatBoolOutputs(TokenRewriteState& state);

}  // namespace fx
