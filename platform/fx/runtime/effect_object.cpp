// The ID3DXEffect of a loaded effect (see effect_object.h).
//
// Implemented: [x] Begin (with or without saving states) / BeginPass /
//                  EndPass / End, reference counting
//              [x] the globals' initial values written at BeginPass
//              [x] the effect's textures on its samplers' stages, and the
//                  passes' own Texture[n] / Sampler[n] settings
//              [x] parameters and annotations by handle; SetValue of scalars
//                  and vectors, written at BeginPass and CommitChanges
// Not implemented: SetValue of matrices, parameters in i and b registers
// (an int read only as a loop bound, a bool only as an if condition keep
// their initial values), state blocks, effect pools.
#include "platform/fx/runtime/effect_object.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>

#include "platform/fx/runtime/ref_counted.h"
#include "platform/float_to_int.h"

namespace fx {
namespace {

class Effect final : public RefCounted<ID3DXEffect> {
public:
    Effect(IDirect3DDevice9* device, platform::ShaderPrograms* programs,
           platform::DeviceTextures* textures, LoadedEffect loaded)
        : device_(device), programs_(programs), textures_(textures), loaded_(std::move(loaded)) {
        device_->AddRef();
        FindParameterRegisters();
    }

    // >> parameters

    HRESULT GetDesc(D3DXEFFECT_DESC* desc) override {
        if (desc == nullptr) return D3DERR_INVALIDCALL;
        *desc = {"flowfield", static_cast<UINT>(loaded_.parameters.size()),
                 static_cast<UINT>(loaded_.techniques.size()), 0};
        return S_OK;
    }

    D3DXHANDLE GetParameter(D3DXHANDLE parent, UINT index) override {
        if (parent != nullptr || index >= loaded_.parameters.size()) return nullptr;
        return Handle(&loaded_.parameters[index]);
    }

    D3DXHANDLE GetParameterByName(D3DXHANDLE parent, const char* name) override {
        if (parent != nullptr || name == nullptr) return nullptr;
        for (const EffectParameter& p : loaded_.parameters) {
            if (p.name == name) return Handle(&p);
        }
        return nullptr;
    }

    D3DXHANDLE GetAnnotation(D3DXHANDLE object, UINT index) override {
        const EffectParameter* p = FindParameter(object);
        if (p == nullptr || index >= p->annotations.size()) return nullptr;
        return Handle(&p->annotations[index]);
    }

    D3DXHANDLE GetAnnotationByName(D3DXHANDLE object, const char* name) override {
        const EffectParameter* p = FindParameter(object);
        if (p == nullptr || name == nullptr) return nullptr;
        for (const EffectAnnotation& a : p->annotations) {
            if (a.name == name) return Handle(&a);
        }
        return nullptr;
    }

    HRESULT GetParameterDesc(D3DXHANDLE handle, D3DXPARAMETER_DESC* desc) override {
        if (desc == nullptr) return D3DERR_INVALIDCALL;
        if (const EffectParameter* p = FindParameter(handle)) {
            *desc = Describe(p->name, p->shape, static_cast<UINT>(p->annotations.size()));
            return S_OK;
        }
        if (const EffectAnnotation* a = FindAnnotation(handle)) {
            *desc = Describe(a->name, a->shape, 0);
            return S_OK;
        }
        return D3DERR_INVALIDCALL;
    }

    HRESULT SetValue(D3DXHANDLE handle, const void* data, UINT bytes) override {
        EffectParameter* p = FindParameter(handle);
        if (p == nullptr || data == nullptr || p->shape.rows != 1 ||
            bytes < p->value.size() * 4) {
            return D3DERR_INVALIDCALL;
        }
        for (size_t i = 0; i < p->value.size(); ++i) {
            p->value[i] = ReadComponent(p->shape.type, static_cast<const char*>(data) + i * 4);
        }
        const size_t index = static_cast<size_t>(p - loaded_.parameters.data());
        if (std::find(set_.begin(), set_.end(), index) == set_.end()) set_.push_back(index);
        return S_OK;
    }

    HRESULT GetValue(D3DXHANDLE handle, void* data, UINT bytes) override {
        const std::vector<float>* values = nullptr;
        D3DXPARAMETER_TYPE type = D3DXPT_FLOAT;
        if (const EffectParameter* p = FindParameter(handle)) {
            values = &p->value;
            type = p->shape.type;
        } else if (const EffectAnnotation* a = FindAnnotation(handle)) {
            values = &a->values;
            type = a->shape.type;
        }
        if (values == nullptr || type == D3DXPT_STRING || data == nullptr ||
            bytes < values->size() * 4) {
            return D3DERR_INVALIDCALL;
        }
        for (size_t i = 0; i < values->size(); ++i) {
            WriteComponent(type, (*values)[i], static_cast<char*>(data) + i * 4);
        }
        return S_OK;
    }

    HRESULT GetString(D3DXHANDLE handle, const char** text) override {
        const EffectAnnotation* a = FindAnnotation(handle);
        if (a == nullptr || text == nullptr || a->shape.type != D3DXPT_STRING)
            return D3DERR_INVALIDCALL;
        *text = a->text.c_str();
        return S_OK;
    }

    HRESULT CommitChanges() override {
        if (!inPass_) return D3DERR_INVALIDCALL;
        WriteSetParameters();
        WriteConstantStates(loaded_.techniques[current_].passes[pass_]);
        return S_OK;
    }

    // >> techniques and passes

    HRESULT Begin(UINT* passes, DWORD flags) override {
        if (begun_) return D3DERR_INVALIDCALL;
        const std::vector<LoadedPass>& list = loaded_.techniques[current_].passes;
        if (passes) *passes = static_cast<UINT>(list.size());
        savedRender_.clear();
        savedSampler_.clear();
        savedTextures_.clear();
        if ((flags & D3DXFX_DONOTSAVESTATE) == 0) {
            SaveStates(list);
            SaveStageTextures(list);
        }
        begun_ = true;
        return S_OK;
    }

    HRESULT BeginPass(UINT pass) override {
        const std::vector<LoadedPass>& list = loaded_.techniques[current_].passes;
        if (!begun_ || inPass_ || pass >= list.size()) return D3DERR_INVALIDCALL;
        const LoadedPass& p = list[pass];
        programs_->SetShaderProgram(p.program);
        for (const RegisterWrite& w : p.vertexConstants) {
            device_->SetVertexShaderConstantF(w.start, w.values.data(),
                                              static_cast<UINT>(w.values.size() / 4));
        }
        for (const RegisterWrite& w : p.pixelConstants) {
            device_->SetPixelShaderConstantF(w.start, w.values.data(),
                                             static_cast<UINT>(w.values.size() / 4));
        }
        pass_ = pass;
        WriteSetParameters();
        WriteConstantStates(p);
        for (const RenderStateSetting& s : p.states) device_->SetRenderState(s.state, s.value);
        // The sampler_state blocks of the samplers this pass's shaders read,
        // and their textures.
        for (size_t index : p.samplers) {
            const LoadedSampler& sampler = loaded_.samplers[index];
            for (const SamplerStateSetting& s : sampler.states) {
                device_->SetSamplerState(sampler.stage, s.state, s.value);
            }
            if (textures_ != nullptr) textures_->SetStageTexture(sampler.stage, sampler.textureId);
        }
        // Then what the pass puts on texture stages itself (Texture[1] = <T>).
        for (const LoadedStageSetting& setting : p.stageSettings) {
            for (const SamplerStateSetting& s : setting.states) {
                device_->SetSamplerState(setting.stage, s.state, s.value);
            }
            if (setting.setsTexture && textures_ != nullptr)
                textures_->SetStageTexture(setting.stage, setting.textureId);
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
        RestoreStageTextures();
        savedRender_.clear();
        savedSampler_.clear();
        savedTextures_.clear();
        programs_->SetShaderProgram(0);
        return S_OK;
    }

    void Describe(std::vector<EffectTechniqueInfo>* out) const {
        out->clear();
        for (const LoadedTechnique& t : loaded_.techniques) {
            EffectTechniqueInfo info;
            info.name = t.name;
            info.compiled = t.compiled;
            for (const LoadedPass& p : t.passes) info.passes.push_back(DescribePass(p));
            out->push_back(std::move(info));
        }
    }

    HRESULT SelectTechnique(UINT technique) {
        if (begun_ || technique >= loaded_.techniques.size() ||
            !loaded_.techniques[technique].compiled || loaded_.techniques[technique].released) {
            return D3DERR_INVALIDCALL;
        }
        current_ = technique;
        return S_OK;
    }

private:
    static D3DXHANDLE Handle(const void* record) { return static_cast<D3DXHANDLE>(record); }

    // A parameter's handle is its place in the array: found in constant
    // time, however many globals the effect declares.
    EffectParameter* FindParameter(D3DXHANDLE handle) {
        std::vector<EffectParameter>& all = loaded_.parameters;
        if (handle == nullptr || all.empty()) return nullptr;
        const auto* first = reinterpret_cast<const char*>(all.data());
        const auto* at = static_cast<const char*>(handle);
        const std::less<const char*> before;
        if (before(at, first) || !before(at, first + all.size() * sizeof(EffectParameter))) {
            return nullptr;
        }
        const auto offset = static_cast<size_t>(at - first);
        if (offset % sizeof(EffectParameter) != 0) return nullptr;
        return &all[offset / sizeof(EffectParameter)];
    }

    const EffectAnnotation* FindAnnotation(D3DXHANDLE handle) const {
        for (const EffectParameter& p : loaded_.parameters) {
            for (const EffectAnnotation& a : p.annotations) {
                if (handle == Handle(&a)) return &a;
            }
        }
        return nullptr;
    }

    static D3DXPARAMETER_DESC Describe(const std::string& name, const ParameterShape& s,
                                       UINT annotations) {
        const UINT components = s.type == D3DXPT_STRING ? 0 : s.rows * s.columns;
        return {name.c_str(), nullptr, s.cls, s.type, s.type == D3DXPT_STRING ? 0 : s.rows,
                s.type == D3DXPT_STRING ? 0 : s.columns, 0, annotations, 0, 0,
                s.type == D3DXPT_STRING ? static_cast<UINT>(sizeof(const char*)) : components * 4};
    }

    // Ints and bools travel as 32-bit ints; registers hold them as floats.
    static float ReadComponent(D3DXPARAMETER_TYPE type, const char* at) {
        if (type == D3DXPT_FLOAT) {
            float f;
            std::memcpy(&f, at, 4);
            return f;
        }
        int32_t i;
        std::memcpy(&i, at, 4);
        if (type == D3DXPT_BOOL) return i != 0 ? 1.0f : 0.0f;
        return static_cast<float>(i);
    }

    static void WriteComponent(D3DXPARAMETER_TYPE type, float value, char* at) {
        if (type == D3DXPT_FLOAT) {
            std::memcpy(at, &value, 4);
            return;
        }
        // A value past an int's range (or NaN) gives 0x80000000.
        const int32_t i = type == D3DXPT_BOOL ? (value != 0 ? 1 : 0) : FloatToInt32(value);
        std::memcpy(at, &i, 4);
    }

    // For every pass, each parameter's first register in each stage (-1: the
    // stage keeps it in no c register).
    void FindParameterRegisters() {
        starts_.resize(loaded_.techniques.size());
        for (size_t t = 0; t < loaded_.techniques.size(); ++t) {
            for (const LoadedPass& pass : loaded_.techniques[t].passes) {
                std::vector<std::array<const GlobalPlace*, 2>> starts(
                    loaded_.parameters.size(), {nullptr, nullptr});
                for (size_t i = 0; i < loaded_.parameters.size(); ++i) {
                    const std::string& name = loaded_.parameters[i].name;
                    for (const GlobalPlace& g : pass.vertexPlaces) {
                        if (g.name == name) starts[i][0] = &g;
                    }
                    for (const GlobalPlace& g : pass.pixelPlaces) {
                        if (g.name == name) starts[i][1] = &g;
                    }
                }
                starts_[t].push_back(std::move(starts));
            }
        }
    }

    // The parameters SetValue has set, into the registers of the current
    // pass's stages.
    void WriteSetParameters() {
        if (set_.empty()) return;
        const std::vector<std::array<const GlobalPlace*, 2>>& starts = starts_[current_][pass_];
        const LoadedPass& pass = loaded_.techniques[current_].passes[pass_];
        for (size_t index : set_) {
            const EffectParameter& p = loaded_.parameters[index];
            for (size_t stage = 0; stage < 2; ++stage) {
                const GlobalPlace* place = starts[index][stage];
                if (place == nullptr) continue;
                float registers[4] = {0, 0, 0, 0};
                if (place->mask == 0xF) {
                    for (size_t i = 0; i < p.value.size() && i < 4; ++i) registers[i] = p.value[i];
                } else {
                    SharedRegister(stage == 0 ? pass.vertexConstants : pass.pixelConstants, starts,
                                   stage, place->start, registers);
                }
                if (stage == 0) {
                    device_->SetVertexShaderConstantF(place->start, registers, 1);
                } else {
                    device_->SetPixelShaderConstantF(place->start, registers, 1);
                }
            }
        }
    }

    // The pass's VertexShaderConstant / PixelShaderConstant states: a
    // parameter's current value (a matrix a register per column, or per
    // row when it is row_major, as a compiled shader's registers hold it)
    // or the literal.
    void WriteConstantStates(const LoadedPass& pass) {
        for (size_t k = 0; k < pass.constants.size(); ++k) {
            const ConstantSetting& c = pass.constants[k];
            float registers[16] = {};
            int filled = 1;
            if (c.parameter.empty()) {
                const size_t n = std::min<size_t>(c.values.size(), 16);
                std::copy(c.values.begin(), c.values.begin() + static_cast<std::ptrdiff_t>(n),
                          registers);
                filled = static_cast<int>(std::max<size_t>((n + 3) / 4, 1));
            } else {
                const size_t at = k < pass.constantParameters.size() ? pass.constantParameters[k]
                                                                     : LoadedPass::kNoParameter;
                if (at >= loaded_.parameters.size()) continue;
                const EffectParameter* p = &loaded_.parameters[at];
                const UINT rows = p->shape.rows;
                const UINT columns = p->shape.columns;
                if (p->shape.cls == D3DXPC_MATRIX_ROWS) {
                    filled = static_cast<int>(std::min<UINT>(rows, 4));
                    for (UINT row = 0; row < rows && row < 4; ++row)
                        for (UINT col = 0; col < columns && col < 4; ++col)
                            registers[row * 4 + col] = p->value[row * columns + col];
                } else if (p->shape.cls == D3DXPC_MATRIX_COLUMNS) {
                    filled = static_cast<int>(std::min<UINT>(columns, 4));
                    for (UINT col = 0; col < columns && col < 4; ++col)
                        for (UINT row = 0; row < rows && row < 4; ++row)
                            registers[col * 4 + row] = p->value[row * columns + col];
                } else {
                    for (size_t i = 0; i < p->value.size() && i < 4; ++i)
                        registers[i] = p->value[i];
                }
            }
            const UINT count = static_cast<UINT>(c.count > 0 ? std::min(c.count, filled) : filled);
            if (c.vertex) {
                device_->SetVertexShaderConstantF(static_cast<UINT>(c.start), registers, count);
            } else {
                device_->SetPixelShaderConstantF(static_cast<UINT>(c.start), registers, count);
            }
        }
    }

    // A register globals share (packoffset(c0.y)): the initial values
    // BeginPass wrote, each parameter SetValue has set over its components.
    void SharedRegister(const std::vector<RegisterWrite>& initial,
                        const std::vector<std::array<const GlobalPlace*, 2>>& starts, size_t stage,
                        UINT start, float* registers) const {
        for (const RegisterWrite& w : initial) {
            if (w.start == start && w.values.size() == 4)
                std::copy(w.values.begin(), w.values.end(), registers);
        }
        for (size_t index : set_) {
            const GlobalPlace* place = starts[index][stage];
            if (place == nullptr || place->start != start) continue;
            size_t from = 0;
            while (from < 3 && (place->mask & (1u << from)) == 0) ++from;
            const std::vector<float>& value = loaded_.parameters[index].value;
            for (size_t i = 0; i < value.size() && from + i < 4; ++i)
                if ((place->mask & (1u << (from + i))) != 0) registers[from + i] = value[i];
        }
    }

    ~Effect() override {
        for (UINT program : loaded_.programs) programs_->DeleteShaderProgram(program);
        if (textures_ != nullptr) DeleteEffectTextures(textures_, loaded_.textures);
        device_->Release();
    }

    EffectPassInfo DescribePass(const LoadedPass& p) const {
        EffectPassInfo info = p.info;
        for (size_t index : p.samplers) {
            const LoadedSampler& s = loaded_.samplers[index];
            EffectSamplerInfo sampler{s.name, s.stage, s.texture, "", ""};
            if (const LoadedTexture* t = FindTexture(loaded_.textures, s.texture)) {
                sampler.file = t->file;
                sampler.description = t->description;
            }
            info.samplers.push_back(std::move(sampler));
        }
        for (const LoadedStageSetting& s : p.stageSettings) {
            if (!s.setsTexture) continue;
            EffectSamplerInfo sampler{s.state, s.stage, s.texture, "", ""};
            if (const LoadedTexture* t = FindTexture(loaded_.textures, s.texture)) {
                sampler.file = t->file;
                sampler.description = t->description;
            }
            info.samplers.push_back(std::move(sampler));
        }
        return info;
    }

    // What each stage the passes' samplers read holds now, once per stage.
    void SaveStageTextures(const std::vector<LoadedPass>& list) {
        if (textures_ == nullptr) return;
        for (const LoadedPass& pass : list) {
            std::vector<DWORD> stages;
            for (size_t index : pass.samplers) stages.push_back(loaded_.samplers[index].stage);
            for (const LoadedStageSetting& s : pass.stageSettings)
                if (s.setsTexture) stages.push_back(s.stage);
            for (DWORD stage : stages) {
                bool known = std::any_of(savedTextures_.begin(), savedTextures_.end(),
                                         [&](const auto& v) { return v.first == stage; });
                UINT texture = 0;
                if (!known && textures_->GetStageTexture(stage, &texture) == S_OK) {
                    savedTextures_.emplace_back(stage, texture);
                }
            }
        }
    }

    // A texture deleted since Begin cannot go back: its stage gets the stand-in.
    void RestoreStageTextures() {
        for (const auto& [stage, texture] : savedTextures_) {
            if (textures_->SetStageTexture(stage, texture) != S_OK) {
                textures_->SetStageTexture(stage, 0);
            }
        }
    }

    // The device's values of every state the passes and their samplers set.
    void SaveStates(const std::vector<LoadedPass>& list) {
        for (const LoadedPass& pass : list) {
            for (const RenderStateSetting& s : pass.states) {
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
                const LoadedSampler& sampler = loaded_.samplers[index];
                for (const SamplerStateSetting& s : sampler.states) {
                    DWORD value = 0;
                    if (device_->GetSamplerState(sampler.stage, s.state, &value) == S_OK) {
                        savedSampler_.push_back({sampler.stage, s.state, value});
                    }
                }
            }
            for (const LoadedStageSetting& setting : pass.stageSettings) {
                for (const SamplerStateSetting& s : setting.states) {
                    DWORD value = 0;
                    if (device_->GetSamplerState(setting.stage, s.state, &value) == S_OK) {
                        savedSampler_.push_back({setting.stage, s.state, value});
                    }
                }
            }
        }
    }

    struct SavedSamplerState {
        DWORD stage;
        D3DSAMPLERSTATETYPE state;
        DWORD value;
    };

    IDirect3DDevice9* device_;
    platform::ShaderPrograms* programs_;  // the device's
    platform::DeviceTextures* textures_;  // the device's; nullptr when it has none
    LoadedEffect loaded_;
    size_t current_ = 0;  // the first technique, as the program expects
    std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> savedRender_;
    std::vector<SavedSamplerState> savedSampler_;
    std::vector<std::pair<DWORD, UINT>> savedTextures_;  // stage, texture
    bool begun_ = false;
    bool inPass_ = false;
    size_t pass_ = 0;  // the latest BeginPass's
    std::vector<size_t> set_;  // parameters SetValue has set, each once
    // technique, pass, parameter: its place in each stage (into loaded_)
    std::vector<std::vector<std::vector<std::array<const GlobalPlace*, 2>>>> starts_;
};

}  // namespace

ID3DXEffect* CreateEffectObject(IDirect3DDevice9* device, platform::ShaderPrograms* programs,
                                platform::DeviceTextures* textures, LoadedEffect loaded) {
    return new Effect(device, programs, textures, std::move(loaded));
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
