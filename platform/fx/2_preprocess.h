// Stage 2: the preprocessor (platform/fx internal).
//
// The effect parser (stage 3) reads its tokens through a Preprocessor, which
// handles every directive line as the parser reaches it: #define / #undef
// (object-like macros; function-like ones are remembered as such), #if /
// #ifdef / #ifndef / #elif / #else / #endif (defined(X), integer arithmetic,
// comparisons and logic) and #include. Tokens of inactive branches never
// reach the parser. Directive lines stay in the text that glslang compiles:
// its own preprocessor sees the same #define / #if structure as the file
// has; this one only decides which effect syntax exists.
//
// Where errors are made: inside a technique block, where only this stage
// reads the conditionals, a directive it cannot evaluate or that does not
// pair up is an error; at global scope a condition it cannot evaluate is a
// warning and every branch is read. #include: a missing or unreadable file,
// a file that includes itself, and includes nested too deeply are errors at
// the #include line; an included file's own messages are sorted in there too.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/fx/message.h"
#include "platform/fx/tokenizer.h"

namespace fx {

// Finds the text of an included file by the name its #include line gives.
// Returns false with a reason in *error when there is none.
using IncludeResolver =
    std::function<bool(const std::string& name, std::string* text, std::string* error)>;

// The messages of one file while it is read: kept by byte offset, sorted and
// given their lines and columns at the end. Capped, so that a file of ten
// million stray braces cannot turn into ten million messages.
class FileMessages {
public:
    void Add(size_t offset, Severity severity, std::string text);
    // Messages of an included file, already placed in it, sorted in at the
    // #include line.
    void AddPlaced(size_t offset, std::vector<Message> messages);
    // Past the cap: callers in per-token loops skip building messages.
    bool Full() const { return overflowed_; }
    // In source order, positioned in text (whose messages name file).
    std::vector<Message> Finish(std::string_view text, const std::string& file);

private:
    struct Entry {
        size_t offset;  // where it sorts in this file
        Message message;
        bool placed;  // position already final (it comes from an included file)
    };
    void Push(Entry entry);

    std::vector<Entry> list_;
    bool overflowed_ = false;
};

struct Macro {
    bool functionLike = false;
    std::string body;  // the replacement text, as written
};

// What the effect file and the files it includes share while they are read.
struct PreprocessorState {
    std::unordered_map<std::string, Macro> macros;
    std::vector<std::string> includeStack;  // names of the files being read
    const IncludeResolver* resolver = nullptr;
};

// text with its object-like macros replaced by their bodies, as the macros
// stand now (a macro is not expanded inside itself), tokens separated by
// spaces. False when a function-like macro is used or the text grows past
// a limit.
bool ExpandObjectMacros(std::string_view text, const PreprocessorState& state, std::string* out);

// Reads the included file (stage 3 on its text) and hands back its messages.
using IncludedFileReader =
    std::function<std::vector<Message>(const std::string& name, const std::string& text)>;

class Preprocessor {
public:
    // fileName: "" for the effect file, the #include name for an included one.
    Preprocessor(std::string_view text, std::string fileName, PreprocessorState* state,
                 FileMessages* messages, IncludedFileReader readIncluded);

    // The next token of an active branch that is not a directive; End at the
    // end of the text.
    Token Next();

    // Inside a technique block (what names it in messages: "technique 'T'").
    void EnterTechnique(std::string what) {
        inTechnique_ = true;
        techniqueWhat_ = std::move(what);
    }
    void LeaveTechnique() { inTechnique_ = false; }
    size_t OpenConditionals() const { return cond_.size(); }
    // [begin, end) of every directive line read so far, in order.
    const std::vector<std::pair<size_t, size_t>>& DirectiveSpans() const { return directives_; }

private:
    struct Conditional {
        bool parentActive;  // the lines around the #if are read
        bool active;        // the current branch is read
        bool taken;         // a branch has been chosen
        bool sawElse;
        bool unknown;       // not evaluable: every branch is read
    };

    bool Active() const { return cond_.empty() || cond_.back().active; }
    void HandleDirective(const Token& t);
    void If(const std::string& kind, std::string_view rest, const Token& t);
    void Elif(std::string_view rest, const Token& t);
    void Else(const Token& t);
    int EvaluateCondition(const std::string& kind, std::string_view rest, const Token& t);
    void Define(std::string_view rest);
    void Include(std::string_view rest, const Token& t);
    void DirectiveError(size_t offset, const std::string& message);
    void Error(size_t offset, std::string text) {
        messages_->Add(offset, Severity::Error, std::move(text));
    }

    std::string_view text_;
    std::string fileName_;
    PreprocessorState* state_;
    FileMessages* messages_;
    IncludedFileReader readIncluded_;
    Tokenizer tokenizer_;
    std::vector<std::pair<size_t, size_t>> directives_;
    std::vector<Conditional> cond_;
    bool inTechnique_ = false;
    std::string techniqueWhat_;
};

}  // namespace fx
