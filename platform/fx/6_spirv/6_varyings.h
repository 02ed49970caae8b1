// Stage 6: the varyings as Direct3D 9 passes them on (platform/fx internal;
// 6_varyings.cpp).
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/fx/6_spirv/6_spirv_module.h"

namespace fx {

// Varyings as wide as Direct3D 9's registers: each float varying (a vertex
// output or pixel input at a location) becomes a float4, so that a pixel
// shader may read a float2 where its vertex shader wrote a float4, or the
// other way round (components not written read (0, 0, 0, 1)). Stores widen, loads take
// the components they need. An int or uint varying is a float4 too (ints are
// floats in the registers): a pixel shader may read as an int2 what its
// vertex shader wrote as a float4, the value truncated. POSITION, PSIZE,
// VPOS and VFACE stay as they are. A pixel shader's int or uint colour is
// written as a float4 too, a scalar colour (float or int) replicated into
// its four channels, and a vertex shader's int, uint or bool input read
// from one (the stream's floats converted as the registers hold them).
// A vertex shader's output narrower than four gets w = 1: the channels a
// vertex shader does not write read (0, 0, 0, 1) in the pixel shader, as
// Direct3D 9's color registers and texture coordinates default.
void WidenVaryings(SpvModule& module, bool vertex);


// The COLOR0 and COLOR1 outputs of a vertex shader before vs_3_0 are
// clamped to [0, 1], as Direct3D 9 passes its color registers on.
void ClampColorOutputs(SpvModule& module);

}  // namespace fx
