// Stage 6: arrays of the shader's own (static or local) indexed at run time
// that no register file of the profile could hold (platform/fx internal;
// 6_indexed_arrays.cpp).
#pragma once

#include <string>

#include "platform/fx/6_spirv/6_spirv_module.h"
#include "platform/fx/shared/message.h"

namespace fx {

// A static or local array read or written with a run-time index needs all
// of its elements in registers at once; one that takes more registers than
// the profile has (its float constants, the largest file: ps_3_0 224) is an
// error, named once. False when there is one; a profile this does not know
// has no bound. Cheap when the module has no such array.
bool CheckIndexedArrays(const SpvModule& module, const std::string& profile, MessageSink& errors);

}  // namespace fx
