// Stage 7: linking a pass's two stages into a program on the device
// (platform/fx internal), through the device's shader-program interface
// (platform/gfx/shader_programs.h).
//
// A pass whose shaders are small links in place; a larger one links with a
// deadline (the driver's time grows faster than the shader's size) and is
// abandoned if the driver has not finished by then.
//
// Where errors are made: a pair the device's GL compiler or linker rejects
// (at the pass, followed by the driver's log, one line per message, at the
// pass too); a link the driver has not finished by the deadline (at the
// pass).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/fx/3_parse/3_parse_effect.h"
#include "platform/fx/shared/message.h"
#include "platform/gfx/shader_programs.h"

namespace fx {

// Shaders up to this many estimated instruction slots (what every shader
// model 3 device holds) take the driver a fraction of a second (llvmpipe:
// 0.2 s for 500 slots of matrix transforms) and link in place.
constexpr int64_t kLinkInPlaceSlots = 512;

// How long a larger pass may take the driver to compile and link.
constexpr int kLinkTimeLimitMs = 5000;

// The program of the pass (> 0), or 0 with the reasons in messages. slots:
// the larger stage's estimated instruction slots.
UINT LinkPass(platform::ShaderPrograms* programs, const std::vector<std::string>& glsl,
              int64_t slots, const PassDesc& pass, MessageSink& messages);

}  // namespace fx
