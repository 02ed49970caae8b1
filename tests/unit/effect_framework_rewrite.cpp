// The HLSL rewrites the loader makes before glslang sees an effect: global
// declarations as Direct3D 9 reads them, compile arguments bound into the
// entry point; and the text printed from the tokens, whose map puts every
// place back where the user wrote it. The results compile.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/fx/3_parse/3_parse_effect.h"
#include "platform/fx/4_rewrite/4_rewrite_hlsl.h"
#include "platform/fx/5_glslang/5_hlsl_to_spirv.h"
#include "tests/support/case_file.h"
#include "tests/support/compile_hlsl.h"
#include "tests/support/cpu_time.h"

namespace {

using testing_support::CompileShaders;

// Runs of blanks as one space: the tokens of a printed text, whatever its layout.
std::string Words(const std::string& s) {
    std::string out;
    for (char c : s) {
        bool blank = c == ' ' || c == '\n' || c == '\r' || c == '\t';
        if (blank && (out.empty() || out.back() == ' ')) continue;
        out += blank ? ' ' : c;
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

// hlsl with "compile vs_3_0 ENTRY(ARGS)" bound as the loader binds it: the
// printed text, or false with the reason.
bool Bind(const std::string& hlsl, const std::string& entry, const std::string& args,
          fx::HlslText* out, std::string* error) {
    testing_support::ParsedText e = testing_support::ParseEffect(
        hlsl + "\ntechnique T { pass P { VertexShader = compile vs_3_0 " + entry + "(" + args +
        "); } }\n");
    EXPECT_FALSE(e.HasErrors());
    EXPECT_EQ(e.techniques.size(), 1u);
    if (e.techniques.empty()) return false;
    fx::TokenStream tokens = e.hlsl;
    const fx::ShaderBinding& b = e.techniques[0].passes[0].vertexShader;
    std::vector<fx::Message> messages;
    fx::MessageCollector sink(&messages);
    if (!fx::BindUniformArguments(&tokens, entry, b.argumentTokens, sink)) {
        *error = messages.empty() ? std::string() : messages[0].text;
        return false;
    }
    *out = fx::PrintHlsl(tokens);
    return true;
}

TEST(EffectFrameworkRewrite, UniformParametersBecomeStaticConstsBeforeTheFunction) {
    const std::string hlsl =
        "float4 Other(uniform int n) { return n; }\n"
        "float4 VS(float3 p : POSITION,\n"
        "          uniform int numLights, uniform bool useSpecular) : POSITION\n"
        "{ return float4(p * numLights, useSpecular ? 1.0 : 0.5); }\n";
    fx::HlslText out;
    std::string error;
    ASSERT_TRUE(Bind(hlsl, "VS", "2, true", &out, &error)) << error;
    EXPECT_NE(Words(out.text).find("{ return n; } static const int numLights = 2 ; "
                                   "static const bool useSpecular = true ; "
                                   "float4 VS(float3 p : POSITION ) : POSITION"),
              std::string::npos)
        << out.text;
    EXPECT_NE(out.text.find("float4 Other(uniform int n)"), std::string::npos)
        << "other functions stay";

    // The bound source compiles: no int left in the constant block.
    fx::CompiledPass compiled = CompileShaders(out.text, {{fx::ShaderStage::Vertex, "VS"}});
    ASSERT_TRUE(compiled.ok) << (compiled.messages.empty() ? "" : compiled.messages[0].text);
    EXPECT_EQ(compiled.glsl[0].find("vs_c"), std::string::npos) << compiled.glsl[0];
}

TEST(EffectFrameworkRewrite, ParameterListsKeepTheirCommasRight) {
    struct Case {
        const char* hlsl;
        const char* args;
        const char* expected;
    } cases[] = {
        {"float4 PS(uniform bool t, float2 uv : TEXCOORD0) : COLOR0 { return t ? uv.xyxy : 0; }\n",
         "false", "float4 PS( float2 uv : TEXCOORD0) : COLOR0"},
        {"float4 PS(float2 uv : TEXCOORD0, uniform float k) : COLOR0 { return uv.xyxy * k; }\n",
         "0.5", "float4 PS(float2 uv : TEXCOORD0 ) : COLOR0"},
        {"float4 PS(float2 a : TEXCOORD0, uniform int k, float2 b : TEXCOORD1) : COLOR0\n"
         "{ return float4(a, b) * k; }\n",
         "3", "float4 PS(float2 a : TEXCOORD0 , float2 b : TEXCOORD1) : COLOR0"},
    };
    for (const Case& c : cases) {
        fx::HlslText out;
        std::string error;
        ASSERT_TRUE(Bind(c.hlsl, "PS", c.args, &out, &error)) << error;
        EXPECT_NE(Words(out.text).find(c.expected), std::string::npos) << out.text;
        fx::CompiledPass compiled = CompileShaders(out.text, {{fx::ShaderStage::Pixel, "PS"}});
        EXPECT_TRUE(compiled.ok) << out.text
                                 << (compiled.messages.empty() ? "" : compiled.messages[0].text);
    }
}

TEST(EffectFrameworkRewrite, MismatchedArgumentsAndMissingFunctionsAreErrors) {
    const std::string hlsl =
        "float4 VS(float3 p : POSITION);\n"  // a prototype is not the definition
        "float4 Use() { return VS(float3(0, 0, 0)); }\n"
        "float4 VS(float3 p : POSITION, uniform int n) : POSITION { return float4(p, n); }\n";
    fx::HlslText out;
    std::string error;
    EXPECT_FALSE(Bind(hlsl, "VS", "1, 2", &out, &error));
    EXPECT_EQ(error, "the compile statement gives 2 arguments, but 'VS' has 1 uniform parameters");
    // No arguments at all: the parameter is left to the program.
    ASSERT_TRUE(Bind(hlsl, "VS", "", &out, &error)) << error;
    EXPECT_NE(Words(out.text).find("uniform int n)"), std::string::npos) << out.text;
    EXPECT_FALSE(Bind(hlsl, "PS", "1", &out, &error));
    EXPECT_EQ(error, "entry point 'PS' not found");
    ASSERT_TRUE(Bind(hlsl, "VS", "4", &out, &error)) << error;
    EXPECT_NE(Words(out.text).find("float4 VS(float3 p : POSITION); float4 Use()"),
              std::string::npos)
        << out.text;
    EXPECT_NE(Words(out.text).find("static const int n = 4 ; float4 VS(float3 p : POSITION ) :"),
              std::string::npos)
        << "bound at the definition, not the prototype: " << out.text;
}

TEST(EffectFrameworkRewrite, DeclarationsGoJustBeforeTheFunctionAndCompile) {
    // Whatever stood before the function in the file (a comment, a
    // directive, a comment around the line end, nothing, CRLF line ends).
    const char* const cases[] = {
        "// entry\nfloat4 VS(uniform int n) : POSITION { return n; }\n",
        "#define X 1\nfloat4 VS(uniform int n) : POSITION { return n * X; }\n",
        "/* one\n   two */ float4 VS(uniform int n) : POSITION { return n; }\n",
        "float4 VS(uniform int n) : POSITION { return n; }\n",
        "struct S { float a; };\r\n\r\nfloat4 VS(uniform int n) : POSITION { return n; }\r\n",
    };
    for (const char* hlsl : cases) {
        fx::HlslText out;
        std::string error;
        ASSERT_TRUE(Bind(hlsl, "VS", "7", &out, &error)) << error;
        EXPECT_NE(Words(out.text).find("static const int n = 7 ; float4 VS( ) : POSITION"),
                  std::string::npos)
            << out.text;
        EXPECT_TRUE(CompileShaders(out.text, {{fx::ShaderStage::Vertex, "VS"}}).ok) << out.text;
    }
}

TEST(EffectFrameworkRewrite, ErrorsInABoundEntryPointKeepTheirPlaces) {
    const std::string hlsl =
        "float4 Scale : register(c0);\n"
        "float4 VS(float3 p : POSITION, uniform float k) : POSITION\n"
        "{\n"
        "    return float4(p * k, 1.0) * missing;\n"
        "}\n";
    fx::HlslText out;
    std::string error;
    ASSERT_TRUE(Bind(hlsl, "VS", "2.0", &out, &error)) << error;
    fx::CompiledPass compiled = CompileShaders(out, {{fx::ShaderStage::Vertex, "VS"}});
    ASSERT_FALSE(compiled.ok);
    ASSERT_FALSE(compiled.messages.empty());
    EXPECT_EQ(compiled.messages[0].line, 4);
    EXPECT_EQ(compiled.messages[0].column, 33);

    // An argument glslang rejects is placed in the compile statement
    // (line 7: Bind puts the technique after a blank line).
    ASSERT_TRUE(Bind(hlsl, "VS", "undefinedThing", &out, &error)) << error;
    compiled = CompileShaders(out, {{fx::ShaderStage::Vertex, "VS"}});
    ASSERT_FALSE(compiled.ok);
    ASSERT_FALSE(compiled.messages.empty());
    EXPECT_EQ(compiled.messages[0].text, "'undefinedThing': unknown variable");
    EXPECT_EQ(compiled.messages[0].line, 7);
    const std::string technique = "technique T { pass P { VertexShader = compile vs_3_0 VS(";
    EXPECT_EQ(compiled.messages[0].column, static_cast<int>(technique.size()) + 1);
}

TEST(EffectFrameworkRewrite, TheMapPutsPlacesOfThePrintedTextBackInTheFile) {
    fx::TokenStream tokens =
        testing_support::ParseEffect(
            "float A; float B; float C;\n  #define PAIR(x) x + x\n  float D; PAIR(E);\n"
            "void F() { A = 1; }\n")
            .hlsl;
    fx::GlobalsRewrite globals;
    std::vector<fx::Message> messages;
    fx::MessageCollector sink(&messages);
    fx::RewriteGlobals(&tokens, &globals, sink);
    fx::HlslText out = fx::PrintHlsl(tokens);
    // Spelled tokens keep their columns until something before them grew;
    // the macro's own '+' is placed at its use, its argument where written.
    EXPECT_EQ(out.text.substr(0, out.text.find("\nvoid")),
              "float A__fxw; static float A; float B; float C;\n  float D;      E + E ;");
    auto back = [&](int line, int column) {
        fx::Message m;
        m.line = line;
        m.column = column;
        out.map.ToUser(&m);
        return std::to_string(m.line) + "," + std::to_string(m.column);
    };
    EXPECT_EQ(back(1, 7), "1,7");    // A, now A__fxw
    EXPECT_EQ(back(1, 12), "1,7");   // inside A__fxw: still A, never past it
    EXPECT_EQ(back(1, 37), "1,16");  // B, after the static copy of A
    EXPECT_EQ(back(1, 46), "1,25");  // C
    EXPECT_EQ(back(1, 30), "1,7");   // inside the copy: where A is
    EXPECT_EQ(back(1, 2), "1,2");    // inside the first token
    EXPECT_EQ(back(2, 1), "3,1");    // before the first token of its line
    EXPECT_EQ(back(2, 9), "3,9");    // D
    EXPECT_EQ(back(2, 17), "3,17");  // E
    EXPECT_EQ(back(2, 19), "3,12");  // '+': PAIR
    EXPECT_EQ(back(2, 21), "3,17");  // E again
    EXPECT_EQ(back(9, 1), "4,19");   // past the end: the last token
}

TEST(EffectFrameworkRewrite, GlobalDeclarationsAsDirect3D9ReadsThem) {
    const std::string hlsl =
        "const float k = 2;\n"
        "static const float s = 3;\n"
        "cbuffer B : register(b0) { float4 a : packoffset(c2); };\n"
        "float4 g : register(c1) = 1; float4 after = missing;\n"
        "float4 PS() : COLOR0 { g.x += k; return g + a * s + after; }\n";
    fx::TokenStream tokens = testing_support::ParseEffect(hlsl).hlsl;
    fx::GlobalsRewrite globals;
    std::vector<fx::Message> messages;
    fx::MessageCollector sink(&messages);
    fx::RewriteGlobals(&tokens, &globals, sink);
    EXPECT_TRUE(messages.empty());
    fx::HlslText out = fx::PrintHlsl(tokens);
    const std::string words = Words(out.text);
    EXPECT_EQ(words.find("const float k"), std::string::npos) << words;
    EXPECT_NE(words.find("float k = 2;"), std::string::npos) << words;
    EXPECT_NE(words.find("static const float s = 3;"), std::string::npos) << words;
    EXPECT_NE(words.find("float4 a : register(c2); float4 g__fxw"), std::string::npos) << words;
    EXPECT_NE(words.find("float4 g__fxw : register(c1) = 1; static float4 g; float4 after"),
              std::string::npos)
        << words;
    EXPECT_EQ(globals.written, std::vector<std::string>{"g"});
    // What glslang says after the rewrite is placed where the user wrote it.
    fx::StageSource source;
    source.stage = fx::ShaderStage::Pixel;
    source.entry = "PS";
    source.hlsl = out.text;
    source.map = out.map;
    fx::SpirvModule module;
    std::vector<fx::Message> compiled;
    fx::MessageCollector compiledSink(&compiled);
    EXPECT_FALSE(fx::HlslToSpirv(source, &module, compiledSink));
    ASSERT_FALSE(compiled.empty());
    EXPECT_EQ(compiled[0].line, 4);
    EXPECT_EQ(compiled[0].column, 45);
}

// Global declarations no function names leave the text glslang compiles
// (Direct3D 9 gives them no register): unless an explicit register reserves
// them, or an initial value may be wrong and is glslang's to judge.
TEST(EffectFrameworkRewrite, GlobalsNoCodeNamesLeaveTheText) {
    const struct {
        const char* declaration;
        bool kept;
    } cases[] = {
        {"float4 unused;", false},
        {"float4 unusedWithValue = float4(1, 2, 3, 4);", false},
        {"float4x4 unusedMatrix = 1;", false},
        {"float4 pairA, pairB;", false},
        {"float4 read;", true},
        {"float4 firstUnused, secondRead;", true},
        {"float4 namedByAnUnreachedFunction;", true},
        {"static const int Count = 2;", true},  // the size of a read array
        {"float4 readArray[Count];", true},
        {"float4 readByAStatic;", true},
        {"static float4 readStatic = readByAStatic * 2;", true},
        {"float4 reserved : register(c9);", true},
        {"float4 wrongShape = float3(1, 2, 3);", true},
        {"float4 unknownValue = nowhere;", true},
        {"struct Unused { float4 x; };", true},
    };
    std::string hlsl;
    for (const auto& c : cases) hlsl += std::string(c.declaration) + "\n";
    hlsl += "float4 Other() { return namedByAnUnreachedFunction; }\n"
            "float4 PS() : COLOR0 { return read + secondRead + readArray[1] + readStatic; }\n"
            "technique T { pass P { PixelShader = compile ps_3_0 PS(); } }\n";
    testing_support::ParsedText parsed = testing_support::ParseEffect(hlsl);
    fx::RewrittenEffect out;
    fx::MessageList messages("main.fx");
    fx::RewriteEffect(parsed, &out, messages);
    std::string words = " ";
    words += Words(out.printed.text);
    words += ' ';
    for (const auto& c : cases) {
        std::string declaration = " ";
        declaration += c.declaration;
        declaration += ' ';
        EXPECT_EQ(words.find(declaration) != std::string::npos, c.kept)
            << c.declaration << " in " << words;
    }
    EXPECT_EQ(out.defaults.count("unusedWithValue"), 0u);  // nor its value on the wire
}

// Random token soup through the preprocessor, the parser, both rewrites and
// the printer: the printed text lexes into the same tokens, and the map
// puts each back where it came from.
TEST(EffectFrameworkRewrite, RandomSoupPrintsAsItsTokensAndMapsBack) {
    const char* const pieces[] = {
        "int", "bool2", "uint", "dword", "static", "uniform", "const", "float4", "VS", "PS",
        "(", ")", "{", "}", "[", "]", ",", ";", ":", "=", "<", ">", " ", " ", "\n", "\r\n",
        "//", "/*", "*/", "\"", "'", "\\", "#", "#define X +\n", "X", "POSITION", "1", "0.5",
        "x", "y", "/", "*", "+", "-", ".", "struct", "typedef", "in", "out", "cbuffer",
        "packoffset", "row_major", "column_major", "float4x4", "+=", "++", "{1, 2}",
        "float4(1, 2)", "sampler2D", "#pragma pack_matrix(row_major)\n"};
    std::mt19937 random(1234);
    std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> length(0, 60);
    for (int round = 0; round < 2000; ++round) {
        std::string soup;
        for (int n = length(random); n > 0; --n) soup += pieces[pick(random)];
        testing_support::ParsedText parsed = testing_support::ParseEffect(
            soup + "\ntechnique T { pass P { VertexShader = compile vs_3_0 VS(1); } }");
        fx::TokenStream tokens = parsed.hlsl;
        fx::GlobalsRewrite globals;
        std::vector<fx::Message> messages;
        fx::MessageCollector sink(&messages);
        fx::RewriteGlobals(&tokens, &globals, sink);
        fx::EvaluateInitializers(parsed.initializers, sink);
        if (!parsed.techniques.empty() && !parsed.techniques[0].passes.empty()) {
            const fx::ShaderBinding& b = parsed.techniques[0].passes[0].vertexShader;
            std::vector<std::pair<std::string, std::string>> aliases;
            std::vector<fx::Message> bindErrors;
            fx::MessageCollector bindSink(&bindErrors);
            if (!fx::BindUniformArguments(&tokens, "VS", b.argumentTokens, bindSink, &aliases)) {
                ASSERT_FALSE(bindErrors.empty());
            }
        }
        fx::HlslText out = fx::PrintHlsl(tokens);
        // A string the line ends in is an error already; its text is not
        // printed to be read again.
        bool openString = false;
        for (const fx::Message& m : parsed.messages) openString |= m.text == "unterminated string";
        if (openString) continue;
        std::vector<fx::Token> relexed = fx::Tokenize(out.text);
        ASSERT_EQ(relexed.size(), tokens.tokens.size()) << soup << "\n->\n" << out.text;
        for (size_t i = 0; i < relexed.size(); ++i) {
            const fx::Token& r = relexed[i];
            const fx::SourceToken& t = tokens.tokens[i];
            ASSERT_EQ(out.text.substr(r.begin, r.end - r.begin), tokens.Text(t))
                << soup << "\n->\n" << out.text;
            fx::Message m;
            m.line = static_cast<int>(out.map.entries[i].outLine);
            m.column = static_cast<int>(out.map.entries[i].outColumn);
            out.map.ToUser(&m);
            ASSERT_EQ(m.line, static_cast<int>(t.line));
            ASSERT_EQ(m.column, static_cast<int>(t.column));
        }
    }
}

}  // namespace

namespace {

// Comparisons of matrices are rewritten element by element, each operand
// copied per row: a hostile file of them must neither stall the load nor
// grow its text without bound.
TEST(EffectFrameworkRewrite, HostileMatrixComparisonsStayBounded) {
    std::string nested = "m";
    for (int i = 0; i < 30; ++i) nested = "(" + nested + " < m)";
    std::string chain, nest, bang;
    for (int i = 0; i < 200000; ++i) chain += " < m";
    for (int i = 0; i < 4000; ++i) nest += (i > 0 ? " + " : "") + nested;
    for (int i = 0; i < 30; ++i) bang += "!";
    for (const std::string& expression : {"m" + chain, nest, bang + "m"}) {
        const std::string source = "float4x4 m;\nfloat4 main() : COLOR0 { float4x4 r = " +
                                   expression + "; return r[0]; }\n"
                                   "technique T { pass P { PixelShader = compile ps_3_0 main(); } }\n";
        testing_support::ParsedText parsed = testing_support::ParseEffect(source);
        const double start = testing_support::ThreadCpuSeconds();
        fx::RewrittenEffect out;
        fx::MessageList messages("main.fx");
        fx::RewriteEffect(parsed, &out, messages);
        EXPECT_LT(testing_support::ThreadCpuSeconds() - start, 10.0);
        EXPECT_LE(out.hlsl.tokens.size(), parsed.hlsl.tokens.size() * 4 + 4096 + 65536);
    }
}

}  // namespace
