// What the two files of stage 6 share (platform/fx internal): semantics as
// SPIRV-Cross reports them, and the generated stand-in stages.
#pragma once

#include <spirv_cross/spirv_glsl.hpp>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace fx {

// Varyings sit at locations below this; pixel inputs the GLSL computes
// (VPOS, VFACE) at locations past it while stage 6 works.
constexpr int kMaxVaryingLocations = 32;

// "TEXCOORD3" -> ("TEXCOORD", 3); "COLOR" -> ("COLOR", 0); upper case.
std::pair<std::string, int> SplitSemantic(const std::string& semantic);
std::string SemanticOf(const spirv_cross::CompilerGLSL& c, spirv_cross::ID id);
// The semantic of a variable of that name: an element glslang split out of
// a struct's array member ("i.t[1]") adds its index to the array's.
std::string ElementSemantic(const std::string& semantic, const std::string& name);
// The GLSL type of a scalar or vector varying ("float", "ivec3", ...).
std::string VaryingTypeName(const spirv_cross::SPIRType& type);

// The vertex stage of a pass without a vertex shader, made to feed the
// pixel shader's inputs (whose locations stage 6 has assigned).
std::string PassThroughVertexStage(spirv_cross::CompilerGLSL& pixel);
// The pixel stage of a pass without a pixel shader.
std::string PassThroughPixelStage(spirv_cross::CompilerGLSL& vertex);
// >> Direct3D 9's screen (6_screen_space.cpp)
// Direct3D 9 samples pixels at whole-number screen coordinates, GL at their
// centres: the vertex stage moves its position half a pixel right and down
// (with the target's size from "fx_target"), so that both rasterise and
// interpolate alike, and turns clip-space y over for the device's top-row-
// first targets.
void ShiftHalfPixel(std::string* vertexGlsl);

// A pixel input the GLSL computes instead of reading a varying: VPOS (the
// pixel's whole-number position, (0, 0) at the top left, y down) and VFACE
// (+1 for faces clockwise on screen, -1 otherwise). Stage 6 names the input
// and gives it a location past the varyings'; ComputeInputs then turns its
// declaration into a global set at the start of main.
struct ComputedInput {
    std::string name;
    uint32_t location = 0;
    std::string type;  // "float", "vec2", ...
    std::string value;  // a GLSL expression of that type
};
// False when a declaration is not where SPIRV-Cross writes it.
bool ComputeInputs(const std::vector<ComputedInput>& inputs, std::string* pixelGlsl);
// The expressions of the two.
std::string WindowPosition(uint32_t components);
std::string FaceSign();

// >> after the pixel shader (6_output_tests.cpp)
// The alpha test and the sRGB write on COLOR0, as the device's render states
// ask through "fx_output"; a pixel stage without a four-component COLOR0 is
// left as it is.
void AddOutputTests(std::string* pixelGlsl);

// Gives the vertex stage's GLSL an output, set to (0, 0, 0, 1) as wide as
// the input, for every pixel input it does not write.
void AddUnwrittenVaryings(spirv_cross::CompilerGLSL& vertex, spirv_cross::CompilerGLSL& pixel,
                          std::string* vertexGlsl);

}  // namespace fx
