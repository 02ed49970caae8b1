// The ID3DXEffect that D3DXCreateEffectFromFileA makes, from what the
// pipeline loaded (platform/fx internal).
//
// Begin saves the device states the current technique's passes and the
// sampler_state blocks they read set, and the textures on those samplers'
// stages; BeginPass binds a pass's program, writes the initial values of its
// globals into their registers, applies its states and puts each sampler's
// texture on its stage (the opaque black stand-in for a sampler without a
// texture, or whose texture has no file), then the pass's own settings of
// texture stages (Texture[n], Sampler[n]); End restores them. The current
// technique is the first (the program never selects one; tools may, through
// effect_info.h). The effect owns its programs and textures and deletes them
// when it is released.
#pragma once

#include <string>
#include <vector>

#include "platform/fx/3_parse/3_parse_effect.h"
#include "platform/fx/effect_info.h"
#include "platform/fx/runtime/effect_parameters.h"
#include "platform/fx/runtime/effect_textures.h"
#include "platform/gfx/shader_programs.h"

namespace fx {

// A sampler of the effect: the stage it reads, and the states its
// sampler_state block sets there and the texture it puts there at BeginPass.
struct LoadedSampler {
    std::string name;
    DWORD stage = 0;
    std::vector<SamplerStateSetting> states;
    std::string texture;  // the texture its sampler_state names; empty: none
    UINT textureId = 0;   // that texture on the device; 0: the opaque black stand-in
};

// A pass's own setting of a texture stage ("Texture[1] = <T>;", "Sampler[1]
// = (S);", "MinFilter[1] = POINT;"), applied at BeginPass after the samplers
// its shaders read.
struct LoadedStageSetting {
    std::string state;  // as written: "Texture[1]"
    DWORD stage = 0;
    std::vector<SamplerStateSetting> states;
    bool setsTexture = false;
    std::string texture;  // empty: none
    UINT textureId = 0;   // that texture on the device; 0: the opaque black stand-in
};

// Registers the effect writes at BeginPass: the initial values of the
// globals a stage reads, as Direct3D 9's effect framework writes every
// parameter a pass uses (the program's own upload after BeginPass then
// overwrites what it covers).
struct RegisterWrite {
    UINT start = 0;
    std::vector<float> values;  // four per register
};

// Where a stage put a global: its first c register (SetValue and
// CommitChanges write a parameter there).
struct GlobalPlace {
    std::string name;
    UINT start = 0;
    DWORD mask = 0xF;  // its components of a register it shares (packoffset(c0.y))
};

struct LoadedPass {
    std::string name;
    UINT program = 0;  // owned by the effect's program list
    std::vector<RegisterWrite> vertexConstants;
    std::vector<RegisterWrite> pixelConstants;
    std::vector<GlobalPlace> vertexPlaces;
    std::vector<GlobalPlace> pixelPlaces;
    std::vector<RenderStateSetting> states;
    std::vector<LoadedStageSetting> stageSettings;  // in the order written
    std::vector<ConstantSetting> constants;  // VertexShaderConstant4[0] = <M>, ...
    // Each constant state's parameter in the effect's list (kNoParameter: a
    // literal, or a name no parameter has).
    static constexpr size_t kNoParameter = static_cast<size_t>(-1);
    std::vector<size_t> constantParameters;
    std::vector<size_t> samplers;  // the samplers its shaders read, in the effect's list
    std::vector<std::string> samplerNames;  // the same by name, while the effect is built
    EffectPassInfo info;
};

struct LoadedTechnique {
    std::string name;
    bool compiled = false;  // only the first, unless a tool asked for all
    bool released = false;  // compiled, checked and its programs released: never current
    std::vector<LoadedPass> passes;
};

struct LoadedEffect {
    std::vector<LoadedTechnique> techniques;
    std::vector<UINT> programs;  // each once
    std::vector<LoadedSampler> samplers;
    std::vector<LoadedTexture> textures;  // each once
    std::vector<EffectParameter> parameters;
};

// The effect, holding a reference to the device; it takes over the programs
// and the textures (textures may be nullptr when there are none).
ID3DXEffect* CreateEffectObject(IDirect3DDevice9* device, platform::ShaderPrograms* programs,
                                platform::DeviceTextures* textures, LoadedEffect loaded);

}  // namespace fx
