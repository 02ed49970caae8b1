// Stage 6: ints held as floats, the last SPIR-V pass (platform/fx internal;
// 6_ints_as_floats.cpp).
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/fx/6_spirv/6_spirv_module.h"

namespace fx {

// ints and uints held as floats, as shader models 2 and 3 hold them: the
// code's integer values, variables and constants become floats (a uint
// keeps its unsigned value), division and casts to int truncate, % is the
// truncated remainder. What must stay an integer (indices, switch
// selectors, interface variables) is converted where it is used. Runs last:
// the register block holds no integers by then. False, with the module as
// it was, for what it cannot express (a float's bits read as an integer).
bool IntsAsFloats(SpvModule& module);

}  // namespace fx
