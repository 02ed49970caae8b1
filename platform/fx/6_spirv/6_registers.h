// Stage 6: the constant registers as Direct3D 9 allocates them (platform/fx
// internal), applied to glslang's SPIR-V before SPIRV-Cross flattens the
// $Global block into "vs_c" / "ps_c".
//
// glslang packs $Global its own way (int a, b; puts b in c0.y) and gives
// room to every global. Direct3D 9's compiler, per stage:
// - a global the stage reads gets whole registers of its own, only up to
//   the highest one it reads: a scalar or vector one; a matrix one per
//   column (per row when row_major) as far as the results use it (what a
//   loaded value's uses depend on, from 6_demand.cpp); an array one per
//   element (the whole array when it is indexed dynamically); a struct its
//   members in order, each from a new register;
// - register(cN) reserves the declared size at cN, read or not (a scalar or
//   vector at packoffset(cN.y) its components from y, and others may take
//   the rest of the register); the others
//   go, largest first (ties in declaration order), to the lowest free range
//   that fits; a global the stage does not read takes none;
// - int and bool sit in c registers as floats (true = 1.0); an int read only
//   as a loop bound takes an i register and a bool read only as an if
//   condition a b register, which only the effect writes (their values are
//   the globals' initial values here: nothing else can set them).
// The pass rewrites the Offset, ArrayStride and MatrixStride decorations of
// $Global and the structs in it to those registers, turns int and bool
// members into floats converted where they are loaded, and fixes the
// majority of matrices that glslang loses (typedefs, #pragma pack_matrix).
//
// Where errors are made: explicit registers whose read ranges overlap (at
// the later global); a layout the pass cannot express.
#pragma once

#include <string>
#include <vector>

#include "platform/fx/5_glslang/5_hlsl_to_spirv.h"
#include "platform/fx/6_spirv/6_spirv_module.h"
#include "platform/fx/shared/message.h"

namespace fx {

enum class RegisterSet { Float, Int, Bool };

// One global in a stage's register table.
struct ConstantRegisters {
    std::string name;
    RegisterSet set = RegisterSet::Float;
    int start = 0;
    int count = 0;
    // The components of its one register a scalar or vector placed by
    // register(cN) or packoffset(cN.y) covers (bit 0 x ... bit 3 w), where
    // others may share the register; 0xF for a global owning its registers.
    uint32_t mask = 0xF;
    std::vector<float> values;  // count x 4: what the effect writes at BeginPass
};

// The float constant registers of a profile (ps_2_0 32, ps_3_0 224, vs_1_1
// 96, other vertex profiles 256); 0 for a profile this does not know.
int ProfileFloatRegisters(const std::string& profile);

// A global read past the float registers the profile has (ps_2_0 c0-c31,
// ps_3_0 c0-c223, vs_1_1 c0-c95, other vertex profiles c0-c255) is an
// error at its declaration (the lowest such global only: those allocated
// after it follow from it); false when there is one. A profile this does
// not know has no bound.
bool CheckProfileRegisters(const std::string& profile, const std::vector<ConstantRegisters>& table,
                           const GlobalsDescription& globals, MessageSink& errors);

// Lays out $Global; false (with errors) when it cannot.
bool AllocateRegisters(SpvModule& module, const GlobalsDescription& globals,
                       std::vector<ConstantRegisters>* table, MessageSink& errors);

}  // namespace fx
