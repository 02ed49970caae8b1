// Stage 6: SPIR-V to GLSL with the device's conventions (see
// 6_spirv_to_glsl.h).
//
// Implemented: [x] vertex inputs POSITION, COLOR0, TEXCOORD0 at the stream's
//                  slots; others at spare slots (lenient) or an error
//              [x] varyings by semantic: COLOR0-1 at 0-1, TEXCOORD0-15 at
//                  2-17, other semantics after that in name order, the same
//                  for both stages; PSIZE as the point size
//              [x] POSITION output as gl_Position with depth [0, 1] fixed up
//                  to [-1, 1] and moved half a pixel; POSITION / VPOS pixel
//                  inputs as the pixel's position, VFACE as the face's side;
//                  DEPTH pixel output as the fragment depth
//              [x] constant registers as one vec4 array per stage, laid out
//                  as Direct3D 9 allocates them (6_registers.cpp)
//              [x] samplers at their texture stages (or those of the samplers
//                  given as compile arguments)
// Not implemented: constant buffers of shader model 4, more than 8 colour
// outputs.
//
// Traps worked around (all seen with Debian 12's glslang 12):
// - A POSITION member of a returned struct is an ordinary output in DX9
//   mode; it is turned into the Position built-in here.
// - Stage inputs and outputs are numbered in declaration order; they are
//   renumbered by semantic so that the two stages meet as Direct3D 9 links
//   them.
// - $Global keeps declaration order even when registers go backwards, which
//   GLSL offsets reject; it is flattened into a vec4 array indexed by
//   register.
// - SPIRV-Cross throws; every exception stops at this file's boundary.
#include "platform/fx/6_glsl/6_spirv_to_glsl.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <set>

#include "platform/fx/6_glsl/6_cross_stage.h"
#include "platform/fx/6_spirv/6_passes.h"
#include "platform/fx/6_spirv/6_spirv_module.h"
#include "platform/shader_conventions.h"
#include "platform/fx/shared/made_names.h"

namespace fx {

std::pair<std::string, int> SplitSemantic(const std::string& semantic) {
    std::string s = semantic;
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    size_t digits = s.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(s[digits - 1]))) --digits;
    int index = digits < s.size() ? std::atoi(s.c_str() + digits) : 0;
    return {s.substr(0, digits), index};
}

// glslang splits an array member of an entry point's struct into one
// variable per element ("@entryPointOutput.t[1]"), each with the array's
// semantic: element n takes the semantic's index plus n, as Direct3D 9
// numbers them.
std::string SemanticOf(const spirv_cross::CompilerGLSL& c, spirv_cross::ID id) {
    return ElementSemantic(c.get_decoration_string(id, spv::DecorationUserSemantic), c.get_name(id));
}

std::string ElementSemantic(const std::string& semantic, const std::string& name) {
    size_t open = name.rfind('[');
    if (semantic.empty() || name.empty() || name.back() != ']' || open == std::string::npos ||
        name.find('.') == std::string::npos || open + 2 > name.size() - 1) {
        return semantic;
    }
    const std::string digits = name.substr(open + 1, name.size() - open - 2);
    if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 2)
        return semantic;
    auto split = SplitSemantic(semantic);
    return split.first + std::to_string(split.second + std::atoi(digits.c_str()));
}

namespace {

// Shader model 3 has 256 vertex constant registers; an effect may name them
// all, though the device fills only the first kConstantRegisters.
constexpr int kMaxCompiledRegisters = 256;

// Varyings: COLOR0-1 at 0-1, TEXCOORD0-15 at 2-17, any other semantic after
// that in name order, the same for both stages of the pass.
constexpr int kFirstOtherVarying = 18;

bool IsPositionSemantic(const std::pair<std::string, int>& s) {
    return (s.first == "POSITION" || s.first == "SV_POSITION") && s.second == 0;
}

// The stream's attribute slot of a vertex input; -1 for one it does not carry.
int StreamAttribute(const std::pair<std::string, int>& s) {
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
    SourcePos compileStatement;
    std::unique_ptr<spirv_cross::CompilerGLSL> compiler;
    std::vector<ConstantRegisters> constants;
    std::vector<ComputedInput> computed;  // pixel inputs the GLSL computes
    std::vector<std::pair<std::string, std::string>> samplerAliases;
};

// One stage while the conventions are applied: its compiler, what the pass
// asks, and the messages (SPIR-V carries no lines: they are placed at the
// shader's compile statement).
struct Conventions {
    CrossStage& stage;
    spirv_cross::CompilerGLSL& c;
    const VaryingTable& varyings;
    const PassConventions& pass;
    MessageSink& messages;
    bool ok = true;

    void Say(Severity severity, std::string text) {
        Message m = ErrorAt(stage.compileStatement, std::move(text));
        m.severity = severity;
        m.entry = stage.entry;
        messages.Add(std::move(m));
        if (severity == Severity::Error) ok = false;
    }
    void Locate(spirv_cross::ID id, int location) {
        c.set_decoration(id, spv::DecorationLocation, static_cast<uint32_t>(location));
    }
    void MakeBuiltIn(spirv_cross::ID id, spv::BuiltIn builtIn) {
        c.unset_decoration(id, spv::DecorationLocation);
        c.set_decoration(id, spv::DecorationBuiltIn, builtIn);
    }
    // A pixel input the GLSL computes (see ComputedInput).
    void Compute(spirv_cross::ID id, const spirv_cross::SPIRType& type, std::string value) {
        ComputedInput input;
        input.location = static_cast<uint32_t>(kMaxVaryingLocations + stage.computed.size());
        input.name = "fx_computed" + std::to_string(stage.computed.size());
        input.type = VaryingTypeName(type);
        input.value = std::move(value);
        c.set_name(id, input.name);
        Locate(id, static_cast<int>(input.location));
        stage.computed.push_back(std::move(input));
    }
};

// POSITION, COLOR0 and TEXCOORD0 at the stream's slots. Inputs the stream
// does not carry read (0, 0, 0, 1) (lenient): a scalar or vector as that
// constant, computed in the GLSL; others take the spare slots in name
// order, which the device leaves disabled.
void AssignVertexInputs(Conventions& s, const spirv_cross::ShaderResources& res) {
    std::set<std::string> spareInputs;
    if (s.pass.lenient) {
        for (const auto& input : res.stage_inputs) {
            auto split = SplitSemantic(SemanticOf(s.c, input.id));
            if (StreamAttribute(split) < 0)
                spareInputs.insert(split.first + std::to_string(split.second));
        }
    }
    for (const auto& input : res.stage_inputs) {
        std::string semantic = SemanticOf(s.c, input.id);
        auto split = SplitSemantic(semantic);
        int location = StreamAttribute(split);
        auto spare = spareInputs.find(split.first + std::to_string(split.second));
        if (location < 0 && spare != spareInputs.end()) {
            s.Say(Severity::Warning, "vertex input '" + input.name + "' has semantic '" +
                                         semantic +
                                         "', which the vertex stream does not carry; "
                                         "it reads (0, 0, 0, 1)");
            // A scalar or vector is that constant in the GLSL and takes no
            // attribute slot: a shader may read Direct3D 9's 16 inputs.
            const spirv_cross::SPIRType& type = s.c.get_type(input.type_id);
            if (type.columns == 1 && type.array.empty() && type.vecsize <= 4) {
                s.Compute(input.id, type,
                          VaryingTypeName(type) + "(vec4(0.0, 0.0, 0.0, 1.0))");
                continue;
            }
            location = platform::kStreamAttributes +
                       static_cast<int>(std::distance(spareInputs.begin(), spare));
            if (location >= platform::kMaxVertexAttributes) {
                // Direct3D 9 takes 16 inputs; here the stream's three slots
                // are kept for it, used or not.
                s.Say(Severity::Error,
                      "vertex input '" + input.name + "' (" + semantic + "): the device has " +
                          std::to_string(platform::kMaxVertexAttributes) +
                          " attribute slots, and keeps " +
                          std::to_string(platform::kStreamAttributes) +
                          " for the stream's POSITION, COLOR0 and TEXCOORD0: at most " +
                          std::to_string(platform::kMaxVertexAttributes -
                                         platform::kStreamAttributes) +
                          " other inputs");
                continue;
            }
        }
        if (location < 0) {
            s.Say(Severity::Error, "vertex input '" + input.name + "' has semantic '" + semantic +
                                       "', which the vertex stream does not carry "
                                       "(it has POSITION, COLOR0 and TEXCOORD0)");
            continue;
        }
        s.Locate(input.id, location);
    }
}

// Pixel inputs meet the vertex outputs of the same semantic. VPOS is the
// pixel's position and VFACE the side of the face; a struct shared with the
// vertex stage brings its POSITION along, which reads as VPOS does.
void AssignPixelInputs(Conventions& s, const spirv_cross::ShaderResources& res) {
    for (const auto& input : res.stage_inputs) {
        std::string semantic = SemanticOf(s.c, input.id);
        const spirv_cross::SPIRType& type = s.c.get_type(input.type_id);
        auto split = SplitSemantic(semantic);
        const bool windowPosition =
            IsPositionSemantic(split) || (split.first == "VPOS" && split.second == 0);
        const bool floats = type.basetype == spirv_cross::SPIRType::Float && type.columns == 1 &&
                            type.array.empty();
        if (windowPosition && floats && type.vecsize >= 2) {
            s.Compute(input.id, type, WindowPosition(type.vecsize));
            continue;
        }
        if (split.first == "VFACE" && split.second == 0 && floats && type.vecsize == 1) {
            s.Compute(input.id, type, FaceSign());
            continue;
        }
        // Not something a vertex shader writes: reading zero would be a lie.
        if (split.first == "VPOS" || split.first == "VFACE") {
            s.Say(Severity::Error, "pixel input '" + input.name + "' has semantic '" + semantic +
                                       "', which is not supported (VPOS is a float2 to "
                                       "float4, VFACE a float)");
            continue;
        }
        int location = s.varyings.Location(semantic);
        if (location < 0 || location >= kMaxVaryingLocations) {
            s.Say(Severity::Error, "pixel input '" + input.name + "' has semantic '" + semantic +
                                       "', which cannot be passed on");
            continue;
        }
        s.Locate(input.id, location);
    }
}

void AssignVertexOutputs(Conventions& s, const spirv_cross::ShaderResources& res) {
    for (const auto& output : res.stage_outputs) {
        std::string semantic = SemanticOf(s.c, output.id);
        auto split = SplitSemantic(semantic);
        if (IsPositionSemantic(split)) {
            s.MakeBuiltIn(output.id, spv::BuiltInPosition);
            continue;
        }
        if (split.first == "PSIZE") {
            s.MakeBuiltIn(output.id, spv::BuiltInPointSize);
            continue;
        }
        int location = s.varyings.Location(semantic);
        if (location < 0 || location >= kMaxVaryingLocations) {
            s.Say(Severity::Error, "vertex output '" + output.name + "' has semantic '" +
                                       semantic + "', which cannot be passed on");
            continue;
        }
        s.Locate(output.id, location);
    }
}

// COLORn at colour attachment n; a float DEPTH as the fragment depth.
void AssignPixelOutputs(Conventions& s, const spirv_cross::ShaderResources& res) {
    for (const auto& output : res.stage_outputs) {
        std::string semantic = SemanticOf(s.c, output.id);
        auto split = SplitSemantic(semantic);
        const spirv_cross::SPIRType& type = s.c.get_type(output.type_id);
        if ((split.first == "COLOR" || split.first == "SV_TARGET") && split.second < 8) {
            s.Locate(output.id, split.second);
        } else if ((split.first == "DEPTH" || split.first == "SV_DEPTH") && split.second == 0 &&
                   type.basetype == spirv_cross::SPIRType::Float && type.vecsize == 1 &&
                   type.array.empty()) {
            s.MakeBuiltIn(output.id, spv::BuiltInFragDepth);
        } else if (!semantic.empty()) {
            s.Say(Severity::Error,
                  "pixel output '" + output.name + "' has semantic '" + semantic +
                      "'; COLOR0 is expected");
        }
    }
}

// Every constant past the device's last register: a warning where the
// shader model has the register (lenient), an error otherwise.
bool CheckRegisterRange(Conventions& s, const std::vector<ConstantRegisters>& table) {
    const std::string last = std::to_string(platform::kConstantRegisters - 1);
    bool ok = true;
    for (const ConstantRegisters& r : table) {
        const int end = r.start + r.count;
        if (r.set != RegisterSet::Float || end <= platform::kConstantRegisters) continue;
        const std::string at = "constant '" + r.name + "' at register c" + std::to_string(r.start);
        if (s.pass.lenient && end <= kMaxCompiledRegisters) {
            s.Say(Severity::Warning, at + " reaches c" + std::to_string(end - 1) +
                                         "; the device keeps c0-c" + last +
                                         ", registers past that read zero");
        } else {
            s.Say(Severity::Error,
                  at + " reaches past c" + last + ", the last register the device keeps");
            ok = false;
        }
    }
    return ok;
}

// Constants: one vec4 per register, named for the stage.
void MapConstantRegisters(Conventions& s, const spirv_cross::ShaderResources& res) {
    const bool vertex = s.stage.stage == ShaderStage::Vertex;
    const std::string constants = vertex ? platform::kVertexConstants : platform::kPixelConstants;
    for (const auto& block : res.uniform_buffers) {
        const spirv_cross::SPIRType& type = s.c.get_type(block.base_type_id);
        if (s.c.get_name(block.id) != "$Global" && s.c.get_name(block.base_type_id) != "$Global" &&
            block.name != "$Global") {
            s.Say(Severity::Error,
                  "constant buffer '" + block.name + "' is not supported; declare globals");
            continue;
        }
        if (!CheckRegisterRange(s, s.stage.constants)) continue;
        (void)type;
        s.c.set_name(block.id, constants);
        s.c.set_name(block.base_type_id, constants);
        s.c.flatten_buffer_block(block.id);
    }
}

// Samplers at their texture stages (register(sN) or the stage the effect
// assigned); others after the highest one taken. The ones the stage reads
// are those whose states the pass applies: glslang keeps every sampler of
// the file in each stage.
void BindSamplers(Conventions& s, std::vector<std::string>* samplers) {
    spirv_cross::CompilerGLSL& c = s.c;
    c.build_combined_image_samplers();
    spirv_cross::ShaderResources res = c.get_shader_resources();
    // A sampler parameter of the entry point is the sampler the compile
    // statement gave it.
    auto given = [&](std::string name) {
        // A sampler named as a glslang keyword is fx_user_NAME_ (4_spellings).
        SayRespelledNames(&name);
        for (const auto& [parameter, sampler] : s.stage.samplerAliases) {
            if (parameter == name && !sampler.empty()) return sampler;
        }
        return name;
    };
    // A sampler parameter left to the program without a register: glslang
    // gave it binding 0, which is no stage of its own.
    for (const auto& sampler : res.sampled_images) {
        for (const auto& [parameter, aliased] : s.stage.samplerAliases) {
            if (aliased.empty() && (parameter == sampler.name || parameter == c.get_name(sampler.id)))
                c.unset_decoration(sampler.id, spv::DecorationBinding);
        }
    }
    // An array of samplers "S" is bound where its first element "S[0]" is;
    // the others follow it.
    for (const auto& sampler : res.sampled_images) {
        for (const auto& [name, unit] : s.pass.samplerStages) {
            for (const std::string& own : {given(sampler.name), given(c.get_name(sampler.id))}) {
                if (name == own || name == own + "[0]") {
                    c.set_decoration(sampler.id, spv::DecorationBinding,
                                     static_cast<uint32_t>(unit));
                }
            }
        }
    }
    uint32_t nextBinding = 0;
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
    spirv_cross::ShaderResources used = c.get_shader_resources(c.get_active_interface_variables());
    std::vector<std::pair<uint32_t, std::string>> read;  // by the stage: unit, sampler
    for (const auto& sampler : used.sampled_images) {
        std::string name = c.get_name(sampler.id);
        if (name.empty()) name = sampler.name;
        name = given(name);
        // The elements of an array of samplers, each a sampler of the effect.
        const spirv_cross::SPIRType& type = c.get_type(sampler.type_id);
        const bool named = std::any_of(
            s.pass.samplerStages.begin(), s.pass.samplerStages.end(),
            [&](const std::pair<std::string, int>& st) { return st.first == name + "[0]"; });
        const uint32_t elements = type.array.empty() || !named ? 0 : type.array[0];
        for (uint32_t k = 0; k < std::max(elements, 1u); ++k) {
            std::string element = elements == 0 ? name : name + "[" + std::to_string(k) + "]";
            if (std::find(samplers->begin(), samplers->end(), element) == samplers->end())
                samplers->push_back(std::move(element));
        }
        // Only samplers that name one register(sN) meet here (the others
        // take free stages): Direct3D 9 refuses a shader reading both.
        const uint32_t unit = c.get_decoration(sampler.id, spv::DecorationBinding);
        for (const auto& [other, otherName] : read) {
            if (other == unit && otherName != name) {
                s.Say(Severity::Error, "samplers '" + otherName + "' and '" + name +
                                           "' are both read at register s" +
                                           std::to_string(unit));
            }
        }
        read.emplace_back(unit, name);
    }
}

// The device's conventions on one stage; false when the shader asks for
// something the device cannot give it.
bool ApplyConventions(CrossStage& stage, const VaryingTable& varyings,
                      const PassConventions& pass, MessageSink& messages,
                      std::vector<std::string>* samplers) {
    Conventions s{stage, *stage.compiler, varyings, pass, messages};
    const bool vertex = stage.stage == ShaderStage::Vertex;
    spirv_cross::ShaderResources res = s.c.get_shader_resources();
    if (vertex) {
        AssignVertexInputs(s, res);
        AssignVertexOutputs(s, res);
    } else {
        AssignPixelInputs(s, res);
        AssignPixelOutputs(s, res);
    }
    MapConstantRegisters(s, res);
    BindSamplers(s, samplers);

    spirv_cross::CompilerGLSL::Options options;
    options.version = platform::kGlslVersion;
    options.es = false;
    options.vertex.fixup_clipspace = vertex;
    s.c.set_common_options(options);
    return s.ok;
}

void CrossError(const std::string& text, const std::string& entry, MessageSink& messages) {
    Message m = ErrorAt({}, text);
    m.entry = entry;
    messages.Add(std::move(m));
}

// The passes over the SPIR-V, before SPIRV-Cross reads it; false (with
// messages) when the module cannot be laid out as Direct3D 9 would.
bool RunPasses(SpirvModule& module, std::vector<ConstantRegisters>* constants,
               MessageSink& messages) {
    SpvModule m;
    if (!m.Read(module.words)) {
        // An instruction counts its words in 16 bits: glslang writes a
        // longer one (an initializer list of more than 65532 values) with
        // its count wrapped, and the module no longer reads.
        Message error = ErrorAt(module.compileStatement,
                                "the shader holds a list longer than the compiler can encode "
                                "(an initializer list of more than 65532 values): split it");
        error.entry = module.entry;
        messages.Add(std::move(error));
        return false;
    }
    FallbackScope shader(messages, module.compileStatement, module.entry);
    SpirvPassState state{m, module, constants, messages};
    const bool ok = RunSpirvPasses(state);
    module.words = m.Write();
    return ok;
}

// A SPIRV-Cross compiler for each module, and the semantics of the varyings
// both stages share. False (with a message) when SPIRV-Cross rejects one.
bool LoadModules(std::vector<SpirvModule>& modules, const StageProgress& progress,
                 std::vector<CrossStage>* cross, VaryingTable* varyings, MessageSink& messages) {
    for (size_t i = 0; i < modules.size(); ++i) {
        if (progress) progress(static_cast<int>(i));
        std::vector<ConstantRegisters> constants;
        if (!RunPasses(modules[i], &constants, messages)) return false;
        try {
            CrossStage s{modules[i].stage, modules[i].entry, modules[i].compileStatement,
                         std::make_unique<spirv_cross::CompilerGLSL>(std::move(modules[i].words)),
                         std::move(constants), {}, modules[i].samplerAliases};
            spirv_cross::ShaderResources res = s.compiler->get_shader_resources();
            const auto& list =
                s.stage == ShaderStage::Vertex ? res.stage_outputs : res.stage_inputs;
            for (const auto& v : list) varyings->Note(SemanticOf(*s.compiler, v.id));
            cross->push_back(std::move(s));
        } catch (const std::exception& e) {
            CrossError(std::string("SPIRV-Cross: ") + e.what(), modules[i].entry, messages);
            return false;
        } catch (...) {
            CrossError("SPIRV-Cross failed", modules[i].entry, messages);
            return false;
        }
    }
    return true;
}

}  // namespace

void SpirvToGlsl(std::vector<SpirvModule> modules, const PassConventions& conventions,
                 const StageProgress& progress, CompiledPass* out, MessageSink& messages) {
    std::vector<CrossStage> cross;
    VaryingTable varyings;
    if (!LoadModules(modules, progress, &cross, &varyings, messages)) return;
    const bool generateVertex = cross.front().stage != ShaderStage::Vertex;
    const bool generatePixel = cross.back().stage != ShaderStage::Pixel;

    bool ok = true;
    std::string generated;
    for (size_t i = 0; i < cross.size(); ++i) {
        if (progress) progress(static_cast<int>(i));
        try {
            if (!ApplyConventions(cross[i], varyings, conventions, messages,
                                  &out->samplers)) {
                ok = false;
                continue;
            }
            if (generateVertex) generated = PassThroughVertexStage(*cross[i].compiler);
            if (generatePixel) {
                generated = PassThroughPixelStage(*cross[i].compiler);
                AddOutputTests(&generated);
            }
            std::string glsl = cross[i].compiler->compile();
            if (cross[i].stage == ShaderStage::Vertex) ShiftHalfPixel(&glsl);
            if (!ComputeInputs(cross[i].computed, &glsl)) {
                CrossError("the GLSL of VPOS, VFACE or an input the stream lacks cannot be made", cross[i].entry, messages);
                ok = false;
            }
            if (cross[i].stage == ShaderStage::Pixel) AddOutputTests(&glsl);
            out->glsl.push_back(std::move(glsl));
        } catch (const std::exception& e) {
            CrossError(std::string("SPIRV-Cross: ") + e.what(), cross[i].entry, messages);
            ok = false;
        } catch (...) {
            CrossError("SPIRV-Cross failed", cross[i].entry, messages);
            ok = false;
        }
    }
    if (ok && cross.size() == 2) {
        try {
            AddUnwrittenVaryings(*cross[0].compiler, *cross[1].compiler, &out->glsl[0]);
        } catch (...) {
            // Reflection failed after a successful compile: leave the GLSL be.
        }
    }
    for (CrossStage& c : cross) {
        (c.stage == ShaderStage::Vertex ? out->vertexConstants : out->pixelConstants) =
            std::move(c.constants);
    }
    if (ok && generateVertex) out->glsl.insert(out->glsl.begin(), generated);
    if (ok && generatePixel) out->glsl.push_back(generated);
    out->ok = ok;
    if (!ok) out->glsl.clear();
}

}  // namespace fx
