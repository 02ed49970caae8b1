// The HLSL -> GLSL step on its own: the generated GLSL follows the device's
// conventions where glslang alone would not, and the child process turns
// crashes and hangs into errors.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/fx/server/compiler_wire.h"
#include "tests/support/compile_hlsl.h"

namespace {

using fx::CompiledPass;
using fx::ShaderStage;
using testing_support::CompileShaders;
using testing_support::CompileShadersInChild;
using testing_support::StageRequest;

const std::vector<StageRequest> kPass = {{ShaderStage::Vertex, "vs_main"},
                                         {ShaderStage::Pixel, "ps_main"}};

std::string Messages(const CompiledPass& out) {
    std::string s;
    for (const auto& m : out.messages) {
        s += std::to_string(m.line) + "," + std::to_string(m.column) + ": " + m.text + " (" +
             m.entry + ")\n";
    }
    return s;
}

// The location a GLSL declaration "layout(location = N) in/out TYPE NAME;" has.
// (std::regex trips a false maybe-uninitialized warning of GCC 12 under ASan.)
int LocationOf(const std::string& glsl, const std::string& direction, const std::string& name) {
    const std::string prefix = "layout(location = ";
    for (size_t at = glsl.find(prefix); at != std::string::npos; at = glsl.find(prefix, at + 1)) {
        size_t end = glsl.find('\n', at);
        std::string line = glsl.substr(at, end == std::string::npos ? end : end - at);
        int location = std::atoi(line.c_str() + prefix.size());
        size_t close = line.find(") ");
        if (close == std::string::npos) continue;
        std::string rest = line.substr(close + 2);  // "in vec4 name;"
        if (rest.rfind(direction + " ", 0) != 0) continue;
        size_t space = rest.find(' ', direction.size() + 1);
        if (space != std::string::npos && rest.substr(space + 1) == name + ";") return location;
    }
    return -1;
}

TEST(EffectCompiler, ReturnedStructPositionBecomesGlPosition) {
    const std::string hlsl =
        "struct VSOut { float4 color : COLOR0; float4 pos : POSITION; };\n"
        "VSOut vs_main(float3 p : POSITION, float4 c : COLOR0) {\n"
        "    VSOut o; o.pos = float4(p, 1.0); o.color = c; return o; }\n"
        "float4 ps_main(float4 c : COLOR0) : COLOR0 { return c; }\n";
    CompiledPass out = CompileShaders(hlsl, kPass);
    ASSERT_TRUE(out.ok) << Messages(out);
    const std::string& vs = out.glsl[0];
    EXPECT_NE(vs.find("gl_Position = "), std::string::npos) << vs;
    EXPECT_EQ(vs.find("out vec4 _entryPointOutput_pos"), std::string::npos) << vs;
    // Depth [0, 1] of Direct3D to OpenGL's [-1, 1].
    EXPECT_NE(vs.find("gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;"), std::string::npos);
    EXPECT_EQ(LocationOf(vs, "out", "_entryPointOutput_color"), 0) << vs;
}

TEST(EffectCompiler, VaryingsMeetBySemanticNotByOrder) {
    // The pixel shader declares its inputs in another order and skips one.
    const std::string hlsl =
        "struct VSOut { float4 pos : POSITION; float4 a : TEXCOORD1; float4 b : COLOR0;\n"
        "               float4 c : TEXCOORD0; float4 n : NORMAL; };\n"
        "VSOut vs_main(float3 p : POSITION, float4 t : TEXCOORD0) {\n"
        "    VSOut o; o.pos = float4(p, 1.0); o.a = t; o.b = t.yxzw; o.c = t.zzzz; o.n = t;\n"
        "    return o; }\n"
        "float4 ps_main(float4 n : NORMAL, float4 c : TEXCOORD0, float4 a : TEXCOORD1) : COLOR0 {\n"
        "    return a + c * 2.0 + n; }\n";
    CompiledPass out = CompileShaders(hlsl, kPass);
    ASSERT_TRUE(out.ok) << Messages(out);
    const std::string& vs = out.glsl[0];
    const std::string& ps = out.glsl[1];
    EXPECT_EQ(LocationOf(vs, "out", "_entryPointOutput_b"), 0) << vs;
    EXPECT_EQ(LocationOf(vs, "out", "_entryPointOutput_c"), 2) << vs;
    EXPECT_EQ(LocationOf(vs, "out", "_entryPointOutput_a"), 3) << vs;
    EXPECT_EQ(LocationOf(ps, "in", "c"), 2) << ps;
    EXPECT_EQ(LocationOf(ps, "in", "a"), 3) << ps;
    int normal = LocationOf(ps, "in", "n");
    EXPECT_GE(normal, 18) << ps;
    EXPECT_EQ(LocationOf(vs, "out", "_entryPointOutput_n"), normal) << vs;
}

TEST(EffectCompiler, ConstantsAreIndexedByRegisterInEachStage) {
    // Registers going backwards in declaration order, and a matrix.
    const std::string hlsl =
        "float4 a : register(c0);\n"
        "float4 b : register(c10);\n"
        "float4 c : register(c2);\n"
        "float4x4 m : register(c4);\n"
        "float4 vs_main(float3 p : POSITION) : POSITION { return mul(m, float4(p, 1.0)) + a; }\n"
        "float4 ps_main() : COLOR0 { return b + c; }\n";
    CompiledPass out = CompileShaders(hlsl, kPass);
    ASSERT_TRUE(out.ok) << Messages(out);
    const std::string& vs = out.glsl[0];
    const std::string& ps = out.glsl[1];
    EXPECT_NE(vs.find("uniform vec4 vs_c[11];"), std::string::npos) << vs;
    EXPECT_NE(vs.find("mat4(vs_c[4], vs_c[5], vs_c[6], vs_c[7]) * "), std::string::npos) << vs;
    EXPECT_NE(vs.find("vs_c[0]"), std::string::npos) << vs;
    EXPECT_NE(ps.find("uniform vec4 ps_c[11];"), std::string::npos) << ps;
    EXPECT_NE(ps.find("ps_c[10] + ps_c[2]"), std::string::npos) << ps;
    EXPECT_EQ(ps.find("vs_c"), std::string::npos) << ps;
}

TEST(EffectCompiler, VertexInputsSitWhereTheStreamPutsThem) {
    const std::string hlsl =
        "float4 vs_main(float4 t : TEXCOORD, float4 c : COLOR, float3 p : POSITION0) : POSITION\n"
        "{ return float4(p, 1.0) + t + c; }\n";
    CompiledPass out = CompileShaders(hlsl, {{ShaderStage::Vertex, "vs_main"}});
    ASSERT_TRUE(out.ok) << Messages(out);
    EXPECT_EQ(LocationOf(out.glsl[0], "in", "p"), 0) << out.glsl[0];
    EXPECT_EQ(LocationOf(out.glsl[0], "in", "c"), 1);
    EXPECT_EQ(LocationOf(out.glsl[0], "in", "t"), 2);
}

TEST(EffectCompiler, ShadersAskingForMoreThanTheDeviceHasFail) {
    struct Case {
        const char* hlsl;
        const char* expected;
    } cases[] = {
        {"float4 vs_main(float3 p : POSITION, float3 n : NORMAL) : POSITION\n"
         "{ return float4(p + n, 1.0); }\n",
         "vertex input 'n' has semantic 'NORMAL', which the vertex stream does not carry"},
        {"float4 far : register(c260);\n"
         "float4 vs_main(float3 p : POSITION) : POSITION { return float4(p, 1.0) + far; }\n",
         "constant 'far' at register c260 reaches past c255"},
        {"float4 vs_main(float3 p : POSITION) : POSITION { return float4(p, 1.0); }\n",
         "entry point 'vs_other' not found"},
    };
    for (const auto& c : cases) {
        const std::string entry =
            std::string(c.expected).find("vs_other") != std::string::npos ? "vs_other" : "vs_main";
        CompiledPass out = CompileShaders(c.hlsl, {{ShaderStage::Vertex, entry}});
        EXPECT_FALSE(out.ok);
        EXPECT_TRUE(out.glsl.empty());
        EXPECT_NE(Messages(out).find(c.expected), std::string::npos) << Messages(out);
    }
}

TEST(EffectCompiler, GlslangMessagesBecomeLinesAndColumns) {
    const std::string hlsl =
        "float4 vs_main(float3 p : POSITION) : POSITION\n"
        "{\n"
        "    return float4(p, 1.0) * missing;\n"
        "}\n";
    CompiledPass out = CompileShaders(hlsl, {{ShaderStage::Vertex, "vs_main"}});
    ASSERT_FALSE(out.ok);
    ASSERT_FALSE(out.messages.empty());
    EXPECT_TRUE(out.messages[0].IsError());
    EXPECT_EQ(out.messages[0].line, 3);
    EXPECT_EQ(out.messages[0].column, 29);
    EXPECT_EQ(out.messages[0].text, "'missing': unknown variable");
    EXPECT_EQ(out.messages[0].entry, "vs_main");
}

// >> isolation

int OpenDescriptors() {
    int count = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d)) ++count;
        closedir(d);
    }
    return count;
}

// How many files a process has open.
int DescriptorsOf(pid_t pid) {
    int count = 0;
    if (DIR* d = opendir(("/proc/" + std::to_string(pid) + "/fd").c_str())) {
        while (dirent* e = readdir(d)) count += e->d_name[0] != '.';
        closedir(d);
    }
    return count;
}

// The children of a process, from /proc.
std::vector<pid_t> ChildrenOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) +
                     "/children");
    std::vector<pid_t> children;
    for (pid_t child = 0; in >> child;) children.push_back(child);
    return children;
}

// The name a process gave itself.
std::string NameOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

// This process has no child but the compiler server, and the server none but
// its spare, idle, holding only its channel: no worker left, not even a
// zombie, and no descriptor. (The server reaps the last worker and forks
// the spare after it answered, so give it a moment: a long one on a busy
// machine.)
void ExpectOnlyTheServerLeft() {
    const pid_t server = fx::CompilerServerPid();
    ASSERT_NE(server, 0);
    // A process just ended may stay a child for a moment on a busy machine:
    // wait for what must come, then say what is left.
    const auto settled = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    std::vector<pid_t> children = ChildrenOf(server);
    while (std::chrono::steady_clock::now() < settled &&
           (ChildrenOf(getpid()) != std::vector<pid_t>{server} || children.size() != 1 ||
            NameOf(children[0]) != "fx-spare" ||
            DescriptorsOf(children[0]) != 4 || DescriptorsOf(server) != 5)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        children = ChildrenOf(server);
    }
    EXPECT_EQ(ChildrenOf(getpid()), std::vector<pid_t>{server});
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(NameOf(children[0]), "fx-spare");
    // Standard input, output and error, and the channel between them; the
    // server also has its socket.
    EXPECT_EQ(DescriptorsOf(children[0]), 4);
    EXPECT_EQ(DescriptorsOf(server), 5);
}

// Waits until a process is a child of parent.
pid_t WaitForChild(pid_t parent, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        std::vector<pid_t> children = ChildrenOf(parent);
        if (!children.empty()) return children.front();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
}

// A line of /proc/PID/limits: "Max core file size  0  0  bytes".
std::string Limit(pid_t pid, const std::string& name) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/limits");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(name, 0) == 0) {
            std::istringstream values(line.substr(name.size()));
            std::string soft;
            values >> soft;
            return soft;
        }
    }
    return "?";
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

// A time limit no fault test should reach, however busy the machine: the
// memory limit or the fault ends the compile in a few CPU seconds.
constexpr int kFarTimeLimitMs = 300000;

const std::string kGood =
    "float4 vs_main(float3 p : POSITION) : POSITION { return float4(p, 1.0); }\n"
    "float4 ps_main() : COLOR0 { return 1.0; }\n";

TEST(EffectCompilerIsolation, ChildGivesTheSameAnswerAsInProcess) {
    CompiledPass here = CompileShaders(kGood, kPass);
    CompiledPass child = CompileShadersInChild(kGood, kPass);
    ASSERT_TRUE(child.ok) << Messages(child);
    EXPECT_EQ(child.glsl, here.glsl);
}

// The request carries each stage's map back to the user's files whole; a
// cut request, or a map entry naming a file the map does not have, is
// refused rather than read.
TEST(EffectCompilerIsolation, TheRequestCarriesTheMapAndRefusesABrokenOne) {
    fx::CompileRequest request;
    fx::StageSource s;
    s.entry = "ps_main";
    s.hlsl = "float4 ps_main() : COLOR0 { return 1; }\n";
    s.map.files = {"", "lib/common.fxh"};
    s.map.entries = {{1, 1, 7, 3, 1, true}, {1, 8, 2, 9, 0, false}};
    request.sources.stages = {s, s};
    std::string data = fx::EncodeRequest(request);
    fx::CompileRequest back;
    ASSERT_TRUE(fx::DecodeRequest(data, &back));
    ASSERT_EQ(back.sources.stages.size(), 2u);
    const fx::SourceMap& map = back.sources.stages[1].map;
    EXPECT_EQ(map.files, s.map.files);
    ASSERT_EQ(map.entries.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const fx::SourceMap::Entry& a = map.entries[i];
        const fx::SourceMap::Entry& b = s.map.entries[i];
        EXPECT_EQ(std::tie(a.outLine, a.outColumn, a.line, a.column, a.file, a.exact),
                  std::tie(b.outLine, b.outColumn, b.line, b.column, b.file, b.exact));
    }
    for (size_t cut = 0; cut < data.size(); ++cut) {
        fx::CompileRequest partial;
        ASSERT_FALSE(fx::DecodeRequest(std::string_view(data).substr(0, cut), &partial)) << cut;
    }
    s.map.entries[1].file = 2;
    request.sources.stages = {s};
    EXPECT_FALSE(fx::DecodeRequest(fx::EncodeRequest(request), &back));
}

TEST(EffectCompilerIsolation, FaultsNameTheEntryPointAndLeaveNothingBehind) {
    ASSERT_TRUE(CompileShadersInChild(kGood, kPass).ok);  // the server runs from here on
    const struct {
        fx::ChildFault fault;
        int stage;
        int timeLimitMs;
        std::string says;
        bool needsAddressLimit;
    } cases[] = {
        // A limit far past what the fault needs, so that a busy machine can
        // only make it slower, never reach the clock first.
        {fx::ChildFault::Crash, 1, kFarTimeLimitMs,
         "the shader compiler crashed (signal 11) while compiling ps_main", false},
        {fx::ChildFault::Hang, 0, 300,
         "the shader compiler did not finish within 300 ms while compiling vs_main and was "
         "stopped",
         false},
        {fx::ChildFault::Allocate, 1, kFarTimeLimitMs,
         "the shader compiler ran out of memory (it may take 1024 MB) while compiling ps_main",
         true},
    };
    for (const auto& c : cases) {
        if (c.needsAddressLimit && kAddressSanitizer) continue;
        SCOPED_TRACE(c.says);
        const int fds = OpenDescriptors();
        fx::SetChildFaultForTesting(c.fault, c.stage);
        auto start = std::chrono::steady_clock::now();
        CompiledPass out = CompileShadersInChild(kGood, kPass, c.timeLimitMs);
        auto took = std::chrono::steady_clock::now() - start;
        fx::SetChildFaultForTesting(fx::ChildFault::None);
        EXPECT_FALSE(out.ok);
        ASSERT_EQ(out.messages.size(), 1u) << Messages(out);
        EXPECT_EQ(out.messages[0].text, c.says);
        // Said at the compile statement of the stage it stopped in (the
        // test's sources put every one at line 99).
        EXPECT_EQ(out.messages[0].line, 99);
        // The clock's limit is waited for; how much longer a loaded machine
        // takes is not this test's to say (the message says which limit).
        if (c.fault == fx::ChildFault::Hang) {
            EXPECT_GE(took, std::chrono::milliseconds(c.timeLimitMs));
        }
        EXPECT_EQ(OpenDescriptors(), fds);
        ExpectOnlyTheServerLeft();
        // And the next compile works.
        EXPECT_TRUE(CompileShadersInChild(kGood, kPass).ok);
    }
}

TEST(EffectCompilerIsolation, AMacroThatDoublesThirtyTimesStopsAtTheMemoryLimit) {
    if (kAddressSanitizer) GTEST_SKIP() << "no address-space limit under AddressSanitizer";
    std::string hlsl = "#define M0 p.x +\n";
    for (int i = 1; i <= 30; ++i) {
        hlsl += "#define M" + std::to_string(i) + " M" + std::to_string(i - 1) + " M" +
                std::to_string(i - 1) + "\n";
    }
    hlsl += "float4 vs_main(float3 p : POSITION) : POSITION { return M30 1; }\n";
    CompiledPass out =
        CompileShadersInChild(hlsl, {{ShaderStage::Vertex, "vs_main"}}, kFarTimeLimitMs);
    EXPECT_FALSE(out.ok);
    EXPECT_NE(Messages(out).find("the shader compiler ran out of memory"), std::string::npos)
        << Messages(out);
    ExpectOnlyTheServerLeft();
}

TEST(EffectCompilerIsolation, ServerAndWorkerDieWithTheProgramAndKeepTheirLimits) {
    // A program of our own (a fork of this test) compiles a pass whose worker
    // hangs; it is killed; its server and worker must go with it (the
    // kernel kills them as it dies: milliseconds on an idle machine; the
    // bound leaves a busy one room). Orphans come to this process, so that
    // it can see them go.
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    pid_t program = fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        fx::SetChildFaultForTesting(fx::ChildFault::Hang, 0);
        CompileShadersInChild(kGood, kPass, 60000);
        _exit(0);
    }
    // The server's only child is its spare, which took the request: the
    // busy worker, with a CPU limit from the request's 60 s.
    const pid_t server = WaitForChild(program, 60000);
    const pid_t worker = server != 0 ? WaitForChild(server, 60000) : 0;
    EXPECT_NE(worker, 0);
    // Standard input, output and error, and the socket to the program and
    // the channel between server and worker: none of the program's files.
    // (Each gets there a few microseconds after it appears.)
    for (auto [pid, files, name] :
         {std::tuple{server, 5, "fx-compiler"}, std::tuple{worker, 4, "fx-worker"}}) {
        if (pid == 0) continue;
        auto settled = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < settled &&
               (DescriptorsOf(pid) != files || NameOf(pid) != name ||
                Limit(pid, "Max cpu time") == "unlimited" ||
                (!kAddressSanitizer && Limit(pid, "Max address space") == "unlimited"))) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_EQ(DescriptorsOf(pid), files) << pid;
        EXPECT_EQ(NameOf(pid), name) << pid;
        EXPECT_EQ(Limit(pid, "Max core file size"), "0") << pid;
        EXPECT_NE(Limit(pid, "Max cpu time"), "unlimited") << pid;
        if (!kAddressSanitizer) {
            EXPECT_NE(Limit(pid, "Max address space"), "unlimited") << pid;
        }
    }
    if (worker != 0) {
        EXPECT_EQ(ChildrenOf(server), std::vector<pid_t>{worker});
        const int cpuSeconds = std::atoi(Limit(worker, "Max cpu time").c_str());
        EXPECT_TRUE(cpuSeconds >= 60 && cpuSeconds < 70) << cpuSeconds;
    }

    kill(program, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(program, &status, 0), program);
    // The kernel ends them as the program dies; a busy machine may take a
    // while to get round to it, so the wait is long.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    std::vector<pid_t> left = {server, worker};
    while (!left.empty() && std::chrono::steady_clock::now() < deadline) {
        std::erase_if(left, [](pid_t pid) {
            return pid == 0 || waitpid(pid, nullptr, WNOHANG) == pid;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(left.empty()) << "still running thirty seconds after the program died";
    for (pid_t pid : left) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    prctl(PR_SET_CHILD_SUBREAPER, 0);
}

TEST(EffectCompilerIsolation, ASpareOrAServerThatDiedIsReplaced) {
    ASSERT_TRUE(CompileShadersInChild(kGood, kPass).ok);
    ExpectOnlyTheServerLeft();
    // A spare killed while it waits: the compile still gets a worker, and a
    // new spare follows.
    const std::vector<pid_t> spare = ChildrenOf(fx::CompilerServerPid());
    ASSERT_EQ(spare.size(), 1u);
    kill(spare[0], SIGKILL);
    CompiledPass afterSpare = CompileShadersInChild(kGood, kPass);
    EXPECT_TRUE(afterSpare.ok) << Messages(afterSpare);
    ExpectOnlyTheServerLeft();
    EXPECT_NE(ChildrenOf(fx::CompilerServerPid()), spare);

    const pid_t first = fx::CompilerServerPid();
    ASSERT_NE(first, 0);
    kill(first, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    CompiledPass out = CompileShadersInChild(kGood, kPass);
    EXPECT_TRUE(out.ok) << Messages(out);
    EXPECT_NE(fx::CompilerServerPid(), first);
    ExpectOnlyTheServerLeft();

    // Stopped, nothing is left at all; the next compile starts another.
    const int fds = OpenDescriptors();
    fx::StopCompilerServer();
    EXPECT_EQ(fx::CompilerServerPid(), 0);
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);  // no child at all
    EXPECT_EQ(OpenDescriptors(), fds - 1);        // its socket
    EXPECT_TRUE(CompileShadersInChild(kGood, kPass).ok);
}

TEST(EffectCompilerIsolation, TheLoadersTimeLimitIsTenSeconds) {
    // Long enough for a large effect on a slow, shared machine under the
    // sanitizers; short enough that a hung glslang costs one wait, not the
    // program. The loader passes exactly this limit.
    EXPECT_EQ(fx::kCompilerTimeLimitMs, 10000);
}

}  // namespace
