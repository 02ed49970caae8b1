// D3DXCreateEffectFromFileA: the effect compiler's pipeline, stage by stage
// (platform/fx/README.md draws it):
//
//   1 read the file          1_read_file       text
//   2 preprocess             2_preprocess      tokens after expansion, with their origins
//   3 parse the framework    3_parse_effect    techniques, passes, samplers + HLSL tokens
//   1 read the images        1_read_textures   an image per texture with a ResourceName
//   4 rewrite for glslang    4_rewrite_hlsl    each stage's HLSL text + map to the user's files
//   5 HLSL to SPIR-V         5_hlsl_to_spirv   } in a child process
//   6 SPIR-V to GLSL         6_spirv_to_glsl   }   (compiler_child)
//   7 link                   7_link            a program on the device
//     upload the images      effect_textures   a texture on the device per image
//
// Every pass is compiled (1 to 6, no call of the device: a background load
// runs them on a thread of its own) before any is linked (7, on the
// device's thread). Every stage reports through Message; the caller gets
// the list's text.
// Passes with the same shaders, profiles and arguments are compiled once
// (each still gets a program of its own). Only the first technique is
// compiled unless a tool asks for all (effect_info.h).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>

#include "platform/fx/1_read/1_read_file.h"
#include "platform/fx/2_preprocess/2_preprocess.h"
#include "platform/fx/1_read/1_read_textures.h"
#include "platform/fx/3_parse/3_parse_effect.h"
#include "platform/fx/4_rewrite/4_code_owners.h"
#include "platform/fx/4_rewrite/4_rewrite_hlsl.h"
#include "platform/fx/6_glsl/6_spirv_to_glsl.h"
#include "platform/fx/7_link/7_link.h"
#include "platform/fx/server/compiler_child.h"
#include "platform/fx/effect_info.h"
#include "platform/fx/runtime/effect_object.h"
#include "platform/fx/fx.h"
#include "platform/fx/pass_sampler_stages.h"
#include "platform/fx/runtime/fx_buffer.h"
#include "platform/fx/shared/message.h"
#include "platform/fx/shared/tokenizer.h"
#include "platform/shader_conventions.h"

namespace fx {
namespace {

// What the loader keeps while it builds the passes of one effect.
struct PassBuilder {
    platform::ShaderPrograms* device = nullptr;
    RewrittenEffect rewritten;
    PassConventions conventions;
    MessageSink* messages = nullptr;
    // By the pass's shaders and arguments: what compiling them gave.
    struct Built {
        LoadedPass pass;
        int64_t slots = 0;
        // The samplers' stages where they are not the effect-wide ones.
        std::vector<std::pair<std::string, int>> samplerStages;
    };
    std::vector<SamplerStage> effectStages;  // every sampler's, effect-wide
    std::map<std::string, Built> built;
    std::vector<UINT> programs;
    // The passes that draw with each program: passes of one shader pair
    // share the program linked for the first of them.
    std::map<UINT, int> programUsers;
    // false: the passes are compiled, not linked (a background load's first
    // half; the link comes later, on the device's thread, from `built`).
    bool link = true;
    std::unique_ptr<CodeOwners> owners;  // made for the first message with an entry point
};

EffectStageInfo StageInfo(const ShaderBinding& b, std::string glsl) {
    const bool present = HasShader(b);
    return {!present, present ? b.profile : "", present ? EntryText(b) : "", std::move(glsl), {}};
}

EffectPassInfo PassInfo(const PassDesc& pass, std::string vertexGlsl, std::string pixelGlsl) {
    return {pass.name, StageInfo(pass.vertexShader, std::move(vertexGlsl)),
            StageInfo(pass.pixelShader, std::move(pixelGlsl)), {}};
}

// Stages 4 to 6: the GLSL of the pass's two stages and the samplers they read.
bool CompileGlsl(PassBuilder& b, const PassDesc& pass, CompiledPass* compiled) {
    if (!HasShader(pass.vertexShader) && !HasShader(pass.pixelShader)) {
        FixedFunctionPass(compiled);
        return true;
    }
    PassSources sources;
    if (!RewritePass(b.rewritten, pass, &sources, *b.messages)) return false;
    for (StageSource& s : sources.stages) {
        s.profile = s.stage == ShaderStage::Vertex ? pass.vertexShader.profile
                                                   : pass.pixelShader.profile;
    }
    *compiled = CompilePassInChild(sources, b.conventions, kCompilerTimeLimitMs);
    // Each stage compiles all the HLSL: a mistake belongs to the entry point
    // whose code holds it, whichever stage met it first.
    std::vector<std::string> entries;
    for (const ShaderBinding* s : {&pass.vertexShader, &pass.pixelShader}) {
        if (HasShader(*s)) entries.push_back(s->entry);
    }
    for (Message& m : compiled->messages) {
        if (m.entry.empty() || m.line <= 0) continue;
        if (!b.owners) b.owners = std::make_unique<CodeOwners>(b.rewritten.hlsl);
        b.owners->Tag(entries, &m);
    }
    b.messages->Add(compiled->messages);
    b.messages->AddUnshown(compiled->unshownErrors, compiled->unshownWarnings);
    if (compiled->ok && compiled->glsl.size() == 2) return true;
    if (!b.messages->HasErrors()) {
        b.messages->Error(pass.pos, "the shaders of pass '" + pass.name + "' did not compile");
    }
    return false;
}

// The first component a global of a shared register covers.
int FirstComponent(uint32_t mask) {
    int c = 0;
    while (c < 3 && (mask & (1u << c)) == 0) ++c;
    return c;
}

// "viewProj c4 4" for each global of a stage's table ("offset c0.y 1" from
// a register's y).
std::vector<std::string> RegisterLines(const std::vector<ConstantRegisters>& table) {
    std::vector<std::string> lines;
    for (const ConstantRegisters& r : table) {
        const char set = r.set == RegisterSet::Float ? 'c' : r.set == RegisterSet::Int ? 'i' : 'b';
        const int component = FirstComponent(r.mask);
        lines.push_back(r.name + " " + set + std::to_string(r.start) +
                        (component > 0 ? std::string(".") + "xyzw"[component] : "") + " " +
                        std::to_string(r.count));
    }
    return lines;
}

// The c registers of a stage's table that the device keeps, with the
// globals' initial values.
std::vector<RegisterWrite> RegisterWrites(const std::vector<ConstantRegisters>& table) {
    std::vector<RegisterWrite> writes;
    for (const ConstantRegisters& r : table) {
        if (r.set != RegisterSet::Float || r.start >= platform::kConstantRegisters) continue;
        const int count = std::min(r.count, platform::kConstantRegisters - r.start);
        const size_t floats = std::min(r.values.size(), static_cast<size_t>(count) * 4);
        std::vector<float> values(r.values.begin(), r.values.begin() + floats);
        // Globals sharing a register (packoffset(c0.y)): one write of it, each
        // its components.
        auto shared = std::find_if(writes.begin(), writes.end(), [&](const RegisterWrite& w) {
            return r.mask != 0xF && w.start == static_cast<UINT>(r.start) && w.values.size() == 4;
        });
        if (shared != writes.end() && values.size() == 4) {
            for (size_t c = 0; c < 4; ++c)
                if ((r.mask & (1u << c)) != 0) shared->values[c] = values[c];
            continue;
        }
        writes.push_back({static_cast<UINT>(r.start), std::move(values)});
    }
    return writes;
}

// Where the stage put each global it keeps in c registers.
std::vector<GlobalPlace> GlobalPlaces(const std::vector<ConstantRegisters>& table) {
    std::vector<GlobalPlace> places;
    for (const ConstantRegisters& r : table) {
        if (r.set != RegisterSet::Float || r.start >= platform::kConstantRegisters) continue;
        places.push_back({r.name, static_cast<UINT>(r.start), r.mask});
    }
    return places;
}

// Stages 4 to 7 for one pass.
bool BuildPass(PassBuilder& b, const PassDesc& pass, LoadedPass* out,
               std::vector<std::string>* samplerNames,
               std::vector<std::pair<std::string, int>>* samplerStages) {
    // The profile is part of it: it decides what is checked and how some
    // code is made (ps_2_0 and ps_2_b of one function are two shaders).
    auto shaderKey = [](const auto& shader) {
        return HasShader(shader) ? shader.profile + " " + EntryText(shader) : std::string("-");
    };
    const std::string key = shaderKey(pass.vertexShader) + "|" + shaderKey(pass.pixelShader);
    std::vector<std::string> glsl;
    std::vector<std::string> vertexRegisters, pixelRegisters;
    int64_t slots = 0;
    auto known = b.built.find(key);
    if (known != b.built.end()) {
        const LoadedPass& same = known->second.pass;
        glsl = {same.info.vertex.glsl, same.info.pixel.glsl};
        vertexRegisters = same.info.vertex.registers;
        pixelRegisters = same.info.pixel.registers;
        *samplerNames = same.samplerNames;
        *samplerStages = known->second.samplerStages;
        out->vertexConstants = same.vertexConstants;
        out->pixelConstants = same.pixelConstants;
        out->vertexPlaces = same.vertexPlaces;
        out->pixelPlaces = same.pixelPlaces;
        slots = known->second.slots;
    } else {
        CompiledPass compiled;
        if (!CompileGlsl(b, pass, &compiled)) return false;
        // Once more with the stages Direct3D 9 gives the samplers it reads
        // (its messages are the same ones, said once).
        *samplerStages = PassSamplerStages(b.effectStages, compiled.samplers);
        if (!samplerStages->empty()) {
            PassConventions effectWide = b.conventions;
            b.conventions.samplerStages = *samplerStages;
            const bool again = CompileGlsl(b, pass, &compiled);
            b.conventions = std::move(effectWide);
            if (!again) return false;
        }
        glsl = std::move(compiled.glsl);
        *samplerNames = std::move(compiled.samplers);
        slots = compiled.slots;
        vertexRegisters = RegisterLines(compiled.vertexConstants);
        pixelRegisters = RegisterLines(compiled.pixelConstants);
        out->vertexConstants = RegisterWrites(compiled.vertexConstants);
        out->pixelConstants = RegisterWrites(compiled.pixelConstants);
        out->vertexPlaces = GlobalPlaces(compiled.vertexConstants);
        out->pixelPlaces = GlobalPlaces(compiled.pixelConstants);
        if (!b.link) {
            out->info = PassInfo(pass, glsl[0], glsl[1]);
            out->info.vertex.registers = std::move(vertexRegisters);
            out->info.pixel.registers = std::move(pixelRegisters);
            out->samplerNames = *samplerNames;
            b.built[key] = {*out, slots, *samplerStages};
            return true;
        }
    }
    if (!b.link) return true;
    UINT program = known != b.built.end() ? known->second.pass.program : 0;
    if (program != 0) {
        ++b.programUsers[program];
    } else {
        program = LinkPass(b.device, glsl, slots, pass, *b.messages);
        if (program == 0) return false;
        b.programs.push_back(program);
        b.programUsers[program] = 1;
    }
    out->name = pass.name;
    out->program = program;
    out->states = pass.renderStates;
    out->constants = pass.constants;
    out->stageSettings.clear();
    for (const StageSetting& s : pass.stageSettings) {
        out->stageSettings.push_back({s.state, static_cast<DWORD>(s.stage), s.states,
                                      s.setsTexture, s.texture, 0});
    }
    out->info = PassInfo(pass, glsl[0], glsl[1]);
    out->info.vertex.registers = std::move(vertexRegisters);
    out->info.pixel.registers = std::move(pixelRegisters);
    out->samplerNames = *samplerNames;
    b.built[key] = {*out, slots, *samplerStages};
    return true;
}

bool Contains(const std::vector<size_t>& list, size_t value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

// The place of sampler `name` at `stage` in the effect's list, added when
// it is not there; past the list's end for a stage the device lacks.
size_t SamplerAt(const PassBuilder& b, const std::string& name, int stage, LoadedEffect* effect) {
    for (size_t i = 0; i < effect->samplers.size(); ++i) {
        const LoadedSampler& s = effect->samplers[i];
        if (s.name == name && s.stage == static_cast<DWORD>(stage)) return i;
    }
    if (stage < 0 || stage >= static_cast<int>(platform::kSamplerStages)) return SIZE_MAX;
    for (const SamplerStage& s : b.effectStages) {
        if (s.name != name) continue;
        effect->samplers.push_back(
            {s.name, static_cast<DWORD>(stage), s.desc->states, s.desc->texture, 0});
        return effect->samplers.size() - 1;
    }
    return SIZE_MAX;
}

// Every sampler at its texture stage, with its states and texture.
std::vector<LoadedSampler> LoadSamplers(const std::vector<SamplerStage>& stages) {
    std::vector<LoadedSampler> loaded;
    for (const SamplerStage& s : stages) {
        if (s.stage < platform::kSamplerStages) {
            loaded.push_back(
                {s.name, static_cast<DWORD>(s.stage), s.desc->states, s.desc->texture, 0});
        }
    }
    return loaded;
}

// The effect's samplers a pass reads, by their place in its list, each at
// the stage the pass's shaders read it from: one the pass reads elsewhere
// than at its effect-wide stage is listed again at that stage.
std::vector<size_t> PassSamplers(const PassBuilder& b, const std::vector<std::string>& read,
                                 const std::vector<std::pair<std::string, int>>& stages,
                                 LoadedEffect* effect) {
    std::vector<size_t> samplers;
    for (const std::string& name : read) {
        int stage = -1;
        for (const SamplerStage& s : b.effectStages) {
            if (s.name == name) stage = s.stage;
        }
        for (const auto& [moved, at] : stages) {
            if (moved == name) stage = at;
        }
        const size_t at = SamplerAt(b, name, stage, effect);
        if (at < effect->samplers.size() && !Contains(samplers, at)) samplers.push_back(at);
    }
    std::sort(samplers.begin(), samplers.end());
    return samplers;
}

// Vertex and pixel shaders share one bank of texture stages here (Direct3D 9
// gives vertex shaders four of their own): two samplers of one pass on one
// stage would read the same texture with the same states.
void WarnSharedStages(const LoadedEffect& effect, const PassDesc& pass,
                      const std::vector<size_t>& samplers, MessageSink& messages) {
    for (size_t i = 0; i < samplers.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            const LoadedSampler& a = effect.samplers[samplers[j]];
            const LoadedSampler& b = effect.samplers[samplers[i]];
            if (a.stage != b.stage) continue;
            messages.Warning(pass.pos, "samplers '" + a.name + "' and '" + b.name + "' of pass '" +
                                           pass.name + "' share stage " + std::to_string(a.stage) +
                                           " (vertex and pixel shaders share the 16 stages "
                                           "here); give one another register(sN)");
        }
    }
}

// A technique checked and never drawn: its programs go back to the device
// at once, so that checking thousands holds one technique's at a time. It
// stays described (GLSL, registers) but cannot be made current.
void ReleaseTechniquePrograms(PassBuilder& b, LoadedTechnique* technique) {
    for (LoadedPass& pass : technique->passes) {
        if (pass.program == 0) continue;
        if (--b.programUsers[pass.program] == 0) {
            b.device->DeleteShaderProgram(pass.program);
            std::erase(b.programs, pass.program);
            b.programUsers.erase(pass.program);
            // A later pass of the same shaders links its own.
            for (auto& [key, built] : b.built)
                if (built.pass.program == pass.program) built.pass.program = 0;
        }
        pass.program = 0;
    }
    technique->released = true;
}

// Every technique: the first (or all) compiled, the others described; with
// releaseChecked, all but the first let their programs go once built.
bool BuildTechniques(PassBuilder& b, const ParsedEffect& parsed, bool allTechniques,
                     bool releaseChecked, LoadedEffect* effect) {
    for (const TechniqueDesc& technique : parsed.techniques) {
        LoadedTechnique loaded;
        loaded.name = technique.name;
        loaded.compiled = allTechniques || effect->techniques.empty();
        for (const PassDesc& pass : technique.passes) {
            LoadedPass p;
            std::vector<std::string> samplerNames;
            std::vector<std::pair<std::string, int>> samplerStages;
            if (!loaded.compiled) {
                p.name = pass.name;
                p.info = PassInfo(pass, "", "");
            } else if (!BuildPass(b, pass, &p, &samplerNames, &samplerStages)) {
                return false;
            }
            p.samplers = PassSamplers(b, samplerNames, samplerStages, effect);
            // The constant states' parameters by their place in the list:
            // found once here, not at every BeginPass.
            for (const ConstantSetting& c : p.constants) {
                size_t at = LoadedPass::kNoParameter;
                for (size_t i = 0; i < effect->parameters.size() && !c.parameter.empty(); ++i)
                    if (effect->parameters[i].name == c.parameter) at = i;
                p.constantParameters.push_back(at);
            }
            if (b.link) WarnSharedStages(*effect, pass, p.samplers, *b.messages);
            loaded.passes.push_back(std::move(p));
        }
        effect->techniques.push_back(std::move(loaded));
        if (b.link && releaseChecked && effect->techniques.size() > 1) {
            ReleaseTechniquePrograms(b, &effect->techniques.back());
        }
    }
    return true;
}

// The images the textures name, within the device's limits (none: the
// device holds no textures).
bool ReadImages(const platform::TextureLimits* limits, const char* fileName,
                const ParsedEffect& parsed, std::vector<TextureFile>* images,
                MessageSink& messages) {
    if (limits == nullptr) {
        for (const TextureDesc& t : parsed.textures) {
            if (!t.resourceName.empty())
                messages.Error(t.resourcePos, "the graphics device cannot hold textures");
        }
        return !messages.HasErrors();
    }
    return ReadTextureFiles(fileName, parsed.textures, *limits, images, messages);
}

// Each image on the device, and each sampler and pass's Texture[n] given its
// texture.
bool UploadImages(platform::DeviceTextures* device, std::vector<TextureFile> images,
                  LoadedEffect* effect, MessageSink& messages) {
    if (images.empty()) return true;
    if (!CreateEffectTextures(device, std::move(images), &effect->textures, messages)) return false;
    for (LoadedSampler& s : effect->samplers) {
        const LoadedTexture* t = FindTexture(effect->textures, s.texture);
        s.textureId = t != nullptr ? t->id : 0;
    }
    for (LoadedTechnique& technique : effect->techniques) {
        for (LoadedPass& pass : technique.passes) {
            for (LoadedStageSetting& s : pass.stageSettings) {
                const LoadedTexture* t = FindTexture(effect->textures, s.texture);
                s.textureId = t != nullptr ? t->id : 0;
            }
        }
    }
    return true;
}

// The host program's macros, each name an identifier and each definition
// one line; false with the reason.
bool ReadHostMacros(const D3DXMACRO* defines, std::vector<HostMacro>* out,
                    MessageSink& messages) {
    for (const D3DXMACRO* d = defines; d != nullptr && d->Name != nullptr; ++d) {
        HostMacro m{d->Name, d->Definition != nullptr ? d->Definition : ""};
        bool name = !m.name.empty() && !IsDigit(m.name[0]);
        for (char c : m.name) name = name && IsIdentChar(c);
        if (!name) {
            messages.Error("the host program's macro " + Quote(m.name) + " is not a name");
            return false;
        }
        if (m.value.find_first_of("\r\n") != std::string::npos) {
            messages.Error("the host program's macro " + Quote(m.name) +
                           " has a definition of more than one line");
            return false;
        }
        out->push_back(std::move(m));
    }
    return true;
}

double g_lastLoadMs = 0;

}  // namespace

// A load between its two halves: what stages 1 to 6 made, for the link.
struct EffectLoad {
    std::string fileName;
    bool allTechniques = false;
    bool releaseChecked = false;
    // A bare shader's technique (CompileShaderFile): appended to the file's
    // text, and the only technique compiled; the file's own are dropped
    // once parsed.
    std::string bareTechnique;
    int fileLines = 0;  // the lines of the file itself, before that technique
    bool hasLimits = false;
    platform::TextureLimits limits;
    IDirect3DDevice9* device = nullptr;
    MessageList messages;
    std::vector<HostMacro> hostMacros;  // -D NAME=VALUE, before the file's first line
    bool macrosRead = true;
    bool prepared = false;
    ParsedEffect parsed;
    std::vector<TextureFile> images;
    PassBuilder b;
    LoadedEffect effect;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();

    EffectLoad(IDirect3DDevice9* d, const char* name) : fileName(name), device(d), messages(name) {}
};

namespace {

// Stages 1 to 6, every pass compiled to GLSL; no call of the device. False
// with the reasons in the load's messages.
bool PrepareEffect(EffectLoad& l) {
    MessageSink& messages = l.messages;
    const char* fileName = l.fileName.c_str();
    if (!l.macrosRead) return false;
    // 1. Read the file.
    std::string source;
    if (!ReadEffectFile(fileName, &source, messages)) return false;
    l.fileLines = static_cast<int>(std::count(source.begin(), source.end(), '\n')) + 1;
    source += l.bareTechnique;

    // 2. Preprocess: includes read, macros expanded, within the load's budget.
    PreprocessedEffect preprocessed = Preprocess(source, IncludeFromFolderOf(fileName), fileName,
                                                 LoadBudget{}, l.hostMacros);

    l.messages.DisableWarnings(preprocessed.disabledWarnings);

    // 3. Parse the effect framework.
    const size_t errors = messages.ErrorCount();
    l.parsed = ParseEffect(std::move(preprocessed), messages);
    if (!l.bareTechnique.empty() && l.parsed.techniques.size() > 1) {
        l.parsed.techniques.erase(l.parsed.techniques.begin(), l.parsed.techniques.end() - 1);
    }
    if (messages.ErrorCount() != errors || !CheckTechniques(l.parsed, l.allTechniques, messages)) {
        return false;
    }

    // 1 again: the image files the textures name.
    if (!ReadImages(l.hasLimits ? &l.limits : nullptr, fileName, l.parsed, &l.images, messages)) {
        return false;
    }

    // 4 to 6, pass by pass: rewrite, compile in the child.
    PassBuilder& b = l.b;
    b.messages = &messages;
    if (!RewriteEffect(l.parsed, &b.rewritten, messages)) return false;
    l.effect.parameters =
        BuildParameters(l.parsed.globals, b.rewritten.parameterDefaults, messages);
    b.conventions.lenient = true;
    // The samplers structs hold take their places among the others, in the
    // order of their declarations.
    for (SamplerDesc& made : b.rewritten.globals.memberSamplers) {
        auto before = std::find_if(l.parsed.samplers.begin(), l.parsed.samplers.end(),
                                   [&](const SamplerDesc& s) {
                                       return s.pos.file == made.pos.file &&
                                              std::pair(s.pos.line, s.pos.column) >
                                                  std::pair(made.pos.line, made.pos.column);
                                   });
        l.parsed.samplers.insert(before, std::move(made));
    }
    b.rewritten.globals.memberSamplers.clear();
    std::vector<SamplerStage> stages = AssignSamplerStages(l.parsed.samplers);
    for (const SamplerStage& s : stages) b.conventions.samplerStages.emplace_back(s.name, s.stage);
    b.effectStages = stages;
    l.effect.samplers = LoadSamplers(stages);
    b.link = false;
    const bool compiled = BuildTechniques(b, l.parsed, l.allTechniques, false, &l.effect);
    l.effect.techniques.clear();
    return compiled;
}

// 7 and the images: each pass linked on the device, each image uploaded.
bool FinishEffect(EffectLoad& l, platform::ShaderPrograms* device,
                  platform::DeviceTextures* textures) {
    PassBuilder& b = l.b;
    b.device = device;
    b.link = true;
    bool built = BuildTechniques(b, l.parsed, l.allTechniques, l.releaseChecked, &l.effect) &&
                 UploadImages(textures, std::move(l.images), &l.effect, l.messages);
    if (!built) {
        for (UINT program : b.programs) device->DeleteShaderProgram(program);
        return false;
    }
    l.effect.programs = std::move(b.programs);
    return true;
}

// The device's texture limits, taken on its thread before a load starts.
void TakeLimits(IDirect3DDevice9* device, EffectLoad* load) {
    platform::DeviceTextures* textures = platform::GetDeviceTextures(device);
    load->hasLimits = textures != nullptr && textures->GetTextureLimits(&load->limits) == 0;
}

// The load's messages. A bare shader's problems of the whole shader (its
// entry point not found) sit at the technique added after the file's last
// line: they name the file alone, as a command-line compiler's do.
std::string LoadText(const EffectLoad& l) {
    std::string text = l.messages.Text();
    if (l.bareTechnique.empty()) return text;
    const std::string at = l.fileName + "(";
    std::string out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string line = text.substr(start, end - start);
        int row = 0;
        size_t close = line.find("): ", at.size());
        if (line.compare(0, at.size(), at) == 0 && close != std::string::npos &&
            std::sscanf(line.c_str() + at.size(), "%d", &row) == 1 && row > l.fileLines) {
            line = l.fileName + line.substr(close + 1);
        }
        out += line;
        start = end;
    }
    return out;
}

// The second half on the device's thread: the effect, or the messages.
HRESULT FinishLoad(EffectLoad* l, ID3DXEffect** effect, ID3DXBuffer** errorsOut) {
    // The load's time, for the panel's figures: from its start to its end,
    // whether it ran in a row or in the background.
    struct Timer {
        std::chrono::steady_clock::time_point started;
        ~Timer() {
            g_lastLoadMs = std::chrono::duration<double, std::milli>(
                               std::chrono::steady_clock::now() - started).count();
        }
    } timer{l->started};
    platform::ShaderPrograms* programs = platform::GetShaderPrograms(l->device);
    platform::DeviceTextures* textures = platform::GetDeviceTextures(l->device);
    if (programs == nullptr) l->messages.Error("the graphics device cannot run shaders");
    if (programs == nullptr || !l->prepared || !FinishEffect(*l, programs, textures)) {
        if (errorsOut) *errorsOut = CreateTextBuffer(LoadText(*l));
        return E_FAIL;
    }
    *effect = CreateEffectObject(l->device, programs, textures, std::move(l->effect));
    // Warnings ride along on success; the program ignores them.
    if (errorsOut && !l->messages.Text().empty()) *errorsOut = CreateTextBuffer(LoadText(*l));
    return S_OK;
}

HRESULT CreateEffect(IDirect3DDevice9* device, const char* fileName, bool allTechniques,
                     bool releaseChecked, const D3DXMACRO* defines, ID3DXEffect** effect,
                     ID3DXBuffer** errorsOut, const std::string& bareTechnique = "") {
    if (effect) *effect = nullptr;
    if (errorsOut) *errorsOut = nullptr;
    if (!device || !fileName || !effect) return E_INVALIDARG;

    EffectLoad load(device, fileName);
    load.bareTechnique = bareTechnique;
    load.allTechniques = allTechniques;
    load.releaseChecked = releaseChecked;
    TakeLimits(device, &load);
    load.macrosRead = ReadHostMacros(defines, &load.hostMacros, load.messages);
    if (platform::GetShaderPrograms(device) != nullptr) load.prepared = PrepareEffect(load);
    return FinishLoad(&load, effect, errorsOut);
}

}  // namespace

double GetLastLoadMilliseconds() { return g_lastLoadMs; }

HRESULT CreateEffectFromFile(IDirect3DDevice9* device, const char* fileName, bool allTechniques,
                             ID3DXEffect** effect, ID3DXBuffer** errorsOut,
                             const D3DXMACRO* defines) {
    return CreateEffect(device, fileName, allTechniques, false, defines, effect, errorsOut);
}

HRESULT CheckEffectFile(IDirect3DDevice9* device, const char* fileName, ID3DXEffect** effect,
                        ID3DXBuffer** errorsOut, const D3DXMACRO* defines) {
    return CreateEffect(device, fileName, true, true, defines, effect, errorsOut);
}

std::string BareShaderTechnique(const std::string& compile, bool partner) {
    const bool vertex = compile.rfind("vs_", 0) == 0;
    if (!partner) {
        return std::string("\ntechnique bare_shader { pass p { ") +
               (vertex ? "VertexShader" : "PixelShader") + " = compile " + compile + "; } }\n";
    }
    const bool model2 = compile.find("_2_") != std::string::npos;
    const std::string vs = model2 ? "vs_2_0" : "vs_3_0";
    const std::string ps = model2 ? "ps_2_0" : "ps_3_0";
    if (vertex) {
        return "\nfloat4 probe_ps(float4 value : TEXCOORD0) : COLOR0 { return value; }\n"
               "technique probe { pass p { VertexShader = compile " +
               compile + "; PixelShader = compile " + ps + " probe_ps(); } }\n";
    }
    return "\nstruct ProbeOut { float4 position : POSITION; float4 texcoord : TEXCOORD0;"
           " float4 color : COLOR0; };\n"
           "ProbeOut probe_vs(float3 position : POSITION, float4 texcoord : TEXCOORD0,"
           " float4 color : COLOR0) {\n"
           "    ProbeOut o; o.position = float4(position, 1.0); o.texcoord = texcoord;"
           " o.color = color; return o; }\n"
           "technique probe { pass p { VertexShader = compile " +
           vs + " probe_vs(); PixelShader = compile " + compile + "; } }\n";
}

HRESULT CompileShaderFile(IDirect3DDevice9* device, const char* fileName, const char* profile,
                          const char* entry, ID3DXEffect** effect, ID3DXBuffer** errorsOut,
                          const D3DXMACRO* defines) {
    if (effect) *effect = nullptr;
    if (errorsOut) *errorsOut = nullptr;
    auto isName = [](const char* s) {
        if (s == nullptr || *s == '\0' || IsDigit(*s)) return false;
        for (; *s != '\0'; ++s)
            if (!IsIdentChar(*s)) return false;
        return true;
    };
    for (const char* name : {profile, entry}) {
        if (isName(name)) continue;
        if (errorsOut && name != nullptr) {
            *errorsOut = CreateTextBuffer(std::string(fileName ? fileName : "") + ": error: " +
                                          Quote(name) + " is not a name\n");
        }
        return E_INVALIDARG;
    }
    return CreateEffect(device, fileName, false, false, defines, effect, errorsOut,
                        BareShaderTechnique(std::string(profile) + " " + entry + "()", false));
}

EffectLoad* StartEffectLoad(IDirect3DDevice9* device, const char* fileName,
                            const D3DXMACRO* defines) {
    if (device == nullptr || fileName == nullptr) return nullptr;
    auto* load = new EffectLoad(device, fileName);
    TakeLimits(device, load);
    load->macrosRead = ReadHostMacros(defines, &load->hostMacros, load->messages);
    return load;
}

void PrepareEffectLoad(EffectLoad* load) {
    if (platform::GetShaderPrograms(load->device) != nullptr) load->prepared = PrepareEffect(*load);
}

HRESULT FinishEffectLoad(EffectLoad* load, ID3DXEffect** effect, ID3DXBuffer** errors) {
    if (effect) *effect = nullptr;
    if (errors) *errors = nullptr;
    if (load == nullptr || effect == nullptr) return E_INVALIDARG;
    return FinishLoad(load, effect, errors);
}

void DeleteEffectLoad(EffectLoad* load) { delete load; }

}  // namespace fx

HRESULT D3DXCreateEffectFromFileA(IDirect3DDevice9* device, const char* fileName,
                                  const D3DXMACRO* defines, ID3DXInclude* include, DWORD flags,
                                  ID3DXEffectPool* pool, ID3DXEffect** effect,
                                  ID3DXBuffer** errorsOut) {
    (void)include;
    (void)flags;
    (void)pool;
    return fx::CreateEffectFromFile(device, fileName, false, effect, errorsOut, defines);
}
