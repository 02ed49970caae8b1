// Stage 6: the small passes over glslang's SPIR-V (platform/fx internal;
// 6_spirv_passes.cpp). They run in the order of 6_passes.h.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/fx/6_spirv/6_spirv_module.h"

namespace fx {

// fmod and % as Direct3D 9 computes them: truncated, with the sign of the
// dividend (glslang writes SPIR-V's floored OpFMod / OpSMod).
void FixArithmetic(SpvModule& module);


// Intrinsics as Direct3D 9 computes them where glslang's SPIR-V differs:
// atan2(-0, x) is atan2(+0, x); an intrinsic of matrices (clamp, lerp, pow,
// step, sign, abs, saturate, fmod, ...) works column by column; an inout
// argument the call converted converts back into the caller's variable;
// round(x) is floor(x + 0.5), halfway values going up; pow, log, log2,
// sqrt and rsqrt read |x|.
void FixIntrinsics(SpvModule& module);


// A vertex shader's derivatives (ddx, ddy, fwidth) become zeros, and its
// texture reads lose their bias. The profile check refuses every such use
// that survives the shader's constant conditions, so those left are in code
// that never runs, which glslang kept and GLSL's vertex stage would refuse.
void DropVertexDerivatives(SpvModule& module);


// Takes out the additions of stage 5's unfolded zeros (kUnfoldedZero,
// kUnfoldedUintZero) once glslang has not folded what they were for, and
// the zeros themselves.
void DropUnfoldedZero(SpvModule& module);


// static globals and locals (Private variables) without an initializer
// start at zero: GLSL leaves them undefined.
void ZeroStatics(SpvModule& module);

}  // namespace fx
