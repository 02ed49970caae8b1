// The ID3DXEffect of a loaded effect (see effect_object.h).
//
// Implemented: [x] Begin (with or without saving states) / BeginPass /
//                  EndPass / End, reference counting
//              [x] the globals' initial values written at BeginPass
//              [x] the effect's textures on its samplers' stages
// Not implemented: parameters by name or handle, CommitChanges, state
// blocks, effect pools.
#include "platform/fx/runtime/effect_object.h"

#include <algorithm>

#include "platform/fx/runtime/ref_counted.h"

namespace fx {
namespace {

class Effect final : public RefCounted<ID3DXEffect> {
public:
    Effect(IDirect3DDevice9* device, platform::ShaderPrograms* programs,
           platform::DeviceTextures* textures, LoadedEffect loaded)
        : device_(device), programs_(programs), textures_(textures), loaded_(std::move(loaded)) {
        device_->AddRef();
    }

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
        return info;
    }

    // What each stage the passes' samplers read holds now, once per stage.
    void SaveStageTextures(const std::vector<LoadedPass>& list) {
        if (textures_ == nullptr) return;
        for (const LoadedPass& pass : list) {
            for (size_t index : pass.samplers) {
                const DWORD stage = loaded_.samplers[index].stage;
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
