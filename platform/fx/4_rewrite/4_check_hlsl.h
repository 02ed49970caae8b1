// Stage 4: what Direct3D 9's compiler refuses and glslang would take
// (platform/fx internal; 4_check_hlsl.cpp), the "check" entry of
// 4_token_rewrites.h.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/shared/message.h"

namespace fx {

// What Direct3D 9's compiler refuses in the HLSL of an effect that compiles
// these (profile, entry point) pairs (4_check_hlsl.cpp), as errors in
// messages: false when it found one.
bool CheckHlsl(const Code& code, const HlslOutline& outline,
               const std::vector<std::pair<std::string, std::string>>& compiled,
               MessageSink& messages);

}  // namespace fx
