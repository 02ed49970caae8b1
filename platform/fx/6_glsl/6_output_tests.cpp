// Stage 6: what Direct3D 9 does to COLOR0 after the pixel shader and before
// blending, which OpenGL core leaves to the shader: the alpha test and the
// sRGB write, read from "fx_output" (platform/shader_conventions.h).
//
// The shader's main becomes fx_shaded; the new main calls it, then drops
// the fragment (no colour, no depth) when the alpha fails the test, and
// encodes the colour channels as sRGB when asked (of an array of colours,
// its first element). The test reads the alpha
// as the device does: saturated (NaN as 0), scaled to 0-255 and rounded.
#include "platform/fx/6_glsl/6_cross_stage.h"
#include "platform/shader_conventions.h"

namespace fx {

void AddOutputTests(std::string* pixelGlsl) {
    const std::string mainStart = "void main()\n{\n";
    const std::string output = "layout(location = 0) out vec4 ";
    const size_t declared = pixelGlsl->find(output);
    const size_t main = pixelGlsl->find(mainStart);
    if (declared == std::string::npos || main == std::string::npos) return;
    const size_t nameStart = declared + output.size();
    const size_t nameEnd = pixelGlsl->find(';', nameStart);
    if (nameEnd == std::string::npos) return;
    std::string name = pixelGlsl->substr(nameStart, nameEnd - nameStart);
    // An array of colours ("out float4 c[2] : COLOR0") starts at COLOR0.
    if (const size_t bracket = name.find('['); bracket != std::string::npos)
        name = name.substr(0, bracket) + "[0]";
    const std::string u = platform::kOutputUniform;
    // The common case, D3DCMP_ALWAYS without sRGB, costs one uniform test.
    const std::string always = std::to_string(D3DCMP_ALWAYS) + ".0";
    pixelGlsl->replace(main, mainStart.size(), "void fx_shaded()\n{\n");
    *pixelGlsl +=
        "\nuniform vec4 " + u + ";\n"
        "void main()\n{\n"
        "    fx_shaded();\n"
        "    if (" + u + ".x == " + always + " && " + u + ".z == 0.0) return;\n"
        "    float fx_a = " + name + ".a > 0.0 ? floor(min(" + name + ".a, 1.0) * 255.0 + 0.5) : 0.0;\n"
        "    int fx_f = int(" + u + ".x);\n"
        "    float fx_r = " + u + ".y;\n"
        "    bool fx_kept = fx_f == 1 ? false : fx_f == 2 ? fx_a < fx_r : fx_f == 3 ? fx_a == fx_r\n"
        "        : fx_f == 4 ? fx_a <= fx_r : fx_f == 5 ? fx_a > fx_r : fx_f == 6 ? fx_a != fx_r\n"
        "        : fx_f == 7 ? fx_a >= fx_r : true;\n"
        "    if (!fx_kept) discard;\n"
        "    if (" + u + ".z != 0.0) {\n"
        "        vec3 fx_c = clamp(" + name + ".rgb, 0.0, 1.0);\n"
        "        " + name + ".rgb = mix(fx_c * 12.92, 1.055 * pow(fx_c, vec3(1.0 / 2.4)) - 0.055,\n"
        "                         greaterThan(fx_c, vec3(0.0031308)));\n"
        "    }\n"
        "}\n";
}

}  // namespace fx
