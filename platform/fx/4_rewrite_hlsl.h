// Stage 4: HLSL rewrites for glslang, and the text glslang compiles
// (platform/fx internal).
//
// The rewrites edit the HLSL tokens of stage 3:
// - int, uint, bool and dword globals (scalars and vectors, not static ones)
//   become half, which is a float here. Direct3D 9 keeps such constants in
//   the float register file anyway; glslang would otherwise mix their types
//   into the constant block, which then cannot become the vec4 array
//   indexed by register.
// - "compile vs_2_0 VS(1, true)": the entry point's uniform parameters, in
//   order, take the compile statement's arguments. Each becomes a static
//   const global of its name, declared just before the function, and leaves
//   the parameter list.
// A rewrite replaces, inserts or removes tokens (SpliceTokens); a token it
// adds takes the origin of what it stands for. PrintHlsl then prints the
// tokens as one text, with no #include and no macro left, and a SourceMap
// from every place in that text back to the file, line and column of the
// user's files. This stage owns the map: no other stage knows that
// rewrites happened, and glslang's messages go back through it.
//
// Before them, CheckHlsl finds what Direct3D 9 refuses and glslang would
// take (4_check_hlsl.cpp).
// Where errors are made: a compile statement whose arguments do not match
// the entry point's uniform parameters (at the compile statement).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/fx/3_parse_effect.h"
#include "platform/fx/message.h"
#include "platform/fx/token_stream.h"

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

// The integer globals rewrite (see above), in place.
void FloatIntegerGlobals(TokenStream* hlsl);

// Declarations and statements reshaped as Direct3D 9 reads them
// (4_shape_rewrites.cpp), in place; entries are the effect's entry points.
void RewriteShapes(TokenStream* hlsl, const std::vector<std::string>& entries,
                   std::vector<Message>* warnings);

// The compile-arguments rewrite (see above), in place. False with a reason
// when the function is not found or the counts do not match.
bool BindUniformArguments(TokenStream* hlsl, const std::string& entry,
                          const std::vector<std::vector<SourceToken>>& arguments,
                          std::string* error);

// What Direct3D 9's compiler refuses in the HLSL of an effect whose entry
// points are entries (4_check_hlsl.cpp): false when it found an error.
bool CheckHlsl(const TokenStream& hlsl, const std::vector<std::string>& entries,
               MessageList* messages);

// One stage as glslang is to compile it.
struct StageSource {
    ShaderStage stage = ShaderStage::Vertex;
    std::string entry;
    std::string hlsl;
    SourceMap map;
    // Where problems of the entry point as a whole are reported (SPIR-V
    // carries no lines): its compile statement.
    SourcePos compileStatement;
};

// What stage 4 hands on for one pass: its shaders' sources (one or two
// stages; a stage the pass leaves out gets a generated stand-in later).
struct PassSources {
    std::vector<StageSource> stages;
};

// The rewrites every pass of the effect shares, and their text.
struct RewrittenEffect {
    TokenStream hlsl;
    std::vector<Message> warnings;  // what Direct3D 9 warns about the rewritten code
    HlslText printed;
};

RewrittenEffect RewriteEffect(const ParsedEffect& parsed, const std::vector<std::string>& entries);

// The sources of one pass, compile arguments bound into each entry point.
// False, with the reason at the compile statement, when they do not bind.
bool RewritePass(const RewrittenEffect& effect, const PassDesc& pass, PassSources* out,
                 MessageList* messages);

}  // namespace fx
