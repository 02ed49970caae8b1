// Stage 6: the order of the SPIR-V passes, and why each sits where it does.
#include "platform/fx/6_spirv/6_passes.h"

#include <array>

#include "platform/fx/6_spirv/6_indexed_arrays.h"
#include "platform/fx/6_spirv/6_ints_as_floats.h"
#include "platform/fx/6_spirv/6_spirv_passes.h"
#include "platform/fx/6_spirv/6_uniform_loads.h"
#include "platform/fx/6_spirv/6_varyings.h"

namespace fx {
namespace {

bool Vertex(const SpirvPassState& s) { return s.source.stage == ShaderStage::Vertex; }

constexpr std::array kPasses = {
    // First: a check on the module as glslang made it (an error stops the
    // list before any pass or the driver works on an array too large).
    SpirvPass{"check_indexed_arrays",
              [](SpirvPassState& s) {
                  return CheckIndexedArrays(s.module, s.source.profile, s.errors);
              }},
    // Next: it only swaps opcodes, and every pass after it (ints_as_floats
    // above all) sees Direct3D 9's truncated remainders, OpFRem / OpSRem.
    SpirvPass{"fix_arithmetic",
              [](SpirvPassState& s) {
                  FixArithmetic(s.module);
                  return true;
              }},
    // Before fix_intrinsics, which would split a matrix's derivative into
    // columns; after the check, whose errors stop the list first.
    SpirvPass{"drop_vertex_derivatives",
              [](SpirvPassState& s) {
                  if (Vertex(s)) DropVertexDerivatives(s.module);
                  return true;
              }},
    // Before zero_statics, which would give stage 5's static zeros an
    // initializer of their own; before the passes that copy or convert the
    // values the additions feed.
    SpirvPass{"drop_unfolded_zero",
              [](SpirvPassState& s) {
                  DropUnfoldedZero(s.module);
                  return true;
              }},
    // On the calls as glslang wrote them (an inout argument's conversion
    // sits next to its call); before the varyings and registers are
    // reshaped, so that those passes see only vector operations.
    SpirvPass{"fix_intrinsics",
              [](SpirvPassState& s) {
                  FixIntrinsics(s.module);
                  return true;
              }},
    // Statics only (globals before the first function); its place among the
    // passes that do not touch them is free.
    SpirvPass{"zero_statics",
              [](SpirvPassState& s) {
                  ZeroStatics(s.module);
                  return true;
              }},
    // Before clamp_colors, which then clamps the outputs at their final,
    // float4 width.
    SpirvPass{"widen_varyings",
              [](SpirvPassState& s) {
                  WidenVaryings(s.module, Vertex(s));
                  return true;
              }},
    // Vertex shaders before vs_3_0 only; after widen_varyings (above),
    // before the registers: the clamp reads no constant.
    SpirvPass{"clamp_colors",
              [](SpirvPassState& s) {
                  if (Vertex(s) && s.source.profile.rfind("vs_3", 0) != 0)
                      ClampColorOutputs(s.module);
                  return true;
              }},
    // Before the registers are allocated: the copy reads the value whole,
    // so all of it takes registers, as Direct3D 9 reads it.
    SpirvPass{"copy_indexed_values",
              [](SpirvPassState& s) {
                  CopyDynamicallyIndexedValues(s.module);
                  return true;
              }},
    // After every pass that changes what the code reads of $Global; an
    // error here stops the list.
    SpirvPass{"allocate_registers",
              [](SpirvPassState& s) {
                  return AllocateRegisters(s.module, s.source.globals, s.constants, s.errors);
              }},
    // On the register table allocate_registers made; an error stops the
    // list.
    SpirvPass{"check_profile_registers",
              [](SpirvPassState& s) {
                  return CheckProfileRegisters(s.source.profile, *s.constants, s.source.globals,
                                               s.errors);
              }},
    // After allocate_registers: the parts are loaded at the strides it set.
    SpirvPass{"load_arrays_by_parts",
              [](SpirvPassState& s) {
                  LoadUniformArraysByParts(s.module);
                  return true;
              }},
    // Last: the register block holds no integers once the registers are
    // laid out, and every pass before it reads ints as glslang typed them.
    // A module it cannot express stays as it was and still compiles.
    SpirvPass{"ints_as_floats",
              [](SpirvPassState& s) {
                  IntsAsFloats(s.module);
                  return true;
              }},
};

}  // namespace

std::span<const SpirvPass> SpirvPasses() { return kPasses; }

}  // namespace fx
