// The tokens the effect compiler hands from stage to stage (platform/fx
// internal): the preprocessor (stage 2) makes them, the effect parser
// (stage 3) takes the effect syntax out, the HLSL rewrites (stage 4) edit
// them and print them as the text glslang compiles.
//
// A token carries its own text (an id into the load's TokenTexts) and its
// origin: file, line and column in the user's files. A token a macro's body
// made sits at the macro's use in the file being read; the tokens of a
// macro's arguments stay where they are written. Tokens are 16 bytes: the
// load's token budget keeps even a hostile file's stream within a few tens
// of megabytes.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/fx/shared/message.h"
#include "platform/fx/shared/tokenizer.h"

namespace fx {

// The text of every token of one load, each distinct text stored once.
class TokenTexts {
public:
    TokenTexts() = default;
    // Not copied: the views and the map's keys point into texts_.
    TokenTexts(const TokenTexts&) = delete;
    TokenTexts& operator=(const TokenTexts&) = delete;
    TokenTexts(TokenTexts&&) = default;
    TokenTexts& operator=(TokenTexts&&) = default;
    uint32_t Id(std::string_view text);
    std::string_view Text(uint32_t id) const { return views_[id]; }
    // How many distinct texts there are (every id is below it).
    size_t size() const { return views_.size(); }

private:
    std::deque<std::string> texts_;  // a deque never moves what it holds
    // texts_ by id, as views: every rewrite reads token texts, and a
    // vector's element is one load away where a deque's takes a division.
    std::vector<std::string_view> views_;
    std::unordered_map<std::string_view, uint32_t> ids_;
};

// SourceToken::flags.
enum : uint8_t {
    // Written right after the token before it, with nothing in between: the
    // two print together ("+" "=" stays "+=").
    kGlued = 1,
    // Made by a macro expansion (or a rewrite): its origin is the macro's
    // use, not where its text was spelled.
    kExpanded = 2,
    // A macro's name met inside its own expansion: never expanded again.
    kNoExpand = 4,
    // Written right after the token before it, but a macro's expansion
    // stands between them (one came out of it): they do not print together,
    // yet a string # makes of them and a file name an #include spells from
    // them have no space there (STR(DIR/a.fxh) is "common/a.fxh").
    kTouching = 8,
};
inline constexpr uint8_t kNotGlued = static_cast<uint8_t>(~kGlued);

struct SourceToken {
    uint32_t text = 0;    // id in the load's TokenTexts
    uint32_t line = 0;    // 1-based, in the file
    uint32_t column = 0;  // 1-based
    uint16_t file = 0;    // index into TokenStream::files; 0: the effect file
    Tok kind = Tok::End;  // Ident, Number, String, Punct, or Directive for a
                          // #pragma line glslang is to see
    uint8_t flags = 0;
};

// The tokens [begin, end) of list as written, one space where the file had
// any: "float2(0.5f, -1)".
std::string SpellTokens(const TokenTexts& texts, const std::vector<SourceToken>& list,
                        size_t begin, size_t end);

// A list of tokens with what gives them meaning: their texts and the names
// of the files they come from.
struct TokenStream {
    std::shared_ptr<TokenTexts> texts = std::make_shared<TokenTexts>();
    // As Message::file names them: "" for the effect file, then each
    // included file by the name its #include line gives.
    std::vector<std::string> files = {""};
    std::vector<SourceToken> tokens;

    std::string_view Text(const SourceToken& t) const { return texts->Text(t.text); }
    SourcePos Pos(const SourceToken& t) const;
    // Where the token's text ends (its position, for a token a macro made).
    SourcePos EndPos(const SourceToken& t) const;
    // A token a rewrite adds, placed at `at` (what the compiler says about
    // it is said about `at`).
    SourceToken Make(Tok kind, std::string_view text, const SourceToken& at) const;
    // The tokens of a text a rewrite adds ("fx_times2x2_(", a definition),
    // all placed at `at`, glued where the text has no space between them.
    std::vector<SourceToken> MakeTokens(const std::string& text, const SourceToken& at) const;
    // The tokens [begin, end) as written (see SpellTokens).
    std::string Spelling(size_t begin, size_t end) const {
        return SpellTokens(*texts, tokens, begin, end);
    }
};

// The one way tokens are edited: replacements of [begin, end) of a token
// list by other tokens, applied together in one pass over the list
// (thousands of edits stay linear), every index as it was before any of
// them. At one place an insertion lands before a replacement, and of two
// insertions the later one first; an edit overlapping the one before it is
// left out. The first token an edit puts in and the token after it are no
// longer glued to what comes before them, so the text printed from the
// list lexes as the tokens say.
struct TokenEdits {
    struct Edit {
        size_t begin, end;
        std::vector<SourceToken> tokens;
    };
    std::vector<Edit> list;

    void Replace(size_t begin, size_t end, std::vector<SourceToken> tokens) {
        list.push_back({begin, end, std::move(tokens)});
    }
    // Applies the edits and clears them.
    void Apply(std::vector<SourceToken>* tokens);
};

}  // namespace fx
