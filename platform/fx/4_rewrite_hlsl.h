// Stage 4: HLSL rewrites for glslang (platform/fx internal).
//
// glslang's HLSL front end needs some things of Direct3D 9 effects spelled
// differently:
// - "compile vs_2_0 VS(1, true)": the entry point's uniform parameters, in
//   order, take the compile statement's arguments. Each becomes a static
//   const global of its name, declared at the end of the line before the
//   function (or, where that line cannot take it, just before the function),
//   and leaves the parameter list. A sampler parameter stays where it is
//   ("PS(sceneSampler)" with "uniform sampler2D tex"): stage 6 binds it to
//   the texture stage of the sampler it is given.
// Rewrites keep every line where it was; only columns after a rewritten spot on
// its own line may move. This stage owns the map of those moves: each
// stage's source carries a SourceMap that puts what the compiler reports in
// the rewritten text back where the user wrote it. No other stage knows that
// rewrites happened.
//
// Where errors are made: a compile statement whose arguments do not match
// the entry point's uniform parameters (at the compile statement).
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/fx/3_parse_effect.h"
#include "platform/fx/message.h"

namespace fx {

enum class ShaderStage { Vertex, Pixel };

// delta characters were inserted at column (1-based) of line in the
// rewritten text.
struct ColumnShift {
    int line = 0;
    int column = 0;
    int delta = 0;
};

// Maps a column of the rewritten text back, undoing shifts in the reverse
// of the order they were made; a column inside inserted text maps to where
// the insertion was.
void UndoColumnShifts(const std::vector<ColumnShift>& shifts, int line, int* column);

// The compile-arguments rewrite (see above). False with a reason when the
// function is not found or the counts do not match.
// samplerAliases: (parameter, sampler given) for each sampler parameter.
bool BindUniformArguments(
    const std::string& hlsl, const std::string& entry, const std::vector<std::string>& arguments,
    std::string* out, std::string* error, std::vector<ColumnShift>* shifts = nullptr,
    std::vector<std::pair<std::string, std::string>>* samplerAliases = nullptr);

// The text an #include line names, as glslang's includer serves it.
struct IncludeText {
    std::string name;
    std::string text;
};

// From positions in the texts one stage compiles to positions in the
// user's files.
struct SourceMap {
    // The effect file's rewrites, the latest first.
    std::vector<std::vector<ColumnShift>> effectFile;
    // Each included file's, by its #include name.
    std::map<std::string, std::vector<ColumnShift>> includes;

    // message.file: "" for the stage's own text, or the #include name.
    void ToUser(Message* message) const;
};

// The majority a matrix member (of a global, or of a struct) has in the
// source, where glslang loses it (typedefs, #pragma pack_matrix). owner: the
// struct's name; empty for a global.
struct MatrixMajority {
    std::string owner;
    std::string member;
    bool rowMajor = false;
};

// What RewriteGlobals learns of a file's global declarations.
struct GlobalsRewrite {
    std::vector<MatrixMajority> majorities;
    std::vector<std::string> written;  // globals the code writes to
};

// The name a written global's parameter takes in the rewritten text; stage
// 6 gives it its own name back and copies it into the static of that name.
constexpr const char* kWrittenSuffix = "__fxw";

// Global declarations as Direct3D 9 reads them (4_globals.cpp): a
// non-static const global is a parameter (the word is blanked); a cbuffer's
// members are globals (its head and braces blanked, packoffset(cN) as
// register(cN)); a global the code writes to becomes a static of its name
// plus a parameter "NAME__fxw" declared where it was; the majority of each
// matrix global and struct member as row_major / column_major, typedefs and
// #pragma pack_matrix give it. Errors: row_major / column_major on what is
// not a matrix, twice or both. file names the text in messages.
std::string RewriteGlobals(const std::string& hlsl, const std::string& file, GlobalsRewrite* out,
                           std::vector<ColumnShift>* shifts, std::vector<Message>* messages);

// One stage as glslang is to compile it.
struct StageSource {
    ShaderStage stage = ShaderStage::Vertex;
    std::string entry;
    std::string profile;  // "vs_3_0": what bounds the shader's size
    std::string hlsl;
    SourceMap map;
    // Where problems of the entry point as a whole are reported (SPIR-V
    // carries no lines): its compile statement in the effect file.
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
// stages; a stage the pass leaves out gets a generated stand-in later) and
// the included files they share.
struct PassSources {
    std::vector<StageSource> stages;
    std::vector<IncludeText> includes;
};

// The initial values of the globals that have an initializer, each
// flattened in declaration order (components, a matrix row by row,
// elements, members). One that cannot be evaluated is a warning at the
// global and reads zero.
std::map<std::string, std::vector<float>> EvaluateInitializers(
    const std::vector<GlobalInitializer>& initializers, std::vector<Message>* warnings);

// The rewrites every pass of the effect shares.
struct RewrittenEffect {
    std::string hlsl;
    std::vector<ColumnShift> shifts;
    std::vector<IncludeText> includes;
    std::map<std::string, std::vector<ColumnShift>> includeShifts;
    std::map<std::string, std::vector<float>> defaults;
    GlobalsRewrite globals;
};

// False (with the errors in messages) when a declaration is wrong;
// warnings (initial values that cannot be evaluated) go there too.
bool RewriteEffect(const ParsedEffect& parsed, RewrittenEffect* out, MessageList* messages);

// The sources of one pass, compile arguments bound into each entry point.
// False, with the reason at the compile statement, when they do not bind.
bool RewritePass(const RewrittenEffect& effect, const PassDesc& pass, PassSources* out,
                 MessageList* messages);

}  // namespace fx
