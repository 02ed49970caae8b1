// What an effect made by D3DXCreateEffectFromFileA holds, for tools and
// tests (platform/fx internal; the program never includes this).
#pragma once

#include "platform/fx/fx.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fx {

struct EffectStageInfo {
    bool generated = false;  // no shader in the pass: the fixed-function stand-in
    std::string profile;     // vs_3_0, ps_2_0, ...
    std::string entry;       // the entry point with its compile arguments: "VS(1, true)"
    std::string glsl;        // what the device compiled
    // Its constant registers as Direct3D 9 allocates them, one line each:
    // "viewProj c4 4" (name, first register, count), "count i0 1".
    std::vector<std::string> registers;
};

// A sampler the pass's shaders read, and what BeginPass puts on its stage.
struct EffectSamplerInfo {
    std::string name;
    DWORD stage = 0;
    std::string texture;      // the texture its sampler_state names; empty: none
    std::string file;         // that texture's ResourceName; empty: no file, opaque black
    std::string description;  // what the file held: "2D 64 x 64 RGBA8, 7 levels"
};

struct EffectPassInfo {
    std::string name;
    EffectStageInfo vertex;
    EffectStageInfo pixel;
    std::vector<EffectSamplerInfo> samplers;  // in the effect's order; none before compiling
};

struct EffectTechniqueInfo {
    std::string name;
    bool compiled = false;  // false: described from the file only (glsl empty)
    std::vector<EffectPassInfo> passes;
};

// D3DXCreateEffectFromFileA, and with allTechniques every technique is
// compiled (the program's way compiles only the first, the current one).
HRESULT CreateEffectFromFile(IDirect3DDevice9* device, const char* fileName, bool allTechniques,
                             ID3DXEffect** effect, ID3DXBuffer** errors,
                             const D3DXMACRO* defines = nullptr);

// For a checker: every technique compiled and linked as with allTechniques,
// but each one after the first lets its programs go once it is built, so
// that the check holds one technique's programs at a time. GetEffectInfo
// describes them all; only the first can be current.
HRESULT CheckEffectFile(IDirect3DDevice9* device, const char* fileName, ID3DXEffect** effect,
                        ID3DXBuffer** errors, const D3DXMACRO* defines = nullptr);

// D3DXCreateEffectFromFileA in two halves, for a caller that keeps drawing
// while an effect compiles: StartEffectLoad on the device's thread takes
// what it needs of the device; PrepareEffectLoad, on any thread, runs every
// stage up to the GLSL (no call of the device; one at a time, and none
// beside another load); FinishEffectLoad, on the device's thread, links the
// passes, uploads the images and hands out the effect or the errors as
// D3DXCreateEffectFromFileA would. DeleteEffectLoad frees it, finished or
// not (what it holds on the device is only ever in the effect it hands out).
struct EffectLoad;
EffectLoad* StartEffectLoad(IDirect3DDevice9* device, const char* fileName,
                            const D3DXMACRO* defines = nullptr);
void PrepareEffectLoad(EffectLoad* load);
HRESULT FinishEffectLoad(EffectLoad* load, ID3DXEffect** effect, ID3DXBuffer** errors);
void DeleteEffectLoad(EffectLoad* load);

// Every technique of the effect, in file order. False for an object that
// D3DXCreateEffectFromFileA did not make.
bool GetEffectInfo(ID3DXEffect* effect, std::vector<EffectTechniqueInfo>* techniques);

// A file the latest load read or tried to read: the effect file first, then
// each file an #include named and each image a texture's ResourceName
// named, each once.
struct LoadedFile {
    std::string path;   // as opened: the effect's name as given, the others joined to its folder
    bool read = false;  // false: missing, not a regular file, or not read in full
    uint64_t size = 0;  // of what was read
    size_t digest = 0;  // FileDigest of what was read
};

// What LoadedFile keeps of a file's bytes instead of the bytes themselves
// (an image may be megabytes): the same bytes give the same digest within
// one run of the program.
size_t FileDigest(std::string_view bytes);

// The files the latest CreateEffectFromFile (or D3DXCreateEffectFromFileA)
// read, also when it failed. *serial (when not null) counts the loads, so a
// caller can tell a new load from one it has seen.
const std::vector<LoadedFile>& GetLoadedFiles(unsigned* serial);

// How long the latest CreateEffectFromFile (or D3DXCreateEffectFromFileA)
// took, in milliseconds of the wall clock, failed or not.
double GetLastLoadMilliseconds();

// The technique a bare shader (a file or case without one) gets, appended
// after the file's text: one pass compiling "PROFILE ENTRY(ARGS)" for its
// stage. With a partner the other stage is a small shader of its own: for a
// pixel shader, a vertex shader passing POSITION, TEXCOORD0 and COLOR0
// through; for a vertex shader, a pixel shader returning TEXCOORD0 (shader
// model 2 partners for a *_2_* profile, 3 otherwise). Without, the pass holds
// that stage only and the device's stand-in gives the other.
std::string BareShaderTechnique(const std::string& compile, bool partner);

// A command-line shader compile: the file's ENTRY compiled for PROFILE as a
// pass holding only that stage, the file's own techniques ignored (they are
// parsed, never compiled). PROFILE and ENTRY must be names; otherwise
// E_INVALIDARG and a message saying why.
HRESULT CompileShaderFile(IDirect3DDevice9* device, const char* fileName, const char* profile,
                          const char* entry, ID3DXEffect** effect, ID3DXBuffer** errors,
                          const D3DXMACRO* defines = nullptr);

// Makes another compiled technique current (the program always uses the
// first). Not while the effect is between Begin and End.
HRESULT SetEffectTechnique(ID3DXEffect* effect, UINT technique);

}  // namespace fx
