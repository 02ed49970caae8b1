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
// Every stage reports through Message; the caller gets the list's text.
// Passes with the same shaders and arguments are compiled once (each still
// gets a program of its own). Only the first technique is compiled unless a
// tool asks for all (effect_info.h).
#include <algorithm>
#include <map>
#include <memory>
#include <unordered_set>

#include "platform/fx/1_read_file.h"
#include "platform/fx/2_preprocess.h"
#include "platform/fx/1_read_textures.h"
#include "platform/fx/3_parse_effect.h"
#include "platform/fx/4_hlsl_outline.h"
#include "platform/fx/4_rewrite_hlsl.h"
#include "platform/fx/7_link.h"
#include "platform/fx/compiler_child.h"
#include "platform/fx/effect_info.h"
#include "platform/fx/effect_object.h"
#include "platform/fx/fx.h"
#include "platform/fx/fx_buffer.h"
#include "platform/fx/message.h"
#include "platform/shader_conventions.h"

namespace fx {
namespace {

// Which entry point's code holds a place of the effect's HLSL: the
// functions that entry point calls, directly or not.
class CodeOwners {
public:
    explicit CodeOwners(const TokenStream& hlsl) {
        const Code code(hlsl);
        const HlslOutline outline = OutlineHlsl(code);
        for (size_t i = 0; i < code.size(); ++i) {
            places_.insert(Key(hlsl.Pos(code.Token(i))));
            places_.insert(Key(hlsl.EndPos(code.Token(i))));
        }
        std::vector<size_t> index(outline.functions.size(), SIZE_MAX);  // of a definition
        for (size_t f = 0; f < outline.functions.size(); ++f) {
            const FunctionOutline& o = outline.functions[f];
            if (o.body == Declarator::npos) continue;
            index[f] = functions_.size();
            functions_.push_back({std::string(code.Text(o.name)), hlsl.Pos(code.Token(o.returnType)),
                                  hlsl.EndPos(code.Token(o.end)), {}});
        }
        for (size_t f = 0; f < outline.functions.size(); ++f) {
            const FunctionOutline& o = outline.functions[f];
            if (index[f] == SIZE_MAX) continue;
            for (size_t i = o.body; i < o.end; ++i) {
                if (!code.IsIdent(i) || code.Punct(i + 1) != '(') continue;
                for (size_t callee : outline.Functions(code.Text(i))) {
                    if (index[callee] != SIZE_MAX) functions_[index[f]].calls.push_back(index[callee]);
                }
            }
        }
    }

    // The message's entry point: the one that compiled it when its code
    // holds the place, else the first of `entries` whose code does, else
    // none. Messages at places that are no HLSL token's (a compile
    // statement) keep theirs.
    void Tag(const std::vector<std::string>& entries, Message* m) {
        if (m->entry.empty() || m->line <= 0 || places_.count(Key({m->line, m->column, m->file})) == 0)
            return;
        size_t holder = SIZE_MAX;
        for (size_t f = 0; f < functions_.size() && holder == SIZE_MAX; ++f) {
            if (!Before({m->line, m->column, m->file}, functions_[f].first) &&
                !Before(functions_[f].last, {m->line, m->column, m->file}) &&
                functions_[f].first.file == m->file) {
                holder = f;
            }
        }
        const std::string compiledBy = m->entry;
        m->entry.clear();
        if (holder == SIZE_MAX) return;
        if (Reached(compiledBy)[holder]) {
            m->entry = compiledBy;
            return;
        }
        for (const std::string& e : entries) {
            if (Reached(e)[holder]) {
                m->entry = e;
                return;
            }
        }
    }

private:
    struct Function {
        std::string name;
        SourcePos first;  // its return type
        SourcePos last;   // the end of its '}'
        std::vector<size_t> calls;
    };

    std::string Key(const SourcePos& p) const {
        return p.file + "\n" + std::to_string(p.line) + ":" + std::to_string(p.column);
    }
    static bool Before(const SourcePos& a, const SourcePos& b) {
        return a.line < b.line || (a.line == b.line && a.column < b.column);
    }
    // The functions an entry point's code reaches, by index.
    const std::vector<bool>& Reached(const std::string& entry) {
        auto [it, added] = reached_.try_emplace(entry, functions_.size(), false);
        if (!added) return it->second;
        std::vector<size_t> todo;
        for (size_t f = 0; f < functions_.size(); ++f) {
            if (functions_[f].name == entry) todo.push_back(f);
        }
        while (!todo.empty()) {
            const size_t f = todo.back();
            todo.pop_back();
            if (it->second[f]) continue;
            it->second[f] = true;
            for (size_t callee : functions_[f].calls) todo.push_back(callee);
        }
        return it->second;
    }

    std::unordered_set<std::string> places_;
    std::vector<Function> functions_;
    std::map<std::string, std::vector<bool>> reached_;
};

// What the loader keeps while it builds the passes of one effect.
struct PassBuilder {
    platform::ShaderPrograms* device = nullptr;
    RewrittenEffect rewritten;
    PassConventions conventions;
    MessageList* messages = nullptr;
    // By the pass's shaders and arguments: what compiling them gave.
    struct Built {
        LoadedPass pass;
        int64_t slots = 0;
    };
    std::map<std::string, Built> built;
    std::vector<UINT> programs;
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
    PassSources sources;
    if (!RewritePass(b.rewritten, pass, &sources, b.messages)) return false;
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

// "viewProj c4 4" for each global of a stage's table.
std::vector<std::string> RegisterLines(const std::vector<ConstantRegisters>& table) {
    std::vector<std::string> lines;
    for (const ConstantRegisters& r : table) {
        const char set = r.set == RegisterSet::Float ? 'c' : r.set == RegisterSet::Int ? 'i' : 'b';
        lines.push_back(r.name + " " + set + std::to_string(r.start) + " " + std::to_string(r.count));
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
        writes.push_back({static_cast<UINT>(r.start),
                          std::vector<float>(r.values.begin(), r.values.begin() + floats)});
    }
    return writes;
}

// Stages 4 to 7 for one pass.
bool BuildPass(PassBuilder& b, const PassDesc& pass, LoadedPass* out,
               std::vector<std::string>* samplerNames) {
    const std::string key =
        (HasShader(pass.vertexShader) ? EntryText(pass.vertexShader) : std::string("-")) + "|" +
        (HasShader(pass.pixelShader) ? EntryText(pass.pixelShader) : std::string("-"));
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
        out->vertexConstants = same.vertexConstants;
        out->pixelConstants = same.pixelConstants;
        slots = known->second.slots;
    } else {
        CompiledPass compiled;
        if (!CompileGlsl(b, pass, &compiled)) return false;
        glsl = std::move(compiled.glsl);
        *samplerNames = std::move(compiled.samplers);
        slots = compiled.slots;
        vertexRegisters = RegisterLines(compiled.vertexConstants);
        pixelRegisters = RegisterLines(compiled.pixelConstants);
        out->vertexConstants = RegisterWrites(compiled.vertexConstants);
        out->pixelConstants = RegisterWrites(compiled.pixelConstants);
    }
    UINT program = LinkPass(b.device, glsl, slots, pass, b.messages);
    if (program == 0) return false;
    b.programs.push_back(program);
    out->name = pass.name;
    out->program = program;
    out->states = pass.renderStates;
    out->info = PassInfo(pass, glsl[0], glsl[1]);
    out->info.vertex.registers = std::move(vertexRegisters);
    out->info.pixel.registers = std::move(pixelRegisters);
    out->samplerNames = *samplerNames;
    b.built[key] = {*out, slots};
    return true;
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

// Vertex and pixel shaders share one bank of texture stages here (Direct3D 9
// gives vertex shaders four of their own): two samplers of one pass on one
// stage would read the same texture with the same states.
void WarnSharedStages(const LoadedEffect& effect, const PassDesc& pass,
                      const std::vector<size_t>& samplers, MessageList* messages) {
    for (size_t i = 0; i < samplers.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            const LoadedSampler& a = effect.samplers[samplers[j]];
            const LoadedSampler& b = effect.samplers[samplers[i]];
            if (a.stage != b.stage) continue;
            messages->Add(WarningAt(pass.pos, "samplers '" + a.name + "' and '" + b.name +
                                                  "' of pass '" + pass.name + "' share stage " +
                                                  std::to_string(a.stage) +
                                                  " (vertex and pixel shaders share the 16 "
                                                  "stages here); give one another register(sN)"));
        }
    }
}

// Every technique: the first (or all) compiled, the others described.
bool BuildTechniques(PassBuilder& b, const ParsedEffect& parsed, bool allTechniques,
                     LoadedEffect* effect) {
    for (const TechniqueDesc& technique : parsed.techniques) {
        LoadedTechnique loaded;
        loaded.name = technique.name;
        loaded.compiled = allTechniques || effect->techniques.empty();
        for (const PassDesc& pass : technique.passes) {
            LoadedPass p;
            std::vector<std::string> samplerNames;
            if (!loaded.compiled) {
                p.name = pass.name;
                p.info = PassInfo(pass, "", "");
            } else if (!BuildPass(b, pass, &p, &samplerNames)) {
                return false;
            }
            for (size_t i = 0; i < effect->samplers.size(); ++i) {
                for (const std::string& name : samplerNames) {
                    if (name == effect->samplers[i].name) {
                        p.samplers.push_back(i);
                        break;
                    }
                }
            }
            WarnSharedStages(*effect, pass, p.samplers, b.messages);
            loaded.passes.push_back(std::move(p));
        }
        effect->techniques.push_back(std::move(loaded));
    }
    return true;
}

// The images the textures name, within the device's limits.
bool ReadImages(platform::DeviceTextures* device, const char* fileName,
                const ParsedEffect& parsed, std::vector<TextureFile>* images,
                MessageList* messages) {
    platform::TextureLimits limits;
    if (device == nullptr || device->GetTextureLimits(&limits) != 0) {
        for (const TextureDesc& t : parsed.textures) {
            if (!t.resourceName.empty())
                messages->Error(t.resourcePos, "the graphics device cannot hold textures");
        }
        return !messages->HasErrors();
    }
    return ReadTextureFiles(fileName, parsed.textures, limits, images, messages);
}

// Each image on the device, and each sampler given its texture.
bool UploadImages(platform::DeviceTextures* device, std::vector<TextureFile> images,
                  LoadedEffect* effect, MessageList* messages) {
    if (images.empty()) return true;
    if (!CreateEffectTextures(device, std::move(images), &effect->textures, messages)) return false;
    for (LoadedSampler& s : effect->samplers) {
        const LoadedTexture* t = FindTexture(effect->textures, s.texture);
        s.textureId = t != nullptr ? t->id : 0;
    }
    return true;
}

// The pipeline; false with the reasons in messages.
bool LoadEffect(platform::ShaderPrograms* device, platform::DeviceTextures* textures,
                const char* fileName, bool allTechniques, MessageList* messages,
                LoadedEffect* effect) {
    // 1. Read the file.
    std::string source;
    if (!ReadEffectFile(fileName, &source, messages)) return false;

    // 2. Preprocess: includes read, macros expanded, within the load's budget.
    PreprocessedEffect preprocessed = Preprocess(source, IncludeFromFolderOf(fileName), fileName);

    // 3. Parse the effect framework.
    ParsedEffect parsed = ParseEffect(std::move(preprocessed));
    messages->Add(parsed.messages);
    messages->AddUnshown(parsed.unshownErrors, parsed.unshownWarnings);
    if (parsed.HasErrors() || !CheckTechniques(parsed, allTechniques, messages)) return false;

    // 1 again: the image files the textures name.
    std::vector<TextureFile> images;
    if (!ReadImages(textures, fileName, parsed, &images, messages)) return false;

    // 4 to 7, pass by pass: rewrite, compile in the child, link.
    PassBuilder b;
    b.device = device;
    b.messages = messages;
    if (!RewriteEffect(parsed, &b.rewritten, messages)) return false;
    b.conventions.lenient = true;
    std::vector<SamplerStage> stages = AssignSamplerStages(parsed.samplers);
    for (const SamplerStage& s : stages) b.conventions.samplerStages.emplace_back(s.name, s.stage);
    effect->samplers = LoadSamplers(stages);
    bool built = BuildTechniques(b, parsed, allTechniques, effect) &&
                 UploadImages(textures, std::move(images), effect, messages);
    if (!built) {
        for (UINT program : b.programs) device->DeleteShaderProgram(program);
        return false;
    }
    effect->programs = std::move(b.programs);
    return true;
}

}  // namespace

HRESULT CreateEffectFromFile(IDirect3DDevice9* device, const char* fileName, bool allTechniques,
                             ID3DXEffect** effect, ID3DXBuffer** errorsOut) {
    if (effect) *effect = nullptr;
    if (errorsOut) *errorsOut = nullptr;
    if (!device || !fileName || !effect) return E_INVALIDARG;

    MessageList messages(fileName);
    platform::ShaderPrograms* programs = platform::GetShaderPrograms(device);
    platform::DeviceTextures* textures = platform::GetDeviceTextures(device);
    LoadedEffect loaded;
    if (programs == nullptr) messages.Error("the graphics device cannot run shaders");
    if (programs == nullptr ||
        !LoadEffect(programs, textures, fileName, allTechniques, &messages, &loaded)) {
        if (errorsOut) *errorsOut = CreateTextBuffer(messages.Text());
        return E_FAIL;
    }
    *effect = CreateEffectObject(device, programs, textures, std::move(loaded));
    // Warnings ride along on success; the program ignores them.
    if (errorsOut && !messages.Text().empty()) *errorsOut = CreateTextBuffer(messages.Text());
    return S_OK;
}

}  // namespace fx

HRESULT D3DXCreateEffectFromFileA(IDirect3DDevice9* device, const char* fileName,
                                  const D3DXMACRO* defines, ID3DXInclude* include, DWORD flags,
                                  ID3DXEffectPool* pool, ID3DXEffect** effect,
                                  ID3DXBuffer** errorsOut) {
    (void)defines;
    (void)include;
    (void)flags;
    (void)pool;
    return fx::CreateEffectFromFile(device, fileName, false, effect, errorsOut);
}
