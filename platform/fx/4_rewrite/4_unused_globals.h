// Stage 4: global declarations that no code names, taken out of the text
// glslang compiles (platform/fx internal).
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/shared/token_stream.h"

namespace fx {

// Global variable declarations that no function, no kept declaration and
// no compile statement's argument (the names in `arguments`) names taken out
// in place: Direct3D 9 gives them no register, and they must cost glslang
// nothing. One with an initial value only when every name it declares is in
// `constants` (values known sound). code and outline are those of *hlsl as
// it is. False when none is taken out (the tokens are as they were).
bool DropUnusedGlobals(TokenStream* hlsl, const Code& code, const HlslOutline& outline,
                       const std::unordered_set<std::string_view>& constants,
                       const std::vector<std::string>& arguments = {});

}  // namespace fx
