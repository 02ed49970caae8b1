// Stage 6: which components of each value the results use (platform/fx
// internal; 6_demand.cpp), for the register allocation.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/fx/6_spirv/6_spirv_module.h"

namespace fx {

// For each value (and function-local variable) of the functions given (the
// entry point and what it calls, as [begin, end) of module.code), by id, a
// mask of the components the shader's results depend on: bit k of a
// vector, bit 4 i + j of a matrix's SPIR-V column i, component j; all bits
// where it cannot tell. Values that nothing depends on are 0.
std::vector<uint32_t> DemandedComponents(
    const SpvModule& module, const std::vector<std::pair<size_t, size_t>>& functions);

}  // namespace fx
