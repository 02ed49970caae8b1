// Stage 4: more of what Direct3D 9's compiler refuses and glslang would take
// (platform/fx internal; 4_check_refusals.cpp), read by CheckHlsl.
#pragma once

#include <string>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/shared/message.h"

namespace fx {

// Declarations, conversions and statements Direct3D 9 refuses, each an error
// at the word it is about (4_check_refusals.cpp lists them); entries are the
// effect's entry points.
void CheckRefusals(const Code& code, const HlslOutline& outline,
                   const std::vector<std::string>& entries, MessageSink& messages);

}  // namespace fx
