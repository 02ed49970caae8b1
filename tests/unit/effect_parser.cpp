// The effect-framework parser: techniques, passes, compile statements, render
// states and annotations are found and taken out of the HLSL; lines and
// columns stay true; errors carry their position; no input crashes or
// stalls it.
#include "platform/fx/3_parse/3_parse_effect.h"
#include "tests/support/case_file.h"
#include "tests/support/cpu_time.h"
#include "tests/support/effect_words.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using ParsedEffect = testing_support::ParsedText;
using testing_support::ParseEffect;
using testing_support::Hlsl;
using testing_support::Words;

std::string Where(const fx::SourceToken& t) {
    return std::to_string(t.line) + ":" + std::to_string(t.column);
}

// The HLSL is the preprocessed source with some tokens taken out: each
// token left is one of the source's, in order, at its own line and column.
::testing::AssertionResult KeepsItsTokens(const std::string& src, const ParsedEffect& e) {
    fx::PreprocessedEffect all = fx::Preprocess(src, {});
    size_t j = 0;
    for (const fx::SourceToken& t : e.hlsl.tokens) {
        while (j < all.stream.tokens.size() &&
               !(all.stream.Text(all.stream.tokens[j]) == e.hlsl.Text(t) &&
                 all.stream.tokens[j].line == t.line && all.stream.tokens[j].column == t.column))
            ++j;
        if (j == all.stream.tokens.size())
            return ::testing::AssertionFailure() << Where(t) << " is no token of the source";
        ++j;
    }
    return ::testing::AssertionSuccess();
}

// "line:column: error|warning: message", one per diagnostic.
std::vector<std::string> Messages(const ParsedEffect& e) {
    std::vector<std::string> out;
    for (const fx::Message& d : e.messages)
        out.push_back(std::to_string(d.line) + ":" + std::to_string(d.column) + ": " +
                      (d.IsError() ? "error: " : "warning: ") + d.text);
    return out;
}

// The first occurrence of part taken out.
void TakeOut(std::string* s, const std::string& part) {
    size_t at = s->find(part);
    ASSERT_NE(at, std::string::npos) << part;
    s->erase(at, part.size());
}

const char kSimple[] =
    "float4x4 ViewProj : register(c4);\n"
    "float4 vs_main(float4 p : POSITION) : POSITION { return mul(ViewProj, p); }\n"
    "float4 ps_main() : COLOR0 { return 1; }\n"
    "technique Particles\n"
    "{\n"
    "    pass P0\n"
    "    {\n"
    "        VertexShader = compile vs_3_0 vs_main();\n"
    "        PixelShader  = compile ps_3_0 ps_main();\n"
    "        AlphaBlendEnable = TRUE;\n"
    "    }\n"
    "}\n";

// >> blocks

TEST(EffectParserBlocks, FindsTechniquePassAndShadersAndTakesTheBlockOut) {
    std::string src = kSimple;
    ParsedEffect e = ParseEffect(src);
    EXPECT_TRUE(Messages(e).empty());
    ASSERT_EQ(e.techniques.size(), 1u);
    const fx::TechniqueDesc& t = e.techniques[0];
    EXPECT_EQ(t.name, "Particles");
    EXPECT_EQ(t.pos.line, 4);
    EXPECT_EQ(t.pos.column, 1);
    ASSERT_EQ(t.passes.size(), 1u);
    const fx::PassDesc& p = t.passes[0];
    EXPECT_EQ(p.name, "P0");
    EXPECT_EQ(p.pos.line, 6);
    EXPECT_EQ(p.pos.column, 5);
    EXPECT_TRUE(p.vertexShader.present);
    EXPECT_FALSE(p.vertexShader.null);
    EXPECT_EQ(p.vertexShader.profile, "vs_3_0");
    EXPECT_EQ(p.vertexShader.entry, "vs_main");
    EXPECT_TRUE(p.vertexShader.arguments.empty());
    EXPECT_EQ(p.vertexShader.pos.line, 8);
    EXPECT_EQ(p.vertexShader.pos.column, 9);
    EXPECT_EQ(p.pixelShader.profile, "ps_3_0");
    EXPECT_EQ(p.pixelShader.entry, "ps_main");

    EXPECT_TRUE(KeepsItsTokens(src, e));
    size_t techStart = src.find("technique");
    EXPECT_EQ(Hlsl(e), Words(src.substr(0, techStart)));
}

TEST(EffectParserBlocks, NamesAreOptionalAndStraySemicolonsAccepted) {
    ParsedEffect e = ParseEffect(
        "technique { pass { VertexShader = null; } ; pass Second { }; };\n"
        "int after;\n");
    EXPECT_TRUE(Messages(e).empty());
    ASSERT_EQ(e.techniques.size(), 1u);
    EXPECT_EQ(e.techniques[0].name, "");
    ASSERT_EQ(e.techniques[0].passes.size(), 2u);
    EXPECT_EQ(e.techniques[0].passes[0].name, "");
    EXPECT_TRUE(e.techniques[0].passes[0].vertexShader.null);
    EXPECT_EQ(e.techniques[0].passes[1].name, "Second");
    // The ';' after the technique goes with it; the next line stays.
    EXPECT_EQ(Hlsl(e), "int after ;");
    EXPECT_EQ(e.hlsl.tokens[0].line, 2u);
}

TEST(EffectParserBlocks, KeywordsAndStateNamesInAnyCase) {
    ParsedEffect e = ParseEffect(
        "TECHNIQUE A { PASS { vertexshader = compile VS_2_0 V(); PIXELSHADER = NULL; } }\n"
        "Technique B { Pass { VERTEXSHADER = Null; pixelShader = compile ps_2_0 P(); } }\n"
        "technique10 C { pass { } }\n"
        "technique11 D { pass { } }\n");
    EXPECT_TRUE(Messages(e).empty());
    ASSERT_EQ(e.techniques.size(), 4u);
    EXPECT_EQ(e.techniques[0].passes[0].vertexShader.profile, "vs_2_0");
    EXPECT_TRUE(e.techniques[0].passes[0].pixelShader.null);
    EXPECT_TRUE(e.techniques[1].passes[0].vertexShader.null);
    EXPECT_EQ(e.techniques[1].passes[0].pixelShader.entry, "P");
    EXPECT_EQ(e.techniques[2].name, "C");
    EXPECT_EQ(e.techniques[3].name, "D");
    EXPECT_EQ(Hlsl(e), "");
}

TEST(EffectParserBlocks, SeveralTechniquesAndPassesInOrder) {
    ParsedEffect e = ParseEffect(
        "technique T1 { pass A { } pass B { } pass C { } }\n"
        "float x;\n"
        "technique T2 { pass D { } }\n");
    ASSERT_EQ(e.techniques.size(), 2u);
    ASSERT_EQ(e.techniques[0].passes.size(), 3u);
    EXPECT_EQ(e.techniques[0].passes[2].name, "C");
    EXPECT_EQ(e.techniques[1].name, "T2");
    EXPECT_EQ(e.techniques[1].pos.line, 3);
    EXPECT_EQ(Hlsl(e), "float x ;");
}

TEST(EffectParserBlocks, CompileArgumentsAreKeptAsWritten) {
    ParsedEffect e = ParseEffect(
        "technique T { pass { VertexShader = compile vs_2_0 VS(1, true, float2(0.5f, -1),"
        " 2 + 3); PixelShader = compile ps_1_4 PS(); } }");
    EXPECT_TRUE(Messages(e).empty());
    ASSERT_EQ(e.techniques.size(), 1u);
    const fx::ShaderBinding& vs = e.techniques[0].passes[0].vertexShader;
    EXPECT_EQ(vs.arguments, (std::vector<std::string>{"1", "true", "float2(0.5f, -1)", "2 + 3"}));
    // Direct3D 9's later compilers build ps_1_x as ps_2_0.
    EXPECT_EQ(e.techniques[0].passes[0].pixelShader.profile, "ps_2_0");
}

TEST(EffectParserBlocks, MissingShaderStageIsLeftToTheCaller) {
    ParsedEffect e = ParseEffect("technique T { pass { PixelShader = compile ps_2_0 P(); } }");
    EXPECT_FALSE(e.HasErrors());
    EXPECT_FALSE(e.techniques[0].passes[0].vertexShader.present);
}

// >> render states

struct StateCase {
    const char* text;
    D3DRENDERSTATETYPE state;
    DWORD value;
};

TEST(EffectParserStates, TranslatesNamesAndValuesToDeviceTerms) {
    const StateCase cases[] = {
        {"AlphaBlendEnable = TRUE", D3DRS_ALPHABLENDENABLE, 1},
        {"alphablendenable = false", D3DRS_ALPHABLENDENABLE, 0},
        {"AlphaBlendEnable = 1", D3DRS_ALPHABLENDENABLE, 1},
        {"AlphaBlendEnable = 0", D3DRS_ALPHABLENDENABLE, 0},
        {"SrcBlend = Zero", D3DRS_SRCBLEND, D3DBLEND_ZERO},
        {"SrcBlend = one", D3DRS_SRCBLEND, D3DBLEND_ONE},
        {"SrcBlend = SrcColor", D3DRS_SRCBLEND, D3DBLEND_SRCCOLOR},
        {"SrcBlend = InvSrcColor", D3DRS_SRCBLEND, D3DBLEND_INVSRCCOLOR},
        {"SRCBLEND = SRCALPHA", D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
        {"DestBlend = InvSrcAlpha", D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
        {"DestBlend = DestAlpha", D3DRS_DESTBLEND, D3DBLEND_DESTALPHA},
        {"DestBlend = InvDestAlpha", D3DRS_DESTBLEND, D3DBLEND_INVDESTALPHA},
        {"DestBlend = DestColor", D3DRS_DESTBLEND, D3DBLEND_DESTCOLOR},
        {"DestBlend = InvDestColor", D3DRS_DESTBLEND, D3DBLEND_INVDESTCOLOR},
        {"DestBlend = SrcAlphaSat", D3DRS_DESTBLEND, D3DBLEND_SRCALPHASAT},
        {"DestBlend = 2", D3DRS_DESTBLEND, D3DBLEND_ONE},
        {"BlendOp = Add", D3DRS_BLENDOP, D3DBLENDOP_ADD},
        {"BlendOp = Subtract", D3DRS_BLENDOP, D3DBLENDOP_SUBTRACT},
        {"BlendOp = RevSubtract", D3DRS_BLENDOP, D3DBLENDOP_REVSUBTRACT},
        {"BlendOp = Min", D3DRS_BLENDOP, D3DBLENDOP_MIN},
        {"BlendOp = MAX", D3DRS_BLENDOP, D3DBLENDOP_MAX},
        {"CullMode = None", D3DRS_CULLMODE, D3DCULL_NONE},
        {"CullMode = CW", D3DRS_CULLMODE, D3DCULL_CW},
        {"cullmode = ccw", D3DRS_CULLMODE, D3DCULL_CCW},
        {"ZEnable = FALSE", D3DRS_ZENABLE, D3DZB_FALSE},
        {"ZEnable = true", D3DRS_ZENABLE, D3DZB_TRUE},
        {"ZWriteEnable = False", D3DRS_ZWRITEENABLE, 0},
        {"FillMode = Point", D3DRS_FILLMODE, D3DFILL_POINT},
        {"FillMode = WireFrame", D3DRS_FILLMODE, D3DFILL_WIREFRAME},
        {"FillMode = Solid", D3DRS_FILLMODE, D3DFILL_SOLID},
        {"ZFunc = Never", D3DRS_ZFUNC, D3DCMP_NEVER},
        {"ZFunc = LessEqual", D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
        {"ZFunc = GreaterEqual", D3DRS_ZFUNC, D3DCMP_GREATEREQUAL},
        {"ZFunc = Always", D3DRS_ZFUNC, D3DCMP_ALWAYS},
        {"ColorWriteEnable = RED | GREEN", D3DRS_COLORWRITEENABLE, 3},
        {"colorwriteenable = blue|Alpha", D3DRS_COLORWRITEENABLE, 12},
        {"ColorWriteEnable = 0x0F", D3DRS_COLORWRITEENABLE, 15},
        {"ColorWriteEnable = 0", D3DRS_COLORWRITEENABLE, 0},
    };
    for (const StateCase& c : cases) {
        SCOPED_TRACE(c.text);
        ParsedEffect e = ParseEffect(std::string("technique T { pass P {\n  ") + c.text + "; } }");
        EXPECT_TRUE(Messages(e).empty());
        ASSERT_EQ(e.techniques.size(), 1u);
        ASSERT_EQ(e.techniques[0].passes[0].renderStates.size(), 1u);
        const fx::RenderStateSetting& s = e.techniques[0].passes[0].renderStates[0];
        EXPECT_EQ(s.state, c.state);
        EXPECT_EQ(s.value, c.value);
        EXPECT_EQ(s.pos.line, 2);
        EXPECT_EQ(s.pos.column, 3);
    }
}

TEST(EffectParserStates, KeepsTheOrderOfAssignments) {
    ParsedEffect e = ParseEffect(
        "technique T { pass { CullMode = None; ZEnable = FALSE; AlphaBlendEnable = TRUE;"
        " DestBlend = One; } }");
    const auto& states = e.techniques[0].passes[0].renderStates;
    ASSERT_EQ(states.size(), 4u);
    EXPECT_EQ(states[0].state, D3DRS_CULLMODE);
    EXPECT_EQ(states[1].state, D3DRS_ZENABLE);
    EXPECT_EQ(states[2].state, D3DRS_ALPHABLENDENABLE);
    EXPECT_EQ(states[3].state, D3DRS_DESTBLEND);
}

TEST(EffectParserStates, UnsupportedStateWarnsAndIsIgnored) {
    ParsedEffect e = ParseEffect(
        "technique T {\n pass {\n  FogEnable = TRUE;\n  LightEnable[0] = TRUE;\n"
        "  CullMode = None;\n } }\ntechnique Empty { }\n");
    EXPECT_FALSE(e.HasErrors());
    EXPECT_EQ(Messages(e), (std::vector<std::string>{
                               "3:3: warning: unsupported state 'FogEnable' ignored",
                               "4:3: warning: unsupported state 'LightEnable' ignored",
                               "7:1: warning: technique 'Empty' has no passes; nothing is drawn "
                               "with it"}));
    ASSERT_EQ(e.techniques[0].passes[0].renderStates.size(), 1u);
}

TEST(EffectParserStates, BadValuesAreErrorsAtTheValue) {
    ParsedEffect e = ParseEffect(
        "technique T { pass {\n"
        "SrcBlend = Two;\n"
        "CullMode = 7;\n"
        "AlphaBlendEnable = TRUE FALSE;\n"
        "ZEnable = ;\n"
        "ColorWriteEnable = RED GREEN; ColorWriteEnable = 16; ColorWriteEnable = RED |;\n"
        "SrcBlend = SrcColor2;\n"
        "FillMode = Solid\n"
        "} }");
    EXPECT_EQ(Messages(e),
              (std::vector<std::string>{
                  "2:12: error: invalid value 'Two' for state 'SrcBlend'",
                  "3:12: error: invalid value '7' for state 'CullMode'",
                  "4:25: error: invalid value 'TRUE FALSE' for state 'AlphaBlendEnable': "
                  "unexpected 'FALSE'",
                  "5:1: error: missing value for state 'ZEnable'",
                  "6:24: error: invalid value 'RED GREEN' for state 'ColorWriteEnable': "
                  "unexpected 'GREEN'",
                  "6:50: error: invalid value '16' for state 'ColorWriteEnable'",
                  "6:77: error: invalid value 'RED |' for state 'ColorWriteEnable': "
                  "the value ends too early",
                  "7:12: warning: unsupported value 'SrcColor2' for state 'SrcBlend' ignored",
                  "9:1: error: expected ';' after the value of 'FillMode'"}));
    // The last one still counts: only its ';' was missing.
    ASSERT_EQ(e.techniques[0].passes[0].renderStates.size(), 1u);
}

// >> shader bindings

TEST(EffectParserShaders, ProfileErrorsCarryTheirPosition) {
    ParsedEffect e = ParseEffect(
        "technique T\n{\n  pass\n  {\n"
        "    VertexShader = compile vs_4_0 VS();\n"
        "    PixelShader = compile vs_2_0 PS();\n"
        "  }\n}\n");
    EXPECT_EQ(Messages(e),
              (std::vector<std::string>{
                  "5:28: error: unsupported profile 'vs_4_0'",
                  "6:27: error: profile 'vs_2_0' cannot compile a pixel shader"}));
}

TEST(EffectParserShaders, MalformedCompileStatements) {
    ParsedEffect e = ParseEffect(
        "technique T { pass {\n"
        "VertexShader = compile;\n"
        "VertexShader = compile vs_2_0;\n"
        "VertexShader = compile vs_2_0 VS;\n"
        "VertexShader = compile vs_2_0 VS(1,;\n"
        "VertexShader = compile vs_2_0 VS(1,);\n"
        "VertexShader = compile vs_2_0 VS() extra;\n"
        "PixelShader = shaderVariable;\n"
        "VertexShader compile vs_2_0 VS();\n"
        "} }");
    EXPECT_EQ(Messages(e),
              (std::vector<std::string>{
                  "2:23: error: expected a shader profile after 'compile'",
                  "3:30: error: expected an entry point after 'vs_2_0'",
                  "4:33: error: expected '(' after 'VS'",
                  "5:36: error: expected ')' to close the call of 'VS'",
                  "6:36: error: missing argument in the call of 'VS'",
                  "7:36: error: unexpected 'extra' after the call of 'VS'",
                  "8:15: error: expected 'compile PROFILE ENTRY(...)' or 'null' for "
                  "'PixelShader', found 'shaderVariable'",
                  "9:14: error: expected '=' after 'VertexShader', found 'compile'"}));
    EXPECT_FALSE(e.techniques[0].passes[0].vertexShader.present);
}

TEST(EffectParserShaders, SecondAssignmentWarnsAndWins) {
    ParsedEffect e = ParseEffect(
        "technique T { pass { VertexShader = compile vs_2_0 A();\n"
        "VertexShader = compile vs_3_0 B(); } }");
    EXPECT_EQ(Messages(e), (std::vector<std::string>{
                               "2:1: warning: state 'VertexShader' set twice; the last one counts"}));
    EXPECT_EQ(e.techniques[0].passes[0].vertexShader.entry, "B");
}

// >> annotations

TEST(EffectParserAnnotations, TakenOutOnGlobalsTechniquesAndPasses) {
    std::string src =
        "float4 Color : COLOR < string UIName = \"x > y\"; float3 v = {1, 2, 3}; > = {1,1,1,1};\n"
        "float Scale[2] < int n = 2; >;\n"
        "float4 Reg : register(c3) < bool b = true; >;\n"
        "technique T < string Desc = \"}{\"; > { pass P < int i = 0; > { } }\n";
    ParsedEffect e = ParseEffect(src);
    EXPECT_TRUE(Messages(e).empty());
    ASSERT_EQ(e.techniques.size(), 1u);
    EXPECT_EQ(e.techniques[0].name, "T");
    EXPECT_EQ(e.techniques[0].passes[0].name, "P");
    EXPECT_TRUE(KeepsItsTokens(src, e));
    std::string expected = src;
    TakeOut(&expected, "< string UIName = \"x > y\"; float3 v = {1, 2, 3}; >");
    TakeOut(&expected, "< int n = 2; >");
    TakeOut(&expected, "< bool b = true; >");
    EXPECT_EQ(Hlsl(e), Words(expected.substr(0, expected.find("technique"))));
}

TEST(EffectParserAnnotations, ComparisonsAndTemplatesAreNotAnnotations) {
    std::string src =
        "static const bool Less = 1 < 2;\n"
        "vector<float, 4> v4;\n"
        "matrix<float, 4, 4> m < int a = 1; >;\n"
        "float4 f(float a, float b) { return a < b ? 1 : (b > a); }\n"
        "struct S { float x; };\n"
        "bool g() { return 2 < 3; }\n";
    ParsedEffect e = ParseEffect(src);
    EXPECT_TRUE(Messages(e).empty());
    std::string expected = src;
    TakeOut(&expected, "< int a = 1; >");
    EXPECT_EQ(Hlsl(e), Words(expected));
}

TEST(EffectParserAnnotations, UnterminatedAnnotationIsAnError) {
    ParsedEffect e = ParseEffect("float4 a < string s = \"x\";\nfloat4 f() { return 0; }");
    EXPECT_EQ(Messages(e), (std::vector<std::string>{"1:10: error: unterminated annotation"}));
    ParsedEffect e2 = ParseEffect("float4 a < string s = \"x\";");
    EXPECT_EQ(Messages(e2), (std::vector<std::string>{"1:10: error: unterminated annotation"}));
}

// >> comments, strings, preprocessor lines

TEST(EffectParserText, CommentsAndStringsDoNotConfuseBlocks) {
    std::string src =
        "// technique Fake { pass { } }\n"
        "/* technique Fake2 { */\n"
        "float4 f() { /* } */ return 0; } // }\n"
        "technique Real // {\n"
        "{\n"
        "  /* } */ pass /* { */ P // }\n"
        "  {\n"
        "    // PixelShader = compile ps_9_9 X();\n"
        "    VertexShader = compile vs_2_0 V(); /* } } } */\n"
        "  }\n"
        "}\n"
        "int after;\n";
    ParsedEffect e = ParseEffect(src);
    EXPECT_TRUE(Messages(e).empty());
    ASSERT_EQ(e.techniques.size(), 1u);
    EXPECT_EQ(e.techniques[0].name, "Real");
    EXPECT_EQ(e.techniques[0].pos.line, 4);
    ASSERT_EQ(e.techniques[0].passes.size(), 1u);
    EXPECT_FALSE(e.techniques[0].passes[0].pixelShader.present);
    size_t real = src.find("technique Real");
    EXPECT_EQ(Hlsl(e), Words(src.substr(0, real)) + " int after ;");
}

TEST(EffectParserText, StringsWithTechniqueAndBracesStayHlsl) {
    std::string src =
        "string s = \"technique X { pass { } }\";\n"
        "static const int k = 1; // \"technique\n"
        "technique T < string d = \"} technique { \\\" }\"; > { pass { } }\n";
    ParsedEffect e = ParseEffect(src);
    EXPECT_TRUE(Messages(e).empty());
    ASSERT_EQ(e.techniques.size(), 1u);
    EXPECT_EQ(e.techniques[0].name, "T");
}

TEST(EffectParserText, DirectivesAreThePreprocessorsAndAStrayHashIsAnError) {
    std::string src =
        "#define COLOR_SCALE 2 // technique {\n"
        "#if COLOR_SCALE > 1 /* { */\n"
        "float4 c;\n"
        "#endif\n"
        "  #pragma warning(disable: 3571)\n"
        "float x; # not a directive\n"
        "technique T { pass { } }\n";
    ParsedEffect e = ParseEffect(src);
    ASSERT_EQ(e.techniques.size(), 1u);
    EXPECT_EQ(Hlsl(e), "float4 c ; float x ; not a directive");
    EXPECT_EQ(Messages(e),
              (std::vector<std::string>{"6:10: error: unexpected '#' outside a directive"}));
}

TEST(EffectParserText, LinesStayTrueAfterATechnique) {
    ParsedEffect e = ParseEffect(
        "technique A\n{\n  pass\n  {\n    CullMode = None;\n  }\n}\n\n"
        "technique B\r\n{\r\n  pass { ZFunc = Sometimes; }\r\n}\r\n\r\nfloat after;");
    EXPECT_EQ(Messages(e), (std::vector<std::string>{
                               "11:18: error: invalid value 'Sometimes' for state 'ZFunc'"}));
    EXPECT_EQ(e.techniques[1].pos.line, 9);
    ASSERT_EQ(Hlsl(e), "float after ;");
    EXPECT_EQ(e.hlsl.tokens[0].line, 14u);
    EXPECT_EQ(e.hlsl.tokens[0].column, 1u);
}

// >> structural errors

TEST(EffectParserErrors, EachCarriesItsPosition) {
    struct Case {
        const char* src;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"technique T\n{\n  pass { }\n", {"4:1: error: unexpected end of file in technique 'T'"}},
        {"technique T { pass {\n", {"2:1: error: unexpected end of file in technique 'T'"}},
        {"technique T { pass { CullMode = None;", {"1:38: error: unexpected end of file in technique 'T'"}},
        {"technique T", {"1:12: error: unexpected end of file in technique 'T'"}},
        {"technique { pass", {"1:17: error: unexpected end of file in unnamed technique"}},
        {"float a;\ntechnique Empty { pass }\n",
         {"2:1: warning: technique 'Empty' has no passes; nothing is drawn with it",
          "2:24: error: expected '{' after unnamed pass, found '}'"}},
        {"technique T { pass { } } }\n", {"1:26: error: unmatched '}'"}},
        {"technique T pass { }", {"1:13: error: expected '{' after technique 'T', found 'pass'"}},
        {"technique T { pass P ; }",
         {"1:1: warning: technique 'T' has no passes; nothing is drawn with it",
          "1:22: error: expected '{' after pass 'P', found ';'"}},
        {"technique T { foo { } pass { } }", {"1:15: error: unexpected 'foo' in technique 'T'",
                                              "1:19: error: unexpected '{' in technique 'T'"}},
        {"technique T { pass { 5; } }", {"1:22: error: unexpected '5' in unnamed pass"}},
        {"float a; /* never closed\n technique T { }", {"1:10: error: unterminated comment"}},
        {"string s = \"never closed;\nfloat b;", {"1:12: error: unterminated string"}},
        {"technique T < string s = \"x\n\"; > { pass { } }",
         {"1:13: error: unterminated annotation", "1:26: error: unterminated string",
          "2:1: error: unterminated string",
          "2:18: error: unexpected end of file in technique 'T'"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.src);
        ParsedEffect e = ParseEffect(c.src);
        EXPECT_EQ(Messages(e), c.messages);
        EXPECT_TRUE(e.HasErrors());
        EXPECT_TRUE(KeepsItsTokens(c.src, e));
    }
}

TEST(EffectParserErrors, DiagnosticsComeInSourceOrder) {
    ParsedEffect e = ParseEffect(
        "technique A { }\n"
        "technique B { pass { Foo = 1; CullMode = Bad; } }\n"
        "technique C { pass { VertexShader = compile vs_5_0 V(); } }\n");
    std::vector<std::string> m = Messages(e);
    ASSERT_EQ(m.size(), 4u);
    for (size_t i = 1; i < e.messages.size(); ++i) {
        const fx::Message& a = e.messages[i - 1];
        const fx::Message& b = e.messages[i];
        EXPECT_TRUE(a.line < b.line || (a.line == b.line && a.column <= b.column)) << m[i];
    }
}

// >> hostile input: never crashes, never stalls, keeps the shape

double SecondsToParse(const std::string& src, ParsedEffect* out) {
    const double start = testing_support::ThreadCpuSeconds();
    *out = ParseEffect(src);
    return testing_support::ThreadCpuSeconds() - start;
}

TEST(EffectParserHostile, RandomBytes) {
    std::mt19937 rng(20240611u);
    for (int round = 0; round < 200; ++round) {
        std::string src(rng() % 2000, '\0');
        for (char& c : src) c = static_cast<char>(rng() & 0xff);
        ParsedEffect e = ParseEffect(src);
        ASSERT_TRUE(KeepsItsTokens(src, e)) << "round " << round;
    }
}

TEST(EffectParserHostile, RandomTokenSoup) {
    const char* words[] = {"technique", "pass", "{", "}", "<", ">", ";", "=", "(", ")", ",",
                           "compile", "vs_2_0", "ps_3_0", "VertexShader", "PixelShader",
                           "null", "CullMode", "None", "\"", "/*", "*/", "//", "\n", "#if 1\n",
                           "#endif\n", "float4", "x", ":", "register", "[", "]", "1", "\\\n",
                           "sampler_state", "texture", "\r\n", "\0"};
    std::mt19937 rng(7u);
    for (int round = 0; round < 500; ++round) {
        std::string src;
        int count = static_cast<int>(rng() % 300);
        for (int i = 0; i < count; ++i) {
            const char* w = words[rng() % (sizeof(words) / sizeof(words[0]))];
            if (*w == '\0') {
                src.push_back('\0');
            } else {
                src += w;
            }
            src += ' ';
        }
        ParsedEffect e = ParseEffect(src);
        ASSERT_TRUE(KeepsItsTokens(src, e)) << src;
        for (const fx::Message& d : e.messages) {
            ASSERT_GE(d.line, 1);
            ASSERT_GE(d.column, 1);
        }
    }
}

TEST(EffectParserHostile, EveryCutOfAValidFile) {
    std::string full = std::string(kSimple) +
                       "float4 Tint < string UIName = \"tint\"; > = {1, 1, 1, 1}; /* end */\n";
    for (size_t n = 0; n <= full.size(); ++n) {
        std::string src = full.substr(0, n);
        ParsedEffect e = ParseEffect(src);
        ASSERT_TRUE(KeepsItsTokens(src, e)) << n;
    }
}

TEST(EffectParserHostile, NulBytesAreOrdinaryCharacters) {
    std::string src = std::string("float a;\0\0technique T { pass {\0} }\0", 36);
    ParsedEffect e = ParseEffect(src);
    EXPECT_TRUE(KeepsItsTokens(src, e));
    EXPECT_EQ(e.techniques.size(), 1u);
    EXPECT_TRUE(e.HasErrors());  // the NUL inside the pass is unexpected
}

TEST(EffectParserHostile, MegabytesOfBracesFinishQuickly) {
    constexpr size_t kSize = 5 * 1024 * 1024;
    const std::string inputs[] = {
        std::string(kSize, '{'),
        std::string(kSize, '}'),
        "technique T { pass { " + std::string(kSize, '{'),
        "technique T { pass { CullMode = " + std::string(kSize, '}'),
        "float a " + std::string(kSize, '<'),
        "technique " + std::string(kSize, '<'),
        std::string(kSize / 2, '{') + std::string(kSize / 2, '}'),
    };
    for (const std::string& src : inputs) {
        ParsedEffect e;
        double seconds = SecondsToParse(src, &e);
        EXPECT_LT(seconds, 10.0);
        EXPECT_LE(e.messages.size(), 101u);  // capped, not one per brace
    }
}

TEST(EffectParserHostile, ManyTechniquesAndLongLines) {
    std::string src;
    for (int i = 0; i < 20000; ++i) src += "technique T { pass { CullMode = None; } }";
    src += "\n";
    for (int i = 0; i < (1 << 19); ++i) src += "x ";  // a line of 1 MiB (a name is 512 at most)
    src += ";";
    ParsedEffect e;
    double seconds = SecondsToParse(src, &e);
    EXPECT_LT(seconds, 10.0);
    // On a machine so busy that reading outlasts the load's time limit, the
    // load ends in that one error instead, as the program does.
    const std::vector<std::string> said = Messages(e);
    if (said.size() == 1 && said[0].find("takes longer than the load's limit") != std::string::npos)
        return;
    EXPECT_EQ(e.techniques.size(), 20000u);
    EXPECT_TRUE(said.empty());
}

}  // namespace
