// Stage 4: statements and declarations Direct3D 9's compiler refuses and
// glslang takes, crashes on or answers in words of its own language
// (platform/fx internal; 4_check_statements.cpp), read by CheckHlsl.
#pragma once

#include <string>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/shared/message.h"

namespace fx {

// Errors at the word each is about (4_check_statements.cpp lists them);
// entries are the effect's entry points.
void CheckStatements(const Code& code, const HlslOutline& outline,
                     const std::vector<std::string>& entries, MessageSink& messages);

}  // namespace fx
