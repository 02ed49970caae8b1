// HLSL -> SPIR-V (glslang) -> GLSL 4.50 (SPIRV-Cross), and the child process
// that keeps a crashing or hanging glslang away from the program.
//
// Traps this file works around (all seen with Debian 12's glslang 12):
// - A POSITION member of a returned struct is an ordinary output in DX9 mode;
//   it is turned into the Position built-in before cross-compiling.
// - Stage inputs and outputs are numbered in declaration order; they are
//   renumbered by semantic so that the two stages meet as Direct3D 9 links them.
// - $Global keeps declaration order even when registers go backwards, which
//   GLSL offsets reject; it is flattened into a vec4 array indexed by register.
// - SPIRV-Cross throws; every exception stops at this file's boundary.

#include "platform/fx/shader_compiler.h"

#include "platform/shader_conventions.h"

#include <fcntl.h>
#include <glslang/MachineIndependent/localintermediate.h>
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>
#include <poll.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <spirv_cross/spirv_glsl.hpp>
#include <string_view>

namespace fx {
namespace {

// >> messages

CompileMessage Warning(std::string text, const std::string& entry) {
    return CompileMessage{false, 0, 0, std::move(text), entry, false, ""};
}

CompileMessage Error(std::string text, const std::string& entry, int line = 0, int column = 0) {
    return CompileMessage{true, line, column, std::move(text), entry, false, ""};
}

std::string_view LineOf(const std::string& source, int line) {
    size_t start = 0;
    for (int n = 1; n < line; ++n) {
        size_t end = source.find('\n', start);
        if (end == std::string::npos) return {};
        start = end + 1;
    }
    size_t end = source.find('\n', start);
    if (end == std::string::npos) end = source.size();
    return std::string_view(source).substr(start, end - start);
}

// glslang reports lines only. Its messages start with the offending token in
// quotes; where that token appears on the line, its column is the best guess.
int GuessColumn(const std::string& source, int line, const std::string& text) {
    if (text.size() > 2 && text[0] == '\'') {
        size_t close = text.find('\'', 1);
        if (close != std::string::npos && close > 1) {
            std::string token = text.substr(1, close - 1);
            size_t at = LineOf(source, line).find(token);
            if (at != std::string_view::npos) return static_cast<int>(at) + 1;
        }
    }
    return 1;
}

// "ERROR: 0:12: 'x' : undeclared identifier" -> a message at line 12.
// Summary lines ("1 compilation errors.  No code generated.") are dropped.
void TranslateInfoLog(const std::string& log, const std::string& source, const std::string& entry,
                      std::vector<CompileMessage>* out,
                      const std::vector<IncludeText>* includes = nullptr) {
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        if (end == std::string::npos) end = log.size();
        std::string line = log.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line.empty()) continue;

        bool error = true;
        static const struct {
            const char* prefix;
            bool error;
        } kPrefixes[] = {{"INTERNAL ERROR: ", true},
                         {"UNIMPLEMENTED: ", true},
                         {"ERROR: ", true},
                         {"WARNING: ", false},
                         {"NOTE: ", false}};
        for (const auto& p : kPrefixes) {
            if (line.rfind(p.prefix, 0) == 0) {
                error = p.error;
                line.erase(0, std::strlen(p.prefix));
                break;
            }
        }
        if (line.find("compilation errors.") != std::string::npos ||
            line.find("compilation warnings.") != std::string::npos) {
            continue;
        }

        // "STRING:LINE: rest" where either number may be '?'.
        int lineNo = 0;
        std::string fileName;
        const std::string* fileText = &source;
        size_t colon1 = line.find(':');
        size_t colon2 = colon1 == std::string::npos ? colon1 : line.find(':', colon1 + 1);
        if (colon2 != std::string::npos && colon1 > 0 && colon2 > colon1 + 1) {
            std::string file = line.substr(0, colon1);
            std::string num = line.substr(colon1 + 1, colon2 - colon1 - 1);
            bool fileOk = file == "?" || std::all_of(file.begin(), file.end(), ::isdigit);
            // Inside an included file glslang names it instead of numbering it.
            if (!fileOk && includes != nullptr) {
                for (const IncludeText& inc : *includes) {
                    if (inc.name == file) {
                        fileOk = true;
                        fileName = file;
                        fileText = &inc.text;
                    }
                }
            }
            bool numOk = num == "?" || std::all_of(num.begin(), num.end(), ::isdigit);
            if (fileOk && numOk) {
                if (num != "?") lineNo = std::atoi(num.c_str());
                line.erase(0, colon2 + 1);
                while (!line.empty() && line.front() == ' ') line.erase(0, 1);
            }
        }
        // "'x' : message" reads better as "'x': message", and "'' : message"
        // as the message alone.
        size_t sep = line.find("' : ");
        if (!line.empty() && line[0] == '\'' && sep != std::string::npos) line.erase(sep + 1, 1);
        if (line.rfind("'': ", 0) == 0) line.erase(0, 4);

        int column = lineNo > 0 ? GuessColumn(*fileText, lineNo, line) : 0;
        // The HLSL grammar's own summary carries a real column:
        // "(3): error at column 39, HLSL parsing failed."
        int l = 0, c = 0, used = 0;
        if (lineNo == 0 &&
            std::sscanf(line.c_str(), "(%d): error at column %d, %n", &l, &c, &used) == 2 &&
            used > 0) {
            lineNo = l;
            column = c;
            line.erase(0, static_cast<size_t>(used));
        }
        // glslang only warns about a missing entry point and then compiles an
        // empty shader; that is an error here.
        if (line.find("Entry point not found") != std::string::npos) {
            error = true;
            line = "entry point '" + entry + "' not found";
            out->push_back(CompileMessage{true, 0, 0, line, entry, true, ""});
            continue;
        }
        out->push_back(CompileMessage{error, lineNo, column, line, entry, false, fileName});
    }
}

// >> glslang

void EnsureGlslang() {
    static std::once_flag once;
    std::call_once(once, [] { glslang::InitializeProcess(); });
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// "TEXCOORD3" -> ("TEXCOORD", 3); "COLOR" -> ("COLOR", 0).
std::pair<std::string, int> SplitSemantic(const std::string& semantic) {
    std::string s = Upper(semantic);
    size_t digits = s.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(s[digits - 1]))) --digits;
    int index = digits < s.size() ? std::atoi(s.c_str() + digits) : 0;
    return {s.substr(0, digits), index};
}

// Globals that name no register are packed after the previous one by glslang,
// where Direct3D would take the first free register: worth a warning.
void WarnAboutGlobalsWithoutRegister(const glslang::TShader& shader, const std::string& entry,
                                     std::vector<CompileMessage>* out) {
    const glslang::TIntermediate* im = shader.getIntermediate();
    if (!im || !im->getTreeRoot()) return;
    glslang::TIntermAggregate* root = im->getTreeRoot()->getAsAggregate();
    if (!root) return;
    for (TIntermNode* node : root->getSequence()) {
        glslang::TIntermAggregate* objects = node->getAsAggregate();
        if (!objects || objects->getOp() != glslang::EOpLinkerObjects) continue;
        for (TIntermNode* object : objects->getSequence()) {
            glslang::TIntermSymbol* symbol = object->getAsSymbolNode();
            // The block itself is anonymous; its type carries the name.
            if (!symbol || !symbol->getType().isStruct() ||
                symbol->getType().getTypeName() != "$Global") {
                continue;
            }
            const glslang::TTypeList* members = symbol->getType().getStruct();
            if (!members) continue;
            for (const glslang::TTypeLoc& member : *members) {
                if (member.type->getQualifier().hasOffset()) continue;
                std::string name(member.type->getFieldName().c_str());
                // Globals of an included file are placed in that file.
                std::string file = member.loc.name != nullptr ? member.loc.name->c_str() : "";
                out->push_back(CompileMessage{
                    false, member.loc.line, member.loc.column,
                    "global '" + name +
                        "' has no register(cN); it is placed after the previous global, "
                        "not in the first free register",
                    entry, false, file});
            }
        }
    }
}

// Serves #include from the texts the effect loader read (it never touches
// the file system here: the loader resolved every name already).
class IncludeServer final : public glslang::TShader::Includer {
public:
    explicit IncludeServer(const std::vector<IncludeText>& includes) : includes_(includes) {}
    IncludeResult* includeLocal(const char* name, const char*, size_t depth) override {
        return Find(name, depth);
    }
    IncludeResult* includeSystem(const char* name, const char*, size_t depth) override {
        return Find(name, depth);
    }
    void releaseInclude(IncludeResult* result) override { delete result; }

private:
    IncludeResult* Find(const char* name, size_t depth) {
        if (name == nullptr || depth > 32) return nullptr;
        for (const IncludeText& inc : includes_) {
            if (inc.name == name) {
                return new IncludeResult(inc.name, inc.text.data(), inc.text.size(), nullptr);
            }
        }
        return nullptr;
    }
    const std::vector<IncludeText>& includes_;
};

struct SpirvModule {
    ShaderStage stage;
    std::string entry;
    std::vector<uint32_t> words;
};

bool CompileToSpirv(const std::string& hlsl, const StageRequest& request, SpirvModule* module,
                    std::vector<CompileMessage>* messages,
                    const std::vector<IncludeText>& includes = {}) {
    EShLanguage language = request.stage == ShaderStage::Vertex ? EShLangVertex : EShLangFragment;
    const auto flags =
        static_cast<EShMessages>(EShMsgSpvRules | EShMsgReadHlsl | EShMsgHlslDX9Compatible);

    glslang::TShader shader(language);
    const char* text = hlsl.c_str();
    const int length = static_cast<int>(hlsl.size());
    shader.setStringsWithLengths(&text, &length, 1);
    shader.setEntryPoint(request.entry.c_str());
    shader.setEnvInput(glslang::EShSourceHlsl, language, glslang::EShClientOpenGL, 100);
    shader.setEnvClient(glslang::EShClientOpenGL, glslang::EShTargetOpenGL_450);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    shader.setEnvTargetHlslFunctionality1();

    IncludeServer includer(includes);
    bool parsed = shader.parse(GetDefaultResources(), 100, false, flags, includer);
    TranslateInfoLog(shader.getInfoLog(), hlsl, request.entry, messages, &includes);
    if (!parsed) return false;
    WarnAboutGlobalsWithoutRegister(shader, request.entry, messages);

    glslang::TProgram program;
    program.addShader(&shader);
    bool linked = program.link(flags);
    size_t before = messages->size();
    TranslateInfoLog(program.getInfoLog(), hlsl, request.entry, messages, &includes);
    if (!linked) return false;
    for (size_t i = before; i < messages->size(); ++i) {
        if ((*messages)[i].error) return false;
    }

    spv::SpvBuildLogger logger;
    glslang::SpvOptions options;
    glslang::GlslangToSpv(*program.getIntermediate(language), module->words, &logger, &options);
    std::string spvLog = logger.getAllMessages();
    if (spvLog.find("Missing functionality") != std::string::npos) {
        while (!spvLog.empty() && spvLog.back() == '\n') spvLog.pop_back();
        for (char& c : spvLog) {
            if (c == '\n') c = ';';
        }
        messages->push_back(Error("glslang cannot translate this shader to SPIR-V (" + spvLog +
                                      "); rewrite the construct it names",
                                  request.entry));
        return false;
    }
    module->stage = request.stage;
    module->entry = request.entry;
    return true;
}

// >> SPIRV-Cross

// Attribute locations 0-2 are the stream's; other vertex inputs get 3-15.
constexpr int kFirstSpareAttribute = platform::kStreamAttributes;
constexpr int kMaxVertexAttributes = platform::kMaxVertexAttributes;
// Shader model 3 has 256 vertex constant registers; an effect may name them
// all, though the device fills only the first 64.
constexpr int kMaxCompiledRegisters = 256;

// Varyings: COLOR0-1 at 0-1, TEXCOORD0-15 at 2-17, any other semantic after
// that in name order, the same for both stages of the pass.
constexpr int kFirstOtherVarying = 18;
constexpr int kMaxVaryingLocations = 32;

bool IsPositionSemantic(const std::pair<std::string, int>& s) {
    return (s.first == "POSITION" || s.first == "SV_POSITION") && s.second == 0;
}

int VertexInputLocation(const std::pair<std::string, int>& s) {
    if (s.second != 0) return -1;
    if (s.first == "POSITION") return platform::kPositionAttribute;
    if (s.first == "COLOR") return platform::kColorAttribute;
    if (s.first == "TEXCOORD") return platform::kTexcoordAttribute;
    return -1;
}

class VaryingTable {
public:
    void Note(const std::string& semantic) {
        auto s = SplitSemantic(semantic);
        if (Fixed(s) < 0) others_.insert(s.first + std::to_string(s.second));
    }
    int Location(const std::string& semantic) const {
        auto s = SplitSemantic(semantic);
        int fixed = Fixed(s);
        if (fixed >= 0) return fixed;
        auto it = others_.find(s.first + std::to_string(s.second));
        if (it == others_.end()) return -1;
        return kFirstOtherVarying + static_cast<int>(std::distance(others_.begin(), it));
    }

private:
    static int Fixed(const std::pair<std::string, int>& s) {
        if (s.first == "COLOR" && s.second < 2) return s.second;
        if (s.first == "TEXCOORD" && s.second < 16) return 2 + s.second;
        return -1;
    }
    std::set<std::string> others_;
};

struct CrossStage {
    ShaderStage stage;
    std::string entry;
    std::unique_ptr<spirv_cross::CompilerGLSL> compiler;
};

std::string SemanticOf(const spirv_cross::CompilerGLSL& c, spirv_cross::ID id) {
    return c.get_decoration_string(id, spv::DecorationUserSemantic);
}

// Applies the device's conventions to one stage; false (with a message) when
// the shader asks for something the device cannot give it.
bool ApplyConventions(CrossStage& s, const VaryingTable& varyings, const PassRequest& pass,
                      std::vector<CompileMessage>* messages, std::vector<std::string>* samplers) {
    const bool lenient = pass.lenient;
    spirv_cross::CompilerGLSL& c = *s.compiler;
    const bool vertex = s.stage == ShaderStage::Vertex;
    spirv_cross::ShaderResources res = c.get_shader_resources();
    bool ok = true;

    // Inputs the stream does not carry take the spare attribute locations, in
    // name order; the device leaves those attributes disabled.
    std::set<std::string> spareInputs;
    if (vertex && lenient) {
        for (const auto& input : res.stage_inputs) {
            auto split = SplitSemantic(SemanticOf(c, input.id));
            if (VertexInputLocation(split) < 0) {
                spareInputs.insert(split.first + std::to_string(split.second));
            }
        }
    }

    for (const auto& input : res.stage_inputs) {
        std::string semantic = SemanticOf(c, input.id);
        if (vertex) {
            auto split = SplitSemantic(semantic);
            int location = VertexInputLocation(split);
            auto spare = spareInputs.find(split.first + std::to_string(split.second));
            if (location < 0 && spare != spareInputs.end()) {
                location = kFirstSpareAttribute +
                           static_cast<int>(std::distance(spareInputs.begin(), spare));
                if (location >= kMaxVertexAttributes) {
                    messages->push_back(Error("vertex input '" + input.name + "' (" + semantic +
                                                  "): more than " +
                                                  std::to_string(kMaxVertexAttributes) +
                                                  " vertex inputs",
                                              s.entry));
                    ok = false;
                    continue;
                }
                messages->push_back(Warning("vertex input '" + input.name + "' has semantic '" +
                                                semantic +
                                                "', which the vertex stream does not carry; "
                                                "it reads (0, 0, 0, 1)",
                                            s.entry));
            }
            if (location < 0) {
                messages->push_back(Error("vertex input '" + input.name + "' has semantic '" +
                                              semantic +
                                              "', which the vertex stream does not carry "
                                              "(it has POSITION, COLOR0 and TEXCOORD0)",
                                          s.entry));
                ok = false;
                continue;
            }
            c.set_decoration(input.id, spv::DecorationLocation, static_cast<uint32_t>(location));
        } else {
            // A struct shared with the vertex stage brings its POSITION along;
            // the window position is what a pixel shader can have of it.
            const spirv_cross::SPIRType& type = c.get_type(input.type_id);
            auto split = SplitSemantic(semantic);
            const bool windowPosition =
                IsPositionSemantic(split) || (split.first == "VPOS" && split.second == 0);
            if (windowPosition && type.basetype == spirv_cross::SPIRType::Float &&
                type.vecsize == 4 && type.columns == 1 && type.array.empty()) {
                c.unset_decoration(input.id, spv::DecorationLocation);
                c.set_decoration(input.id, spv::DecorationBuiltIn, spv::BuiltInFragCoord);
                continue;
            }
            // Not something a vertex shader writes: reading zero would be a lie.
            if (split.first == "VPOS" || split.first == "VFACE") {
                messages->push_back(Error("pixel input '" + input.name + "' has semantic '" +
                                              semantic +
                                              "', which is not supported (a float4 VPOS or "
                                              "POSITION input gives the window position)",
                                          s.entry));
                ok = false;
                continue;
            }
            int location = varyings.Location(semantic);
            if (location < 0 || location >= kMaxVaryingLocations) {
                messages->push_back(Error("pixel input '" + input.name + "' has semantic '" +
                                              semantic + "', which cannot be passed on",
                                          s.entry));
                ok = false;
                continue;
            }
            c.set_decoration(input.id, spv::DecorationLocation, static_cast<uint32_t>(location));
        }
    }

    for (const auto& output : res.stage_outputs) {
        std::string semantic = SemanticOf(c, output.id);
        auto split = SplitSemantic(semantic);
        if (vertex) {
            if (IsPositionSemantic(split)) {
                c.unset_decoration(output.id, spv::DecorationLocation);
                c.set_decoration(output.id, spv::DecorationBuiltIn, spv::BuiltInPosition);
                continue;
            }
            if (split.first == "PSIZE") {
                c.unset_decoration(output.id, spv::DecorationLocation);
                c.set_decoration(output.id, spv::DecorationBuiltIn, spv::BuiltInPointSize);
                continue;
            }
            int location = varyings.Location(semantic);
            if (location < 0 || location >= kMaxVaryingLocations) {
                messages->push_back(Error("vertex output '" + output.name + "' has semantic '" +
                                              semantic + "', which cannot be passed on",
                                          s.entry));
                ok = false;
                continue;
            }
            c.set_decoration(output.id, spv::DecorationLocation, static_cast<uint32_t>(location));
        } else {
            const spirv_cross::SPIRType& type = c.get_type(output.type_id);
            if ((split.first == "COLOR" || split.first == "SV_TARGET") && split.second < 8) {
                c.set_decoration(output.id, spv::DecorationLocation,
                                 static_cast<uint32_t>(split.second));
            } else if ((split.first == "DEPTH" || split.first == "SV_DEPTH") &&
                       split.second == 0 && type.basetype == spirv_cross::SPIRType::Float &&
                       type.vecsize == 1 && type.array.empty()) {
                c.unset_decoration(output.id, spv::DecorationLocation);
                c.set_decoration(output.id, spv::DecorationBuiltIn, spv::BuiltInFragDepth);
            } else if (!semantic.empty()) {
                messages->push_back(Error("pixel output '" + output.name + "' has semantic '" +
                                              semantic + "'; COLOR0 is expected",
                                          s.entry));
                ok = false;
            }
        }
    }

    // Constants: one vec4 per register, named for the stage.
    const std::string constants = vertex ? platform::kVertexConstants : platform::kPixelConstants;
    for (const auto& block : res.uniform_buffers) {
        const spirv_cross::SPIRType& type = c.get_type(block.base_type_id);
        std::string blockName = c.get_name(block.id);
        std::string typeName = c.get_name(block.base_type_id);
        if (blockName != "$Global" && typeName != "$Global" && block.name != "$Global") {
            messages->push_back(Error(
                "constant buffer '" + block.name + "' is not supported; declare globals", s.entry));
            ok = false;
            continue;
        }
        size_t size = c.get_declared_struct_size(type);
        if (lenient && size > static_cast<size_t>(kMaxConstantRegisters) * 16 &&
            size <= static_cast<size_t>(kMaxCompiledRegisters) * 16) {
            for (uint32_t i = 0; i < type.member_types.size(); ++i) {
                uint32_t offset = c.type_struct_member_offset(type, i);
                size_t end = offset + c.get_declared_struct_member_size(type, i);
                if (end > static_cast<size_t>(kMaxConstantRegisters) * 16) {
                    messages->push_back(Warning(
                        "constant '" + c.get_member_name(block.base_type_id, i) +
                            "' at register c" + std::to_string(offset / 16) + " reaches c" +
                            std::to_string((end + 15) / 16 - 1) + "; the device keeps c0-c" +
                            std::to_string(kMaxConstantRegisters - 1) +
                            ", registers past that read zero",
                        s.entry));
                }
            }
        } else if (size > static_cast<size_t>(kMaxConstantRegisters) * 16) {
            for (uint32_t i = 0; i < type.member_types.size(); ++i) {
                uint32_t offset = c.type_struct_member_offset(type, i);
                size_t end = offset + c.get_declared_struct_member_size(type, i);
                if (end > static_cast<size_t>(kMaxConstantRegisters) * 16) {
                    messages->push_back(
                        Error("constant '" + c.get_member_name(block.base_type_id, i) +
                                  "' at register c" + std::to_string(offset / 16) +
                                  " reaches past c" + std::to_string(kMaxConstantRegisters - 1) +
                                  ", the last register the device keeps",
                              s.entry));
                }
            }
            ok = false;
            continue;
        }
        // The loader turns integer globals into floats; what is left here is
        // an entry point's own uniform parameter without a value.
        bool floats = true;
        for (uint32_t i = 0; i < type.member_types.size(); ++i) {
            const spirv_cross::SPIRType& member = c.get_type(type.member_types[i]);
            if (member.basetype == spirv_cross::SPIRType::Float) continue;
            messages->push_back(Error(
                "constant '" + c.get_member_name(block.base_type_id, i) +
                    "' is not a float; the register file holds floats (declare it float, or "
                    "give a uniform parameter its value in the compile statement)",
                s.entry));
            floats = false;
        }
        if (!floats) {
            ok = false;
            continue;
        }
        c.set_name(block.id, constants);
        c.set_name(block.base_type_id, constants);
        c.flatten_buffer_block(block.id);
    }

    // Samplers: register(sN) where given, otherwise declaration order.
    c.build_combined_image_samplers();
    res = c.get_shader_resources();
    uint32_t nextBinding = 0;
    for (const auto& sampler : res.sampled_images) {
        for (const auto& [name, unit] : pass.samplerUnits) {
            if (name == sampler.name || name == c.get_name(sampler.id)) {
                c.set_decoration(sampler.id, spv::DecorationBinding, static_cast<uint32_t>(unit));
            }
        }
    }
    for (const auto& sampler : res.sampled_images) {
        if (c.has_decoration(sampler.id, spv::DecorationBinding)) {
            nextBinding =
                std::max(nextBinding, c.get_decoration(sampler.id, spv::DecorationBinding) + 1);
        }
    }
    for (const auto& sampler : res.sampled_images) {
        if (!c.has_decoration(sampler.id, spv::DecorationBinding)) {
            c.set_decoration(sampler.id, spv::DecorationBinding, nextBinding++);
        }
        c.unset_decoration(sampler.id, spv::DecorationDescriptorSet);
    }

    // glslang keeps every sampler of the file in each stage; the ones the
    // stage reads are those whose states the pass applies.
    spirv_cross::ShaderResources used = c.get_shader_resources(c.get_active_interface_variables());
    for (const auto& sampler : used.sampled_images) {
        std::string name = c.get_name(sampler.id);
        if (name.empty()) name = sampler.name;
        if (std::find(samplers->begin(), samplers->end(), name) == samplers->end()) {
            samplers->push_back(name);
        }
    }

    spirv_cross::CompilerGLSL::Options options;
    options.version = 450;
    options.es = false;
    options.vertex.fixup_clipspace = vertex;
    c.set_common_options(options);
    return ok;
}

// The GLSL type of a scalar or vector varying ("float", "ivec3", ...).
std::string VaryingTypeName(const spirv_cross::SPIRType& type) {
    const bool isUnsigned = type.basetype == spirv_cross::SPIRType::UInt;
    const bool integer = isUnsigned || type.basetype == spirv_cross::SPIRType::Int;
    if (type.vecsize == 1) return isUnsigned ? "uint" : integer ? "int" : "float";
    return std::string(isUnsigned ? "u" : integer ? "i" : "") + "vec" +
           std::to_string(type.vecsize);
}

// "layout(location = N) [flat] out TYPE NAME;": integer varyings cannot be
// interpolated.
std::string VaryingOutput(const spirv_cross::SPIRType& type, uint32_t location,
                          const std::string& name) {
    const bool integer = type.basetype == spirv_cross::SPIRType::UInt ||
                         type.basetype == spirv_cross::SPIRType::Int;
    return "layout(location = " + std::to_string(location) + ") " + (integer ? "flat " : "") +
           "out " + VaryingTypeName(type) + " " + name + ";\n";
}

// The vertex stage of a pass without a vertex shader: the position goes
// through untransformed (depth [0, 1] to GL's [-1, 1]), COLOR0 and TEXCOORD0
// reach the pixel inputs of those semantics; inputs the fixed-function stage
// would not feed read (0, 0, 0, 1), or zero for COLOR1 (no specular).
std::string PassThroughVertexStage(spirv_cross::CompilerGLSL& pixel) {
    std::string decls, body;
    spirv_cross::ShaderResources res = pixel.get_shader_resources();
    for (const auto& input : res.stage_inputs) {
        if (!pixel.has_decoration(input.id, spv::DecorationLocation)) continue;
        uint32_t location = pixel.get_decoration(input.id, spv::DecorationLocation);
        const spirv_cross::SPIRType& type = pixel.get_type(input.type_id);
        if (!type.array.empty() || type.columns != 1 || type.vecsize < 1 || type.vecsize > 4) {
            continue;
        }
        auto semantic = SplitSemantic(SemanticOf(pixel, input.id));
        std::string source = "vec4(0.0, 0.0, 0.0, 1.0)";
        if (semantic.first == "COLOR") source = semantic.second == 0 ? "ff_color" : "vec4(0.0)";
        if (semantic.first == "TEXCOORD" && semantic.second == 0) source = "ff_texcoord";
        static const char* const kSwizzle[] = {"", ".x", ".xy", ".xyz", ".xyzw"};
        const std::string glslType = VaryingTypeName(type);
        std::string name = "ff_out" + std::to_string(location);
        decls += VaryingOutput(type, location, name);
        body += "    " + name + " = " + glslType + "((" + source + ")" + kSwizzle[type.vecsize] +
                ");\n";
    }
    return "#version 450\n"
           "layout(location = 0) in vec3 ff_position;\n"
           "layout(location = 1) in vec4 ff_color;\n"
           "layout(location = 2) in vec4 ff_texcoord;\n" +
           decls +
           "void main()\n{\n"
           "    gl_Position = vec4(ff_position.xy, ff_position.z * 2.0 - 1.0, 1.0);\n" +
           body + "}\n";
}

// The pixel stage of a pass without a pixel shader: the fixed-function
// stage with no texture passes the diffuse colour on (COLOR0 of the vertex
// stage; white when it writes none).
std::string PassThroughPixelStage(spirv_cross::CompilerGLSL& vertex) {
    std::string input;
    spirv_cross::ShaderResources res = vertex.get_shader_resources();
    for (const auto& output : res.stage_outputs) {
        if (!vertex.has_decoration(output.id, spv::DecorationLocation) ||
            vertex.get_decoration(output.id, spv::DecorationLocation) != 0) {
            continue;
        }
        const spirv_cross::SPIRType& type = vertex.get_type(output.type_id);
        if (type.basetype != spirv_cross::SPIRType::Float || !type.array.empty() ||
            type.columns != 1 || type.vecsize < 1 || type.vecsize > 4) {
            continue;
        }
        static const char* const kTypes[] = {"", "float", "vec2", "vec3", "vec4"};
        static const char* const kWiden[] = {"", "vec4(ff_color, 0.0, 0.0, 1.0)",
                                             "vec4(ff_color, 0.0, 1.0)", "vec4(ff_color, 1.0)",
                                             "ff_color"};
        input = std::string("layout(location = 0) in ") + kTypes[type.vecsize] + " ff_color;\n";
        return "#version 450\n" + input +
               "layout(location = 0) out vec4 ff_target;\n"
               "void main()\n{\n    ff_target = " +
               kWiden[type.vecsize] + ";\n}\n";
    }
    return "#version 450\n"
           "layout(location = 0) out vec4 ff_target;\n"
           "void main()\n{\n    ff_target = vec4(1.0);\n}\n";
}

// Direct3D 9 lets a pixel shader read an input the vertex shader does not
// write (it reads zero); GL refuses to link such a pair. The vertex stage
// gets an output of that location and type that it sets to zero.
void AddUnwrittenVaryings(spirv_cross::CompilerGLSL& vertex, spirv_cross::CompilerGLSL& pixel,
                          std::string* vertexGlsl) {
    std::set<uint32_t> written;
    for (const auto& output : vertex.get_shader_resources().stage_outputs) {
        if (vertex.has_decoration(output.id, spv::DecorationLocation)) {
            written.insert(vertex.get_decoration(output.id, spv::DecorationLocation));
        }
    }
    std::string decls, body;
    for (const auto& input : pixel.get_shader_resources().stage_inputs) {
        if (!pixel.has_decoration(input.id, spv::DecorationLocation)) continue;
        uint32_t location = pixel.get_decoration(input.id, spv::DecorationLocation);
        const spirv_cross::SPIRType& type = pixel.get_type(input.type_id);
        if (written.count(location) != 0 || !type.array.empty() || type.columns != 1 ||
            type.vecsize < 1 || type.vecsize > 4) {
            continue;
        }
        const std::string glslType = VaryingTypeName(type);
        std::string name = "ff_unwritten" + std::to_string(location);
        decls += VaryingOutput(type, location, name);
        body += "    " + name + " = " + glslType + "(0);\n";
    }
    const std::string mainStart = "void main()\n{\n";
    size_t at = vertexGlsl->find(mainStart);
    if (decls.empty() || at == std::string::npos) return;
    vertexGlsl->insert(at + mainStart.size(), body);
    vertexGlsl->insert(at, decls + "\n");
}

// The child writes a marker before each step so that the parent can name the
// entry point a crash happened in.
using ProgressFn = void (*)(int stageIndex, void* context);

CompileOutput CompileWithProgress(const PassRequest& pass, ProgressFn progress, void* context) {
    EnsureGlslang();
    CompileOutput out;
    const std::vector<StageRequest>& stages = pass.stages;
    if (stages.empty() || pass.sources.size() != stages.size()) {
        out.messages.push_back(Error("nothing to compile", ""));
        return out;
    }
    std::vector<SpirvModule> modules(stages.size());
    bool ok = true;
    for (size_t i = 0; i < stages.size(); ++i) {
        if (progress) progress(static_cast<int>(i), context);
        if (!CompileToSpirv(pass.sources[i], stages[i], &modules[i], &out.messages,
                            pass.includes)) {
            ok = false;
        }
    }
    if (!ok) return out;

    std::vector<CrossStage> cross;
    VaryingTable varyings;
    for (size_t i = 0; i < modules.size(); ++i) {
        if (progress) progress(static_cast<int>(i), context);
        try {
            CrossStage s{modules[i].stage, modules[i].entry,
                         std::make_unique<spirv_cross::CompilerGLSL>(std::move(modules[i].words))};
            spirv_cross::ShaderResources res = s.compiler->get_shader_resources();
            const auto& list =
                s.stage == ShaderStage::Vertex ? res.stage_outputs : res.stage_inputs;
            for (const auto& v : list) varyings.Note(SemanticOf(*s.compiler, v.id));
            cross.push_back(std::move(s));
        } catch (const std::exception& e) {
            out.messages.push_back(
                Error(std::string("SPIRV-Cross: ") + e.what(), modules[i].entry));
            return out;
        } catch (...) {
            out.messages.push_back(Error("SPIRV-Cross failed", modules[i].entry));
            return out;
        }
    }

    std::string passThrough;
    for (size_t i = 0; i < cross.size(); ++i) {
        if (progress) progress(static_cast<int>(i), context);
        try {
            const size_t before = out.messages.size();
            const bool applied =
                ApplyConventions(cross[i], varyings, pass, &out.messages, &out.samplers);
            // SPIR-V carries no lines: these are placed at the compile statement.
            for (size_t m = before; m < out.messages.size(); ++m) {
                if (out.messages[m].line == 0) out.messages[m].aboutEntry = true;
            }
            if (!applied) {
                ok = false;
                continue;
            }
            if (pass.passThroughVertex && cross[i].stage == ShaderStage::Pixel) {
                passThrough = PassThroughVertexStage(*cross[i].compiler);
            }
            if (pass.passThroughPixel && cross[i].stage == ShaderStage::Vertex) {
                passThrough = PassThroughPixelStage(*cross[i].compiler);
            }
            out.glsl.push_back(cross[i].compiler->compile());
        } catch (const std::exception& e) {
            out.messages.push_back(Error(std::string("SPIRV-Cross: ") + e.what(), cross[i].entry));
            ok = false;
        } catch (...) {
            out.messages.push_back(Error("SPIRV-Cross failed", cross[i].entry));
            ok = false;
        }
    }
    if (ok && cross.size() == 2 && out.glsl.size() == 2 &&
        cross[0].stage == ShaderStage::Vertex && cross[1].stage == ShaderStage::Pixel) {
        try {
            AddUnwrittenVaryings(*cross[0].compiler, *cross[1].compiler, &out.glsl[0]);
        } catch (...) {
            // Reflection failed after a successful compile: leave the GLSL be.
        }
    }
    if (ok && (pass.passThroughVertex || pass.passThroughPixel)) {
        if (passThrough.empty() || (pass.passThroughVertex && pass.passThroughPixel)) {
            out.messages.push_back(Error("a pass needs a vertex or a pixel shader", ""));
            ok = false;
        } else if (pass.passThroughVertex) {
            out.glsl.insert(out.glsl.begin(), passThrough);
        } else {
            out.glsl.push_back(passThrough);
        }
    }
    out.ok = ok;
    if (!ok) out.glsl.clear();
    return out;
}

PassRequest SharedSourcePass(const std::string& hlsl, const std::vector<StageRequest>& stages) {
    PassRequest pass;
    pass.stages = stages;
    pass.sources.assign(stages.size(), hlsl);
    return pass;
}

// >> the child process and its answer

// Records on the pipe: 'P' u32 stage (progress), then one 'R' with the whole
// result. Integers are native-endian: both ends are the same binary.
void PutU32(std::string* s, uint32_t v) { s->append(reinterpret_cast<const char*>(&v), 4); }
void PutStr(std::string* s, const std::string& v) {
    PutU32(s, static_cast<uint32_t>(v.size()));
    s->append(v);
}

std::string Serialize(const CompileOutput& out) {
    std::string s = "R";
    PutU32(&s, out.ok ? 1 : 0);
    PutU32(&s, static_cast<uint32_t>(out.glsl.size()));
    for (const auto& g : out.glsl) PutStr(&s, g);
    PutU32(&s, static_cast<uint32_t>(out.messages.size()));
    for (const auto& m : out.messages) {
        PutU32(&s, (m.error ? 1u : 0u) | (m.aboutEntry ? 2u : 0u));
        PutU32(&s, static_cast<uint32_t>(m.line));
        PutU32(&s, static_cast<uint32_t>(m.column));
        PutStr(&s, m.text);
        PutStr(&s, m.entry);
        PutStr(&s, m.file);
    }
    PutU32(&s, static_cast<uint32_t>(out.samplers.size()));
    for (const auto& name : out.samplers) PutStr(&s, name);
    return s;
}

class Reader {
public:
    explicit Reader(std::string_view data) : data_(data) {}
    bool U32(uint32_t* v) {
        if (data_.size() - pos_ < 4) return false;
        std::memcpy(v, data_.data() + pos_, 4);
        pos_ += 4;
        return true;
    }
    bool Str(std::string* v) {
        uint32_t n = 0;
        if (!U32(&n) || data_.size() - pos_ < n) return false;
        v->assign(data_.data() + pos_, n);
        pos_ += n;
        return true;
    }
    bool Byte(char* c) {
        if (pos_ >= data_.size()) return false;
        *c = data_[pos_++];
        return true;
    }

private:
    std::string_view data_;
    size_t pos_ = 0;
};

// Reads the child's stream: the last stage it started and, if it got that far,
// its result. False when the stream is malformed or ends early.
bool Deserialize(std::string_view data, int* lastStage, CompileOutput* out) {
    Reader r(data);
    char tag = 0;
    while (r.Byte(&tag)) {
        if (tag == 'P') {
            uint32_t stage = 0;
            if (!r.U32(&stage)) return false;
            *lastStage = static_cast<int>(stage);
        } else if (tag == 'R') {
            uint32_t ok = 0, count = 0;
            if (!r.U32(&ok) || !r.U32(&count)) return false;
            out->ok = ok != 0;
            out->glsl.resize(count);
            for (auto& g : out->glsl) {
                if (!r.Str(&g)) return false;
            }
            if (!r.U32(&count)) return false;
            out->messages.resize(count);
            for (auto& m : out->messages) {
                uint32_t error = 0, line = 0, column = 0;
                if (!r.U32(&error) || !r.U32(&line) || !r.U32(&column) || !r.Str(&m.text) ||
                    !r.Str(&m.entry) || !r.Str(&m.file)) {
                    return false;
                }
                m.error = (error & 1u) != 0;
                m.aboutEntry = (error & 2u) != 0;
                m.line = static_cast<int>(line);
                m.column = static_cast<int>(column);
            }
            if (!r.U32(&count)) return false;
            out->samplers.resize(count);
            for (auto& name : out->samplers) {
                if (!r.Str(&name)) return false;
            }
            return true;
        } else {
            return false;
        }
    }
    return false;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

ChildFault g_childFault = ChildFault::None;
int g_childFaultStage = 0;

void WriteProgress(int stageIndex, void* context) {
    std::string s = "P";
    PutU32(&s, static_cast<uint32_t>(stageIndex));
    WriteAll(*static_cast<int*>(context), s.data(), s.size());
    if (g_childFault != ChildFault::None && stageIndex == g_childFaultStage) {
        if (g_childFault == ChildFault::Crash) raise(SIGSEGV);
        for (;;) pause();
    }
}

[[noreturn]] void RunChild(int fd, const PassRequest& pass) {
    // Die by the signal itself, not through a handler the parent installed
    // (a sanitizer's, for one), so that the parent can report it.
    for (int sig : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGPIPE}) signal(sig, SIG_DFL);
    int code = 0;
    try {
        CompileOutput out = CompileWithProgress(pass, WriteProgress, &fd);
        std::string answer = Serialize(out);
        if (!WriteAll(fd, answer.data(), answer.size())) code = 2;
    } catch (...) {
        code = 3;
    }
    close(fd);
    _exit(code);
}

constexpr size_t kMaxAnswerBytes = 64u << 20;

std::string EntryName(const std::vector<StageRequest>& stages, int index) {
    if (index >= 0 && static_cast<size_t>(index) < stages.size()) return stages[index].entry;
    return stages.empty() ? std::string("the effect") : stages.front().entry;
}

pid_t WaitForChild(pid_t pid, int* status) {
    pid_t r;
    do {
        r = waitpid(pid, status, 0);
    } while (r < 0 && errno == EINTR);
    return r;
}

// glslang builds its table of HLSL built-ins on the first compile of each
// stage and keeps it for the process. Building it here, once, on a shader that
// is known to compile, saves every child from building it again (most of
// the time a child would spend).
void WarmUpGlslang() {
    static std::once_flag once;
    std::call_once(once, [] {
        EnsureGlslang();
        const std::string hlsl =
            "float4 vs_main(float4 p : POSITION) : POSITION { return p; }\n"
            "float4 ps_main() : COLOR0 { return 0; }\n";
        std::vector<CompileMessage> ignored;
        SpirvModule module;
        CompileToSpirv(hlsl, {ShaderStage::Vertex, "vs_main"}, &module, &ignored);
        CompileToSpirv(hlsl, {ShaderStage::Pixel, "ps_main"}, &module, &ignored);
    });
}

}  // namespace

void SetChildFaultForTesting(ChildFault fault, int stageIndex) {
    g_childFault = fault;
    g_childFaultStage = stageIndex;
}

CompileOutput CompileShaders(const std::string& hlsl, const std::vector<StageRequest>& stages) {
    return CompileWithProgress(SharedSourcePass(hlsl, stages), nullptr, nullptr);
}

CompileOutput CompilePass(const PassRequest& pass) {
    return CompileWithProgress(pass, nullptr, nullptr);
}

CompileOutput CompileShadersIsolated(const std::string& hlsl,
                                     const std::vector<StageRequest>& stages, int timeoutMs) {
    return CompilePassIsolated(SharedSourcePass(hlsl, stages), timeoutMs);
}

CompileOutput CompilePassIsolated(const PassRequest& pass, int timeoutMs) {
    const std::vector<StageRequest>& stages = pass.stages;
    CompileOutput failed;
    WarmUpGlslang();

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        failed.messages.push_back(
            Error(std::string("cannot start the shader compiler: ") + std::strerror(errno), ""));
        return failed;
    }
    pid_t pid = fork();
    if (pid < 0) {
        int err = errno;
        close(fds[0]);
        close(fds[1]);
        failed.messages.push_back(
            Error(std::string("cannot start the shader compiler: ") + std::strerror(err), ""));
        return failed;
    }
    if (pid == 0) {
        close(fds[0]);
        RunChild(fds[1], pass);
    }
    close(fds[1]);

    // Read everything the child says until it closes the pipe or time runs out.
    std::string data;
    bool timedOut = false;
    bool tooLong = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char chunk[65536];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        int n = poll(&p, 1, static_cast<int>(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (n == 0) continue;  // the deadline check above ends the loop
        ssize_t got = read(fds[0], chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            break;
        }
        if (got == 0) break;
        data.append(chunk, static_cast<size_t>(got));
        if (data.size() > kMaxAnswerBytes) {
            tooLong = true;
            break;
        }
    }
    close(fds[0]);
    if (timedOut || tooLong) kill(pid, SIGKILL);
    int status = 0;
    WaitForChild(pid, &status);

    int lastStage = -1;
    CompileOutput out;
    bool complete = Deserialize(data, &lastStage, &out);
    std::string entry = EntryName(stages, lastStage);
    if (timedOut) {
        std::string limit = timeoutMs % 1000 == 0 ? std::to_string(timeoutMs / 1000) + " s"
                                                  : std::to_string(timeoutMs) + " ms";
        failed.messages.push_back(Error("the shader compiler did not finish within " + limit +
                                            " while compiling " + entry + " and was stopped",
                                        ""));
        return failed;
    }
    if (tooLong) {
        failed.messages.push_back(
            Error("the shader compiler's answer for " + entry + " is too long", ""));
        return failed;
    }
    if (WIFSIGNALED(status)) {
        failed.messages.push_back(Error("the shader compiler crashed (signal " +
                                            std::to_string(WTERMSIG(status)) +
                                            ") while compiling " + entry,
                                        ""));
        return failed;
    }
    if (!complete || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        failed.messages.push_back(
            Error("the shader compiler stopped without an answer (exit " +
                      std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) +
                      ") while compiling " + entry,
                  ""));
        return failed;
    }
    return out;
}

}  // namespace fx
