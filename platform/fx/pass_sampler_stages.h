// The texture stages of the samplers one pass reads (platform/fx internal).
//
// Direct3D 9's compiler gives each shader's samplers their registers itself:
// the samplers the shader reads, in the order the effect declares them, at
// the lowest s registers that no register(sN) takes; a sampler it does not
// read takes none. The effect-wide stages (AssignSamplerStages) give every
// sampler of the effect a stage of its own, which is the same for a shader
// that reads its samplers in a row from the first, and wrong for one that
// reads a later one: its pass's Texture[n] and Sampler[n] would meet
// another sampler, and a sampler past the sixteenth would have no stage.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/fx/3_parse/3_parse_effect.h"

namespace fx {

// The stages to compile the pass with when its samplers `read` (as the
// compiled pass names them) sit elsewhere than Direct3D 9 puts them: every
// sampler of `effectStages`, the read ones at their stages for this pass.
// Empty when the effect-wide stages are right already, and for a pass that
// reads an element of a sampler array (arrays keep their stages in a row).
std::vector<std::pair<std::string, int>> PassSamplerStages(
    const std::vector<SamplerStage>& effectStages, const std::vector<std::string>& read);

}  // namespace fx
