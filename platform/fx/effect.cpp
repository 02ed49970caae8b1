// D3DXCreateEffectFromFileA and the ID3DXEffect it makes.
//
// Loading: read the file (with limits: a directory, a FIFO, an empty file, a
// huge file or binary bytes each get a clear message), parse the effect
// framework syntax (#include "name" read from the effect file's folder),
// check every technique's passes, compile each pass's entry points in a
// child process (shader_compiler.h) and link them on the device. Every
// problem becomes one line of text, "FILE(LINE,COL): error: MESSAGE (ENTRY)",
// with the file's true line (an included file's own name and line).
//
// Before glslang sees the HLSL: int / bool globals become floats (they live
// in float registers), and compile arguments ("compile vs_2_0 VS(1, true)")
// become static consts in place of the entry point's uniform parameters. A
// pass without a vertex or a pixel shader gets a generated fixed-function
// stand-in for that stage.
//
// The effect: Begin saves the device states the current technique's passes
// and the effect's sampler_state blocks set, BeginPass binds a pass's program
// and applies its states, End restores. The current technique is the first
// (the program never selects one; tools may, through effect_info.h).

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/fx/effect_info.h"
#include "platform/fx/effect_parser.h"
#include "platform/fx/fx.h"
#include "platform/fx/fx_buffer.h"
#include "platform/fx/hlsl_rewrite.h"
#include "platform/fx/shader_compiler.h"

namespace {

// Effect files are a few kilobytes; anything this large is a mistake.
constexpr size_t kMaxEffectFileBytes = 4u << 20;

// >> error text

class ErrorText {
public:
    explicit ErrorText(std::string file) : file_(std::move(file)) {}

    // line 0: no position. Identical problems found while compiling the
    // second stage of the same source are said once.
    // file: where the line is when it is not the effect file itself.
    void Add(bool error, int line, int column, std::string message, const std::string& entry = "",
             const std::string& file = "") {
        // One problem, one line: a tool's multi-line message is folded.
        for (char& c : message) {
            if (c == '\n' || c == '\r') c = ' ';
        }
        if (!seen_.insert({error, line, column, file + "\n" + message}).second) return;
        std::string where = file.empty() ? file_ : file;
        if (line > 0) {
            where += '(';
            where += std::to_string(line);
            where += ',';
            where += std::to_string(std::max(column, 1));
            where += ')';
        }
        text_ += where + (error ? ": error: " : ": warning: ") + message;
        if (!entry.empty()) text_ += " (" + entry + ")";
        text_ += "\n";
        if (error) errors_ = true;
    }
    void Error(const fx::SourcePos& pos, const std::string& message) {
        Add(true, pos.line, pos.column, message);
    }
    void Error(const std::string& message) { Add(true, 0, 0, message); }
    // A line whose wording is fixed ("main.fx: cannot open file: ...").
    void Raw(const std::string& message) {
        text_ += file_ + ": " + message + "\n";
        errors_ = true;
    }

    bool HasErrors() const { return errors_; }
    const std::string& Text() const { return text_; }

private:
    std::string file_;
    std::string text_;
    bool errors_ = false;
    std::set<std::tuple<bool, int, int, std::string>> seen_;
};

// >> reading the file

bool ReadEffectFile(const char* path, std::string* source, ErrorText* errors) {
    // O_NONBLOCK so that a FIFO named like the effect cannot stall the program.
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        errors->Raw(std::string("cannot open file: ") + std::strerror(errno));
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) != 0) {
        int err = errno;
        close(fd);
        errors->Raw(std::string("cannot open file: ") + std::strerror(err));
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        close(fd);
        errors->Raw(std::string("cannot open file: ") + std::strerror(EISDIR));
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        close(fd);
        errors->Raw("cannot open file: not a regular file");
        return false;
    }
    if (static_cast<unsigned long long>(st.st_size) > kMaxEffectFileBytes) {
        close(fd);
        errors->Error("the file is " + std::to_string(st.st_size) +
                      " bytes long; effect files are limited to " +
                      std::to_string(kMaxEffectFileBytes) + " bytes");
        return false;
    }

    // The size may change while we read; never take more than the limit.
    source->clear();
    char chunk[65536];
    for (;;) {
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            int err = errno;
            close(fd);
            errors->Raw(std::string("cannot read file: ") + std::strerror(err));
            return false;
        }
        if (n == 0) break;
        source->append(chunk, static_cast<size_t>(n));
        if (source->size() > kMaxEffectFileBytes) {
            close(fd);
            errors->Error("the file grew past " + std::to_string(kMaxEffectFileBytes) +
                          " bytes while it was read");
            return false;
        }
    }
    close(fd);
    if (source->empty()) {
        errors->Error("the file is empty");
        return false;
    }
    return true;
}

// Text files hold no control characters besides white space. Checking here
// keeps the compiler from being fed, and then reporting on, binary data.
bool CheckText(std::string* source, ErrorText* errors) {
    // A UTF-8 byte order mark would read as three stray characters.
    if (source->rfind("\xEF\xBB\xBF", 0) == 0) source->replace(0, 3, "   ");
    int line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < source->size(); ++i) {
        unsigned char c = static_cast<unsigned char>((*source)[i]);
        if (c == '\n') {
            ++line;
            lineStart = i + 1;
            continue;
        }
        bool space = c == '\t' || c == '\r' || c == '\f' || c == '\v';
        if ((c < 0x20 && !space) || c == 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", c);
            errors->Add(true, line, static_cast<int>(i - lineStart) + 1,
                        std::string("the file is not text (byte ") + hex + ")");
            return false;
        }
    }
    return true;
}

// >> checking the technique

bool ProfileFits(const std::string& profile, fx::ShaderStage stage) {
    static const char* const kVertex[] = {"vs_1_1", "vs_2_0", "vs_2_a", "vs_2_sw", "vs_3_0"};
    static const char* const kPixel[] = {"ps_2_0", "ps_2_a", "ps_2_b", "ps_2_sw", "ps_3_0"};
    std::string p = profile;
    for (char& c : p) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (stage == fx::ShaderStage::Vertex) {
        return std::find(std::begin(kVertex), std::end(kVertex), p) != std::end(kVertex);
    }
    return std::find(std::begin(kPixel), std::end(kPixel), p) != std::end(kPixel);
}

// A stage the pass leaves out (or sets to null) is generated: the
// fixed-function stand-in. Only a pass with neither shader is an error.
bool CheckBinding(const fx::ShaderBinding& binding, fx::ShaderStage stage, ErrorText* errors) {
    const char* what = stage == fx::ShaderStage::Vertex ? "vertex" : "pixel";
    if (!binding.present || binding.null) return true;
    if (!ProfileFits(binding.profile, stage)) {
        errors->Error(
            binding.pos,
            "unsupported " + std::string(what) + " shader profile '" + binding.profile + "' (" +
                (stage == fx::ShaderStage::Vertex ? "vs_1_1 to vs_3_0" : "ps_2_0 to ps_3_0") +
                " are supported)");
        return false;
    }
    if (binding.entry.empty()) {
        errors->Error(binding.pos, "the compile statement names no entry point");
        return false;
    }
    return true;
}

bool HasShader(const fx::ShaderBinding& b) { return b.present && !b.null; }

std::string EntryText(const fx::ShaderBinding& b) {
    std::string text = b.entry + "(";
    for (size_t i = 0; i < b.arguments.size(); ++i) {
        if (i > 0) text += ", ";
        text += b.arguments[i];
    }
    return text + ")";
}

// >> the files a load read (effect_info.h)

struct LoadRecord {
    unsigned serial = 0;
    std::vector<fx::LoadedFile> files;
};
LoadRecord g_lastLoad;

void NoteFileRead(const std::string& path, bool read, const std::string& bytes) {
    for (const fx::LoadedFile& file : g_lastLoad.files) {
        if (file.path == path) return;
    }
    g_lastLoad.files.push_back({path, read, bytes});
}

// >> includes

// "dir/main.fx" -> "dir/"; "main.fx" -> "".
std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool ReadIncludeFile(const std::string& path, std::string* text, std::string* error) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *error = std::strerror(errno);
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        *error = "not a regular file";
        return false;
    }
    text->clear();
    char chunk[65536];
    for (;;) {
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) break;
        text->append(chunk, static_cast<size_t>(n));
        if (text->size() > kMaxEffectFileBytes) {
            close(fd);
            *error = "longer than " + std::to_string(kMaxEffectFileBytes) + " bytes";
            return false;
        }
    }
    close(fd);
    return true;
}

// >> the effect

struct LoadedPass {
    std::string name;
    UINT program = 0;  // owned by the effect's program list
    std::vector<fx::RenderStateSetting> states;
    std::vector<std::string> samplerNames;  // the samplers its shaders read
    std::vector<size_t> samplers;           // those of them with states, in the effect's list
    fx::EffectPassInfo info;
};

struct LoadedTechnique {
    std::string name;
    bool compiled = false;  // only the first, unless a tool asked for all
    std::vector<LoadedPass> passes;
};

// A sampler of the effect: the stage it reads and the states its
// sampler_state block sets there at BeginPass.
struct LoadedSampler {
    std::string name;
    DWORD stage = 0;
    std::vector<fx::SamplerStateSetting> states;
};

class Effect final : public ID3DXEffect {
public:
    Effect(IDirect3DDevice9* device, std::vector<LoadedTechnique> techniques,
           std::vector<UINT> programs, std::vector<LoadedSampler> samplers)
        : device_(device),
          techniques_(std::move(techniques)),
          programs_(std::move(programs)),
          samplers_(std::move(samplers)) {
        device_->AddRef();
    }

    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        if (refs_ == 0) return 0;
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT Begin(UINT* passes, DWORD flags) override {
        if (begun_) return D3DERR_INVALIDCALL;
        const std::vector<LoadedPass>& list = techniques_[current_].passes;
        if (passes) *passes = static_cast<UINT>(list.size());
        savedRender_.clear();
        savedSampler_.clear();
        if ((flags & D3DXFX_DONOTSAVESTATE) == 0) {
            for (const LoadedPass& pass : list) {
                for (const fx::RenderStateSetting& s : pass.states) {
                    bool known = std::any_of(savedRender_.begin(), savedRender_.end(),
                                             [&](const auto& v) { return v.first == s.state; });
                    DWORD value = 0;
                    if (!known && device_->GetRenderState(s.state, &value) == S_OK) {
                        savedRender_.emplace_back(s.state, value);
                    }
                }
            }
            for (const LoadedPass& pass : list) {
                for (size_t index : pass.samplers) {
                    const LoadedSampler& sampler = samplers_[index];
                    for (const fx::SamplerStateSetting& s : sampler.states) {
                        DWORD value = 0;
                        if (device_->GetSamplerState(sampler.stage, s.state, &value) == S_OK) {
                            savedSampler_.push_back({sampler.stage, s.state, value});
                        }
                    }
                }
            }
        }
        begun_ = true;
        return S_OK;
    }

    HRESULT BeginPass(UINT pass) override {
        const std::vector<LoadedPass>& list = techniques_[current_].passes;
        if (!begun_ || inPass_ || pass >= list.size()) return D3DERR_INVALIDCALL;
        const LoadedPass& p = list[pass];
        device_->SetShaderProgram(p.program);
        for (const fx::RenderStateSetting& s : p.states) device_->SetRenderState(s.state, s.value);
        // The sampler_state blocks of the samplers this pass's shaders read.
        for (size_t index : p.samplers) {
            const LoadedSampler& sampler = samplers_[index];
            for (const fx::SamplerStateSetting& s : sampler.states) {
                device_->SetSamplerState(sampler.stage, s.state, s.value);
            }
        }
        inPass_ = true;
        return S_OK;
    }

    HRESULT EndPass() override {
        if (!inPass_) return D3DERR_INVALIDCALL;
        inPass_ = false;
        return S_OK;
    }

    HRESULT End() override {
        if (!begun_) return D3DERR_INVALIDCALL;
        inPass_ = false;
        begun_ = false;
        for (const auto& [state, value] : savedRender_) device_->SetRenderState(state, value);
        // In reverse, so that a state set twice ends at its first saved value.
        for (auto it = savedSampler_.rbegin(); it != savedSampler_.rend(); ++it) {
            device_->SetSamplerState(it->stage, it->state, it->value);
        }
        savedRender_.clear();
        savedSampler_.clear();
        device_->SetShaderProgram(0);
        return S_OK;
    }

    void Describe(std::vector<fx::EffectTechniqueInfo>* out) const {
        out->clear();
        for (const LoadedTechnique& t : techniques_) {
            fx::EffectTechniqueInfo info;
            info.name = t.name;
            info.compiled = t.compiled;
            for (const LoadedPass& p : t.passes) info.passes.push_back(p.info);
            out->push_back(std::move(info));
        }
    }

    HRESULT SelectTechnique(UINT technique) {
        if (begun_ || technique >= techniques_.size() || !techniques_[technique].compiled) {
            return D3DERR_INVALIDCALL;
        }
        current_ = technique;
        return S_OK;
    }

private:
    ~Effect() override {
        for (UINT program : programs_) device_->DeleteShaderProgram(program);
        device_->Release();
    }

    struct SavedSamplerState {
        DWORD stage;
        D3DSAMPLERSTATETYPE state;
        DWORD value;
    };

    IDirect3DDevice9* device_;
    std::vector<LoadedTechnique> techniques_;
    std::vector<UINT> programs_;
    std::vector<LoadedSampler> samplers_;
    size_t current_ = 0;  // the first technique, as the program expects
    std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> savedRender_;
    std::vector<SavedSamplerState> savedSampler_;
    bool begun_ = false;
    bool inPass_ = false;
    ULONG refs_ = 1;
};

// What the loader knows about the effect while it compiles it.
struct LoadContext {
    IDirect3DDevice9* device = nullptr;
    std::string hlsl;  // integer globals already made floats
    std::vector<fx::ColumnShift> hlslShifts;  // what that moved
    std::vector<fx::IncludeText> includes;
    std::map<std::string, std::vector<fx::ColumnShift>> includeShifts;
    std::string folder;  // the effect file's, for the names of included files
    std::vector<std::pair<std::string, int>> samplerUnits;
    ErrorText* errors = nullptr;
    // Passes with the same shaders and arguments are compiled once (each
    // still gets a program of its own).
    std::map<std::string, std::pair<fx::EffectPassInfo, std::vector<std::string>>> built;
    std::vector<UINT> programs;
};

// The HLSL one stage compiles: compile arguments bound into its entry point.
bool StageSource(LoadContext& ctx, const fx::ShaderBinding& b, std::string* source,
                 std::vector<fx::ColumnShift>* shifts) {
    if (b.arguments.empty()) {
        *source = ctx.hlsl;
        return true;
    }
    std::string error;
    if (!fx::BindUniformArguments(ctx.hlsl, b.entry, b.arguments, source, &error, shifts)) {
        ctx.errors->Error(b.pos, error);
        return false;
    }
    return true;
}

bool CompilePass(LoadContext& ctx, const fx::PassDesc& pass, std::string glsl[2],
                 std::vector<std::string>* samplers);

// Compiles and links one pass; false with messages in the error text.
bool BuildPass(LoadContext& ctx, const fx::PassDesc& pass, LoadedPass* out) {
    ErrorText* errors = ctx.errors;
    const bool vertex = HasShader(pass.vertexShader);
    const bool pixel = HasShader(pass.pixelShader);
    if (!vertex && !pixel) {
        errors->Error(pass.pos, "pass '" + pass.name + "' has neither a vertex nor a pixel shader");
        return false;
    }
    const std::string key = (vertex ? EntryText(pass.vertexShader) : std::string("-")) + "|" +
                            (pixel ? EntryText(pass.pixelShader) : std::string("-"));
    out->name = pass.name;
    out->states = pass.renderStates;
    fx::EffectPassInfo& info = out->info;
    info.name = pass.name;
    std::string glsl[2];
    auto known = ctx.built.find(key);
    if (known != ctx.built.end()) {
        glsl[0] = known->second.first.vertex.glsl;
        glsl[1] = known->second.first.pixel.glsl;
        out->samplerNames = known->second.second;
    } else if (!CompilePass(ctx, pass, glsl, &out->samplerNames)) {
        return false;
    }

    std::string log;
    UINT program = 0;
    if (ctx.device->CreateShaderProgram(glsl[0], glsl[1], &program, &log) != S_OK ||
        program == 0) {
        errors->Error(pass.pos, "the shaders of pass '" + pass.name + "' do not link");
        size_t start = 0;
        while (start < log.size()) {
            size_t end = log.find('\n', start);
            if (end == std::string::npos) end = log.size();
            std::string line = log.substr(start, end - start);
            if (!line.empty() && line.find_first_not_of(" \t\r") != std::string::npos) {
                errors->Error("link: " + line);
            }
            start = end + 1;
        }
        if (program != 0) ctx.device->DeleteShaderProgram(program);
        return false;
    }
    ctx.programs.push_back(program);
    out->program = program;
    info.vertex = {!vertex, vertex ? pass.vertexShader.profile : "",
                   vertex ? EntryText(pass.vertexShader) : "", glsl[0]};
    info.pixel = {!pixel, pixel ? pass.pixelShader.profile : "",
                  pixel ? EntryText(pass.pixelShader) : "", glsl[1]};
    ctx.built[key] = {info, out->samplerNames};
    return true;
}

// glslang and SPIRV-Cross for one pass; the GLSL of its two stages.
bool CompilePass(LoadContext& ctx, const fx::PassDesc& pass, std::string glsl[2],
                 std::vector<std::string>* samplers) {
    ErrorText* errors = ctx.errors;
    const bool vertex = HasShader(pass.vertexShader);
    const bool pixel = HasShader(pass.pixelShader);
    fx::PassRequest request;
    request.includes = ctx.includes;
    request.samplerUnits = ctx.samplerUnits;
    request.lenient = true;
    request.passThroughVertex = !vertex;
    request.passThroughPixel = !pixel;
    std::map<std::string, std::vector<fx::ColumnShift>> stageShifts;  // by entry point
    for (const fx::ShaderBinding* b : {&pass.vertexShader, &pass.pixelShader}) {
        if (!HasShader(*b)) continue;
        std::string source;
        if (!StageSource(ctx, *b, &source, &stageShifts[b->entry])) return false;
        request.stages.push_back({b == &pass.vertexShader ? fx::ShaderStage::Vertex
                                                          : fx::ShaderStage::Pixel,
                                  b->entry});
        request.sources.push_back(std::move(source));
    }

    fx::CompileOutput compiled = fx::CompilePassIsolated(request);
    for (const fx::CompileMessage& m : compiled.messages) {
        if (m.aboutEntry) {
            const fx::ShaderBinding& b =
                vertex && m.entry == pass.vertexShader.entry ? pass.vertexShader
                                                             : pass.pixelShader;
            errors->Add(m.error, b.pos.line, b.pos.column, m.text, m.entry);
        } else {
            // Columns as the file has them, before the loader's rewrites.
            int column = m.column;
            if (m.file.empty()) {
                fx::UndoColumnShifts(stageShifts[m.entry], m.line, &column);
                fx::UndoColumnShifts(ctx.hlslShifts, m.line, &column);
            } else {
                fx::UndoColumnShifts(ctx.includeShifts[m.file], m.line, &column);
            }
            errors->Add(m.error, m.line, column, m.text, m.entry,
                        m.file.empty() ? "" : ctx.folder + m.file);
        }
    }
    if (!compiled.ok || compiled.glsl.size() != 2) {
        if (!errors->HasErrors()) {
            errors->Error(pass.pos, "the shaders of pass '" + pass.name + "' did not compile");
        }
        return false;
    }
    glsl[0] = std::move(compiled.glsl[0]);
    glsl[1] = std::move(compiled.glsl[1]);
    *samplers = std::move(compiled.samplers);
    return true;
}

fx::EffectPassInfo DescribeUncompiled(const fx::PassDesc& pass) {
    fx::EffectPassInfo info;
    info.name = pass.name;
    const bool vertex = HasShader(pass.vertexShader);
    const bool pixel = HasShader(pass.pixelShader);
    info.vertex = {!vertex, vertex ? pass.vertexShader.profile : "",
                   vertex ? EntryText(pass.vertexShader) : "", ""};
    info.pixel = {!pixel, pixel ? pass.pixelShader.profile : "",
                  pixel ? EntryText(pass.pixelShader) : "", ""};
    return info;
}

// Texture stages: register(sN) where the sampler names one, otherwise the
// lowest stage still free, in declaration order.
std::vector<LoadedSampler> AssignSamplerStages(const std::vector<fx::SamplerDesc>& samplers,
                                               std::vector<std::pair<std::string, int>>* units) {
    std::vector<LoadedSampler> loaded;
    std::set<int> taken;
    for (const fx::SamplerDesc& s : samplers) {
        if (s.registerIndex >= 0) taken.insert(s.registerIndex);
    }
    std::set<std::string> seen;
    for (const fx::SamplerDesc& s : samplers) {
        // #if branches may declare the same sampler twice; the first counts.
        if (!seen.insert(s.name).second) continue;
        int unit = s.registerIndex;
        if (unit < 0) {
            unit = 0;
            while (taken.count(unit) != 0) ++unit;
            taken.insert(unit);
        }
        units->emplace_back(s.name, unit);
        if (unit < static_cast<int>(D3D_SAMPLER_STAGES) && !s.states.empty()) {
            loaded.push_back({s.name, static_cast<DWORD>(unit), s.states});
        }
    }
    return loaded;
}

}  // namespace

namespace fx {

const std::vector<LoadedFile>& GetLoadedFiles(unsigned* serial) {
    if (serial != nullptr) *serial = g_lastLoad.serial;
    return g_lastLoad.files;
}

bool GetEffectInfo(ID3DXEffect* effect, std::vector<EffectTechniqueInfo>* techniques) {
    auto* e = dynamic_cast<Effect*>(effect);
    if (e == nullptr || techniques == nullptr) return false;
    e->Describe(techniques);
    return true;
}

HRESULT SetEffectTechnique(ID3DXEffect* effect, UINT technique) {
    auto* e = dynamic_cast<Effect*>(effect);
    if (e == nullptr) return E_INVALIDARG;
    return e->SelectTechnique(technique);
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

HRESULT fx::CreateEffectFromFile(IDirect3DDevice9* device, const char* fileName,
                                 bool allTechniques, ID3DXEffect** effect,
                                 ID3DXBuffer** errorsOut) {
    if (effect) *effect = nullptr;
    if (errorsOut) *errorsOut = nullptr;
    if (!device || !fileName || !effect) return E_INVALIDARG;

    ErrorText errors(fileName);
    auto fail = [&]() -> HRESULT {
        if (errorsOut) *errorsOut = fx::CreateTextBuffer(errors.Text());
        return E_FAIL;
    };

    ++g_lastLoad.serial;
    g_lastLoad.files.clear();
    std::string source;
    bool read = ReadEffectFile(fileName, &source, &errors);
    NoteFileRead(fileName, read, source);
    if (!read || !CheckText(&source, &errors)) return fail();

    // #include "name" is read relative to the effect file's folder.
    const std::string folder = FolderOf(fileName);
    fx::IncludeResolver resolver = [&folder](const std::string& name, std::string* text,
                                             std::string* error) {
        std::string path = !name.empty() && name[0] == '/' ? name : folder + name;
        bool read = ReadIncludeFile(path, text, error);
        NoteFileRead(path, read, *text);
        return read;
    };
    fx::ParsedEffect parsed = fx::ParseEffect(source, resolver);
    for (const fx::Diagnostic& d : parsed.diagnostics) {
        errors.Add(d.error, d.pos.line, d.pos.column, d.message, "",
                   d.file.empty() ? "" : folder + d.file);
    }
    if (parsed.HasErrors()) return fail();

    if (parsed.techniques.empty()) {
        errors.Error("the effect has no technique");
        return fail();
    }
    // The current technique is the first; the program never selects
    // another, so only it is compiled unless a tool asks for all.
    bool bindingsOk = true;
    for (const fx::TechniqueDesc& technique : parsed.techniques) {
        if (!allTechniques && &technique != &parsed.techniques.front()) break;
        if (technique.passes.empty()) {
            errors.Error(technique.pos, "technique '" + technique.name + "' has no pass");
            bindingsOk = false;
        }
        for (const fx::PassDesc& pass : technique.passes) {
            if (!HasShader(pass.vertexShader) && !HasShader(pass.pixelShader)) {
                errors.Error(pass.pos, "pass '" + pass.name +
                                           "' has neither a vertex nor a pixel shader");
                bindingsOk = false;
            }
            bindingsOk &= CheckBinding(pass.vertexShader, fx::ShaderStage::Vertex, &errors);
            bindingsOk &= CheckBinding(pass.pixelShader, fx::ShaderStage::Pixel, &errors);
        }
    }
    if (!bindingsOk) return fail();

    LoadContext ctx;
    ctx.device = device;
    ctx.errors = &errors;
    ctx.folder = folder;
    ctx.hlsl = fx::FloatIntegerGlobals(parsed.hlsl, &ctx.hlslShifts);
    for (const fx::IncludedFile& inc : parsed.includes) {
        ctx.includes.push_back(
            {inc.name, fx::FloatIntegerGlobals(inc.hlsl, &ctx.includeShifts[inc.name])});
    }
    std::vector<LoadedSampler> samplers = AssignSamplerStages(parsed.samplers, &ctx.samplerUnits);

    std::vector<LoadedTechnique> techniques;
    for (const fx::TechniqueDesc& technique : parsed.techniques) {
        LoadedTechnique loaded;
        loaded.name = technique.name;
        loaded.compiled = allTechniques || techniques.empty();
        for (const fx::PassDesc& pass : technique.passes) {
            LoadedPass p;
            if (!loaded.compiled) {
                p.name = pass.name;
                p.info = DescribeUncompiled(pass);
                loaded.passes.push_back(std::move(p));
                continue;
            }
            if (!BuildPass(ctx, pass, &p)) {
                for (UINT program : ctx.programs) device->DeleteShaderProgram(program);
                return fail();
            }
            for (size_t i = 0; i < samplers.size(); ++i) {
                const std::vector<std::string>& names = p.samplerNames;
                if (std::find(names.begin(), names.end(), samplers[i].name) != names.end()) {
                    p.samplers.push_back(i);
                }
            }
            loaded.passes.push_back(std::move(p));
        }
        techniques.push_back(std::move(loaded));
    }

    *effect = new Effect(device, std::move(techniques), std::move(ctx.programs),
                         std::move(samplers));
    // Warnings ride along on success; the program ignores them.
    if (errorsOut && !errors.Text().empty()) *errorsOut = fx::CreateTextBuffer(errors.Text());
    return S_OK;
}
