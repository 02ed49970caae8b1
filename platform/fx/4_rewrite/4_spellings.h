// Stage 4: Direct3D 9's spellings as glslang reads them (platform/fx
// internal; 4_spellings.cpp), the "respell" entry of 4_token_rewrites.h.
#pragma once

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/shared/token_stream.h"

namespace fx {

// Words and calls respelled as glslang reads what Direct3D 9's compiler
// reads (4_spellings.cpp), in place: its type names in capitals, doubles,
// one-component vectors, texCUBEproj, integer literals given to mul, half
// literals, SV_Position. code
// is that of *hlsl as it is; false when nothing changed (code still holds).
bool RespellHlsl(TokenStream* hlsl, const Code& code);

}  // namespace fx
