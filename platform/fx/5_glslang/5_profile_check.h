// Stage 5: what the profile's instructions lack, checked on glslang's tree
// (platform/fx internal; 5_profile_check.cpp).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/fx/shared/message.h"

namespace glslang {
class TIntermediate;
}

namespace fx {

// What the profile's instruction set lacks, in the code of the entry point
// that survives its constant conditions (5_profile_check.cpp): gradients
// (ddx, ddy, fwidth, tex*grad) outside ps_2_a and ps_3_0 pixel shaders,
// tex*lod outside ps_3_0 and vs_3_0, other texture reads in vertex shaders,
// a loop that ends on a uniform or an input where there are no loop
// instructions (ps_2_0, ps_2_b, vs_1_1: loops must unroll), an index into
// samplers that reads a uniform or an input. A texture read is named as
// written (text: what glslang was given, where its places are).
void CheckProfile(glslang::TIntermediate& tree, const std::string& profile, bool vertex,
                  std::string_view text, MessageSink& errors);

}  // namespace fx
