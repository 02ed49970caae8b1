// The HLSL rewrites the loader makes before glslang sees an effect: compile
// arguments bound into the entry point. Lines
// never move, and the results compile.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/fx/4_rewrite_hlsl.h"
#include "platform/fx/5_hlsl_to_spirv.h"
#include "tests/support/compile_hlsl.h"

namespace {

using testing_support::CompileShaders;

int Lines(const std::string& s) { return static_cast<int>(std::count(s.begin(), s.end(), '\n')); }

TEST(EffectFrameworkRewrite, UniformParametersBecomeStaticConstsBeforeTheFunction) {
    const std::string hlsl =
        "float4 Other(uniform int n) { return n; }\n"
        "float4 VS(float3 p : POSITION,\n"
        "          uniform int numLights, uniform bool useSpecular) : POSITION\n"
        "{ return float4(p * numLights, useSpecular ? 1.0 : 0.5); }\n";
    std::string out, error;
    ASSERT_TRUE(fx::BindUniformArguments(hlsl, "VS", {"2", "true"}, &out, &error)) << error;
    EXPECT_EQ(Lines(out), Lines(hlsl));
    // At the end of the line before: no column of the file moves.
    EXPECT_NE(out.find("{ return n; } static const int numLights = 2; "
                       "static const bool useSpecular = true;\nfloat4 VS(float3 p : POSITION \n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("float4 Other(uniform int n)"), std::string::npos) << "other functions stay";
    EXPECT_EQ(out.find("uniform int numLights"), std::string::npos) << out;

    // The bound source compiles: no int left in the constant block.
    fx::CompiledPass compiled = CompileShaders(out, {{fx::ShaderStage::Vertex, "VS"}});
    ASSERT_TRUE(compiled.ok) << (compiled.messages.empty() ? "" : compiled.messages[0].text);
    EXPECT_EQ(compiled.glsl[0].find("vs_c"), std::string::npos) << compiled.glsl[0];
}

TEST(EffectFrameworkRewrite, ParameterListsKeepTheirCommasRight) {
    struct Case {
        const char* hlsl;
        std::vector<std::string> args;
        const char* expected;
    } cases[] = {
        {"float4 PS(uniform bool t, float2 uv : TEXCOORD0) : COLOR0 { return t ? uv.xyxy : 0; }\n",
         {"false"},
         "float4 PS(                float2 uv : TEXCOORD0)"},
        {"float4 PS(float2 uv : TEXCOORD0, uniform float k) : COLOR0 { return uv.xyxy * k; }\n",
         {"0.5"},
         "float4 PS(float2 uv : TEXCOORD0                 )"},
        {"float4 PS(float2 a : TEXCOORD0, uniform int k, float2 b : TEXCOORD1) : COLOR0\n"
         "{ return float4(a, b) * k; }\n",
         {"3"},
         "float4 PS(float2 a : TEXCOORD0               , float2 b : TEXCOORD1)"},
    };
    for (const Case& c : cases) {
        std::string out, error;
        ASSERT_TRUE(fx::BindUniformArguments(c.hlsl, "PS", c.args, &out, &error)) << error;
        EXPECT_NE(out.find(c.expected), std::string::npos) << out;
        fx::CompiledPass compiled = CompileShaders(out, {{fx::ShaderStage::Pixel, "PS"}});
        EXPECT_TRUE(compiled.ok) << out
                                 << (compiled.messages.empty() ? "" : compiled.messages[0].text);
    }
}

TEST(EffectFrameworkRewrite, MismatchedArgumentsAndMissingFunctionsAreErrors) {
    const std::string hlsl =
        "float4 VS(float3 p : POSITION);\n"  // a prototype is not the definition
        "float4 Use() { return VS(float3(0, 0, 0)); }\n"
        "float4 VS(float3 p : POSITION, uniform int n) : POSITION { return float4(p, n); }\n";
    std::string out, error;
    EXPECT_FALSE(fx::BindUniformArguments(hlsl, "VS", {"1", "2"}, &out, &error));
    EXPECT_EQ(error, "the compile statement gives 2 arguments, but 'VS' has 1 uniform parameters");
    EXPECT_FALSE(fx::BindUniformArguments(hlsl, "VS", {}, &out, &error));
    EXPECT_EQ(error, "'VS' has more uniform parameters than the 0 arguments of the compile "
                     "statement");
    EXPECT_FALSE(fx::BindUniformArguments(hlsl, "PS", {"1"}, &out, &error));
    EXPECT_EQ(error, "entry point 'PS' not found");
    ASSERT_TRUE(fx::BindUniformArguments(hlsl, "VS", {"4"}, &out, &error)) << error;
    EXPECT_NE(out.find("} static const int n = 4;\nfloat4 VS(float3 p : POSITION  "),
              std::string::npos)
        << "bound at the definition, not the prototype: " << out;
}

TEST(EffectFrameworkRewrite, DeclarationsNeverLandInACommentOrADirective) {
    struct Case {
        const char* hlsl;
        const char* expected;
    } cases[] = {
        // The line before is a comment, a directive, the inside of a block
        // comment, or the function shares its line with what came before.
        {"// entry\nfloat4 VS(uniform int n) : POSITION { return n; }\n",
         "// entry\nstatic const int n = 7; float4 VS("},
        {"#define X 1\nfloat4 VS(uniform int n) : POSITION { return n; }\n",
         "#define X 1\nstatic const int n = 7; float4 VS("},
        {"/* one\n   two */ float4 VS(uniform int n) : POSITION { return n; }\n",
         "two */ static const int n = 7; float4 VS("},
        {"float4 VS(uniform int n) : POSITION { return n; }\n",
         "static const int n = 7; float4 VS("},
        {"struct S { float a; };\r\n\r\nfloat4 VS(uniform int n) : POSITION { return n; }\r\n",
         "struct S { float a; };\r\n static const int n = 7;\r\nfloat4 VS("},
    };
    for (const Case& c : cases) {
        std::string out, error;
        ASSERT_TRUE(fx::BindUniformArguments(c.hlsl, "VS", {"7"}, &out, &error)) << error;
        EXPECT_NE(out.find(c.expected), std::string::npos) << out;
        EXPECT_EQ(Lines(out), Lines(c.hlsl));
        EXPECT_TRUE(CompileShaders(out, {{fx::ShaderStage::Vertex, "VS"}}).ok) << out;
    }
}

TEST(EffectFrameworkRewrite, ErrorsInABoundEntryPointKeepTheirColumns) {
    const std::string hlsl =
        "float4 Scale : register(c0);\n"
        "float4 VS(float3 p : POSITION, uniform float k) : POSITION\n"
        "{\n"
        "    return float4(p * k, 1.0) * missing;\n"
        "}\n";
    std::string out, error;
    ASSERT_TRUE(fx::BindUniformArguments(hlsl, "VS", {"2.0"}, &out, &error)) << error;
    fx::CompiledPass compiled = CompileShaders(out, {{fx::ShaderStage::Vertex, "VS"}});
    ASSERT_FALSE(compiled.ok);
    ASSERT_FALSE(compiled.messages.empty());
    EXPECT_EQ(compiled.messages[0].line, 4);
    EXPECT_EQ(compiled.messages[0].column, 33);
}

TEST(EffectFrameworkRewrite, ColumnShiftsMapBackToTheFile) {
    // "int A; int B;" -> "half A; half B;": one character more after each "hal".
    std::vector<fx::ColumnShift> shifts = {{1, 4, 1}, {1, 12, 1}, {2, 4, 1}};
    auto back = [&](int line, int column) {
        fx::UndoColumnShifts(shifts, line, &column);
        return column;
    };
    EXPECT_EQ(back(1, 6), 5);    // A
    EXPECT_EQ(back(1, 14), 12);  // B
    EXPECT_EQ(back(1, 22), 20);  // after both
    EXPECT_EQ(back(1, 1), 1);
    EXPECT_EQ(back(2, 6), 5);
    EXPECT_EQ(back(3, 6), 6);

    std::vector<fx::ColumnShift> inserted = {{2, 3, 10}};
    int inside = 7, after = 15, before = 2;
    fx::UndoColumnShifts(inserted, 2, &inside);
    fx::UndoColumnShifts(inserted, 2, &after);
    fx::UndoColumnShifts(inserted, 2, &before);
    EXPECT_EQ(inside, 3);
    EXPECT_EQ(after, 5);
    EXPECT_EQ(before, 2);
}

TEST(EffectFrameworkRewrite, GlobalDeclarationsAsDirect3D9ReadsThem) {
    const std::string hlsl =
        "const float k = 2;\n"
        "static const float s = 3;\n"
        "cbuffer B : register(b0) { float4 a : packoffset(c2); };\n"
        "float4 g : register(c1) = 1; float4 after = missing;\n"
        "float4 PS() : COLOR0 { g.x += k; return g + a * s + after; }\n";
    fx::GlobalsRewrite globals;
    std::vector<fx::ColumnShift> shifts;
    std::vector<fx::Message> messages;
    std::string out = fx::RewriteGlobals(hlsl, "", &globals, &shifts, &messages);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Lines(out), Lines(hlsl));
    EXPECT_NE(out.find("      float k = 2;"), std::string::npos) << out;
    EXPECT_NE(out.find("static const float s = 3;"), std::string::npos) << out;
    EXPECT_NE(out.find("float4 a : register  (c2); "), std::string::npos) << out;
    EXPECT_NE(out.find("float4 g__fxw : register(c1) = 1; static float4 g; float4 after"),
              std::string::npos)
        << out;
    EXPECT_EQ(globals.written, std::vector<std::string>{"g"});
    // What glslang says after the rewrite is placed where the user wrote it.
    fx::StageSource source;
    source.stage = fx::ShaderStage::Pixel;
    source.entry = "PS";
    source.hlsl = out;
    source.map.effectFile = {shifts};
    fx::SpirvModule module;
    std::vector<fx::Message> compiled;
    EXPECT_FALSE(fx::HlslToSpirv(source, {}, &module, &compiled));
    ASSERT_FALSE(compiled.empty());
    EXPECT_EQ(compiled[0].line, 4);
    EXPECT_EQ(compiled[0].column, 45);
}

TEST(EffectFrameworkRewrite, RandomSoupNeverMovesALineOrBreaksTheRewrites) {
    const char* const pieces[] = {
        "int", "bool2", "uint", "dword", "static", "uniform", "const", "float4", "VS", "PS",
        "(", ")", "{", "}", "[", "]", ",", ";", ":", "=", "<", ">", " ", " ", "\n", "\r\n",
        "//", "/*", "*/", "\"", "'", "\\", "#", "#define X", "POSITION", "1", "0.5", "x", "y",
        "struct", "typedef", "in", "out", "cbuffer", "packoffset", "row_major", "column_major",
        "float4x4", "#pragma pack_matrix(row_major)", "+=", "++", "{1, 2}", "float4(1, 2)"};
    std::mt19937 random(1234);
    std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> length(0, 60);
    for (int round = 0; round < 3000; ++round) {
        std::string soup;
        for (int n = length(random); n > 0; --n) soup += pieces[pick(random)];
        fx::GlobalsRewrite globals;
        std::vector<fx::ColumnShift> shifts;
        std::vector<fx::Message> messages;
        std::string rewritten = fx::RewriteGlobals(soup, "", &globals, &shifts, &messages);
        ASSERT_EQ(Lines(rewritten), Lines(soup)) << soup;
        fx::EvaluateInitializers({{"x", "float4", soup, {}}}, &messages);
        std::string out, error;
        for (const char* entry : {"VS", "PS"}) {
            if (fx::BindUniformArguments(soup, entry, {"1"}, &out, &error)) {
                ASSERT_EQ(Lines(out), Lines(soup)) << soup << "\n->\n" << out;
            } else {
                ASSERT_FALSE(error.empty());
            }
        }
    }
}

}  // namespace
