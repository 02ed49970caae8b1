// Stage 4: HLSL rewrites for glslang, and the text glslang compiles
// (platform/fx internal).
//
// The rewrites edit the HLSL tokens of stage 3:
// - global declarations as Direct3D 9 reads them (RewriteGlobals, below);
// - "compile vs_2_0 VS(1, true)": the entry point's uniform parameters, in
//   order, take the compile statement's arguments. Each becomes a static
//   const global of its name, declared just before the function, and leaves
//   the parameter list; a global an argument names that is declared below
//   the function moves up with it. A sampler parameter stays where it is
//   ("PS(sceneSampler)" with "uniform sampler2D tex"): stage 6 binds it to
//   the texture stage of the sampler it is given.
// A rewrite replaces, inserts or removes tokens (TokenEdits); a token it
// adds takes the origin of what it stands for. PrintHlsl then prints the
// tokens as one text, with no #include and no macro left, and a SourceMap
// from every place in that text back to the file, line and column of the
// user's files. This stage owns the map: no other stage knows that
// rewrites happened, and glslang's messages go back through it.
//
// The rewrites of the whole effect run in the order of one list
// (4_token_rewrites.h): Direct3D 9's spellings, CheckHlsl (what Direct3D 9
// refuses and glslang would take), the shapes as Direct3D 9 converts them,
// and the globals.
// Where errors are made: a compile statement whose arguments do not match
// the entry point's uniform parameters (at the compile statement);
// row_major / column_major on what is not a matrix, twice or both, and a
// packoffset that names no c register and component (at the word).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/fx/3_parse/3_parse_effect.h"
#include "platform/fx/shared/message.h"
#include "platform/fx/shared/token_stream.h"

namespace fx {

enum class ShaderStage { Vertex, Pixel };

// From places in a printed text to places in the user's files.
struct SourceMap {
    struct Entry {
        uint32_t outLine = 0;    // where the token was printed
        uint32_t outColumn = 0;
        uint32_t line = 0;  // where it comes from
        uint32_t column = 0;
        uint16_t file = 0;   // index into files
        bool exact = false;  // spelled there: the columns after it line up too
    };
    std::vector<std::string> files;  // as TokenStream::files
    std::vector<Entry> entries;      // one per token, in printed order

    // message's line and column, in the printed text, become the user's
    // file, line and column. A map with no entries leaves it as it is.
    void ToUser(Message* message) const;
};

struct HlslText {
    std::string text;
    SourceMap map;
};

// The tokens as one text: each token's line of the file on a line of its
// own, at its column where nothing before it on the line grew; a #pragma on
// a line of its own.
HlslText PrintHlsl(const TokenStream& hlsl);

// The compile-arguments rewrite (see above), in place. False with an error
// at the messages' fallback position (the compile statement) when the
// function is not found or the counts do not match.
// samplerAliases: (parameter, sampler given) for each sampler parameter;
// (parameter, "") for one the statement leaves to the program that names
// no register.
// The sampler parameters of `entry` that a compile statement without
// arguments leaves to the program, each (parameter, "") as above.
void UnboundSamplerParameters(const TokenStream& hlsl, const std::string& entry,
                              std::vector<std::pair<std::string, std::string>>* samplerAliases);

bool BindUniformArguments(
    TokenStream* hlsl, const std::string& entry,
    const std::vector<std::vector<SourceToken>>& arguments, MessageSink& messages,
    std::vector<std::pair<std::string, std::string>>* samplerAliases = nullptr);

// The majority a matrix member (of a global, or of a struct) has in the
// source, where glslang loses it (typedefs, #pragma pack_matrix). owner: the
// struct's name; empty for a global.
struct MatrixMajority {
    std::string owner;
    std::string member;
    bool rowMajor = false;
};

// What RewriteGlobals learns of the global declarations.
struct GlobalsRewrite {
    std::vector<MatrixMajority> majorities;
    std::vector<std::string> written;  // globals the code writes to
    // The samplers of globals of structs that hold them ("m.map" as
    // fx_member_m_dot_map_, an array's by element), which stage 3 did not
    // see: the effect gives them stages as any sampler's.
    std::vector<SamplerDesc> memberSamplers;
};

// The name a written global's parameter takes in the rewritten text; stage
// 6 gives it its own name back and copies it into the static of that name.
constexpr const char* kWrittenSuffix = "__fxw";

// Global declarations as Direct3D 9 reads them (4_globals.cpp), in place: a
// non-static const global is a parameter (the word is taken out); a
// cbuffer's members are globals (its head and braces taken out,
// packoffset(cN) as register(cN), packoffset(cN.y) kept for stage 6 to
// place at the component); a global the code writes to becomes a
// static of its name plus a parameter "NAME__fxw" declared where it was; the
// majority of each matrix global and struct member as row_major /
// column_major, typedefs and #pragma pack_matrix give it. Errors:
// row_major / column_major on what is not a matrix, twice or both.
void RewriteGlobals(TokenStream* hlsl, GlobalsRewrite* out, MessageSink& messages);


// One stage as glslang is to compile it.
struct StageSource {
    ShaderStage stage = ShaderStage::Vertex;
    std::string entry;
    std::string profile;  // "vs_3_0": what bounds the shader's size
    std::string hlsl;
    SourceMap map;
    // Where problems of the entry point as a whole are reported (SPIR-V
    // carries no lines): its compile statement.
    SourcePos compileStatement;
    std::vector<MatrixMajority> majorities;
    std::vector<std::string> written;
    // Sampler parameters of the entry point and the samplers the compile
    // statement gives them.
    std::vector<std::pair<std::string, std::string>> samplerAliases;
    // The initial values of the globals, flattened in declaration order
    // (components, a matrix row by row, elements, members).
    std::map<std::string, std::vector<float>> defaults;
};

// What stage 4 hands on for one pass: its shaders' sources (one or two
// stages; a stage the pass leaves out gets a generated stand-in later).
struct PassSources {
    std::vector<StageSource> stages;
};

// Typedef names of numeric types and the types they stand for ("vec4" ->
// "float4"; "typedef vector<float, 3> v3;" gives "float3").
using TypeAliases = std::map<std::string, std::string, std::less<>>;
TypeAliases NumericTypedefs(const TokenStream& hlsl);

// The initial values of the globals that have an initializer, each
// flattened in declaration order (components, a matrix row by row,
// elements, members), constructors and casts spelled with the typedefs'
// names too. One that cannot be evaluated is a warning at the global and
// reads zero.
std::map<std::string, std::vector<float>> EvaluateInitializers(
    const std::vector<GlobalInitializer>& initializers, MessageSink& warnings,
    const TypeAliases& aliases = {});

// The rewrites every pass of the effect shares, and their text.
struct RewrittenEffect {
    TokenStream hlsl;
    HlslText printed;
    // The initial values of the globals glslang sees, and of every global
    // (the effect's parameters keep theirs whether a shader reads them or not).
    std::map<std::string, std::vector<float>> defaults;
    std::map<std::string, std::vector<float>> parameterDefaults;
    GlobalsRewrite globals;
    std::vector<ParsedEffect::AssembledCode> assembled;  // stage 3's, by entry
};

// False (with the errors in messages) when a declaration is wrong;
// warnings (initial values that cannot be evaluated) go there too.
bool RewriteEffect(const ParsedEffect& parsed, RewrittenEffect* out, MessageSink& messages);

// The sources of one pass, compile arguments bound into each entry point.
// False, with the reason at the compile statement, when they do not bind.
bool RewritePass(const RewrittenEffect& effect, const PassDesc& pass, PassSources* out,
                 MessageSink& messages);

}  // namespace fx
