// Real-world effect syntax through the whole loader on the recording device:
// includes, passes without one of their shaders, compile arguments, integer
// globals, vertex inputs the stream lacks, registers past c63, samplers and
// their states, preprocessor lines inside a pass.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/fx/effect_info.h"
#include "platform/fx/fx.h"
#include "tests/support/image_files.h"
#include "tests/support/recording_device.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;
using testing_support::RecordingDevice;

namespace {

const char* const kShaders =
    "float4 vs_main(float3 p : POSITION) : POSITION { return float4(p, 1.0); }\n"
    "float4 ps_main() : COLOR0 { return 1; }\n";

const char* const kTechnique =
    "technique T { pass P {\n"
    "    VertexShader = compile vs_3_0 vs_main();\n"
    "    PixelShader = compile ps_3_0 ps_main(); } }\n";

class EffectFrameworkLoad : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.Make("effect_framework"));
        dir_ = temp_.Path();
    }
    void TearDown() override {
        if (effect_) effect_->Release();
    }

    std::string Write(const std::string& relative, const std::string& text) {
        return temp_.Write(relative, text);
    }

    // Loads with every technique compiled; the text of the error buffer.
    HRESULT Load(const std::string& path, std::string* text, bool all = true) {
        if (effect_) effect_->Release();
        effect_ = nullptr;
        ID3DXBuffer* errors = nullptr;
        HRESULT hr = fx::CreateEffectFromFile(&device_, path.c_str(), all, &effect_, &errors);
        text->clear();
        if (errors) {
            *text = static_cast<const char*>(errors->GetBufferPointer());
            errors->Release();
        }
        return hr;
    }

    std::vector<fx::EffectTechniqueInfo> Info() {
        std::vector<fx::EffectTechniqueInfo> info;
        EXPECT_TRUE(fx::GetEffectInfo(effect_, &info));
        return info;
    }

    testing_support::TempFolder temp_;
    fs::path dir_;
    RecordingDevice device_;
    ID3DXEffect* effect_ = nullptr;
};

TEST_F(EffectFrameworkLoad, IncludesAreReadFromTheEffectsFolderAndErrorsNameTheirFile) {
    Write("fx/inc/colour.fxh", "float4 Tint : register(c2);\nfloat4 Shade() { return Tint; }\n");
    std::string path = Write("fx/main.fx", "#include \"inc/colour.fxh\"\n" +
                                               std::string(kShaders) + kTechnique);
    std::string text;
    EXPECT_EQ(Load(path, &text), S_OK) << text;
    // Written on a file system that ignores case, with its separators.
    std::string windows = Write("fx/windows.fx", "#include \"INC\\Colour.FXH\"\n" +
                                                     std::string(kShaders) + kTechnique);
    EXPECT_EQ(Load(windows, &text), S_OK) << text;

    Write("fx/inc/broken.fxh", "float4 Shade()\n{ return undefinedThing; }\n");
    std::string broken = Write("fx/broken.fx", "#include \"inc/broken.fxh\"\n" +
                                                   std::string(kShaders) + kTechnique);
    EXPECT_NE(Load(broken, &text), S_OK);
    EXPECT_NE(text.find((dir_ / "fx/inc/broken.fxh").string() + "(2,10): error: " +
                        "'undefinedThing': unknown variable"),
              std::string::npos)
        << text;

    std::string missing = Write("fx/missing.fx", std::string(kShaders) +
                                                     "#include \"inc/nowhere.fxh\"\n" + kTechnique);
    EXPECT_NE(Load(missing, &text), S_OK);
    EXPECT_EQ(text.find(missing + "(3,"), 0u) << text;
    EXPECT_NE(text.find("nowhere.fxh"), std::string::npos) << text;

    // A technique in an included file: what is wrong with its passes is
    // placed there, not in the file that includes it.
    const std::string inc = (dir_ / "fx/inc/").string();
    struct Case {
        const char* technique;
        std::string expected;
    } cases[] = {
        {"technique T {\n  pass P { VertexShader = compile vs_3_0 nowhere(); } }\n",
         inc + "technique.fxh(2,12): error: entry point 'nowhere' not found (nowhere)"},
        {"technique T {\n  pass P { VertexShader = compile ps_3_0 vs_main(); } }\n",
         inc + "technique.fxh(2,35): error: profile 'ps_3_0' cannot compile a vertex shader"},
        {"technique T {\n  pass P { PixelShader = compile ps_4_0 ps_main(); } }\n",
         inc + "technique.fxh(2,34): error: unsupported profile 'ps_4_0'"},
        {"technique T {\n  pass P { VertexShader = compile vs_3_0 vs_main(1); } }\n",
         inc + "technique.fxh(2,12): error: the compile statement gives 1 arguments"},
    };
    for (const Case& c : cases) {
        Write("fx/inc/technique.fxh", c.technique);
        std::string includer =
            Write("fx/includer.fx", std::string(kShaders) + "#include \"inc/technique.fxh\"\n");
        EXPECT_NE(Load(includer, &text), S_OK);
        EXPECT_EQ(text.find(c.expected), 0u) << text;
    }
    EXPECT_EQ(device_.liveProgramCount, 0);
}

// The whole effect in an included file, the effect file holding only the
// #include: every kind of message is placed in the included file (or, for a
// macro's expansion, where the macro is used).
TEST_F(EffectFrameworkLoad, EveryKindOfMessageNamesTheFileItIsAbout) {
    const std::string inc = (dir_ / "fx/effect.fxh").string();
    // "FILE(LINE,COL)" of the first `token` on line `line` of text.
    auto at = [](const std::string& file, const std::string& text, int line,
                 const std::string& token) {
        size_t start = 0;
        for (int n = 1; n < line; ++n) start = text.find('\n', start) + 1;
        size_t column = text.find(token, start) - start + 1;
        return file + "(" + std::to_string(line) + "," + std::to_string(column) + ")";
    };
    const std::string shaders =
        "float4 vs_main(float3 p : POSITION) : POSITION { return float4(p, 1.0); }\n"
        "float4 ps_main() : COLOR0 { return 1; }\n";
    const std::string pass = "    VertexShader = compile vs_3_0 vs_main();\n"
                             "    PixelShader = compile ps_3_0 ps_main();\n";
    // Line 99, column 9: the misspelled entry point.
    std::string misspelled = shaders + std::string(92, '\n') +
                             "technique T\n{\n    pass P\n    {\n"
                             "        VertexShader = compile vs_3_0 vs_mian();\n    }\n}\n";
    std::string glslang =
        "float4 vs_main(float3 p : POSITION) : POSITION { return float4(p, 1.0) + nothere; }\n"
        "float4 ps_main() : COLOR0 { return 1; }\n" +
        std::string("technique T { pass P {\n") + pass + "} }\n";
    std::string overlap = "float4x4 m : register(c0);\n  float4 v : register(c2);\n" + shaders +
                          "float4 ps_mv() : COLOR0 { return mul(m, v); }\n"
                          "technique T { pass P {\n"
                          "    PixelShader = compile ps_3_0 ps_mv(); } }\n";
    std::string vface = shaders + "float4 ps_face(float2 v : VFACE) : COLOR0 { return v.xyxy; }\n"
                                  "technique T { pass P {\n"
                                  "    PixelShader = compile ps_3_0 ps_face(); } }\n";
    // A matrix as a ternary's condition whose type the loader cannot tell (a
    // member of a struct returned by one of two overloads that return two
    // structs): glslang's SPIR-V cannot say it.
    std::string untranslatable = "float2x2 m : register(c4);\n"
                                 "struct S { float2x2 mat; }; struct U { float2x2 mat; };\n"
                                 "S Get(float a) { S s; s.mat = m * a; return s; } U Get(int a) { U u; u.mat = m; return u; }\n"
                                 "float4 vs_main(float3 p : POSITION) : POSITION\n"
                                 "{ float2x2 k = Get(1.0).mat ? m : -m; return float4(p, 1) + k[0].xyxy; }\n"
                                 "technique T { pass P {\n"
                                 "    VertexShader = compile vs_3_0 vs_main(); } }\n";
    std::string directive = shaders + "#error not this way\n";
    std::string sampler = shaders + "sampler2D s = sampler_state { MinFilter = Cubic; };\n";
    std::string macro = shaders + "#define TINT nothere\n" + "technique T { pass P {\n" +
                        pass + "} }\n";
    struct Case {
        std::string include;
        std::string main;  // after the #include line
        std::string expected;
    } cases[] = {
        {misspelled, "", inc + "(99,9): error: entry point 'vs_mian' not found (vs_mian)"},
        {glslang, "", at(inc, glslang, 1, "nothere") + ": error: 'nothere': unknown variable"},
        {overlap, "",
         at(inc, overlap, 2, "v") + ": error: 'v' at register c2 reads c2, which 'm'"},
        {vface, "",
         at(inc, vface, 5, "PixelShader") + ": error: pixel input 'v' has semantic 'VFACE'"},
        {untranslatable, "",
         at(inc, untranslatable, 7, "VertexShader") +
             ": error: glslang cannot translate this shader"},
        {directive, "", at(inc, directive, 3, "#") + ": error: #error: not this way"},
        {sampler, "",
         at(inc, sampler, 3, "Cubic") + ": error: invalid value 'Cubic' for sampler state"},
        {macro, "float4 g : register(c0) = TINT;\n",
         (dir_ / "fx/main.fx").string() + "(2,27): error: 'nothere': unknown variable"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        Write("fx/effect.fxh", c.include);
        std::string main = Write("fx/main.fx", "#include \"effect.fxh\"\n" + c.main);
        std::string text;
        Load(main, &text);
        EXPECT_EQ(text.find(c.expected), 0u) << text;
    }

    // The device's link log: at the pass, in the included file.
    Write("fx/effect.fxh", shaders + "technique T { pass P {\n" + pass + "} }\n");
    std::string main = Write("fx/main.fx", "#include \"effect.fxh\"\n");
    device_.results.results["CreateShaderProgram"] = E_FAIL;
    std::string text;
    EXPECT_NE(Load(main, &text), S_OK);
    EXPECT_EQ(text.find(inc + "(3,15): error: the shaders of pass 'P' do not link\n" + inc +
                        "(3,15): error: link: link failed (recording device)\n"),
              0u)
        << text;
    device_.results.results.erase("CreateShaderProgram");
    EXPECT_EQ(device_.liveProgramCount, 0);
}

TEST_F(EffectFrameworkLoad, PassWithoutAVertexShaderGetsAPassThroughStage) {
    std::string path = Write(
        "post.fx",
        "float4 ps_main(float2 uv : TEXCOORD0, float4 c : COLOR0, float3 extra : TEXCOORD1)"
        " : COLOR0\n{ return float4(uv, extra.x, c.a); }\n"
        "Technique Post { Pass One { VertexShader = null;\n"
        "    PixelShader = compile ps_2_0 ps_main(); };\n"
        "  pass Two { PixelShader = compile ps_2_0 ps_main(); } };\n");
    std::string text;
    ASSERT_EQ(Load(path, &text), S_OK) << text;
    auto info = Info();
    ASSERT_EQ(info.size(), 1u);
    ASSERT_EQ(info[0].passes.size(), 2u);
    for (const fx::EffectPassInfo& pass : info[0].passes) {
        EXPECT_TRUE(pass.vertex.generated);
        const std::string& vs = pass.vertex.glsl;
        EXPECT_NE(vs.find("gl_Position = vec4(ff_position, 1.0);"), std::string::npos) << vs;
        // COLOR0 at 0, TEXCOORD0 at 2, TEXCOORD1 (no such stream data) at 3;
        // varyings are four components wide.
        EXPECT_NE(vs.find("ff_out0 = vec4((ff_color).xyzw);"), std::string::npos) << vs;
        EXPECT_NE(vs.find("ff_out2 = vec4((ff_texcoord).xyzw);"), std::string::npos) << vs;
        EXPECT_NE(vs.find("ff_out3 = vec4((vec4(0.0, 0.0, 0.0, 1.0)).xyzw);"), std::string::npos)
            << vs;
    }
    // Passes of the same shaders draw with one program: thousands of them
    // once held a linked program each.
    EXPECT_EQ(device_.log.Count("CreateShaderProgram"), 1);
}

TEST_F(EffectFrameworkLoad, PassWithoutAPixelShaderPassesTheDiffuseColourOn) {
    std::string path = Write(
        "gouraud.fx",
        "struct Out { float4 pos : POSITION; float4 colour : COLOR0; };\n"
        "Out vs_main(float3 p : POSITION, float4 c : COLOR0) { Out o; o.pos = float4(p, 1);\n"
        "  o.colour = c; return o; }\n"
        "technique T { pass P { VertexShader = compile vs_2_0 vs_main();\n"
        "    PixelShader = NULL; } }\n");
    std::string text;
    ASSERT_EQ(Load(path, &text), S_OK) << text;
    auto info = Info();
    EXPECT_TRUE(info[0].passes[0].pixel.generated);
    EXPECT_NE(info[0].passes[0].pixel.glsl.find("ff_target = ff_color;"), std::string::npos)
        << info[0].passes[0].pixel.glsl;
}

TEST_F(EffectFrameworkLoad, CompileArgumentsMakeOneShaderPerTechnique) {
    std::string path = Write(
        "args.fx",
        "float4 vs_main(float3 p : POSITION) : POSITION { return float4(p, 1.0); }\n"
        "float4 PS(uniform int which, uniform bool bright) : COLOR0\n"
        "{ float4 c = which == 0 ? float4(0, 1, 0, 1) : float4(0, 0, 1, 1);\n"
        "  return bright ? c : c * 0.5; }\n"
        "technique A { pass P { VertexShader = compile vs_2_0 vs_main();\n"
        "  PixelShader = compile ps_2_0 PS(0, true); } }\n"
        "technique B { pass P { VertexShader = compile vs_2_0 vs_main();\n"
        "  PixelShader = compile ps_2_0 PS( 1, false ); } }\n");
    std::string text;
    ASSERT_EQ(Load(path, &text), S_OK) << text;
    auto info = Info();
    ASSERT_EQ(info.size(), 2u);
    EXPECT_EQ(info[0].passes[0].pixel.entry, "PS(0, true)");
    EXPECT_EQ(info[1].passes[0].pixel.entry, "PS(1, false)");
    EXPECT_NE(info[0].passes[0].pixel.glsl, info[1].passes[0].pixel.glsl);
    // Baked in: nothing of it is read from a register.
    EXPECT_EQ(info[0].passes[0].pixel.glsl.find("ps_c"), std::string::npos)
        << info[0].passes[0].pixel.glsl;

    // Only the first technique is compiled the program's way.
    ASSERT_EQ(Load(path, &text, false), S_OK) << text;
    info = Info();
    EXPECT_TRUE(info[0].compiled);
    EXPECT_FALSE(info[1].compiled);
    EXPECT_EQ(fx::SetEffectTechnique(effect_, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(fx::SetEffectTechnique(effect_, 0), S_OK);
}

// Globals no function reads take no register and cost the compile nothing:
// fifty thousand of them once ran glslang past its time limit.
TEST_F(EffectFrameworkLoad, ManyUnusedGlobalsCompileAndTakeNoRegister) {
    std::string source;
    for (int i = 0; i < 50000; ++i) source += "float4 unused" + std::to_string(i) + ";\n";
    source += "float4 Tint;\nfloat4 vs_main(float3 p : POSITION) : POSITION { return float4(p, 1); }\n"
              "float4 ps_main() : COLOR0 { return Tint; }\n";
    std::string text;
    ASSERT_EQ(Load(Write("many.fx", source + kTechnique), &text), S_OK) << text;
    auto info = Info();
    ASSERT_EQ(info.size(), 1u);
    EXPECT_EQ(info[0].passes[0].pixel.registers, std::vector<std::string>{"Tint c0 1"});
}

// The checker's way: every technique compiled and linked, each one after the
// first releasing its programs once built, so that the device never holds
// more than two techniques' programs whatever their number.
TEST_F(EffectFrameworkLoad, CheckingEveryTechniqueHoldsOneTechniquesProgramsAtATime) {
    std::string source = kShaders;
    for (int t = 0; t < 6; ++t) {
        const std::string n = std::to_string(t);
        source += "float4 ps_" + n + "() : COLOR0 { return " + n + "; }\n" +
                  "technique T" + n + " { pass A { VertexShader = compile vs_3_0 vs_main();\n"
                  "  PixelShader = compile ps_3_0 ps_" + n + "(); }\n"
                  "  pass B { VertexShader = compile vs_2_0 vs_main();\n"
                  "  PixelShader = compile ps_2_0 ps_" + n + "(); } }\n";
    }
    // A technique of the first one's shaders shares its programs, and
    // letting it go keeps them.
    source += "technique Again { pass A { VertexShader = compile vs_3_0 vs_main();\n"
              "  PixelShader = compile ps_3_0 ps_0(); } }\n";
    const std::string path = Write("many.fx", source);
    ID3DXBuffer* errors = nullptr;
    ASSERT_EQ(fx::CheckEffectFile(&device_, path.c_str(), &effect_, &errors), S_OK);
    if (errors != nullptr) errors->Release();
    EXPECT_EQ(device_.liveProgramCount, 2);
    EXPECT_EQ(device_.mostLivePrograms, 4);
    EXPECT_EQ(device_.log.Count("CreateShaderProgram"), 12);
    auto info = Info();
    ASSERT_EQ(info.size(), 7u);
    for (const auto& technique : info) {
        EXPECT_TRUE(technique.compiled) << technique.name;
        EXPECT_NE(technique.passes.back().vertex.glsl.find("void main"), std::string::npos);
    }
    EXPECT_EQ(fx::SetEffectTechnique(effect_, 6), D3DERR_INVALIDCALL);
    EXPECT_EQ(fx::SetEffectTechnique(effect_, 0), S_OK);
    effect_->Release();
    effect_ = nullptr;
    EXPECT_EQ(device_.liveProgramCount, 0);
}

TEST_F(EffectFrameworkLoad, IntegerGlobalsLiveInFloatRegisters) {
    std::string path = Write(
        "ints.fx",
        "bool UseTint < string UIName = \"Use tint\"; > : register(c1) = false;\n"
        "int Steps : register(c2) = 3;\n"
        "float4 Tint : register(c0);\n"
        "float4 vs_main(float3 p : POSITION) : POSITION { return float4(p * Steps, 1.0); }\n"
        "float4 ps_main() : COLOR0 { if (UseTint) return Tint; return 1; }\n" +
            std::string(kTechnique));
    std::string text;
    ASSERT_EQ(Load(path, &text), S_OK) << text;
    auto info = Info();
    EXPECT_NE(info[0].passes[0].vertex.glsl.find("vs_c[2]"), std::string::npos)
        << info[0].passes[0].vertex.glsl;
    EXPECT_NE(info[0].passes[0].pixel.glsl.find("ps_c[1]"), std::string::npos)
        << info[0].passes[0].pixel.glsl;
}

TEST_F(EffectFrameworkLoad, OtherVertexInputsAndHighRegistersCompileWithWarnings) {
    std::string path = Write(
        "skin.fx",
        "float4x3 Bones[20] : register(c10);\n"
        "float4 vs_main(float3 p : POSITION, float3 n : NORMAL, float4 w : BLENDWEIGHT)"
        " : POSITION\n{ return float4(mul(float4(p + n, 1), Bones[19]) * w.x, 1.0); }\n"
        "float4 ps_main() : COLOR0 { return 1; }\n" +
            std::string(kTechnique));
    std::string text;
    ASSERT_EQ(Load(path, &text), S_OK) << text;
    EXPECT_NE(text.find("warning: vertex input 'w' has semantic 'BLENDWEIGHT', which the vertex "
                        "stream does not carry; it reads (0, 0, 0, 1) (vs_main)"),
              std::string::npos)
        << text;
    // c64 and up are the device's too: the effect's knobs live there.
    EXPECT_EQ(text.find("constant 'Bones'"), std::string::npos) << text;
    const std::string vs = Info()[0].passes[0].vertex.glsl;
    // Inputs the stream lacks are that constant and take no attribute slot.
    EXPECT_EQ(vs.find("layout(location = 3)"), std::string::npos) << vs;
    EXPECT_NE(vs.find("= vec4(vec4(0.0, 0.0, 0.0, 1.0));"), std::string::npos) << vs;
    EXPECT_NE(vs.find("= vec3(vec4(0.0, 0.0, 0.0, 1.0));"), std::string::npos) << vs;
}

// Both samplers name one texture: the effect makes it once, BeginPass puts
// it on both stages with their states, End gives the stages back what they
// held, and the release deletes it.
TEST_F(EffectFrameworkLoad, SamplerStatesAndTexturesApplyAtBeginPassAndEndRestoresThem) {
    const testing_support::Bytes wood =
        testing_support::EncodePng(4, 4, testing_support::Bytes(64, 200));
    Write("wood.png", std::string(wood.begin(), wood.end()));
    std::string path = Write(
        "sampled.fx",
        "texture Diffuse < string ResourceName = \"wood.png\"; >;\n"
        "sampler2D First = sampler_state { Texture = <Diffuse>; AddressU = Clamp; };\n"
        "sampler2D Second : register(s0) = sampler_state\n"
        "{\n    Texture = <Diffuse>;\n    MinFilter = Point;\n};\n"
        "float4 vs_main(float3 p : POSITION) : POSITION { return float4(p, 1.0); }\n"
        "float4 ps_main(float2 uv : TEXCOORD0) : COLOR0\n"
        "{ return tex2D(First, uv) * tex2D(Second, uv); }\n" +
            std::string(kTechnique));
    std::string text;
    ASSERT_EQ(Load(path, &text), S_OK) << text;
    const std::string ps = Info()[0].passes[0].pixel.glsl;
    // Second names s0; First takes the first free stage.
    EXPECT_NE(ps.find("layout(binding = 0) uniform sampler2D Second;"), std::string::npos) << ps;
    EXPECT_NE(ps.find("layout(binding = 1) uniform sampler2D First;"), std::string::npos) << ps;

    ASSERT_EQ(device_.liveTextures.size(), 1u);
    const UINT diffuse = device_.liveTextures.begin()->first;
    EXPECT_EQ(device_.liveTextures[diffuse], "2D 4 x 4 RGBA8, 3 levels");
    const std::vector<fx::EffectSamplerInfo> samplers = Info()[0].passes[0].samplers;
    ASSERT_EQ(samplers.size(), 2u);
    EXPECT_EQ(samplers[0].name + " " + std::to_string(samplers[0].stage) + " " +
                  samplers[0].texture + " " + samplers[0].file + " " + samplers[0].description,
              "First 1 Diffuse wood.png 2D 4 x 4 RGBA8, 3 levels");

    // Stage 1 holds a texture of someone else's before Begin.
    UINT other = 0;
    ASSERT_EQ(device_.CreateTexture(platform::TextureImage{}, &other, nullptr), S_OK);
    ASSERT_EQ(device_.SetStageTexture(1, other), S_OK);
    device_.SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device_.SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    ASSERT_EQ(effect_->Begin(nullptr, 0), S_OK);
    ASSERT_EQ(effect_->BeginPass(0), S_OK);
    auto state = [&](DWORD stage, D3DSAMPLERSTATETYPE type) {
        return device_.samplerStates[{stage, type}];
    };
    EXPECT_EQ(state(0, D3DSAMP_MINFILTER), DWORD{D3DTEXF_POINT});
    EXPECT_EQ(state(1, D3DSAMP_ADDRESSU), DWORD{D3DTADDRESS_CLAMP});
    EXPECT_EQ(device_.stageTextures, (std::map<DWORD, UINT>{{0, diffuse}, {1, diffuse}}));
    EXPECT_EQ(effect_->EndPass(), S_OK);
    EXPECT_EQ(effect_->End(), S_OK);
    EXPECT_EQ(state(0, D3DSAMP_MINFILTER), DWORD{D3DTEXF_LINEAR});
    EXPECT_EQ(state(1, D3DSAMP_ADDRESSU), DWORD{D3DTADDRESS_WRAP});
    EXPECT_EQ(device_.stageTextures, (std::map<DWORD, UINT>{{1, other}}));

    // Without state saving the texture stays until the effect goes.
    ASSERT_EQ(effect_->Begin(nullptr, D3DXFX_DONOTSAVESTATE), S_OK);
    ASSERT_EQ(effect_->BeginPass(0), S_OK);
    effect_->EndPass();
    effect_->End();
    EXPECT_EQ(device_.stageTextures, (std::map<DWORD, UINT>{{0, diffuse}, {1, diffuse}}));
    effect_->Release();
    effect_ = nullptr;
    EXPECT_EQ(device_.log.Count("DeleteTexture"), 1);
    EXPECT_EQ(device_.liveTextures.size(), 1u) << "only the other texture is left";
    EXPECT_TRUE(device_.stageTextures.empty());
}

TEST_F(EffectFrameworkLoad, SamplerGivenAsCompileArgumentReadsItsStage) {
    std::string path = Write(
        "sampler_arg.fx",
        "sampler2D Scene : register(s2) = sampler_state { MinFilter = Point; };\n"
        "float4 vs_main(float3 p : POSITION) : POSITION { return float4(p, 1.0); }\n"
        "float4 PS(float2 uv : TEXCOORD0, uniform sampler2D tex, uniform float k) : COLOR0\n"
        "{ return tex2D(tex, uv) * k; }\n"
        "technique T { pass P { VertexShader = compile vs_2_0 vs_main();\n"
        "    PixelShader = compile ps_2_0 PS(Scene, 0.5); } }\n");
    std::string text;
    ASSERT_EQ(Load(path, &text), S_OK) << text;
    const std::string ps = Info()[0].passes[0].pixel.glsl;
    EXPECT_NE(ps.find("layout(binding = 2) uniform sampler2D tex;"), std::string::npos) << ps;
    ASSERT_EQ(effect_->Begin(nullptr, 0), S_OK);
    ASSERT_EQ(effect_->BeginPass(0), S_OK);
    EXPECT_EQ((device_.samplerStates[{2, D3DSAMP_MINFILTER}]), DWORD{D3DTEXF_POINT});
    effect_->EndPass();
    effect_->End();
}

TEST_F(EffectFrameworkLoad, APassAppliesOnlyTheStatesOfTheSamplersItReads) {
    std::string path = Write(
        "shared_stage.fx",
        "sampler2D Near : register(s3) = sampler_state { MinFilter = Point; };\n"
        "sampler2D Far : register(s3) = sampler_state { MinFilter = Linear; AddressU = Mirror; };\n"
        "float4 vs_main(float3 p : POSITION) : POSITION { return float4(p, 1.0); }\n"
        "float4 ps_near(float2 uv : TEXCOORD0) : COLOR0 { return tex2D(Near, uv); }\n"
        "float4 ps_far(float2 uv : TEXCOORD0) : COLOR0 { return tex2D(Far, uv); }\n"
        "technique A { pass P { VertexShader = compile vs_2_0 vs_main();\n"
        "    PixelShader = compile ps_2_0 ps_near(); } }\n"
        "technique B { pass P { VertexShader = compile vs_2_0 vs_main();\n"
        "    PixelShader = compile ps_2_0 ps_far(); } }\n");
    std::string text;
    ASSERT_EQ(Load(path, &text), S_OK) << text;
    auto key = [](D3DSAMPLERSTATETYPE type) { return std::make_pair(DWORD{3}, type); };

    ASSERT_EQ(effect_->Begin(nullptr, 0), S_OK);
    ASSERT_EQ(effect_->BeginPass(0), S_OK);
    EXPECT_EQ(device_.samplerStates[key(D3DSAMP_MINFILTER)], DWORD{D3DTEXF_POINT});
    EXPECT_EQ(device_.samplerStates.count(key(D3DSAMP_ADDRESSU)), 0u) << "Far is not read";
    effect_->EndPass();
    effect_->End();

    ASSERT_EQ(fx::SetEffectTechnique(effect_, 1), S_OK);
    ASSERT_EQ(effect_->Begin(nullptr, 0), S_OK);
    ASSERT_EQ(effect_->BeginPass(0), S_OK);
    EXPECT_EQ(device_.samplerStates[key(D3DSAMP_MINFILTER)], DWORD{D3DTEXF_LINEAR});
    EXPECT_EQ(device_.samplerStates[key(D3DSAMP_ADDRESSU)], DWORD{D3DTADDRESS_MIRROR});
    effect_->EndPass();
    effect_->End();
}

TEST_F(EffectFrameworkLoad, UniformParameterWithoutAValueReadsARegister) {
    // Not given in the compile statement, it is a constant like a global.
    std::string path = Write(
        "novalue.fx",
        "float4 vs_main(float3 p : POSITION, uniform int count) : POSITION\n"
        "{ return float4(p * count, 1.0); }\n"
        "float4 ps_main() : COLOR0 { return 1; }\n" +
            std::string(kTechnique));
    std::string text;
    ASSERT_EQ(Load(path, &text), S_OK) << text;
    EXPECT_NE(Info()[0].passes[0].vertex.glsl.find("vs_c[0]"), std::string::npos);
}

TEST_F(EffectFrameworkLoad, PixelShaderMayWriteDepthAndReadItsPosition) {
    std::string path = Write(
        "depth.fx",
        "struct V { float4 pos : POSITION; float2 uv : TEXCOORD0; };\n"
        "struct P { float4 colour : COLOR0; float depth : DEPTH; };\n"
        "V vs_main(float3 p : POSITION) { V v; v.pos = float4(p, 1); v.uv = p.xy; return v; }\n"
        "P ps_main(V v) { P o; o.colour = v.pos; o.depth = v.uv.x; return o; }\n" +
            std::string(kTechnique));
    std::string text;
    ASSERT_EQ(Load(path, &text), S_OK) << text;
    const std::string ps = Info()[0].passes[0].pixel.glsl;
    EXPECT_NE(ps.find("gl_FragDepth"), std::string::npos) << ps;
    EXPECT_NE(ps.find("gl_FragCoord"), std::string::npos) << ps;
}

TEST_F(EffectFrameworkLoad, ProblemsFoundAfterGlslangArePlacedAtTheCompileStatement) {
    std::string path = Write(
        "vface.fx",
        "float4 ps_main(float2 v : VFACE) : COLOR0 { return v.xyxy; }\n"
        "technique T { pass P {\n"
        "    PixelShader = compile ps_3_0 ps_main(); } }\n");
    std::string text;
    EXPECT_NE(Load(path, &text), S_OK);
    EXPECT_EQ(text.find(path + "(3,5): error: pixel input 'v' has semantic 'VFACE', which is not "
                               "supported"),
              0u)
        << text;
}

TEST_F(EffectFrameworkLoad, ErrorColumnsAreTheFilesDespiteTheRewrites) {
    // Line 1: two int globals grow by a character each before the error;
    // line 3: the compile argument's constant goes in front of the function.
    const std::string line1 = "int A : register(c1); int B : register(c2); float4 C = nothere;";
    const std::string line3 =
        "float4 VS(float3 p : POSITION, uniform float k) : POSITION { return p.x * k * missing; }";
    const std::string technique =
        "technique T { pass P {\n"
        "    VertexShader = compile vs_3_0 VS(2.0);\n"
        "    PixelShader = compile ps_3_0 ps_main(); } }\n";
    const std::string ps = "float4 ps_main() : COLOR0 { return 1; }\n";
    std::string path = Write("columns.fx", line1 + "\n" + ps + line3 + "\n" + technique);
    std::string text;
    EXPECT_NE(Load(path, &text), S_OK);
    const std::string first = path + "(1," + std::to_string(line1.find("nothere") + 1) + "): error";
    EXPECT_NE(text.find(first), std::string::npos) << first << "\n" << text;

    std::string path2 = Write("columns2.fx", line3 + "\n" + ps + technique);
    EXPECT_NE(Load(path2, &text), S_OK);
    const std::string second =
        path2 + "(1," + std::to_string(line3.find("missing") + 1) + "): error: 'missing'";
    EXPECT_NE(text.find(second), std::string::npos) << second << "\n" << text;
}

TEST_F(EffectFrameworkLoad, PreprocessorInsideAPassAndStraySemicolons) {
    std::string path = Write(
        "blend.fx",
        "#define ADDITIVE 1\n" + std::string(kShaders) +
            "Technique Main\n{\n    Pass P0\n    {\n"
            "#if ADDITIVE\n        SrcBlend = One; DestBlend = One;\n"
            "#else\n        SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha;\n#endif\n"
            "        VertexShader = compile vs_2_0 vs_main();\n"
            "        PixelShader = compile ps_2_0 ps_main();\n    };\n};\n");
    std::string text;
    ASSERT_EQ(Load(path, &text), S_OK) << text;
    ASSERT_EQ(effect_->Begin(nullptr, 0), S_OK);
    ASSERT_EQ(effect_->BeginPass(0), S_OK);
    EXPECT_EQ(device_.renderStates[D3DRS_SRCBLEND], DWORD{D3DBLEND_ONE});
    EXPECT_EQ(device_.renderStates[D3DRS_DESTBLEND], DWORD{D3DBLEND_ONE});
    effect_->EndPass();
    effect_->End();
}

}  // namespace
