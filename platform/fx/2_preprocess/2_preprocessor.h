// The parts of stage 2 shared by its files (platform/fx internal):
// 2_preprocess.cpp (files, directives, includes, the budget),
// 2_expand_macros.cpp (macro expansion) and 2_if_expression.cpp (#if).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/fx/2_preprocess/2_preprocess.h"

namespace fx {

constexpr size_t kMaxIncludeDepth = 16;
// Macro calls inside the arguments of macro calls, each expanded first.
constexpr int kMaxMacroArgumentNesting = 100;

struct Macro {
    uint32_t name = 0;
    bool functionLike = false;
    bool variadic = false;          // the last parameter is __VA_ARGS__
    std::vector<uint32_t> params;  // text ids
    std::vector<SourceToken> body;  // "##" is one token
    bool active = false;  // being expanded: its name is not expanded again
};

// What the parts of the preprocessor share during one load; its messages
// go into the output, each sorted in before the token that was next.
struct PpState : MessageSink {
    PpState(PreprocessedEffect* out, LoadBudget budget);

    PreprocessedEffect* out;
    TokenTexts& texts;
    std::string effectName;  // __FILE__ in the effect file
    std::vector<Macro> macros;  // every definition made, never moved out
    std::unordered_map<uint32_t, uint32_t> defined;  // name -> its definition now

    // Ids of the texts the preprocessor looks for.
    uint32_t idDefined, idLine, idFile, idVaArgs, idHashHash;

    const Macro* Find(uint32_t name) const {
        auto it = defined.find(name);
        return it == defined.end() ? nullptr : &macros[it->second];
    }
    std::string_view Text(const SourceToken& t) const { return texts.Text(t.text); }
    bool IsPunct(const SourceToken& t, char c) const {
        return t.kind == Tok::Punct && Text(t).size() == 1 && Text(t)[0] == c;
    }
    SourcePos Pos(const SourceToken& t) const { return out->stream.Pos(t); }

    using MessageSink::Error;
    using MessageSink::Warning;
    void Error(const SourceToken& at, std::string text) { Error(Pos(at), std::move(text)); }
    void Warning(const SourceToken& at, std::string text) { Warning(Pos(at), std::move(text)); }
    void AddUnshown(size_t errors, size_t warnings) override;

    // The budget. Each returns false once the load has stopped: the first
    // limit crossed is reported at `at` and nothing more is read.
    // expansion: the tokens a macro made (else ones read from a file).
    bool SpendTokens(size_t count, const SourceToken& at, bool expansion);
    bool SpendBytes(size_t count, const SourceToken& at);
    bool CheckTime(const SourceToken& at);
    void Stop(const SourceToken& at, std::string text);
    bool stopped = false;

private:
    void Put(Message m) override;
    LoadBudget budget_;
    size_t tokens_ = 0;
    size_t bytes_ = 0;
    std::chrono::steady_clock::time_point start_;
};

// Where the expander reads tokens from: the files, or a list.
class TokenSource {
public:
    virtual ~TokenSource() = default;
    // The next token; false at the end.
    virtual bool Next(SourceToken* t) = 0;
};

class ListSource final : public TokenSource {
public:
    explicit ListSource(const std::vector<SourceToken>& list) : list_(list) {}
    bool Next(SourceToken* t) override {
        if (next_ >= list_.size()) return false;
        *t = list_[next_++];
        return true;
    }

private:
    const std::vector<SourceToken>& list_;
    size_t next_ = 0;
};

// Macro expansion over a source: every token it hands out is fully
// expanded. depth counts the argument expansions it is nested in.
class Expander {
public:
    // ifLine: the tokens of a #if line, where the name after a 'defined'
    // that a macro made stays a name.
    Expander(PpState* state, TokenSource* source, int depth = 0, bool ifLine = false)
        : s_(state), source_(source), depth_(depth), ifLine_(ifLine) {}
    ~Expander();
    bool Next(SourceToken* t);

private:
    struct Context {
        std::vector<SourceToken> tokens;
        size_t next = 0;
        int64_t macro = -1;  // the definition this expansion came from
    };
    using Arguments = std::vector<std::vector<SourceToken>>;

    bool Fetch(SourceToken* t);
    void Unread(const SourceToken& t);
    // An empty token list, from a finished context where there is one: a
    // runaway expansion costs no allocation per macro.
    std::vector<SourceToken> TakeList();
    bool CollectArguments(uint32_t macro, const SourceToken& use, Arguments* args);
    bool Substitute(uint32_t macro, const SourceToken& use, const Arguments& args,
                    std::vector<SourceToken>* out);
    void Paste(const SourceToken& use, const std::vector<SourceToken>& right,
               std::vector<SourceToken>* out, bool* leftEmpty);
    SourceToken Stringize(const std::vector<SourceToken>& argument, const SourceToken& use);
    SourceToken Builtin(const SourceToken& t);

    PpState* s_;
    TokenSource* source_;
    int depth_;
    std::vector<Context> contexts_;
    std::vector<std::vector<SourceToken>> spare_;
    bool breakGlue_ = false;  // the next token follows an expansion
    bool ifLine_ = false;
    int afterDefined_ = 0;  // 1 after 'defined', 2 after 'defined ('
};

// The tokens of list, fully expanded on their own (a macro argument, a #if
// or #include line).
void ExpandList(PpState* state, const std::vector<SourceToken>& list, int depth,
                std::vector<SourceToken>* out, bool ifLine = false);

// The value of a #if line's tokens, expanded and with defined(X) replaced.
// When they are no integer constant expression, false and the error
// "cannot evaluate '#DIRECTIVE': REASON" at the messages' fallback position.
bool EvaluateIfExpression(const PpState& state, const std::vector<SourceToken>& tokens,
                          const std::string& directive, int64_t* value, MessageSink& messages);

}  // namespace fx
