// What the two files of stage 6 share (platform/fx internal): semantics as
// SPIRV-Cross reports them, and the generated stand-in stages.
#pragma once

#include <spirv_cross/spirv_glsl.hpp>

#include <string>
#include <utility>

namespace fx {

// "TEXCOORD3" -> ("TEXCOORD", 3); "COLOR" -> ("COLOR", 0); upper case.
std::pair<std::string, int> SplitSemantic(const std::string& semantic);
std::string SemanticOf(const spirv_cross::CompilerGLSL& c, spirv_cross::ID id);
// The GLSL type of a scalar or vector varying ("float", "ivec3", ...).
std::string VaryingTypeName(const spirv_cross::SPIRType& type);

// The vertex stage of a pass without a vertex shader, made to feed the
// pixel shader's inputs (whose locations stage 6 has assigned).
std::string PassThroughVertexStage(spirv_cross::CompilerGLSL& pixel);
// The pixel stage of a pass without a pixel shader.
std::string PassThroughPixelStage(spirv_cross::CompilerGLSL& vertex);
// Gives the vertex stage's GLSL an output, set to zero, for every pixel
// input it does not write.
void AddUnwrittenVaryings(spirv_cross::CompilerGLSL& vertex, spirv_cross::CompilerGLSL& pixel,
                          std::string* vertexGlsl);

}  // namespace fx
