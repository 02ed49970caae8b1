// Stage 4: the rewrites of the HLSL tokens, in the one order they run
// (platform/fx internal). RewriteEffect (4_rewrite_hlsl.cpp) and the golden
// tests (tests/fx-corpus/rewrite/*.cases) both run this list; no other copy
// of the order exists.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/fx/3_parse/3_parse_effect.h"
#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_rewrite_hlsl.h"
#include "platform/fx/shared/message.h"
#include "platform/fx/shared/token_stream.h"

namespace fx {

// What the rewrites read and write: the tokens, in place, and the outline
// of the tokens as they are, made again only after a rewrite changed them.
class TokenRewriteState {
public:
    // The entry points and (profile, entry point) pairs are the effect's
    // compile statements.
    TokenRewriteState(const ParsedEffect& parsed, TokenStream* hlsl, GlobalsRewrite* globals,
                      MessageSink& messages);

    TokenStream* hlsl;
    GlobalsRewrite* globals;
    MessageSink& messages;
    std::vector<std::string> entries;
    std::vector<std::pair<std::string, std::string>> compiled;
    // Globals whose initial values are sound constants of their type: the
    // only initialized globals "unused_globals" may take out.
    std::unordered_set<std::string_view> constants;
    // The names the compile statements' arguments give ("PS(Scale)"): the
    // globals they name are used, though no function names them.
    std::vector<std::string> argumentNames;
    // The effect's textures, which stage 3 took out of the HLSL.
    std::vector<std::string> textureNames;

    const Code& code();
    const HlslOutline& outline();
    // The tokens changed: the code and the outline are made again when next
    // asked for.
    void Edited();

private:
    std::optional<Code> code_;
    std::optional<HlslOutline> outline_;
};

// What a check over the code reads, and its errors: a check's class
// derives from it, and the check fails when any error was said.
class TokenCheck {
public:
    explicit TokenCheck(TokenRewriteState& state)
        : code_(state.code()), outline_(state.outline()), state_(state) {}
    bool failed = false;

protected:
    void Error(size_t at, const std::string& text) {
        state_.messages.Error(code_.Pos(at), text);
        failed = true;
    }

    const Code& code_;
    const HlslOutline& outline_;
    TokenRewriteState& state_;
};

struct TokenRewrite {
    const char* name;  // as the golden tests name it
    // False stops the list there: the effect does not compile.
    bool (*run)(TokenRewriteState& state);
};

// The rewrites in order (4_token_rewrites.cpp gives the reason for each
// place).
std::span<const TokenRewrite> TokenRewrites();

// Runs them in order until one fails.
bool RunTokenRewrites(TokenRewriteState& state);

// The rewrites of 4_shape_rewrites.cpp, one entry of the list each.
// Entry points declared before their definition, "export", switch on int(x),
// the rows and columns of matrices read as vectors, implicit truncations:
// one set of edits over one outline.
bool RewriteDeclarationShapes(TokenRewriteState& state);
// Initializer lists flattened as Direct3D 9 reads them.
bool FlattenInitializerLists(TokenRewriteState& state);
// Comparisons and logic of matrices, row by row, the innermost first.
bool RewriteMatrixLogic(TokenRewriteState& state);

}  // namespace fx
