// The passes stage 6 makes over glslang's SPIR-V leave a module SPIRV-Tools'
// validator accepts (SPIRV-Cross reads much that is not valid; GL drivers
// would not): each shader below takes a different path through them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fx/6_spirv/6_passes.h"
#include "tests/support/spirv_validate.h"

namespace {

struct Shader {
    const char* what;
    fx::ShaderStage stage;
    const char* hlsl;
    std::vector<std::string> written;  // as stage 4 would name them
    bool glslangValid = true;          // false: glslang's own module is not valid SPIR-V
};

const Shader kShaders[] = {
    {"ints, bools and a switch", fx::ShaderStage::Pixel,
     "int a; bool b; int2 c; uint u;\n"
     "float4 main() : COLOR0 { switch (a) { case 1: return b; default: break; }\n"
     "    return float4(c, u, b ? 1 : 0); }\n",
     {}},
    {"a loop bound and an if condition", fx::ShaderStage::Pixel,
     "int n = 3; bool on = true; float4 step;\n"
     "float4 main() : COLOR0 { float4 s = 0; for (int i = 0; i < n; i++) s += step;\n"
     "    if (on) return s; return 0; }\n",
     {}},
    {"structs with ints, arrays, matrices of both majorities", fx::ShaderStage::Vertex,
     "struct L { float3 dir; int kind; bool on; float4x3 m; };\n"
     "L lights[3]; row_major float4x4 view; float4x4 proj;\n"
     "float4 main(float4 p : POSITION, out float2 t : TEXCOORD0) : POSITION {\n"
     "    L l = lights[(int)p.w]; t = float2(l.kind, l.on);\n"
     "    return mul(mul(p, view), proj) + float4(mul(p, l.m), 0); }\n",
     {}},
    {"fmod, %, derivatives and narrow varyings", fx::ShaderStage::Pixel,
     "float4 v;\n"
     "float4 main(float2 uv : TEXCOORD0, float f : TEXCOORD1) : COLOR0 {\n"
     "    int a = (int)v.x; return float4(fmod(uv.x, v.y), v.z % v.w, a % 3, ddy(f)); }\n",
     {}},
    {"a written global and a struct copied in", fx::ShaderStage::Pixel,
     "struct S { float4 a; int b; };\n"
     "float4 g__fxw; static float4 g; S s__fxw; static S s; float arr__fxw[2]; static float arr[2];\n"
     "float4 main() : COLOR0 { g.x += 1; s.b++; arr[1] = 2; return g + s.a * s.b + arr[0]; }\n",
     {"g", "s", "arr"}},
    {"atan2, lit, fmod of constants, statics without initializers", fx::ShaderStage::Pixel,
     "float4 v; struct S { float4 a; int b; }; static S st; static float arr[2];\n"
     "float4 main() : COLOR0 { static float s; return lit(v.x, v.y, v.z) + atan2(v.xy, v.zw).x\n"
     "    + atan2(v.x, v.y) + fmod(-7.5, 2) + s + st.a + st.b + arr[1]; }\n",
     {}},
    {"intrinsics of matrices, matrix swizzles, an inout argument converted", fx::ShaderStage::Pixel,
     "float2x2 a; float2x2 b;\n"
     "void twice(inout int x) { x *= 2; }\n"
     "float4 main() : COLOR0 { float2x2 c = clamp(a, -1, 1) + pow(abs(a), b) + fmod(a, b)\n"
     "    + ddx(a) + !a + lerp(a, b, 0.5) + atan2(a, b); float f = a._11; twice(f);\n"
     "    return float4(c._11_22, any(a), all(b) + determinant(a) + f); }\n",
     {},
     false},
    {"array varyings in, an array of float2 out, colors", fx::ShaderStage::Vertex,
     "float4 k;\n"
     "void main(float4 p : POSITION, out float4 o : POSITION, out float2 t[3] : TEXCOORD1,\n"
     "    out float3 c : COLOR0, out float s : COLOR1,\n"
     "    out float f[2] : TEXCOORD5) { o = p * k; t[0] = p.xy; t[1] = k.zw; t[2] = 0;\n"
     "    f[0] = 1; f[1] = k.x; c = k.xyz; s = 2; }\n",
     {}},
    {"array varyings read", fx::ShaderStage::Pixel,
     "float4 k;\n"
     "float4 main(float4 t[2] : TEXCOORD0, float3 u[2] : TEXCOORD4) : COLOR0 {\n"
     "    return t[0] * k + t[1] + u[1].xyzz; }\n",
     {}},
    {"uniform arrays read whole: copied, passed, inside a struct", fx::ShaderStage::Pixel,
     "float4 g[3]; struct B { float2 x[2]; int y; }; B b;\n"
     "float4 Sum(float4 a[3]) { return a[0] + a[1] + a[2]; }\n"
     "float4 main() : COLOR0 { float4 l[3] = g; B c = b; return Sum(g) + l[1] + c.x[1].xyxy; }\n",
     {}},
    {"ints as floats: loops, a switch, indices, int locals and varyings, a big u literal",
     fx::ShaderStage::Vertex,
     "float4 data[8]; int n = 2; struct P { int k; float f; };\n"
     "int half(inout int q) { q = q * 3; return q / 2 + abs(q) % 5; }\n"
     "float4 main(float4 p : POSITION, int4 id : BLENDINDICES, out int2 o : TEXCOORD0)\n"
     "    : POSITION { int a = (int)p.x; uint u = 3000000000u; P s; s.k = a; int m[3] = {1, 2, 3};\n"
     "    for (int i = 0; i < n; i++) a += m[i] * id.x; switch (a) { case 1: a = -a; break; }\n"
     "    o = int2(half(s.k), max(a, id.y)); return data[a % 8] + u + (float)s.k; }\n",
     {}},
};


TEST(SpirvPasses, EveryPathLeavesAValidModule) {
    for (const Shader& shader : kShaders) {
        SCOPED_TRACE(shader.what);
        fx::StageSource source;
        source.stage = shader.stage;
        source.entry = "main";
        source.hlsl = shader.hlsl;
        source.written = shader.written;
        source.defaults = {{"n", {3}}, {"on", {1}}};
        fx::SpirvModule compiled;
        std::vector<fx::Message> messages;
        fx::MessageCollector messageSink(&messages);
        ASSERT_TRUE(fx::HlslToSpirv(source, &compiled, messageSink))
            << (messages.empty() ? "" : messages[0].text);
        if (shader.glslangValid) {
            ASSERT_EQ(testing_support::ValidateSpirv(compiled.words), "") << "glslang's own module";
        }

        fx::SpvModule module;
        ASSERT_TRUE(module.Read(compiled.words));
        std::vector<fx::ConstantRegisters> table;
        std::vector<fx::Message> errors;
        fx::MessageCollector errorSink(&errors);
        fx::SpirvPassState state{module, compiled, &table, errorSink};
        ASSERT_TRUE(fx::RunSpirvPasses(state)) << (errors.empty() ? "" : errors[0].text);
        EXPECT_FALSE(table.empty());
        EXPECT_EQ(testing_support::ValidateSpirv(module.Write()), "");
    }
}

}  // namespace
