// Stage 6: uniforms loaded as GL's flattened register array allows
// (platform/fx internal; 6_uniform_loads.cpp).
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/fx/6_spirv/6_spirv_module.h"

namespace fx {

// A uniform vector or matrix indexed at run time (v[i], m[i]) is loaded
// whole into a local copy, which the index reads (as Direct3D 9 reads the
// whole value from its registers; GL cannot index within a register).
void CopyDynamicallyIndexedValues(SpvModule& module);


// Chains and loads of the scalars, vectors and matrices inside the uniform
// value of type `type` that base + indices reaches, put together again as a
// value of type `to` (an equal type, perhaps of another layout) into *out:
// its id. The flattened registers cannot be loaded as a whole array.
uint32_t LoadByParts(SpvModule& module, uint32_t base, std::vector<uint32_t> indices,
                     uint32_t type, uint32_t to, std::vector<SpvInstruction>* out);


// A uniform array, or a struct holding one, read whole (copied into a
// local, passed to a function) is read element by element: GL's flattened
// register array cannot hand out an array at once.
void LoadUniformArraysByParts(SpvModule& module);

}  // namespace fx
