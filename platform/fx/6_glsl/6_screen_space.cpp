// Stage 6: Direct3D 9's screen in the generated GLSL (see 6_cross_stage.h).
//
// Direct3D 9's pixel (x, y) has its centre at screen position (x, y), y
// down; GL's at window position (x + 0.5, y + 0.5). Half a pixel right and
// down in clip space is (+1 / width, -1 / height) times w. The device keeps
// its targets top row first (platform/shader_conventions.h), so the vertex
// stage then turns clip-space y over: GL's window y runs down the image,
// gl_FragCoord is Direct3D 9's pixel plus 0.5, and an edge through pixel
// centres at the top of a face covers them, as Direct3D 9's top-left rule
// has it.
#include "platform/fx/6_glsl/6_cross_stage.h"
#include "platform/shader_conventions.h"

namespace fx {
namespace {

const std::string kMainStart = "void main()\n{\n";

void DeclareTarget(std::string* glsl) {
    const std::string declaration = std::string("uniform vec4 ") + platform::kTargetUniform + ";\n";
    if (glsl->find(declaration) != std::string::npos) return;
    size_t at = glsl->find('\n');
    at = at == std::string::npos ? 0 : at + 1;  // after #version
    glsl->insert(at, declaration);
}

}  // namespace

void ShiftHalfPixel(std::string* vertexGlsl) {
    // SPIRV-Cross ends main with the depth fix-up; the shift goes after it.
    const std::string fixup = "    gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;\n";
    size_t at = vertexGlsl->rfind(fixup);
    if (at == std::string::npos) return;
    const std::string target = platform::kTargetUniform;
    vertexGlsl->insert(at + fixup.size(),
                       "    gl_Position.xy += vec2(" + target + ".z, -" + target +
                           ".w) * gl_Position.w;\n"
                           "    gl_Position.y = -gl_Position.y;\n");
    DeclareTarget(vertexGlsl);
}

std::string WindowPosition(uint32_t components) {
    static const char* const kSwizzles[] = {"", ".x", ".xy", ".xyz", ""};
    const std::string value = "vec4(gl_FragCoord.xy - 0.5, gl_FragCoord.zw)";
    return components >= 4 ? value : "(" + value + ")" + kSwizzles[components];
}

std::string FaceSign() { return "(gl_FrontFacing ? 1.0 : -1.0)"; }

bool ComputeInputs(const std::vector<ComputedInput>& inputs, std::string* pixelGlsl) {
    if (inputs.empty()) return true;
    std::string assignments;
    for (const ComputedInput& input : inputs) {
        const std::string declaration = "layout(location = " + std::to_string(input.location) +
                                        ") in " + input.type + " " + input.name + ";\n";
        size_t at = pixelGlsl->find(declaration);
        if (at == std::string::npos) return false;
        pixelGlsl->replace(at, declaration.size(), input.type + " " + input.name + ";\n");
        assignments += "    " + input.name + " = " + input.value + ";\n";
    }
    size_t at = pixelGlsl->find(kMainStart);
    if (at == std::string::npos) return false;
    pixelGlsl->insert(at + kMainStart.size(), assignments);
    return true;
}

}  // namespace fx
