// Stage 6, the stages no shader wrote: the fixed-function stand-ins of a
// pass without a vertex or a pixel shader (or without either), and the outputs that let a
// pixel shader read what its vertex shader does not write (Direct3D 9 reads
// (0, 0, 0, 1) there, as a register's channels not written; GL refuses to
// link such a pair).
#include <set>

#include "platform/fx/6_glsl/6_cross_stage.h"
#include "platform/fx/6_glsl/6_spirv_to_glsl.h"
#include "platform/shader_conventions.h"

namespace fx {
namespace {

// "layout(location = N) [flat] out TYPE NAME;": integer varyings cannot be
// interpolated.
std::string VaryingOutput(const spirv_cross::SPIRType& type, uint32_t location,
                          const std::string& name) {
    const bool integer = type.basetype == spirv_cross::SPIRType::UInt ||
                         type.basetype == spirv_cross::SPIRType::Int;
    return "layout(location = " + std::to_string(location) + ") " + (integer ? "flat " : "") +
           "out " + VaryingTypeName(type) + " " + name + ";\n";
}

std::string VersionLine() { return "#version " + std::to_string(platform::kGlslVersion) + "\n"; }

bool PlainVector(const spirv_cross::SPIRType& type) {
    return type.array.empty() && type.columns == 1 && type.vecsize >= 1 && type.vecsize <= 4;
}

}  // namespace

std::string VaryingTypeName(const spirv_cross::SPIRType& type) {
    const bool isUnsigned = type.basetype == spirv_cross::SPIRType::UInt;
    const bool integer = isUnsigned || type.basetype == spirv_cross::SPIRType::Int;
    if (type.vecsize == 1) return isUnsigned ? "uint" : integer ? "int" : "float";
    return std::string(isUnsigned ? "u" : integer ? "i" : "") + "vec" +
           std::to_string(type.vecsize);
}

// The position goes through untransformed (depth [0, 1] to GL's [-1, 1]),
// COLOR0 and TEXCOORD0 reach the pixel inputs of those semantics; inputs the
// fixed-function stage would not feed read (0, 0, 0, 1), or zero for COLOR1
// (no specular).
std::string PassThroughVertexStage(spirv_cross::CompilerGLSL& pixel) {
    std::string decls, body;
    spirv_cross::ShaderResources res = pixel.get_shader_resources();
    for (const auto& input : res.stage_inputs) {
        if (!pixel.has_decoration(input.id, spv::DecorationLocation)) continue;
        uint32_t location = pixel.get_decoration(input.id, spv::DecorationLocation);
        const spirv_cross::SPIRType& type = pixel.get_type(input.type_id);
        if (!PlainVector(type) || location >= kMaxVaryingLocations) continue;
        auto semantic = SplitSemantic(SemanticOf(pixel, input.id));
        std::string source = "vec4(0.0, 0.0, 0.0, 1.0)";
        if (semantic.first == "COLOR") source = semantic.second == 0 ? "ff_color" : "vec4(0.0)";
        if (semantic.first == "TEXCOORD" && semantic.second == 0) source = "ff_texcoord";
        static const char* const kSwizzle[] = {"", ".x", ".xy", ".xyz", ".xyzw"};
        const std::string glslType = VaryingTypeName(type);
        std::string name = "ff_out" + std::to_string(location);
        decls += VaryingOutput(type, location, name);
        body += "    " + name + " = " + glslType + "((" + source + ")" + kSwizzle[type.vecsize] +
                ");\n";
    }
    auto attribute = [](int slot, const char* declaration) {
        return "layout(location = " + std::to_string(slot) + ") in " + declaration + ";\n";
    };
    std::string glsl = VersionLine() + attribute(platform::kPositionAttribute, "vec3 ff_position") +
                       attribute(platform::kColorAttribute, "vec4 ff_color") +
                       attribute(platform::kTexcoordAttribute, "vec4 ff_texcoord") + decls +
                       "void main()\n{\n"
                       "    gl_Position = vec4(ff_position, 1.0);\n"
                       "    gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;\n" +
                       body + "}\n";
    ShiftHalfPixel(&glsl);
    return glsl;
}

// The fixed-function stage with no texture passes the diffuse colour on
// (COLOR0 of the vertex stage; white when it writes none).
std::string PassThroughPixelStage(spirv_cross::CompilerGLSL& vertex) {
    spirv_cross::ShaderResources res = vertex.get_shader_resources();
    for (const auto& output : res.stage_outputs) {
        if (!vertex.has_decoration(output.id, spv::DecorationLocation) ||
            vertex.get_decoration(output.id, spv::DecorationLocation) != 0) {
            continue;
        }
        const spirv_cross::SPIRType& type = vertex.get_type(output.type_id);
        if (type.basetype != spirv_cross::SPIRType::Float || !PlainVector(type)) continue;
        static const char* const kTypes[] = {"", "float", "vec2", "vec3", "vec4"};
        static const char* const kWiden[] = {"", "vec4(ff_color, 0.0, 0.0, 1.0)",
                                             "vec4(ff_color, 0.0, 1.0)", "vec4(ff_color, 1.0)",
                                             "ff_color"};
        std::string input =
            std::string("layout(location = 0) in ") + kTypes[type.vecsize] + " ff_color;\n";
        return VersionLine() + input +
               "layout(location = 0) out vec4 ff_target;\n"
               "void main()\n{\n    ff_target = " +
               kWiden[type.vecsize] + ";\n}\n";
    }
    return VersionLine() +
           "layout(location = 0) out vec4 ff_target;\n"
           "void main()\n{\n    ff_target = vec4(1.0);\n}\n";
}

void FixedFunctionPass(CompiledPass* out) {
    auto attribute = [](int slot, const char* declaration) {
        return "layout(location = " + std::to_string(slot) + ") in " + declaration + ";\n";
    };
    std::string vertex = VersionLine() +
                         attribute(platform::kPositionAttribute, "vec3 ff_position") +
                         attribute(platform::kColorAttribute, "vec4 ff_color") +
                         "layout(location = 0) out vec4 ff_diffuse;\n"
                         "void main()\n{\n"
                         "    gl_Position = vec4(ff_position, 1.0);\n"
                         "    gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;\n"
                         "    ff_diffuse = ff_color;\n"
                         "}\n";
    ShiftHalfPixel(&vertex);
    std::string pixel = VersionLine() +
                        "layout(location = 0) in vec4 ff_diffuse;\n"
                        "layout(location = 0) out vec4 ff_target;\n"
                        "void main()\n{\n    ff_target = ff_diffuse;\n}\n";
    AddOutputTests(&pixel);
    out->glsl = {std::move(vertex), std::move(pixel)};
    out->ok = true;
}

void AddUnwrittenVaryings(spirv_cross::CompilerGLSL& vertex, spirv_cross::CompilerGLSL& pixel,
                          std::string* vertexGlsl) {
    std::set<uint32_t> written;
    for (const auto& output : vertex.get_shader_resources().stage_outputs) {
        if (vertex.has_decoration(output.id, spv::DecorationLocation)) {
            written.insert(vertex.get_decoration(output.id, spv::DecorationLocation));
        }
    }
    std::string decls, body;
    for (const auto& input : pixel.get_shader_resources().stage_inputs) {
        if (!pixel.has_decoration(input.id, spv::DecorationLocation)) continue;
        uint32_t location = pixel.get_decoration(input.id, spv::DecorationLocation);
        const spirv_cross::SPIRType& type = pixel.get_type(input.type_id);
        if (written.count(location) != 0 || !PlainVector(type) || location >= kMaxVaryingLocations)
            continue;
        const std::string glslType = VaryingTypeName(type);
        std::string name = "ff_unwritten" + std::to_string(location);
        decls += VaryingOutput(type, location, name);
        // Only a four-wide input has the w that reads 1.
        static const char* const kDefault[] = {"", "0.0", "0.0", "0.0", "0.0, 0.0, 0.0, 1.0"};
        body += "    " + name + " = " + glslType + "(" + kDefault[type.vecsize] + ");\n";
    }
    const std::string mainStart = "void main()\n{\n";
    size_t at = vertexGlsl->find(mainStart);
    if (decls.empty() || at == std::string::npos) return;
    vertexGlsl->insert(at + mainStart.size(), body);
    vertexGlsl->insert(at, decls + "\n");
}

}  // namespace fx
