// Stage 4: what a vertex or pixel shader of a profile cannot do, found in
// the code its entry point reaches (platform/fx internal;
// 4_check_stage_limits.cpp), read by CheckHlsl.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/shared/message.h"

namespace fx {

// The registers a varying of the declarator's type takes: one per column of
// a matrix (float3x3 tbn : TEXCOORD1 is TEXCOORD1-3), else one.
int MatrixRegisters(const Code& code, const Declarator& d);

// Errors at the word each is about (4_check_stage_limits.cpp lists them),
// for each (profile, entry point) compiled.
void CheckStageLimits(const Code& code, const HlslOutline& outline,
                      const std::vector<std::pair<std::string, std::string>>& compiled,
                      MessageSink& messages);

}  // namespace fx
