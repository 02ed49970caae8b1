// The ID3DXEffect that D3DXCreateEffectFromFileA makes, from what the
// pipeline loaded (platform/fx internal).
//
// Begin saves the device states the current technique's passes and the
// sampler_state blocks they read set; BeginPass binds a pass's program,
// writes the initial values of its globals into their registers and applies
// its states; End restores the states. The current technique is the first
// (the program never selects one; tools may, through effect_info.h). The
// effect owns its programs and deletes them when it is released.
#pragma once

#include <string>
#include <vector>

#include "platform/fx/3_parse_effect.h"
#include "platform/fx/effect_info.h"
#include "platform/gfx/shader_programs.h"

namespace fx {

// A sampler of the effect: the stage it reads and the states its
// sampler_state block sets there at BeginPass.
struct LoadedSampler {
    std::string name;
    DWORD stage = 0;
    std::vector<SamplerStateSetting> states;
};

// Registers the effect writes at BeginPass: the initial values of the
// globals a stage reads, as Direct3D 9's effect framework writes every
// parameter a pass uses (the program's own upload after BeginPass then
// overwrites what it covers).
struct RegisterWrite {
    UINT start = 0;
    std::vector<float> values;  // four per register
};

struct LoadedPass {
    std::string name;
    UINT program = 0;  // owned by the effect's program list
    std::vector<RegisterWrite> vertexConstants;
    std::vector<RegisterWrite> pixelConstants;
    std::vector<RenderStateSetting> states;
    std::vector<size_t> samplers;  // the samplers its shaders read, in the effect's list
    std::vector<std::string> samplerNames;  // the same by name, while the effect is built
    EffectPassInfo info;
};

struct LoadedTechnique {
    std::string name;
    bool compiled = false;  // only the first, unless a tool asked for all
    std::vector<LoadedPass> passes;
};

struct LoadedEffect {
    std::vector<LoadedTechnique> techniques;
    std::vector<UINT> programs;  // each once
    std::vector<LoadedSampler> samplers;
};

// The effect, holding a reference to the device; it takes over the programs.
ID3DXEffect* CreateEffectObject(IDirect3DDevice9* device, platform::ShaderPrograms* programs,
                                LoadedEffect loaded);

}  // namespace fx
