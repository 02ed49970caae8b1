// The ID3DXEffect of a loaded effect (see effect_object.h).
//
// Implemented: [x] Begin (with or without saving states) / BeginPass /
//                  EndPass / End, reference counting
//              [x] the globals' initial values written at BeginPass
// Not implemented: parameters by name or handle, CommitChanges, state
// blocks, effect pools.
#include "platform/fx/effect_object.h"

#include <algorithm>

#include "platform/fx/ref_counted.h"

namespace fx {
namespace {

class Effect final : public RefCounted<ID3DXEffect> {
public:
    Effect(IDirect3DDevice9* device, platform::ShaderPrograms* programs, LoadedEffect loaded)
        : device_(device), programs_(programs), loaded_(std::move(loaded)) {
        device_->AddRef();
    }

    HRESULT Begin(UINT* passes, DWORD flags) override {
        if (begun_) return D3DERR_INVALIDCALL;
        const std::vector<LoadedPass>& list = loaded_.techniques[current_].passes;
        if (passes) *passes = static_cast<UINT>(list.size());
        savedRender_.clear();
        savedSampler_.clear();
        if ((flags & D3DXFX_DONOTSAVESTATE) == 0) SaveStates(list);
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
        for (const RenderStateSetting& s : p.states) device_->SetRenderState(s.state, s.value);
        // The sampler_state blocks of the samplers this pass's shaders read.
        for (size_t index : p.samplers) {
            const LoadedSampler& sampler = loaded_.samplers[index];
            for (const SamplerStateSetting& s : sampler.states) {
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
        programs_->SetShaderProgram(0);
        return S_OK;
    }

    void Describe(std::vector<EffectTechniqueInfo>* out) const {
        out->clear();
        for (const LoadedTechnique& t : loaded_.techniques) {
            EffectTechniqueInfo info;
            info.name = t.name;
            info.compiled = t.compiled;
            for (const LoadedPass& p : t.passes) info.passes.push_back(p.info);
            out->push_back(std::move(info));
        }
    }

    HRESULT SelectTechnique(UINT technique) {
        if (begun_ || technique >= loaded_.techniques.size() ||
            !loaded_.techniques[technique].compiled) {
            return D3DERR_INVALIDCALL;
        }
        current_ = technique;
        return S_OK;
    }

private:
    ~Effect() override {
        for (UINT program : loaded_.programs) programs_->DeleteShaderProgram(program);
        device_->Release();
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
        }
    }

    struct SavedSamplerState {
        DWORD stage;
        D3DSAMPLERSTATETYPE state;
        DWORD value;
    };

    IDirect3DDevice9* device_;
    platform::ShaderPrograms* programs_;  // the device's
    LoadedEffect loaded_;
    size_t current_ = 0;  // the first technique, as the program expects
    std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> savedRender_;
    std::vector<SavedSamplerState> savedSampler_;
    bool begun_ = false;
    bool inPass_ = false;
};

}  // namespace

ID3DXEffect* CreateEffectObject(IDirect3DDevice9* device, platform::ShaderPrograms* programs,
                                LoadedEffect loaded) {
    return new Effect(device, programs, std::move(loaded));
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
