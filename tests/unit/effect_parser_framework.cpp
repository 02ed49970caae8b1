// The effect parser on the rest of real-world effect files: textures, string
// globals, sampler_state blocks, conditionals inside techniques and includes.
#include "platform/fx/3_parse/3_parse_effect.h"
#include "tests/support/case_file.h"
#include "tests/support/cpu_time.h"
#include "tests/support/effect_words.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using ParsedEffect = testing_support::ParsedText;
using testing_support::ParseEffect;
using testing_support::Hlsl;
using testing_support::Words;

std::vector<std::string> Messages(const ParsedEffect& e) {
    std::vector<std::string> out;
    for (const fx::Message& d : e.messages)
        out.push_back((d.file.empty() ? "" : d.file + ":") + std::to_string(d.line) + ":" +
                      std::to_string(d.column) + ": " + (d.IsError() ? "error: " : "warning: ") +
                      d.text);
    return out;
}

// The tokens of src with the first occurrence of each part taken out.
std::string Without(std::string src, const std::vector<std::string>& parts) {
    for (const std::string& part : parts) {
        size_t at = src.find(part);
        EXPECT_NE(at, std::string::npos) << part;
        if (at == std::string::npos) continue;
        src.erase(at, part.size());
        src.insert(at, 1, ' ');
    }
    return Words(src);
}

const fx::SamplerDesc* FindSampler(const ParsedEffect& e, const std::string& name) {
    for (const fx::SamplerDesc& s : e.samplers)
        if (s.name == name) return &s;
    return nullptr;
}

// >> textures and strings

TEST(EffectParserGlobals, TextureDeclarationsAreTakenOutAndRecorded) {
    std::string src =
        "texture Plain;\n"
        "uniform texture2D Diffuse : DIFFUSEMAP < string ResourceName = \"a.dds\"; >;\n"
        "extern textureCUBE Env;\n"
        "shared texture3D Volume;\n"
        "static TEXTURE Upper, Second;\n"
        "Texture2D<float4> ShaderModel4;\n"
        "float4 keep : register(c0);\n";
    ParsedEffect e = ParseEffect(src);
    EXPECT_TRUE(Messages(e).empty());
    EXPECT_EQ(Hlsl(e), Without(src, {"texture Plain;",
                                    "uniform texture2D Diffuse : DIFFUSEMAP < string "
                                    "ResourceName = \"a.dds\"; >;",
                                    "extern textureCUBE Env;", "shared texture3D Volume;",
                                    "static TEXTURE Upper, Second;",
                                    "Texture2D<float4> ShaderModel4;"}));
    std::vector<std::string> names;
    for (const fx::TextureDesc& t : e.textures) names.push_back(t.type + " " + t.name);
    EXPECT_EQ(names, (std::vector<std::string>{"texture Plain", "texture2D Diffuse",
                                               "textureCUBE Env", "texture3D Volume",
                                               "TEXTURE Upper", "TEXTURE Second",
                                               "Texture2D ShaderModel4"}));
    EXPECT_EQ(e.textures[1].pos.line, 2);
    EXPECT_EQ(e.textures[1].pos.column, 19);
}

// The annotation entries that name a texture's file and kind, in the
// spellings effect files use; everything else in the annotation is skipped.
TEST(EffectParserGlobals, TextureAnnotationsNameTheFileAndItsKind) {
    std::string src =
        "texture Sprite < string ResourceName = \"spark.png\"; >;\n"
        "textureCUBE Sky : ENVIRONMENT < string UIName = \"Sky\"; string resourcetype = \"cube\";\n"
        "    string ResourceName = \"maps\\\\sky\" \".dds\"; float Gamma = 2.2; >;\n"
        "texture Blank < string ResourceName = \"\"; >;\n"
        "texture Number < string ResourceName = 12; string ResourceType = \"2D\"; >;\n"
        "texture Bare < ResourceName = \"x.png\"; >;\n";
    ParsedEffect e = ParseEffect(src);
    EXPECT_EQ(Messages(e), (std::vector<std::string>{
                               "5:40: error: ResourceName of texture 'Number' must be a string"}));
    EXPECT_EQ(Hlsl(e), "");
    struct Want {
        const char* name;
        const char* file;
        int line, column;
        const char* type;
    } wants[] = {{"Sprite", "spark.png", 1, 40, ""},
                 {"Sky", "maps\\sky.dds", 3, 27, "cube"},
                 {"Blank", "", 4, 39, ""},
                 {"Number", "", 0, 0, "2D"},
                 {"Bare", "", 0, 0, ""}};
    ASSERT_EQ(e.textures.size(), std::size(wants));
    for (size_t i = 0; i < std::size(wants); ++i) {
        const fx::TextureDesc& t = e.textures[i];
        SCOPED_TRACE(t.name);
        EXPECT_EQ(t.name, wants[i].name);
        EXPECT_EQ(t.resourceName, wants[i].file);
        EXPECT_EQ(t.resourcePos.line, wants[i].line);
        EXPECT_EQ(t.resourcePos.column, wants[i].column);
        EXPECT_EQ(t.resourceType, wants[i].type);
    }
    EXPECT_EQ(e.textures[1].resourceTypePos.line, 2);
}

TEST(EffectParserGlobals, StringGlobalsAreTakenOutSemanticsStay) {
    std::string src =
        "string Name < string UIName = \"n\"; > = \"a\" \"b\";\n"
        "string Script = \"Technique=T;\";\n"
        "float4x4 WorldViewProj : WORLDVIEWPROJECTION;\n"
        "float4 Light : DIRECTION < string Object = \"L0\"; > = {0, 0, 1, 0};\n";
    ParsedEffect e = ParseEffect(src);
    EXPECT_TRUE(Messages(e).empty());
    EXPECT_EQ(Hlsl(e), Without(src, {"string Name < string UIName = \"n\"; > = \"a\" \"b\";",
                                    "string Script = \"Technique=T;\";",
                                    "< string Object = \"L0\"; >"}));
}

TEST(EffectParserGlobals, ShaderVariablesAreTakenOutAndUsableInPasses) {
    std::string src =
        "VertexShader VsLow = compile vs_2_0 VS(1);\n"
        "pixelshader PsMain = compile ps_3_0 PS();\n"
        "technique T { pass {\n"
        "  VertexShader = (VsLow);\n"
        "  PixelShader = <PsMain>;\n"
        "} pass {\n"
        "  VertexShader = PsMain;\n"
        "  PixelShader = Unknown;\n"
        "} }\n";
    ParsedEffect e = ParseEffect(src);
    EXPECT_EQ(Messages(e),
              (std::vector<std::string>{
                  "7:18: error: shader variable 'PsMain' is a pixel shader",
                  "8:17: error: expected 'compile PROFILE ENTRY(...)' or 'null' for "
                  "'PixelShader', found 'Unknown'"}));
    EXPECT_EQ(Hlsl(e), "");
    ASSERT_EQ(e.techniques.size(), 1u);
    const fx::PassDesc& p = e.techniques[0].passes[0];
    EXPECT_EQ(p.vertexShader.profile, "vs_2_0");
    EXPECT_EQ(p.vertexShader.entry, "VS");
    EXPECT_EQ(p.vertexShader.arguments, (std::vector<std::string>{"1"}));
    EXPECT_EQ(p.vertexShader.pos.line, 4);
    EXPECT_EQ(p.pixelShader.entry, "PS");
}

// >> samplers

TEST(EffectParserSamplers, SamplerStateBlockBecomesAPlainSampler) {
    std::string src =
        "texture ColorMap;\n"
        "sampler2D ColorSampler : register(s1) = sampler_state\n"
        "{\n"
        "    Texture   = <ColorMap>;\n"
        "    MinFilter = Linear;\n"
        "    MagFilter = Point;\n"
        "    MipFilter = None;\n"
        "    AddressU  = Wrap;\n"
        "    AddressV  = Clamp;\n"
        "    AddressW  = MirrorOnce;\n"
        "    BorderColor = 0xFF102030;\n"
        "    MaxAnisotropy = 8;\n"
        "    MipMapLodBias = - 0.5f;\n"
        "    MaxMipLevel = 2;\n"
        "};\n"
        "float4 f(float2 uv) { return tex2D(ColorSampler, uv); }\n";
    ParsedEffect e = ParseEffect(src);
    EXPECT_TRUE(Messages(e).empty());
    size_t eq = src.find("= sampler_state");
    size_t close = src.find("};");
    EXPECT_EQ(Hlsl(e), Without(src.substr(0, eq) + src.substr(close + 1), {"texture ColorMap;"}));
    EXPECT_EQ(Hlsl(e).rfind("sampler2D ColorSampler : register ( s1 ) ;", 0), 0u) << Hlsl(e);

    ASSERT_EQ(e.samplers.size(), 1u);
    const fx::SamplerDesc& s = e.samplers[0];
    EXPECT_EQ(s.name, "ColorSampler");
    EXPECT_EQ(s.type, "sampler2D");
    EXPECT_EQ(s.registerIndex, 1);
    EXPECT_EQ(s.texture, "ColorMap");
    EXPECT_EQ(s.pos.line, 2);
    std::vector<std::pair<D3DSAMPLERSTATETYPE, DWORD>> states;
    for (const fx::SamplerStateSetting& st : s.states) states.push_back({st.state, st.value});
    EXPECT_EQ(states, (std::vector<std::pair<D3DSAMPLERSTATETYPE, DWORD>>{
                          {D3DSAMP_MINFILTER, D3DTEXF_LINEAR},
                          {D3DSAMP_MAGFILTER, D3DTEXF_POINT},
                          {D3DSAMP_MIPFILTER, D3DTEXF_NONE},
                          {D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP},
                          {D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP},
                          {D3DSAMP_ADDRESSW, D3DTADDRESS_MIRRORONCE},
                          {D3DSAMP_BORDERCOLOR, 0xFF102030u},
                          {D3DSAMP_MAXANISOTROPY, 8},
                          {D3DSAMP_MIPMAPLODBIAS, 0xBF000000u},  // -0.5f
                          {D3DSAMP_MAXMIPLEVEL, 2}}));
    EXPECT_EQ(s.states[0].pos.line, 5);
}

TEST(EffectParserSamplers, LowerCaseOneLineAndOtherSpellings) {
    std::string src =
        "texture a; texture b; texture c;\n"
        "sampler2D lower = sampler_state { texture = <a>; minfilter = anisotropic; addressu = border; };\n"
        "samplerCUBE Paren = sampler_state { Texture = (b); };\n"
        "sampler Bare : register(S15) = SAMPLER_STATE { Texture = c; };\n"
        "sampler2D NoState : register(s3);\n"
        "sampler2D Unset;\n";
    ParsedEffect e = ParseEffect(src);
    EXPECT_TRUE(Messages(e).empty());
    ASSERT_EQ(e.samplers.size(), 5u);
    const fx::SamplerDesc* lower = FindSampler(e, "lower");
    ASSERT_TRUE(lower);
    EXPECT_EQ(lower->texture, "a");
    ASSERT_EQ(lower->states.size(), 2u);
    EXPECT_EQ(lower->states[0].value, DWORD{D3DTEXF_ANISOTROPIC});
    EXPECT_EQ(lower->states[1].value, DWORD{D3DTADDRESS_BORDER});
    EXPECT_EQ(FindSampler(e, "Paren")->texture, "b");
    EXPECT_EQ(FindSampler(e, "Paren")->type, "samplerCUBE");
    EXPECT_EQ(FindSampler(e, "Bare")->texture, "c");
    EXPECT_EQ(FindSampler(e, "Bare")->registerIndex, 15);
    EXPECT_EQ(FindSampler(e, "NoState")->registerIndex, 3);
    EXPECT_EQ(FindSampler(e, "Unset")->registerIndex, -1);
    EXPECT_EQ(Hlsl(e),
              "sampler2D lower ; samplerCUBE Paren ; sampler Bare : register ( S15 ) ; "
              "sampler2D NoState : register ( s3 ) ; sampler2D Unset ;");
}

TEST(EffectParserSamplers, BadAndUnsupportedStates) {
    ParsedEffect e = ParseEffect(
        "texture t;\n"
        "sampler2D s : register(s16) = sampler_state {\n"
        "  Texture = <missing>;\n"
        "  MinFilter = Cubic;\n"
        "  MipMapLodBias = one;\n"
        "  MinFilter = GaussianQuad;\n"
        "  BorderColor = float4(1, 0);\n"
        "  Texture = <t> extra;\n"
        "  MagFilter Linear;\n"
        "};\n");
    EXPECT_EQ(Messages(e),
              (std::vector<std::string>{
                  "2:24: error: sampler register 's16' is out of range (s0 to s15)",
                  "3:14: warning: sampler 's' refers to undeclared texture 'missing'",
                  "4:15: error: invalid value 'Cubic' for sampler state 'MinFilter'",
                  "5:19: error: invalid value 'one' for sampler state 'MipMapLodBias'",
                  "6:15: warning: unsupported value 'GaussianQuad' for sampler state "
                  "'MinFilter' ignored",
                  "7:17: warning: border colour 'float4(1, 0)' is not a colour; ignored",
                  "8:13: error: expected '<TEXTURE>' for state 'Texture', found '<t> extra'",
                  "9:13: error: expected '=' after 'MagFilter', found 'Linear'"}));
    ASSERT_EQ(e.samplers.size(), 1u);
    EXPECT_EQ(e.samplers[0].registerIndex, -1);
}

TEST(EffectParserSamplers, UnfinishedSamplerState) {
    ParsedEffect e = ParseEffect("sampler2D s = sampler_state { MinFilter = Linear;\n");
    EXPECT_EQ(Messages(e), (std::vector<std::string>{
                               "2:1: error: unexpected end of file in sampler_state of 's'"}));
    EXPECT_EQ(Hlsl(e), "sampler2D s");
    ParsedEffect e2 = ParseEffect("sampler2D s = sampler_state;\n");
    EXPECT_EQ(Messages(e2), (std::vector<std::string>{
                                "1:28: error: expected '{' after 'sampler_state'"}));
}

// >> conditionals inside techniques

TEST(EffectParserConditionals, ChoosesStatesAndPassesInsideTechniques) {
    std::string src =
        "#define FOG_LINEAR 1\n"
        "#define FOG_EXP2 2\n"
        "#define FOG_MODE FOG_EXP2\n"
        "#define USE_TEXTURE\n"
        "technique T\n"
        "{\n"
        "    pass P0\n"
        "    {\n"
        "#if defined(ADDITIVE_BLEND)\n"
        "        DestBlend = One;\n"
        "#elif FOG_MODE == FOG_LINEAR\n"
        "        DestBlend = Zero;\n"
        "#else\n"
        "        DestBlend = InvSrcAlpha;\n"
        "#endif\n"
        "#ifdef USE_TEXTURE\n"
        "        CullMode = CW;\n"
        "#endif\n"
        "#ifndef USE_TEXTURE\n"
        "        CullMode = Bad;\n"
        "#endif\n"
        "    }\n"
        "#if 0\n"
        "    pass Disabled { this is not even effect syntax }\n"
        "#endif\n"
        "}\n";
    ParsedEffect e = ParseEffect(src);
    EXPECT_TRUE(Messages(e).empty());
    ASSERT_EQ(e.techniques.size(), 1u);
    ASSERT_EQ(e.techniques[0].passes.size(), 1u);
    const auto& states = e.techniques[0].passes[0].renderStates;
    ASSERT_EQ(states.size(), 2u);
    EXPECT_EQ(states[0].state, D3DRS_DESTBLEND);
    EXPECT_EQ(states[0].value, DWORD{D3DBLEND_INVSRCALPHA});
    EXPECT_EQ(states[0].pos.line, 14);
    EXPECT_EQ(states[1].value, DWORD{D3DCULL_CW});

    // Directives are the preprocessor's, the technique the parser's: no
    // HLSL is left.
    EXPECT_EQ(Hlsl(e), "");
}

TEST(EffectParserConditionals, ExpressionValues) {
    struct Case {
        const char* condition;
        bool taken;
    };
    const Case cases[] = {
        {"1", true},           {"0", false},
        {"ONE", true},         {"UNDEFINED_NAME", false},
        {"defined ONE", true}, {"!defined(TWO_X)", true},
        {"TWO * 3 == 6", true}, {"TWO << 4 == 32 && 7 % 4 == 3", true},
        {"(1 + 2) * 3 - 9", false}, {"-1 < 0", true},
        {"0x10 == 16 && 010 == 8 && 5u == 5L", true}, {"ONE ? 0 : 1", false},
        {"SELF", false},       {"CHAIN == 1", true},
        {"~0 == -1", true},    {"1 || 1 / 1", true},
        {"(2 > 1) + (1 >= 1) + (1 != 2) + (3 <= 2)", true}, {"6 ^ 6 | 0 & 1", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.condition);
        ParsedEffect e = ParseEffect(std::string("#define ONE 1\n#define TWO 2\n#define SELF SELF\n"
                                                 "#define CHAIN LINK\n#define LINK ONE\n"
                                                 "technique T { pass {\n#if ") +
                                     c.condition + "\nCullMode = CW;\n#endif\n} }\n");
        EXPECT_TRUE(Messages(e).empty());
        ASSERT_EQ(e.techniques.size(), 1u);
        EXPECT_EQ(e.techniques[0].passes[0].renderStates.size(), c.taken ? 1u : 0u);
    }
}

TEST(EffectParserConditionals, ErrorsInsideTechniques) {
    ParsedEffect e = ParseEffect(
        "#define F(x) x\n"
        "technique T { pass {\n"
        "#if F(0)\n"
        "CullMode = Bad;\n"
        "#endif\n"
        "#if 1 / 0\n"
        "#endif\n"
        "#if (1\n"
        "#endif\n"
        "#ifdef\n"
        "#endif\n"
        "#else\n"
        "#include \"x.fxh\"\n"
        "} }\n");
    EXPECT_EQ(Messages(e),
              (std::vector<std::string>{
                  "6:1: error: cannot evaluate '#if': division by zero",
                  "8:1: error: cannot evaluate '#if': missing ')'",
                  "10:1: error: cannot evaluate '#ifdef': missing macro name",
                  "12:1: error: #else without #if",
                  "13:1: error: cannot open include file 'x.fxh': no include handler"}));
}

TEST(EffectParserConditionals, ATechniqueMayStraddleAConditional) {
    // The preprocessor runs first: the parser sees the tokens it hands on.
    ParsedEffect e = ParseEffect(
        "technique T { pass { }\n"
        "#if 1\n"
        "}\n"
        "#else\n"
        "pass Never { } }\n"
        "#endif\n");
    EXPECT_TRUE(Messages(e).empty());
    ASSERT_EQ(e.techniques.size(), 1u);
    EXPECT_EQ(e.techniques[0].passes.size(), 1u);
}

TEST(EffectParserConditionals, GlobalConditionalsChooseTechniques) {
    std::string src =
        "#define SM3\n"
        "#ifdef SM3\n"
        "technique Best { pass { VertexShader = compile vs_3_0 V(); } }\n"
        "#else\n"
        "technique Best { pass { VertexShader = compile vs_2_0 V(); } }\n"
        "#endif\n"
        "#if 0\n"
        "technique Never { }\n"
        "#endif\n";
    ParsedEffect e = ParseEffect(src);
    EXPECT_TRUE(Messages(e).empty());
    ASSERT_EQ(e.techniques.size(), 1u);
    EXPECT_EQ(e.techniques[0].passes[0].vertexShader.profile, "vs_3_0");
    // Inactive text reaches no one.
    EXPECT_EQ(Hlsl(e), "");
}

TEST(EffectParserConditionals, GlobalConditionsWithMacroCallsAndErrors) {
    ParsedEffect e = ParseEffect(
        "#define VERSION(a) a\n"
        "#if VERSION(3) >= 3\n"
        "technique A { pass { } }\n"
        "#else\n"
        "technique B { pass { } }\n"
        "#endif\n"
        "#if 1 / 0\n"
        "technique C { pass { } }\n"
        "#else\n"
        "technique D { pass { } }\n"
        "#endif\n");
    EXPECT_EQ(Messages(e), (std::vector<std::string>{
                               "7:1: error: cannot evaluate '#if': division by zero"}));
    ASSERT_EQ(e.techniques.size(), 2u);
    EXPECT_EQ(e.techniques[0].name, "A");
    EXPECT_EQ(e.techniques[1].name, "D");
}

TEST(EffectParserConditionals, DefinesInsideTechniquesHoldAfterThem) {
    std::string src =
        "technique T { pass {\n#define INSIDE 1\n} }\n"
        "float x = INSIDE;\n#undef INSIDE\nfloat y = INSIDE;\n";
    ParsedEffect e = ParseEffect(src);
    EXPECT_EQ(Hlsl(e), "float x = 1 ; float y = INSIDE ;");
}

// >> includes

class EffectParserIncludes : public ::testing::Test {
protected:
    std::map<std::string, std::string> files_;
    std::vector<std::string> asked_;

    fx::IncludeResolver Resolver() {
        return [this](const std::string& name, std::string* text, fx::MessageSink& messages) {
            asked_.push_back(name);
            auto it = files_.find(name);
            if (it == files_.end()) {
                messages.Error("no such file");
                return false;
            }
            *text = it->second;
            return true;
        };
    }
};

TEST_F(EffectParserIncludes, IncludedFilesAreReadOnceAndParsedInPlace) {
    files_["common.fxh"] =
        "#ifndef COMMON\n#define COMMON\n"
        "#define QUALITY 2\n"
        "float4 Light : DIRECTION < string UIName = \"L\"; > = {0, 0, 1, 0};\n"
        "texture Shared;\n"
        "#endif\n";
    std::string src =
        "#include \"common.fxh\"\n"
        "#include \"common.fxh\"\n"
        "sampler2D S = sampler_state { Texture = <Shared>; };\n"
        "technique T { pass {\n"
        "#if QUALITY > 1\n"
        "CullMode = CW;\n"
        "#endif\n"
        "} }\n";
    ParsedEffect e = ParseEffect(src, Resolver());
    EXPECT_TRUE(Messages(e).empty());
    EXPECT_EQ(asked_, (std::vector<std::string>{"common.fxh"}));
    ASSERT_EQ(e.textures.size(), 1u);
    EXPECT_EQ(e.textures[0].pos.file, "common.fxh");
    EXPECT_EQ(e.textures[0].pos.line, 5);
    EXPECT_EQ(e.samplers[0].texture, "Shared");
    EXPECT_EQ(e.techniques[0].passes[0].renderStates.size(), 1u);
    EXPECT_EQ(Hlsl(e), "float4 Light : DIRECTION = { 0 , 0 , 1 , 0 } ; sampler2D S ;");
    EXPECT_EQ(e.hlsl.files[e.hlsl.tokens.front().file], "common.fxh");
    EXPECT_EQ(e.hlsl.files[e.hlsl.tokens.back().file], "");
}

TEST_F(EffectParserIncludes, DiagnosticsNameTheFileAndSitAtTheInclude) {
    files_["a.fxh"] = "float x;\n#include \"b.fxh\"\n";
    files_["b.fxh"] = "\ntechnique Empty { pass { 5; } }\n";
    files_["self.fxh"] = "#include \"self.fxh\"\n";
    ParsedEffect e = ParseEffect(
        "technique First { pass { CullMode = Sideways; } }\n"
        "#include \"a.fxh\"\n"
        "#include \"missing.fxh\"\n"
        "#include \"self.fxh\"\n"
        "#include nothing\n",
        Resolver());
    EXPECT_EQ(Messages(e),
              (std::vector<std::string>{
                  "1:37: error: invalid value 'Sideways' for state 'CullMode'",
                  "b.fxh:2:26: error: unexpected '5' in unnamed pass",
                  "3:1: error: cannot open include file 'missing.fxh': no such file",
                  "self.fxh:1:1: error: file 'self.fxh' includes itself",
                  "5:1: error: expected \"FILE\" or <FILE> after #include"}));
}

TEST_F(EffectParserIncludes, WithoutAResolverAnIncludeIsAnError) {
    std::string src = "#include \"common.fxh\"\n#include <other.fxh>\nfloat x;\n";
    ParsedEffect e = ParseEffect(src);
    EXPECT_EQ(Messages(e),
              (std::vector<std::string>{
                  "1:1: error: cannot open include file 'common.fxh': no include handler",
                  "2:1: error: cannot open include file 'other.fxh': no include handler"}));
    EXPECT_EQ(Hlsl(e), "float x ;");
}

TEST_F(EffectParserIncludes, EndlessIncludeChainStops) {
    // Each file includes the next under a new name: only the depth cap ends it.
    ParsedEffect e = ParseEffect("#include \"0\"\n", [](const std::string& name, std::string* text,
                                                       fx::MessageSink&) {
        *text = "#include \"" + std::to_string(std::stoi(name) + 1) + "\"\n";
        return true;
    });
    ASSERT_EQ(e.messages.size(), 1u);
    EXPECT_EQ(e.messages[0].text, "includes nest too deeply at '16'");
    EXPECT_EQ(e.messages[0].file, "15");
}

// >> the effect corpus: real-world files parse cleanly

TEST(EffectParserCorpus, EveryFileParsesWithoutErrors) {
    const char* root = std::getenv("FLOWFIELD_SOURCE_DIR");
    ASSERT_TRUE(root);
    std::filesystem::path dir = std::filesystem::path(root) / "tests" / "fx-corpus" / "real";
    auto read = [](const std::filesystem::path& p, std::string* text) {
        std::ifstream f(p, std::ios::binary);
        if (!f) return false;
        std::ostringstream s;
        s << f.rdbuf();
        *text = s.str();
        return true;
    };
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".fx") continue;
        SCOPED_TRACE(entry.path().filename().string());
        std::string src;
        ASSERT_TRUE(read(entry.path(), &src));
        ParsedEffect e = ParseEffect(src, [&](const std::string& name, std::string* text,
                                              fx::MessageSink& messages) {
            if (read(dir / name, text)) return true;
            messages.Error("not in the corpus");
            return false;
        });
        EXPECT_FALSE(e.HasErrors()) << ::testing::PrintToString(Messages(e));
        EXPECT_FALSE(e.techniques.empty());
        for (const fx::TechniqueDesc& t : e.techniques) EXPECT_FALSE(t.passes.empty());
        ++files;
    }
    EXPECT_GE(files, 5);
}

// >> hostile preprocessor input

TEST(EffectParserHostilePreprocessor, RunawayExpressionsAndNesting) {
    std::string deepParens = "#if " + std::string(100000, '(') + "1\n#endif\n";
    std::string deepMinus = "#if " + std::string(100000, '-') + "1\n#endif\n";
    std::string deepTernary = "#if ";
    for (int i = 0; i < 20000; ++i) deepTernary += "1?";
    deepTernary += "1" + std::string(0, ' ') + "\n#endif\n";
    std::string exponential;
    for (int i = 0; i < 40; ++i)
        exponential += "#define M" + std::to_string(i) + " M" + std::to_string(i + 1) + " M" +
                       std::to_string(i + 1) + "\n";
    exponential += "#if M0\n#endif\n";
    std::string manyIfs;
    for (int i = 0; i < 100000; ++i) manyIfs += "#if 1\n";
    std::string chainedDefines;
    for (int i = 0; i < 10000; ++i)
        chainedDefines += "#define D" + std::to_string(i + 1) + " D" + std::to_string(i) + "\n";
    chainedDefines += "#if D10000\n#endif\n";

    for (const std::string& body : {deepParens, deepMinus, deepTernary, exponential, manyIfs,
                                    chainedDefines}) {
        for (const std::string& src : {body, "technique T { pass {\n" + body + "} }\n"}) {
            const double start = testing_support::ThreadCpuSeconds();
            ParsedEffect e = ParseEffect(src);
            EXPECT_LT(testing_support::ThreadCpuSeconds() - start, 10.0);
            EXPECT_LE(e.messages.size(), 101u);
        }
    }
}

TEST(EffectParserHostilePreprocessor, RandomSoupWithIncludes) {
    const char* words[] = {"technique", "pass", "{", "}", "<", ">", ";", "=", "(", ")",
                           "compile", "vs_2_0", "VertexShader", "CullMode", "None", "\"",
                           "/*", "*/", "\n", "#if A\n", "#ifdef A\n", "#elif 1\n", "#else\n",
                           "#endif\n", "#define A 1\n", "#undef A\n", "#include \"x\"\n",
                           "#include \"y\"\n", "sampler2D", "s", "sampler_state", "Texture",
                           "texture", "t", "string", ":", "register", "s1", "MinFilter",
                           "Linear", "1", ","};
    std::mt19937 rng(99u);
    auto soup = [&](int count) {
        std::string src;
        for (int i = 0; i < count; ++i) {
            src += words[rng() % (sizeof(words) / sizeof(words[0]))];
            src += ' ';
        }
        return src;
    };
    for (int round = 0; round < 300; ++round) {
        std::string included = soup(static_cast<int>(rng() % 60));
        std::string src = soup(static_cast<int>(rng() % 300));
        ParsedEffect e = ParseEffect(src, [&](const std::string& name, std::string* text,
                                              fx::MessageSink&) {
            if (name != "x") return false;
            *text = included;
            return true;
        });
        for (const fx::Message& d : e.messages) {
            ASSERT_GE(d.line, 1) << src;
            ASSERT_TRUE(d.file.empty() || d.file == "x") << d.file;
        }
    }
}

}  // namespace
