// Stage 2: the preprocessor (platform/fx internal).
//
// A C-style preprocessor as Direct3D 9's HLSL compiler has one: object-like
// and function-like macros (arguments, nested calls, rescanning, no
// recursion into a macro being expanded, # and ##, __VA_ARGS__), #undef,
// #if / #ifdef / #ifndef / #elif / #else / #endif with defined() and integer
// arithmetic, #include "name" / <name> (through an IncludeResolver, the only
// way this stage reads a file), #error, #line, #pragma once, __LINE__ and
// __FILE__. Its output is the stream of tokens after expansion; the effect
// parser (stage 3) reads it, so macros work inside techniques, passes,
// annotations and sampler_state blocks too. `#pragma pack_matrix(...)`
// stays in the stream, at its place, for glslang; warning, message and def
// are taken and change nothing, and a pragma no compiler of Direct3D 9 knows
// is a warning, as there.
//
// One budget holds for the whole load: the bytes read (an included file
// counts each time it is included), the tokens read and made by macro
// expansion, and the time taken. The first limit reached stops the load
// with one error where it was crossed: the #include or the macro use.
//
// Where errors are made (each at its directive or macro use, in its file):
// a directive that cannot be read or evaluated, conditionals that do not
// pair up within their file, #error, a macro called with the wrong number
// of arguments or never closed, a paste that makes no token, a missing or
// unreadable include, includes nested too deeply (a file that includes
// itself without an include guard), the budget. Warnings: a macro defined
// again differently, an unknown pragma. What a branch not taken holds is
// never reported but for a comment left open (it hides the #endif).
#pragma once

#include <cstddef>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fx/shared/message.h"
#include "platform/fx/shared/token_stream.h"

namespace fx {

// The budget of one load, generous for real effects (a large one is a few
// hundred kilobytes and tokens, read in milliseconds).
constexpr size_t kMaxLoadBytes = 16u << 20;
constexpr size_t kMaxLoadTokens = 4u << 20;
constexpr int kMaxLoadMilliseconds = 2000;

struct LoadBudget {
    size_t bytes = kMaxLoadBytes;
    size_t tokens = kMaxLoadTokens;
    int milliseconds = kMaxLoadMilliseconds;
};

// How deep code may nest, and how long a name or number may be: far past
// real effects, short of where a compiler behind us recurses out of its
// stack or cuts a token (glslang takes names up to 1024 characters; the
// rewrites add prefixes). Nesting counts brackets, braces and, within one
// statement, what nests without them: if, else, for, while, do, switch,
// assignments, ?: and runs of prefix operators (- - x).
constexpr int kMaxNestingDepth = 256;
constexpr size_t kMaxNameLength = 512;
// Binary operators (commas within brackets too) in one expression: glslang
// builds a run of them as a tree as deep as the run is long and walks it by
// recursion, out of its stack near ten thousand. No profile has the slots
// for more than this many operations in one expression.
constexpr int kMaxOperatorsInExpression = 4096;

// Messages of stages 2 and 3 before the rest go unreported.
constexpr size_t kMaxParseMessages = 100;

// Finds the text of an included file by the name its #include line gives.
// Returns false when there is none, with the reason ("No such file or
// directory") as an error at the messages' fallback position; the
// preprocessor says it at the #include line.
using IncludeResolver =
    std::function<bool(const std::string& name, std::string* text, MessageSink& messages)>;

// A message of stages 2 and 3, sorted in before token `before` of the
// stream (its size: at the end).
struct StreamMessage {
    size_t before = 0;
    Message message;
};

// What stage 2 hands to stage 3.
struct PreprocessedEffect {
    // The active tokens, macros expanded, the #pragma lines glslang is to see
    // as Directive tokens.
    TokenStream stream;
    SourcePos end;  // the end of the effect file
    std::vector<StreamMessage> messages;  // the first kMaxParseMessages
    size_t unshownErrors = 0;             // the others, counted
    size_t unshownWarnings = 0;
    // An #include was not read: what it would have declared is missing.
    bool includeFailed = false;
    // A limit of the budget was reached: the tokens stop where it was.
    bool stopped = false;
    // The warnings #pragma warning(disable: N) turns off for the load.
    std::set<int> disabledWarnings;
};

// A macro the host program defines (D3DXCreateEffectFromFileA's defines, a tool's
// -D NAME=VALUE): in effect before the file's first line, as if
// "#define NAME VALUE" stood there. The caller checks that the name is an
// identifier and the value one line.
struct HostMacro {
    std::string name;
    std::string value;
};

// The effect file's text through the preprocessor. Without a resolver every
// #include is an error. effectName is what __FILE__ gives in the effect file.
// The loader spends the default budget; tests may give the clock another.
PreprocessedEffect Preprocess(std::string_view text, const IncludeResolver& resolver,
                              const std::string& effectName = "", LoadBudget budget = {},
                              const std::vector<HostMacro>& hostMacros = {});

// The expanded tokens within kMaxNestingDepth, kMaxOperatorsInExpression and
// kMaxNameLength: the first
// place past one is an error there, and the stream stops at it (Preprocess
// calls it last, before any parser recurses).
void CheckNestingAndNames(PreprocessedEffect* effect);

}  // namespace fx
