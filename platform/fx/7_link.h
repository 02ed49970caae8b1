// Stage 7: linking a pass's two stages into a program on the device
// (platform/fx internal), through the device's shader-program interface
// (platform/gfx/shader_programs.h).
//
// Where errors are made: a pair the device's GL compiler or linker rejects
// (at the pass, followed by the driver's log, one line per message, at the
// pass too).
#pragma once

#include <string>
#include <vector>

#include "platform/fx/3_parse_effect.h"
#include "platform/fx/message.h"
#include "platform/gfx/shader_programs.h"

namespace fx {

// The program of the pass (> 0), or 0 with the reasons in messages.
UINT LinkPass(platform::ShaderPrograms* programs, const std::vector<std::string>& glsl,
              const PassDesc& pass, MessageList* messages);

}  // namespace fx
