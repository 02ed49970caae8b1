// The size bound of stage 5: each shader's Direct3D 9 instruction slots,
// estimated from its SPIR-V, against what its profile can hold. Shaders a
// profile holds pass; one far beyond it is refused at its compile
// statement, whether its size is in the text or hidden in calls.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/compile_hlsl.h"

namespace {

using fx::ShaderStage;

// n copies of a line.
std::string Times(int n, const std::string& line) {
    std::string s;
    for (int i = 0; i < n; ++i) s += line;
    return s;
}

// f0 transforms once; each fK calls f(K-1) twice: fN is 2^N transforms in
// a few lines of text.
std::string CallTree(int depth) {
    std::string s = "float4x4 M : register(c4);\n"
                    "float4 f0(float4 v) { return mul(M, v); }\n";
    for (int k = 1; k <= depth; ++k) {
        s += "float4 f" + std::to_string(k) + "(float4 v) { return f" + std::to_string(k - 1) +
             "(f" + std::to_string(k - 1) + "(v)); }\n";
    }
    return s + "float4 vs_main(float4 p : POSITION) : POSITION { return f" +
           std::to_string(depth) + "(p); }\n";
}

const std::string kTransforms =
    "float4x4 M : register(c4);\n"
    "float4 vs_main(float4 p : POSITION) : POSITION {\n";

TEST(InstructionSlots, ShadersThatFitPassAndOnesFarBeyondAreRefusedAtTheirCompileStatement) {
    const struct {
        const char* what;
        const char* profile;
        ShaderStage stage;
        std::string hlsl;
        int64_t minSlots;  // the estimate lies within [min, max]
        int64_t maxSlots;
        bool refused;
    } cases[] = {
        {"one transform", "vs_2_0", ShaderStage::Vertex,
         kTransforms + "return mul(M, p); }\n", 4, 8, false},
        {"100 transforms: four slots each", "vs_3_0", ShaderStage::Vertex,
         kTransforms + Times(100, "p = mul(M, p);\n") + "return p; }\n", 400, 420, false},
        {"1100 transforms: past shader model 3's bound", "vs_3_0", ShaderStage::Vertex,
         kTransforms + Times(1100, "p = mul(M, p);\n") + "return p; }\n", 4400, 4420, true},
        {"the same is far beyond vs_2_0 sooner", "vs_2_0", ShaderStage::Vertex,
         kTransforms + Times(600, "p = mul(M, p);\n") + "return p; }\n", 2400, 2420, true},
        {"2^11 transforms hidden in calls", "vs_3_0", ShaderStage::Vertex, CallTree(11), 8192, 8300,
         true},
        {"2^8 of them pass", "vs_3_0", ShaderStage::Vertex, CallTree(8), 1024, 1100, false},
        {"a loop body counts once", "vs_3_0", ShaderStage::Vertex,
         kTransforms + "for (int i = 0; i < 5000; i++) p = mul(M, p);\nreturn p; }\n", 4, 16,
         false},
        {"sin is eight slots", "vs_2_0", ShaderStage::Vertex,
         "float4 vs_main(float4 p : POSITION) : POSITION {\n" +
             Times(300, "p.x = sin(p.x);\n") + "return p; }\n",
         2400, 2420, true},
        {"a ps_2_0 shader of 25 samples and sums: three slots each", "ps_2_0",
         ShaderStage::Pixel,
         "sampler2D S;\nfloat4 ps_main(float2 t : TEXCOORD0) : COLOR0 { float4 c = 0;\n" +
             Times(25, "c += tex2D(S, t) * c.x;\n") + "return c; }\n",
         75, 80, false},
        {"ps_2_0 with 400 of them", "ps_2_0", ShaderStage::Pixel,
         "sampler2D S;\nfloat4 ps_main(float2 t : TEXCOORD0) : COLOR0 { float4 c = 0;\n" +
             Times(400, "c += tex2D(S, t + c.xy);\n") + "return c; }\n",
         1200, 1210, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string entry = c.stage == ShaderStage::Vertex ? "vs_main" : "ps_main";
        // The estimate itself, without a bound.
        fx::CompiledPass free = testing_support::CompileShaders(c.hlsl, {{c.stage, entry}});
        ASSERT_TRUE(free.ok) << (free.messages.empty() ? "" : free.messages[0].text);
        EXPECT_GE(free.slots, c.minSlots);
        EXPECT_LE(free.slots, c.maxSlots);

        fx::CompiledPass bound =
            testing_support::CompileShaders(c.hlsl, {{c.stage, entry, c.profile}});
        EXPECT_EQ(bound.ok, !c.refused);
        if (!c.refused) continue;
        ASSERT_EQ(bound.messages.size(), 1u);
        const fx::Message& m = bound.messages[0];
        EXPECT_TRUE(m.IsError());
        EXPECT_EQ(m.line, 99);  // the compile statement's
        EXPECT_EQ(m.column, 5);
        EXPECT_EQ(m.entry, entry);
        EXPECT_NE(m.text.find("shader too large: about " + std::to_string(free.slots) +
                              " instruction slots, far more than " + c.profile + " can hold"),
                  std::string::npos)
            << m.text;
    }
}

}  // namespace
