// Stage 5: glslang's messages in the words of HLSL (platform/fx internal;
// 5_message_words.cpp).
#pragma once

#include <string>

namespace fx {

// The text of one of glslang's messages with its names of types as HLSL
// spells them (' temp 4-component vector of float' -> 'float4',
// ' const 2X3 matrix of float' -> 'float2x3', ' temp int' -> 'int') and its
// "l-value required" said plainly; other text as it was.
std::string InHlslWords(std::string text);

}  // namespace fx
