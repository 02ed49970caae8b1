// D3DXCreateEffectFromFileA and the ID3DXEffect it makes.
//
// Loading: read the file (with limits: a directory, a FIFO, an empty file, a
// huge file or binary bytes each get a clear message), parse the effect
// framework syntax, check the first technique's passes, compile each pass's
// two entry points in a child process (shader_compiler.h) and link them on
// the device. Every problem becomes one line of text,
// "FILE(LINE,COL): error: MESSAGE (ENTRY)", with the file's true line.
//
// The effect: Begin saves the device states the technique's passes set,
// BeginPass binds a pass's program and applies its states, End restores.
// Only the first technique exists for the program (it never selects one).

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/fx/effect_parser.h"
#include "platform/fx/fx.h"
#include "platform/fx/fx_buffer.h"
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
    void Add(bool error, int line, int column, std::string message, const std::string& entry = "") {
        // One problem, one line: a tool's multi-line message is folded.
        for (char& c : message) {
            if (c == '\n' || c == '\r') c = ' ';
        }
        if (!seen_.insert({error, line, column, message}).second) return;
        std::string where = file_;
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

bool CheckBinding(const fx::PassDesc& pass, const fx::ShaderBinding& binding, fx::ShaderStage stage,
                  ErrorText* errors) {
    const char* what = stage == fx::ShaderStage::Vertex ? "vertex" : "pixel";
    if (!binding.present || binding.null) {
        errors->Error(pass.pos, "pass '" + pass.name + "' has no " + what + " shader");
        return false;
    }
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
    if (!binding.arguments.empty()) {
        errors->Error(binding.pos, "arguments in the compile statement of '" + binding.entry +
                                       "' are not supported");
        return false;
    }
    return true;
}

// >> the effect

struct LoadedPass {
    std::string name;
    UINT program = 0;
    std::vector<fx::RenderStateSetting> states;
};

class Effect final : public ID3DXEffect {
public:
    Effect(IDirect3DDevice9* device, std::vector<LoadedPass> passes)
        : device_(device), passes_(std::move(passes)) {
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
        if (passes) *passes = static_cast<UINT>(passes_.size());
        saved_.clear();
        if ((flags & D3DXFX_DONOTSAVESTATE) == 0) {
            for (const LoadedPass& pass : passes_) {
                for (const fx::RenderStateSetting& s : pass.states) {
                    bool known = std::any_of(saved_.begin(), saved_.end(),
                                             [&](const auto& v) { return v.first == s.state; });
                    DWORD value = 0;
                    if (!known && device_->GetRenderState(s.state, &value) == S_OK) {
                        saved_.emplace_back(s.state, value);
                    }
                }
            }
        }
        begun_ = true;
        return S_OK;
    }

    HRESULT BeginPass(UINT pass) override {
        if (!begun_ || inPass_ || pass >= passes_.size()) return D3DERR_INVALIDCALL;
        const LoadedPass& p = passes_[pass];
        device_->SetShaderProgram(p.program);
        for (const fx::RenderStateSetting& s : p.states) device_->SetRenderState(s.state, s.value);
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
        for (const auto& [state, value] : saved_) device_->SetRenderState(state, value);
        saved_.clear();
        device_->SetShaderProgram(0);
        return S_OK;
    }

private:
    ~Effect() override {
        for (const LoadedPass& p : passes_) {
            if (p.program != 0) device_->DeleteShaderProgram(p.program);
        }
        device_->Release();
    }

    IDirect3DDevice9* device_;
    std::vector<LoadedPass> passes_;
    std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> saved_;
    bool begun_ = false;
    bool inPass_ = false;
    ULONG refs_ = 1;
};

void DeletePrograms(IDirect3DDevice9* device, const std::vector<LoadedPass>& passes) {
    for (const LoadedPass& p : passes) {
        if (p.program != 0) device->DeleteShaderProgram(p.program);
    }
}

// Compiles and links one pass; false with messages in errors.
bool BuildPass(IDirect3DDevice9* device, const std::string& hlsl, const fx::PassDesc& pass,
               LoadedPass* out, ErrorText* errors) {
    std::vector<fx::StageRequest> stages = {
        {fx::ShaderStage::Vertex, pass.vertexShader.entry},
        {fx::ShaderStage::Pixel, pass.pixelShader.entry},
    };
    fx::CompileOutput compiled = fx::CompileShadersIsolated(hlsl, stages);
    for (const fx::CompileMessage& m : compiled.messages) {
        if (m.aboutEntry) {
            const fx::ShaderBinding& b =
                m.entry == pass.vertexShader.entry ? pass.vertexShader : pass.pixelShader;
            errors->Add(m.error, b.pos.line, b.pos.column, m.text, m.entry);
        } else {
            errors->Add(m.error, m.line, m.column, m.text, m.entry);
        }
    }
    if (!compiled.ok || compiled.glsl.size() != 2) {
        if (!errors->HasErrors())
            errors->Error("the shaders of pass '" + pass.name + "' did not compile");
        return false;
    }

    std::string log;
    UINT program = 0;
    if (device->CreateShaderProgram(compiled.glsl[0], compiled.glsl[1], &program, &log) != S_OK ||
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
        if (program != 0) device->DeleteShaderProgram(program);
        return false;
    }
    out->name = pass.name;
    out->program = program;
    out->states = pass.renderStates;
    return true;
}

}  // namespace

HRESULT D3DXCreateEffectFromFileA(IDirect3DDevice9* device, const char* fileName,
                                  const D3DXMACRO* defines, ID3DXInclude* include, DWORD flags,
                                  ID3DXEffectPool* pool, ID3DXEffect** effect,
                                  ID3DXBuffer** errorsOut) {
    (void)defines;
    (void)include;
    (void)flags;
    (void)pool;
    if (effect) *effect = nullptr;
    if (errorsOut) *errorsOut = nullptr;
    if (!device || !fileName || !effect) return E_INVALIDARG;

    ErrorText errors(fileName);
    auto fail = [&]() -> HRESULT {
        if (errorsOut) *errorsOut = fx::CreateTextBuffer(errors.Text());
        return E_FAIL;
    };

    std::string source;
    if (!ReadEffectFile(fileName, &source, &errors) || !CheckText(&source, &errors)) return fail();

    fx::ParsedEffect parsed = fx::ParseEffect(source);
    for (const fx::Diagnostic& d : parsed.diagnostics) {
        errors.Add(d.error, d.pos.line, d.pos.column, d.message);
    }
    if (parsed.HasErrors()) return fail();

    // The current technique is the first; only it is compiled.
    if (parsed.techniques.empty()) {
        errors.Error("the effect has no technique");
        return fail();
    }
    const fx::TechniqueDesc& technique = parsed.techniques.front();
    if (technique.passes.empty()) {
        errors.Error(technique.pos, "technique '" + technique.name + "' has no pass");
        return fail();
    }
    bool bindingsOk = true;
    for (const fx::PassDesc& pass : technique.passes) {
        bindingsOk &= CheckBinding(pass, pass.vertexShader, fx::ShaderStage::Vertex, &errors);
        bindingsOk &= CheckBinding(pass, pass.pixelShader, fx::ShaderStage::Pixel, &errors);
    }
    if (!bindingsOk) return fail();

    std::vector<LoadedPass> passes;
    for (const fx::PassDesc& pass : technique.passes) {
        LoadedPass loaded;
        if (!BuildPass(device, parsed.hlsl, pass, &loaded, &errors)) {
            DeletePrograms(device, passes);
            return fail();
        }
        passes.push_back(std::move(loaded));
    }

    *effect = new Effect(device, std::move(passes));
    // Warnings ride along on success; the program ignores them.
    if (errorsOut && !errors.Text().empty()) *errorsOut = fx::CreateTextBuffer(errors.Text());
    return S_OK;
}
