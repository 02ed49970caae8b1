// Stage 3: the effect framework around the HLSL (platform/fx internal).
//
// The parser reads the token stream of stage 2 (macros expanded, includes
// read, inactive lines gone) and finds techniques, passes, compile
// statements, render states, annotations, texture and string globals,
// shader variables and sampler_state blocks. It records them in a
// ParsedEffect and hands on the HLSL tokens with each of those constructs
// taken out. The sampler itself stays, with its register:
// "sampler2D S : register(s1) = sampler_state {...};" becomes
// "sampler2D S : register(s1);". A SamplerState object goes whole; each
// texture it reads with (T.Sample(S, uv)) becomes a sampler of its own,
// declared in the HLSL, and the read a tex2D of it (3_parse_texture_objects).
// Every description and message carries the
// file, line and column its tokens come from, an included file's own.
//
// Globals that are not static and have an initializer are recorded with
// it: the initializer is the global's value until the program writes its
// registers.
//
// Where errors are made: syntax of the effect framework (unexpected tokens,
// unterminated blocks, annotations and strings, invalid state values,
// unknown profiles, a ResourceName or ResourceType that is not a string) as
// the parser meets it; then CheckTechniques, over the whole effect: no
// technique, a pass with neither shader, an unsupported profile.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/fx/2_preprocess/2_preprocess.h"
#include "platform/fx/asm/asm_shader.h"
#include "platform/fx/shared/message.h"
#include "platform/fx/shared/token_stream.h"
#include "platform/gfx/gfx.h"

namespace fx {

// "VertexShader = compile vs_3_0 vs_main();" or "PixelShader = null;".
struct ShaderBinding {
    bool present = false;  // the pass assigns this stage at all
    bool null = false;     // "= null" / "= NULL"
    std::string profile;   // vs_2_0, vs_3_0, ps_2_0, ps_3_0, ... in lower case
    std::string entry;     // the function name
    std::vector<std::string> arguments;  // constant arguments of the call, as written
    std::vector<std::vector<SourceToken>> argumentTokens;  // the same, as tokens
    SourcePos pos;
    // "asm { ... }": shader assembly, assembled into an HLSL function of
    // that entry (pos is the word asm); what it could not assemble, at its
    // place: a technique that uses it is left out.
    bool assembly = false;
    std::string assemblyError;
    SourcePos assemblyErrorPos;
    // The b#, i# and bump states it reads, each at a c register of its own.
    std::vector<AsmStateRegister> assemblyStates;
};

// A stage the pass leaves out or sets to null gets a generated stand-in.
inline bool HasShader(const ShaderBinding& b) { return b.present && !b.null; }
// "VS(1, true)": the entry point with its compile arguments.
std::string EntryText(const ShaderBinding& b);

// A render state set by a pass, already translated to the device's terms.
struct RenderStateSetting {
    D3DRENDERSTATETYPE state;
    DWORD value;
    SourcePos pos;
};

struct SamplerStateSetting {
    D3DSAMPLERSTATETYPE state;
    DWORD value;  // D3DTEXF_*, D3DTADDRESS_* or a D3DCOLOR for the border
    SourcePos pos;
};

// What a pass puts on one texture stage: "Texture[1] = <T>;" its texture,
// "Sampler[1] = (S);" the sampler's states and texture, "MinFilter[1] =
// POINT;" one state. BeginPass applies them after the samplers its shaders
// read, in the order written.
struct StageSetting {
    int stage = 0;
    bool setsTexture = false;
    std::string texture;  // empty with setsTexture: none (the black stand-in)
    std::vector<SamplerStateSetting> states;
    std::string state;  // as written: "Texture[1]", "Sampler[1]", "MinFilter[1]"
    SourcePos pos;
};

// "VertexShaderConstant4[8] = <WorldViewProj>;", "PixelShaderConstantF[0] =
// float4(1, 0, 0, 1);": registers of a stage set at BeginPass, from a
// parameter's current value or from the literal.
struct ConstantSetting {
    bool vertex = true;
    char set = 'c';  // 'b' / 'i': the B and I forms, until the pass maps them
                     // onto the c registers its shader assembly reads
    int start = 0;
    int count = 0;          // registers; 0: as many as the value fills
    std::string parameter;  // empty: values
    std::vector<float> values;
    SourcePos pos;
};

struct PassDesc {
    std::string name;
    SourcePos pos;
    ShaderBinding vertexShader;
    ShaderBinding pixelShader;
    std::vector<RenderStateSetting> renderStates;
    std::vector<StageSetting> stageSettings;  // in the order written
    std::vector<ConstantSetting> constants;   // in the order written
    // "BumpEnvMat00[1] = 0.5;": a stage's M00 M01 M10 M11 LScale LOffset,
    // which the pass's texbem / bem read.
    struct BumpStates {
        int stage = 0;
        float values[6] = {0, 0, 0, 0, 0, 0};
        SourcePos pos;
    };
    std::vector<BumpStates> bumpStates;
};

struct TechniqueDesc {
    std::string name;
    SourcePos pos;
    std::vector<PassDesc> passes;
};

// "texture ColorMap < ... >;" (also texture2D, texture3D, textureCUBE):
// taken out of the HLSL, recorded so that samplers can name it. Its
// annotation may name the image file it holds: < string ResourceName =
// "spark.png"; > (read from the effect file's folder), and the kind of image
// it must be: < string ResourceType = "2D"; > ("1D", "2D", "3D" or "Cube",
// any case).
struct TextureDesc {
    std::string name;
    std::string type;  // as written
    int components = 4;  // of what a read gives: 1 for Texture2D<float>
    SourcePos pos;
    std::string resourceName;  // empty: no file, the texture reads opaque black
    SourcePos resourcePos;     // of the ResourceName string
    std::string resourceType;  // as written; empty when the annotation gives none
    SourcePos resourceTypePos;
};

struct SamplerDesc {
    std::string name;
    std::string type;        // sampler, sampler2D, samplerCUBE, ... as written
    int registerIndex = -1;  // N of register(sN); -1 without one
    std::string texture;     // the texture it names; empty without one
    std::vector<SamplerStateSetting> states;  // in the order written
    SourcePos pos;
};

// "float4 Tint = float4(1, 0.5, 0, 1);": a global that is not static, with
// the initializer that is its value until something writes its registers
// (as the stream has it: macros expanded); or a static const, whose value
// the initializers after it may name.
struct GlobalInitializer {
    std::string name;
    std::string type;  // as written ("float4", "int", "Material")
    std::string value;
    SourcePos pos;
    bool isStatic = false;  // a static const: no register, only a value to name
    int arrayDims = 0;      // "float2 a[2]" 1, "t[2][2]" 2; 0 for no array
};

// An entry of a global's annotation, "float UIMin = 0.01;": its type and
// name as written, and its value (a string's text, or the value's tokens).
struct AnnotationEntry {
    std::string type;
    std::string name;
    std::string value;
    bool isString = false;
    SourcePos pos;
};

// A global declaration that is not static (a function is not one): an
// effect parameter when its type is numeric, with its annotation's entries.
struct GlobalDeclaration {
    std::string name;
    std::string type;  // as written
    bool array = false;
    SourcePos pos;
    std::vector<AnnotationEntry> annotations;
    bool rowMajor = false;  // "row_major float4x4 M": its registers hold rows
};

struct ParsedEffect {
    // The HLSL: the stream's tokens with the effect syntax taken out.
    TokenStream hlsl;
    std::vector<TechniqueDesc> techniques;
    // Techniques left out for shader assembly that did not assemble: what
    // stopped each, and the technique ("technique 'Old'"). Warnings when
    // another technique remains, errors otherwise.
    struct AssemblyFailure {
        SourcePos pos;
        std::string text;
        std::string technique;
    };
    std::vector<AssemblyFailure> assemblyFailures;
    // The HLSL functions (and the globals they read) of the asm shaders that
    // assembled, by entry: each is added only to the text of the stage that
    // runs it, so that other stages see none of its registers.
    struct AssembledCode {
        std::string entry;
        std::vector<SourceToken> tokens;
    };
    std::vector<AssembledCode> assembled;
    std::vector<TextureDesc> textures;
    std::vector<SamplerDesc> samplers;
    std::vector<GlobalInitializer> initializers;  // in the order read
    std::vector<GlobalDeclaration> globals;       // in the order read
};

// Stage 3 on what stage 2 made. The messages of both stages go to messages
// in stream order (what stage 2 said about a place before what stage 3 said
// about it), the first kMaxParseMessages of them, the rest counted. When
// stage 2 stopped at a limit of the load nothing is parsed: its messages
// are all there is.
ParsedEffect ParseEffect(PreprocessedEffect preprocessed, MessageSink& messages);
// Stages 2 and 3 on a text (with a resolver for its includes; without one,
// an #include is an error).
ParsedEffect ParseEffect(std::string_view source, MessageSink& messages,
                         const IncludeResolver& resolver = {});

// The whole effect's rules, checked once: it has a technique; each pass
// (of the first technique, or of all with allTechniques) has a vertex or a
// pixel shader; each compile statement names a supported profile and an
// entry point.
bool CheckTechniques(const ParsedEffect& effect, bool allTechniques, MessageSink& messages);

// The texture stage of each sampler: register(sN) where it names one,
// otherwise the lowest stage still free, in declaration order (#if branches
// may declare a sampler twice; the first counts).
struct SamplerStage {
    std::string name;
    int stage = 0;
    const SamplerDesc* desc = nullptr;  // into the ParsedEffect
};
std::vector<SamplerStage> AssignSamplerStages(const std::vector<SamplerDesc>& samplers);

}  // namespace fx
