// The contract between the graphics device (platform/gfx) and the effect
// compiler (platform/fx): how the GLSL the compiler writes meets the state
// the device keeps. Platform-internal: app/, render/ and sim/ never include
// it. Each number and name is written here once.
#pragma once

#include "platform/gfx/gfx.h"

namespace platform {

// >> vertex inputs
// The one vertex layout, FVF 0x20142, feeds three attributes: the position
// (float3), the diffuse colour (a D3DCOLOR read as normalised BGRA bytes)
// and texture set 0 (float4). A vertex shader's POSITION, COLOR0 and
// TEXCOORD0 inputs sit there.
constexpr int kPositionAttribute = 0;
constexpr int kColorAttribute = 1;
constexpr int kTexcoordAttribute = 2;
constexpr int kStreamAttributes = 3;
// Other vertex inputs take the spare attributes after those, which the
// device leaves disabled (they read (0, 0, 0, 1)).
constexpr int kMaxVertexAttributes = 16;

// >> constants
// Each stage reads its registers from one array of vec4, indexed by
// register: "uniform vec4 vs_c[N]" and "uniform vec4 ps_c[N]" (N the highest
// register the stage reads + 1; absent when it reads none). The device
// keeps D3D_SHADER_REGISTERS registers per stage and uploads them there.
constexpr const char* kVertexConstants = "vs_c";
constexpr const char* kPixelConstants = "ps_c";
constexpr int kConstantRegisters = static_cast<int>(D3D_SHADER_REGISTERS);

// >> render target
// The device keeps its targets top row first: the vertex stage turns
// clip-space y over (gl_Position.y = -gl_Position.y), so that GL's window y
// runs down the image as Direct3D 9's screen does (gl_FragCoord.y counts
// rows from the top; faces clockwise on screen are counter-clockwise to GL;
// an edge through pixel centres covers them at a face's top, not its bottom).
// "uniform vec4 fx_target": the size of the target being drawn into (width,
// height, 1 / width, 1 / height), with which the vertex stage moves its
// position half a pixel (Direct3D 9 samples pixels at whole-number screen
// coordinates, GL at their centres). The device sets it.
constexpr const char* kTargetUniform = "fx_target";

// >> what happens to COLOR0 after the pixel shader
// OpenGL core has neither the alpha test nor a switch for sRGB writes into
// the targets the device keeps: the pixel stage does both after the shader
// ran, from "uniform vec4 fx_output" that the device sets from its render
// states: x the D3DCMPFUNC the alpha passes by (D3DCMP_ALWAYS while
// ALPHATESTENABLE is off), y ALPHAREF (0-255), z 1 while SRGBWRITEENABLE
// is on. A pixel stage without a four-component COLOR0 has no fx_output.
constexpr const char* kOutputUniform = "fx_output";

// >> samplers
// A sampler's binding is its texture stage (register(sN), or the lowest
// stage still free); the device has D3D_SAMPLER_STAGES of them.
constexpr int kSamplerStages = static_cast<int>(D3D_SAMPLER_STAGES);

// >> shading language
constexpr int kGlslVersion = 450;

}  // namespace platform
