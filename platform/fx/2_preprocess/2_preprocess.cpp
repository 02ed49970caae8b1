// Stage 2: the preprocessor's files, directives and budget (see
// 2_preprocess.h).
//
// Implemented: [x] #define / #undef, object-like and function-like macros
//                  (2_expand_macros.cpp), __LINE__, __FILE__
//              [x] #if / #ifdef / #ifndef / #elif / #else / #endif
//                  (2_if_expression.cpp), paired within each file
//              [x] #include "name" / <name> / MACRO through the resolver,
//                  each name read once per load, nested up to 16 deep;
//                  an included file's includes beside it first, then
//                  beside each file that included it, '\' as '/',
//                  "a/../b" and "./b" as "b" (one file by two paths)
//              [x] #error, #line N ["name"] (a macro may give them),
//                  #pragma once, #pragma pack_matrix(...) handed on,
//                  warning / message / def taken, others a warning
//              [x] one budget of bytes, tokens and time for the load
// Not implemented: #include_next, #import, trigraphs, digraphs.
//
// Each file is read once, front to back, by the one tokenizer; an included
// file is read again (from memory) each time it is included and costs its
// bytes again. Inactive lines are tokenized only to find the directives.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/fx/2_preprocess/2_preprocessor.h"

namespace fx {

// Distinct files (and #line names) one load may name.
constexpr size_t kMaxLoadFiles = 4096;

// >> what the parts share: messages and the budget

PpState::PpState(PreprocessedEffect* output, LoadBudget budget)
    : out(output),
      texts(*output->stream.texts),
      budget_(budget),
      start_(std::chrono::steady_clock::now()) {
    idDefined = texts.Id("defined");
    idLine = texts.Id("__LINE__");
    idFile = texts.Id("__FILE__");
    idVaArgs = texts.Id("__VA_ARGS__");
    idHashHash = texts.Id("##");
}

void PpState::AddUnshown(size_t errors, size_t warnings) {
    errorTotal_ += errors;
    out->unshownErrors += errors;
    out->unshownWarnings += warnings;
}

void PpState::Put(Message m) {
    if (out->messages.size() >= kMaxParseMessages) {
        ++(m.IsError() ? out->unshownErrors : out->unshownWarnings);
        return;
    }
    out->messages.push_back({out->stream.tokens.size(), std::move(m)});
}

void PpState::Stop(const SourceToken& at, std::string text) {
    if (stopped) return;
    stopped = true;
    out->stopped = true;
    // The limit that stopped the load is shown, in place of the last other.
    if (out->messages.size() >= kMaxParseMessages) {
        ++(out->messages.back().message.IsError() ? out->unshownErrors : out->unshownWarnings);
        out->messages.pop_back();
    }
    Error(at, std::move(text));
}

bool PpState::SpendTokens(size_t count, const SourceToken& at, bool expansion) {
    if (stopped) return false;
    size_t before = tokens_;
    tokens_ += count;
    if (tokens_ > budget_.tokens) {
        Stop(at, std::string(expansion ? "macro expansion" : "the effect") +
                     " goes past the load's limit of " + std::to_string(budget_.tokens) +
                     " tokens here");
        return false;
    }
    // The clock is read every few thousand tokens.
    if ((before >> 12) != (tokens_ >> 12)) return CheckTime(at);
    return true;
}

bool PpState::SpendBytes(size_t count, const SourceToken& at) {
    if (stopped) return false;
    size_t before = bytes_;
    bytes_ += count;
    if (bytes_ > budget_.bytes) {
        Stop(at, "this #include goes past the load's limit of " +
                     std::to_string(budget_.bytes >> 20) +
                     " MiB of text (is a file included over and over without an include "
                     "guard?)");
        return false;
    }
    // The clock is read every 64 KiB.
    if ((before >> 16) != (bytes_ >> 16)) return CheckTime(at);
    return true;
}

bool PpState::CheckTime(const SourceToken& at) {
    if (stopped) return false;
    auto elapsed = std::chrono::steady_clock::now() - start_;
    if (elapsed > std::chrono::milliseconds(budget_.milliseconds)) {
        std::string limit = budget_.milliseconds >= 1000 && budget_.milliseconds % 1000 == 0
                                ? std::to_string(budget_.milliseconds / 1000) + " s"
                                : std::to_string(budget_.milliseconds) + " ms";
        Stop(at, "reading the effect takes longer than the load's limit of " + limit +
                     "; stopped here");
        return false;
    }
    return true;
}

namespace {

// The pragmas Direct3D 9's compiler knows; the others are ignored with a
// warning. Those besides once, pack_matrix, message and warning change
// nothing here: constants come from the effect.
bool KnownPragma(std::string_view name) {
    for (const char* known : {"once", "pack_matrix", "warning", "message", "def"})
        if (IEquals(name, known)) return true;
    return false;
}

// The text of a directive line without its continuations and comments.
std::string LogicalLine(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    size_t i = 0;
    while (i < raw.size()) {
        char c = raw[i];
        if (c == '\\' && i + 1 < raw.size() && raw[i + 1] == '\n') {
            i += 2;
        } else if (c == '\\' && i + 2 < raw.size() && raw[i + 1] == '\r' && raw[i + 2] == '\n') {
            i += 3;
        } else if (c == '/' && i + 1 < raw.size() && raw[i + 1] == '/') {
            break;
        } else if (c == '/' && i + 1 < raw.size() && raw[i + 1] == '*') {
            size_t close = raw.find("*/", i + 2);
            i = close == std::string_view::npos ? raw.size() : close + 2;
            out += ' ';
        } else if (c == '"') {
            size_t start = i++;
            while (i < raw.size() && raw[i] != '"' && raw[i] != '\n') i += (raw[i] == '\\') ? 2 : 1;
            i = std::min(i + 1, raw.size());
            out.append(raw.substr(start, i - start));
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

std::string Trim(std::string s) {
    size_t b = s.find_first_not_of(" \t\r\f\v");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t\r\f\v");
    return s.substr(b, e - b + 1);
}

// A file's text as the includes of one load share it.
struct FileText {
    std::string name;  // as #include names it
    bool found = false;
    std::string text;
    std::string error;  // why it was not found
    std::unique_ptr<LineIndex> lines;
    uint16_t file = 0;
    bool once = false;  // #pragma once: included no more
    bool seen = false;
};

// >> the files being read

class FileReader final : public TokenSource {
public:
    FileReader(PpState* state, const IncludeResolver& resolver, std::string_view text)
        : s_(state), resolver_(resolver), mainLines_(text) {
        TokenTexts& t = s_->texts;
        names_ = {t.Id("if"),     t.Id("ifdef"), t.Id("ifndef"),  t.Id("elif"),
                  t.Id("else"),   t.Id("endif"), t.Id("define"),  t.Id("undef"),
                  t.Id("include"), t.Id("error"), t.Id("line"),   t.Id("pragma"),
                  t.Id("#")};
        files_.push_back(std::make_unique<OpenFile>(this, text, &mainLines_, 0, nullptr));
    }

    bool Next(SourceToken* out) override;
    SourcePos EndOfEffectFile() const {
        SourcePos pos = mainLines_.At(mainText().size());
        return pos;
    }

private:
    struct Conditional {
        SourceToken at;
        std::string kind;   // "#if", "#ifdef", "#ifndef"
        bool parentActive;  // the lines around it are read
        bool active;        // the current branch is read
        bool taken;         // a branch has been chosen
        bool sawElse;
    };

    struct OpenFile {
        OpenFile(FileReader* reader, std::string_view text, const LineIndex* lines, uint16_t file,
                 FileText* source)
            : text(text),
              lines(lines),
              file(file),
              source(source),
              tokenizer(text, [reader, this](size_t offset, const char* message) {
                  // Lines a conditional skips are prose as often as code
                  // ("#if 0 ... don't"): a quote left open there is nothing.
                  if (!Active() && std::string_view(message) == "unterminated string") return;
                  reader->s_->Error(Place(offset, Tok::Punct, 0), message);
              }) {}

        // The same object reading another file: an include read over and
        // over costs no allocation.
        void Restart(std::string_view newText, const LineIndex* newLines, uint16_t newFile,
                     FileText* newSource) {
            text = newText;
            lines = newLines;
            file = newFile;
            source = newSource;
            tokenizer.Restart(newText);
            lineHint = 0;
            prevEnd = std::string_view::npos;
            lineDelta = 0;
            conds.clear();
        }

        SourceToken Place(size_t offset, Tok kind, uint32_t id) {
            SourcePos pos = lines->At(offset, &lineHint);
            SourceToken t;
            t.text = id;
            t.kind = kind;
            t.file = file;
            // Lines after "#line 2147483647" stay on its line: a message's
            // line is an int, and one past it would lose its place.
            int64_t line = static_cast<int64_t>(pos.line) + lineDelta;
            t.line = static_cast<uint32_t>(std::clamp<int64_t>(line, 1, INT32_MAX));
            t.column = static_cast<uint32_t>(pos.column);
            return t;
        }
        bool Active() const { return conds.empty() || conds.back().active; }

        std::string_view text;
        const LineIndex* lines;
        uint16_t file;
        FileText* source;  // what #include read; null for the effect file
        Tokenizer tokenizer;
        size_t lineHint = 0;
        size_t prevEnd = std::string_view::npos;
        int64_t lineDelta = 0;  // #line
        std::vector<Conditional> conds;
    };

    // Ids of the directives' names.
    struct Names {
        uint32_t if_, ifdef, ifndef, elif, else_, endif, define, undef, include, error, line,
            pragma, hash;
    };

    std::string_view mainText() const { return files_.front()->text; }
    // tokens_ and offsets_: the tokens of a directive line after the '#',
    // all placed at the '#', and their offsets in the line.
    void DirectiveTokens(OpenFile& f, const Token& t, const SourceToken& at);
    bool Directive(OpenFile& f, const Token& t, SourceToken* pass);
    void HandleConditional(OpenFile& f, uint32_t name, const SourceToken& at);
    int Evaluate(const std::string& kind, const SourceToken& at);
    // A warning at tokens_[words] when the directive goes on past its
    // words (its name first).
    void ExtraTokens(OpenFile& f, const Token& t, size_t words);
    // #pragma message("TEXT") or #pragma message "TEXT": its text, said
    // at the line as a warning (the way the load prints text to its user).
    void PragmaMessage(const SourceToken& at);
    void PragmaWarning();
    void Define(const SourceToken& at);
    // The parameters of a function-like macro from tokens_[*i], just past
    // its '(': false (said at at) if the list is invalid.
    bool DefineParameters(const SourceToken& at, const std::string& name, Macro* m, size_t* i);
    void Include(OpenFile& f, const Token& t, const SourceToken& at);
    bool IncludeName(OpenFile& f, const Token& t, std::string* name);
    FileText* Read(const std::string& name, const SourceToken& at);
    void Line(OpenFile& f, const Token& t, const SourceToken& at);
    void EndOfFile(OpenFile& f);
    uint16_t FileIndex(const std::string& name, const SourceToken& at);

    PpState* s_;
    const IncludeResolver& resolver_;
    LineIndex mainLines_;
    Names names_;
    std::vector<std::unique_ptr<OpenFile>> files_;
    std::vector<std::unique_ptr<OpenFile>> spareFiles_;  // read to their end
    std::unordered_map<std::string, FileText> cache_;  // by #include name
    std::unordered_map<uint32_t, FileText*> quoted_;    // by the id of "name"
    std::vector<SourceToken> tokens_;
    std::vector<size_t> offsets_;
    size_t directives_ = 0;
};

bool FileReader::Next(SourceToken* out) {
    while (!s_->stopped) {
        OpenFile& f = *files_.back();
        Token t = f.tokenizer.Next();
        if (t.kind == Tok::End) {
            EndOfFile(f);
            if (files_.size() == 1) return false;
            spareFiles_.push_back(std::move(files_.back()));
            files_.pop_back();
            continue;
        }
        if (t.kind == Tok::Directive) {
            if (Directive(f, t, out)) return true;
            continue;
        }
        if (!f.Active()) continue;
        *out = f.Place(t.begin, t.kind, s_->texts.Id(f.text.substr(t.begin, t.end - t.begin)));
        if (f.prevEnd == t.begin) out->flags = kGlued;
        f.prevEnd = t.end;
        if (!s_->SpendTokens(1, *out, false)) return false;
        return true;
    }
    return false;
}

void FileReader::EndOfFile(OpenFile& f) {
    for (const Conditional& c : f.conds) s_->Error(c.at, c.kind + " without #endif");
    f.conds.clear();
}

void FileReader::DirectiveTokens(OpenFile& f, const Token& t, const SourceToken& at) {
    std::string_view line = f.text.substr(t.begin + 1, t.end - t.begin - 1);
    TokenizerOptions options;
    options.directives = false;
    Tokenizer tokenizer(line, {}, options);
    tokens_.clear();
    offsets_.clear();
    size_t prevEnd = std::string_view::npos;
    for (Token d = tokenizer.Next(); d.kind != Tok::End; d = tokenizer.Next()) {
        SourceToken s = at;
        s.kind = d.kind;
        s.text = s_->texts.Id(line.substr(d.begin, d.end - d.begin));
        s.flags = prevEnd == d.begin ? kGlued : 0;
        prevEnd = d.end;
        tokens_.push_back(s);
        offsets_.push_back(d.begin);
    }
}

// True when the directive hands a token on (a #pragma for glslang).
bool FileReader::Directive(OpenFile& f, const Token& t, SourceToken* pass) {
    f.prevEnd = std::string_view::npos;
    SourceToken at = f.Place(t.begin, Tok::Punct, names_.hash);
    // The clock is read every few dozen directives.
    if (++directives_ % 64 == 0 && !s_->CheckTime(at)) return false;
    DirectiveTokens(f, t, at);
    if (tokens_.empty()) return false;  // "#" alone does nothing
    const std::vector<SourceToken>& tokens = tokens_;
    const Names& n = names_;
    const uint32_t name = tokens[0].kind == Tok::Ident ? tokens[0].text : n.hash;
    if (name == n.if_ || name == n.ifdef || name == n.ifndef || name == n.elif ||
        name == n.else_ || name == n.endif) {
        // Read where the lines around it are: what follows a name is a
        // warning, as C compilers give it (#endif FOO).
        const bool read = name == n.else_ || name == n.endif
                              ? (f.conds.empty() || f.conds.back().parentActive)
                              : f.Active();
        const size_t words = name == n.else_ || name == n.endif ? 1
                             : name == n.ifdef || name == n.ifndef ? 2
                                                                  : tokens.size();
        if (read) ExtraTokens(f, t, words);
        HandleConditional(f, name, at);
        return false;
    }
    if (!f.Active()) return false;
    if (name == n.define) {
        Define(at);
    } else if (name == n.undef) {
        if (tokens.size() < 2 || tokens[1].kind != Tok::Ident) {
            s_->Error(at, "#undef needs a macro name");
        } else {
            ExtraTokens(f, t, 2);
            s_->defined.erase(tokens[1].text);
        }
    } else if (name == n.include) {
        Include(f, t, at);
    } else if (name == n.error) {
        std::string_view raw = f.text.substr(t.begin + 1, t.end - t.begin - 1);
        std::string text = Trim(LogicalLine(raw.substr(offsets_[0] + 5)));
        s_->Error(at, text.empty() ? "#error" : "#error: " + text);
    } else if (name == n.line) {
        Line(f, t, at);
    } else if (tokens[0].kind == Tok::Number) {
        // "# 12 "file" 1": the line marker of a C preprocessor's output, an
        // effect run through one before it came here, read as #line.
        tokens_.insert(tokens_.begin(), tokens_[0]);
        Line(f, t, at);
    } else if (name == n.pragma) {
        if (tokens.size() >= 2 && IEquals(s_->Text(tokens[1]), "once")) {
            if (f.source) f.source->once = true;
        } else if (tokens.size() >= 2 && IEquals(s_->Text(tokens[1]), "pack_matrix")) {
            // glslang reads this one; it stays where it is, its argument
            // expanded (#pragma pack_matrix(MAJORITY) of a host macro).
            std::vector<SourceToken> expanded(tokens.begin(), tokens.begin() + 2);
            ExpandList(s_, std::vector<SourceToken>(tokens.begin() + 2, tokens.end()), 0, &expanded);
            if (s_->stopped) return false;
            std::string text = "#pragma " + SpellTokens(s_->texts, expanded, 1, expanded.size());
            *pass = at;
            pass->kind = Tok::Directive;
            pass->text = s_->texts.Id(text);
            return s_->SpendTokens(1, at, false);
        } else if (tokens.size() >= 2 && IEquals(s_->Text(tokens[1]), "message")) {
            PragmaMessage(at);
        } else if (tokens.size() >= 2 && IEquals(s_->Text(tokens[1]), "warning")) {
            PragmaWarning();
        } else if (tokens.size() >= 2 && !KnownPragma(s_->Text(tokens[1]))) {
            s_->Warning(at, "unknown pragma " + Quote(s_->Text(tokens[1])) + " ignored");
        }
    } else {
        s_->Error(at, "unknown preprocessor directive '#" + std::string(s_->Text(tokens[0])) + "'");
    }
    return false;
}

void FileReader::HandleConditional(OpenFile& f, uint32_t id, const SourceToken& at) {
    const std::string name(s_->texts.Text(id));
    if (id == names_.if_ || id == names_.ifdef || id == names_.ifndef) {
        if (!f.Active()) {
            f.conds.push_back({at, "#" + name, false, false, true, false});
            return;
        }
        bool v = Evaluate(name, at) == 1;
        f.conds.push_back({at, "#" + name, true, v, v, false});
        return;
    }
    if (id == names_.endif) {
        if (f.conds.empty()) return s_->Error(at, "#endif without #if");
        f.conds.pop_back();
        return;
    }
    if (f.conds.empty()) return s_->Error(at, "#" + name + " without #if");
    Conditional& c = f.conds.back();
    if (c.sawElse) return s_->Error(at, "#" + name + " after #else");
    if (id == names_.else_) {
        c.sawElse = true;
        c.active = c.parentActive && !c.taken;
        c.taken = true;
        return;
    }
    // #elif: evaluated only when no branch before it was taken.
    if (!c.parentActive || c.taken) {
        c.active = false;
        return;
    }
    c.active = c.taken = Evaluate("elif", at) == 1;
}

void FileReader::ExtraTokens(OpenFile& f, const Token& t, size_t words) {
    if (tokens_.size() <= words) return;
    const SourceToken extra = f.Place(t.begin + 1 + offsets_[words], Tok::Punct, 0);
    s_->Warning(extra, "unexpected tokens following preprocessor directive '#" +
                           std::string(s_->Text(tokens_[0])) + "' - expected a newline");
}

// #pragma warning(disable: 3206 3571; once: 4000): the numbers after
// "disable:" are kept for the load, which drops the warnings of those
// numbers (WarningNumber); the other kinds (once, default, error) change nothing here.
void FileReader::PragmaWarning() {
    bool disabling = false;
    for (size_t i = 2; i < tokens_.size(); ++i) {
        const SourceToken& t = tokens_[i];
        if (t.kind == Tok::Ident) {
            disabling = IEquals(s_->Text(t), "disable") && i + 1 < tokens_.size() &&
                        s_->IsPunct(tokens_[i + 1], ':');
        } else if (t.kind == Tok::Number && disabling) {
            const std::string_view digits = s_->Text(t);
            int number = 0;
            bool ok = !digits.empty() && digits.size() <= 6;
            for (char c : digits) {
                ok = ok && IsDigit(c);
                number = number * 10 + (c - '0');
            }
            if (ok) s_->out->disabledWarnings.insert(number);
        } else if (s_->IsPunct(t, ';') || s_->IsPunct(t, ')')) {
            disabling = false;
        }
    }
}

void FileReader::PragmaMessage(const SourceToken& at) {
    std::vector<SourceToken> expanded;
    ExpandList(s_, std::vector<SourceToken>(tokens_.begin() + 2, tokens_.end()), 0, &expanded);
    if (s_->stopped) return;
    size_t i = 0;
    const bool paren = i < expanded.size() && s_->IsPunct(expanded[i], '(');
    if (paren) ++i;
    std::string text;
    bool any = false;
    for (; i < expanded.size() && expanded[i].kind == Tok::String; ++i) {
        // Its value, as a texture's file name reads it: a string # made of
        // "q" prints as "q".
        AppendStringValue(s_->Text(expanded[i]), &text);
        any = true;
    }
    if (paren && i < expanded.size() && s_->IsPunct(expanded[i], ')')) ++i;
    if (!any || i != expanded.size()) {
        s_->Warning(at, "#pragma message takes a string: #pragma message(\"TEXT\")");
        return;
    }
    s_->Warning(at, "message: " + text);
}

// The condition after the directive's name: 1 true, 0 false, -1 not
// evaluable (reported; read as false).
int FileReader::Evaluate(const std::string& kind, const SourceToken& at) {
    const std::vector<SourceToken> rest(tokens_.begin() + 1, tokens_.end());
    FallbackScope here(*s_, s_->Pos(at));
    int64_t value = 0;
    bool ok = false;
    if (kind == "ifdef" || kind == "ifndef") {
        ok = !rest.empty() && rest[0].kind == Tok::Ident;
        if (ok) {
            value = s_->Find(rest[0].text) != nullptr ? 1 : 0;
            if (kind == "ifndef") value = !value;
        } else {
            s_->Error("cannot evaluate '#" + kind + "': missing macro name");
        }
    } else {
        // defined X and defined(X) are read before the line is expanded.
        std::vector<SourceToken> line;
        for (size_t i = 0; i < rest.size(); ++i) {
            if (rest[i].kind != Tok::Ident || rest[i].text != s_->idDefined) {
                line.push_back(rest[i]);
                continue;
            }
            size_t j = i + 1;
            bool paren = j < rest.size() && s_->IsPunct(rest[j], '(');
            if (paren) ++j;
            if (j >= rest.size() || rest[j].kind != Tok::Ident ||
                (paren && (j + 1 >= rest.size() || !s_->IsPunct(rest[j + 1], ')')))) {
                line.push_back(rest[i]);  // the evaluator says what is wrong
                continue;
            }
            SourceToken known = rest[i];
            known.kind = Tok::Number;
            known.text = s_->texts.Id(s_->Find(rest[j].text) != nullptr ? "1" : "0");
            line.push_back(known);
            i = paren ? j + 1 : j;
        }
        std::vector<SourceToken> expanded;
        ExpandList(s_, line, 0, &expanded, true);
        if (s_->stopped) return -1;
        ok = EvaluateIfExpression(*s_, expanded, kind, &value, *s_);
    }
    return ok ? (value != 0 ? 1 : 0) : -1;
}

void FileReader::Define(const SourceToken& at) {
    const std::vector<SourceToken>& tokens = tokens_;
    if (tokens.size() < 2 || tokens[1].kind != Tok::Ident)
        return s_->Error(at, "#define needs a macro name");
    Macro m;
    m.name = tokens[1].text;
    const std::string name(s_->Text(tokens[1]));
    if (m.name == s_->idDefined) return s_->Error(at, "'defined' cannot be a macro name");
    size_t i = 2;
    if (i < tokens.size() && s_->IsPunct(tokens[i], '(') && (tokens[i].flags & kGlued) != 0) {
        m.functionLike = true;
        ++i;
        if (!DefineParameters(at, name, &m, &i)) return;
    }
    // The body; "##" is one token.
    for (; i < tokens.size(); ++i) {
        SourceToken b = tokens[i];
        if (s_->IsPunct(b, '#') && i + 1 < tokens.size() && s_->IsPunct(tokens[i + 1], '#') &&
            (tokens[i + 1].flags & kGlued) != 0) {
            b.text = s_->idHashHash;
            ++i;
        }
        m.body.push_back(b);
    }
    if (!m.body.empty()) m.body.front().flags &= kNotGlued;
    if (!m.body.empty() && (m.body.front().text == s_->idHashHash ||
                            m.body.back().text == s_->idHashHash)) {
        return s_->Error(at, "'##' cannot be at either end of macro '" + name + "'");
    }
    for (size_t k = 0; m.functionLike && k < m.body.size(); ++k) {
        if (!s_->IsPunct(m.body[k], '#')) continue;
        bool param = k + 1 < m.body.size() && m.body[k + 1].kind == Tok::Ident &&
                     std::find(m.params.begin(), m.params.end(), m.body[k + 1].text) !=
                         m.params.end();
        if (!param) {
            return s_->Error(at, "'#' in macro '" + name + "' is not followed by a parameter");
        }
    }

    if (const Macro* old = s_->Find(m.name)) {
        bool same = old->functionLike == m.functionLike && old->variadic == m.variadic &&
                    old->params == m.params && old->body.size() == m.body.size();
        for (size_t k = 0; same && k < m.body.size(); ++k) {
            same = old->body[k].text == m.body[k].text && old->body[k].kind == m.body[k].kind &&
                   (old->body[k].flags & kGlued) == (m.body[k].flags & kGlued);
        }
        if (!same) s_->Warning(at, "macro '" + name + "' is redefined");
    }
    s_->defined[m.name] = static_cast<uint32_t>(s_->macros.size());
    s_->macros.push_back(std::move(m));
}

bool FileReader::DefineParameters(const SourceToken& at, const std::string& name, Macro* m,
                                  size_t* next) {
    const std::vector<SourceToken>& tokens = tokens_;
    size_t& i = *next;
    bool closed = false;
    bool expectName = true;
    const std::string bad = "invalid parameter list in the definition of macro '" + name + "'";
    for (; i < tokens.size(); ++i) {
        const SourceToken& p = tokens[i];
        if (!expectName && s_->IsPunct(p, ')')) {
            closed = true;
            ++i;
            break;
        }
        if (m->params.empty() && expectName && s_->IsPunct(p, ')')) {
            closed = true;
            ++i;
            break;
        }
        if (!expectName && s_->IsPunct(p, ',') && !m->variadic) {
            expectName = true;
            continue;
        }
        if (expectName && i + 2 < tokens.size() && s_->IsPunct(p, '.') &&
            s_->IsPunct(tokens[i + 1], '.') && s_->IsPunct(tokens[i + 2], '.')) {
            m->variadic = true;
            m->params.push_back(s_->idVaArgs);
            i += 2;
            expectName = false;
            continue;
        }
        if (!expectName || p.kind != Tok::Ident || p.text == s_->idVaArgs) {
            s_->Error(at, bad);
            return false;
        }
        if (std::find(m->params.begin(), m->params.end(), p.text) != m->params.end()) {
            s_->Error(at, "parameter '" + std::string(s_->Text(p)) + "' appears twice in macro '" +
                              name + "'");
            return false;
        }
        m->params.push_back(p.text);
        expectName = false;
    }
    if (!closed) s_->Error(at, bad);
    return closed;
}

uint16_t FileReader::FileIndex(const std::string& name, const SourceToken& at) {
    std::vector<std::string>& files = s_->out->stream.files;
    auto it = std::find(files.begin() + 1, files.end(), name);
    if (it != files.end()) return static_cast<uint16_t>(it - files.begin());
    if (files.size() >= kMaxLoadFiles) {
        s_->Stop(at, "the effect names more than " + std::to_string(kMaxLoadFiles) + " files");
        return 0;
    }
    files.push_back(name);
    return static_cast<uint16_t>(files.size() - 1);
}

namespace {

// Effect files written on Windows separate folders with '\' ("inc\\a.fxh"
// as often as "inc\a.fxh"): one '/' for each run of separators.
std::string SlashSeparated(const std::string& name) {
    std::string out;
    for (char c : name) {
        const bool separator = c == '\\' || c == '/';
        if (separator && !out.empty() && out.back() == '/') continue;
        out += separator ? '/' : c;
    }
    return out;
}

// "fx/../common/a.fxh" is "common/a.fxh" and "./a.fxh" is "a.fxh": one file
// reached by two paths is one file to #pragma once and to messages. A ".."
// that climbs above the effect's folder stays.
std::string Normalized(const std::string& name) {
    if (name.find("./") == std::string::npos && name.find("/.") == std::string::npos)
        return name;
    return std::filesystem::path(name).lexically_normal().generic_string();
}

// The folder of an included file's name ("inc/" of "inc/a.fxh"); empty for
// the effect file and the files beside it.
std::string FolderOf(const FileText* source) {
    if (source == nullptr) return {};
    size_t slash = source->name.rfind('/');
    return slash == std::string::npos ? std::string() : source->name.substr(0, slash + 1);
}

}  // namespace

void FileReader::Include(OpenFile& f, const Token& t, const SourceToken& at) {
    // A quoted name is looked up by its token: a file included over and
    // over is found without a string built. Names are looked up in the
    // folders of the files being read first, so the shortcut holds only
    // while every one of them is in the effect's folder.
    FileText* file = nullptr;
    const bool allInEffectFolder =
        std::all_of(files_.begin(), files_.end(),
                    [](const std::unique_ptr<OpenFile>& o) { return FolderOf(o->source).empty(); });
    const bool quoted =
        tokens_.size() >= 2 && tokens_[1].kind == Tok::String && allInEffectFolder;
    if (quoted) {
        auto known = quoted_.find(tokens_[1].text);
        if (known != quoted_.end()) file = known->second;
    }
    if (!file) {
        std::string name;
        if (!IncludeName(f, t, &name)) {
            s_->out->includeFailed = true;
            if (!s_->stopped) s_->Error(at, "expected \"FILE\" or <FILE> after #include");
            return;
        }
        // As Direct3D 9's compiler looks: beside the file that includes,
        // then beside each file that included it in turn, out to the
        // effect's folder.
        name = SlashSeparated(name);
        std::vector<std::string> folders;
        for (auto o = files_.rbegin(); o != files_.rend() && name[0] != '/'; ++o) {
            std::string folder = FolderOf((*o)->source);
            if (folder.empty() || std::find(folders.begin(), folders.end(), folder) != folders.end())
                continue;
            folders.push_back(folder);
            FileText* near = Read(Normalized(folder + name), at);
            if (s_->stopped) return;
            if (near->found) {
                file = near;
                break;
            }
        }
        if (!file) file = Read(Normalized(name), at);
        if (s_->stopped) return;
        if (quoted) quoted_[tokens_[1].text] = file;
    }
    if (!file->found) {
        s_->out->includeFailed = true;
        return s_->Error(at, "cannot open include file " + Quote(file->name) +
                                 (file->error.empty() ? "" : ": " + file->error));
    }
    if (file->once) return;
    if (files_.size() > kMaxIncludeDepth) {
        s_->out->includeFailed = true;
        bool cycle = std::any_of(
            files_.begin() + 1, files_.end(),
            [&](const std::unique_ptr<OpenFile>& o) { return o->source == file; });
        return s_->Error(at, cycle ? "file " + Quote(file->name) + " includes itself"
                                   : "includes nest too deeply at " + Quote(file->name));
    }
    if (!s_->SpendBytes(file->text.size(), at)) return;
    if (spareFiles_.empty()) {
        files_.push_back(
            std::make_unique<OpenFile>(this, file->text, file->lines.get(), file->file, file));
    } else {
        files_.push_back(std::move(spareFiles_.back()));
        spareFiles_.pop_back();
        files_.back()->Restart(file->text, file->lines.get(), file->file, file);
    }
}

// "name", <name>, or a macro that gives either; false when there is none.
bool FileReader::IncludeName(OpenFile& f, const Token& t, std::string* name) {
    const std::vector<SourceToken>& tokens = tokens_;
    if (tokens.size() < 2) return false;
    if (tokens[1].kind == Tok::String) {
        std::string_view s = s_->Text(tokens[1]);
        if (s.size() < 3 || s.back() != '"') return false;
        *name = std::string(s.substr(1, s.size() - 2));
        return true;
    }
    if (s_->IsPunct(tokens[1], '<')) {
        std::string_view raw = f.text.substr(t.begin + 1, t.end - t.begin - 1);
        size_t close = raw.find('>', offsets_[1] + 1);
        size_t lineEnd = raw.find('\n', offsets_[1] + 1);
        if (close == std::string_view::npos || close > lineEnd || close == offsets_[1] + 1)
            return false;
        *name = std::string(raw.substr(offsets_[1] + 1, close - offsets_[1] - 1));
        return true;
    }
    std::vector<SourceToken> expanded;
    ExpandList(s_, std::vector<SourceToken>(tokens.begin() + 1, tokens.end()), 0, &expanded);
    if (expanded.size() == 1 && expanded[0].kind == Tok::String) {
        std::string_view s = s_->Text(expanded[0]);
        if (s.size() < 3 || s.back() != '"') return false;
        *name = std::string(s.substr(1, s.size() - 2));
        return true;
    }
    if (expanded.size() >= 3 && s_->IsPunct(expanded.front(), '<') &&
        s_->IsPunct(expanded.back(), '>')) {
        // As written, but for the spaces an expansion stands in for.
        name->clear();
        for (size_t i = 1; i + 1 < expanded.size(); ++i) {
            if (i > 1 && (expanded[i].flags & (kGlued | kTouching)) == 0) *name += ' ';
            *name += s_->Text(expanded[i]);
        }
        return true;
    }
    return false;
}

// The file an #include names, through the resolver the first time.
FileText* FileReader::Read(const std::string& name, const SourceToken& at) {
    FileText& file = cache_[name];
    if (file.seen) return &file;
    file.seen = true;
    file.name = name;
    if (!resolver_) {
        file.error = "no include handler";
    } else {
        std::vector<Message> reasons;
        MessageCollector collect(&reasons);
        try {
            file.found = resolver_(name, &file.text, collect);
        } catch (...) {
            reasons = {ErrorAt({}, "the include resolver failed")};
        }
        if (!file.found && !reasons.empty()) file.error = reasons.back().text;
    }
    if (file.found) {
        file.lines = std::make_unique<LineIndex>(file.text);
        file.file = FileIndex(name, at);
    }
    return &file;
}

// #line N ["name"]: the next line is line N (of the file so named).
void FileReader::Line(OpenFile& f, const Token& t, const SourceToken& at) {
    // "#line LINE_BASE" is expanded first; a number and a name as written
    // are taken as they are.
    std::vector<SourceToken> expanded;
    if (tokens_.size() >= 2 && tokens_[1].kind == Tok::Ident) {
        expanded.push_back(tokens_[0]);
        ExpandList(s_, std::vector<SourceToken>(tokens_.begin() + 1, tokens_.end()), 0, &expanded);
        if (s_->stopped) return;
    }
    const std::vector<SourceToken>& tokens = expanded.empty() ? tokens_ : expanded;
    std::string_view digits = tokens.size() >= 2 ? s_->Text(tokens[1]) : std::string_view();
    uint64_t n = 0;
    bool ok = tokens.size() >= 2 && tokens[1].kind == Tok::Number && !digits.empty() &&
              digits.size() <= 10;
    for (char c : digits) {
        ok = ok && IsDigit(c);
        n = n * 10 + static_cast<uint64_t>(c - '0');
    }
    if (!ok || n == 0 || n > 0x7fffffff)
        return s_->Error(at, "'#line' needs a line number (1 to 2147483647)");
    if (tokens.size() >= 3) {
        std::string_view s = s_->Text(tokens[2]);
        if (tokens[2].kind != Tok::String || s.size() < 2)
            return s_->Error(at, "'#line' takes a file name in quotes");
        f.file = FileIndex(std::string(s.substr(1, s.size() - 2)), at);
    }
    size_t hint = 0;
    int64_t nextLine = f.lines->At(t.end, &hint).line + 1;
    f.lineDelta = static_cast<int64_t>(n) - nextLine;
}

}  // namespace

PreprocessedEffect Preprocess(std::string_view text, const IncludeResolver& resolver,
                              const std::string& effectName, LoadBudget budget,
                              const std::vector<HostMacro>& hostMacros) {
    PreprocessedEffect out;
    PpState state(&out, budget);
    state.effectName = effectName;
    if (!hostMacros.empty()) {
        // Read as #define lines before the file; a body's tokens take the
        // place of the macro's use when it expands, so they need no file.
        std::string defines;
        for (const HostMacro& m : hostMacros) defines += "#define " + m.name + " " + m.value + "\n";
        const size_t before = out.messages.size();
        FileReader hostReader(&state, resolver, defines);
        Expander expander(&state, &hostReader);
        SourceToken t;
        while (expander.Next(&t)) {
        }
        // Line n of that text is the n-th macro: its messages name the macro
        // the user gave, not a place in the effect file.
        for (size_t i = before; i < out.messages.size(); ++i) {
            Message& m = out.messages[i].message;
            if (!m.file.empty() || m.line < 1 || static_cast<size_t>(m.line) > hostMacros.size())
                continue;
            const HostMacro& macro = hostMacros[static_cast<size_t>(m.line) - 1];
            m.text = "the host program's macro '" + macro.name + "': " + m.text;
            m.line = m.column = 0;
        }
    }
    FileReader reader(&state, resolver, text);
    SourceToken start;
    start.line = start.column = 1;
    if (state.SpendBytes(text.size(), start)) {
        Expander expander(&state, &reader);
        SourceToken t;
        while (expander.Next(&t)) out.stream.tokens.push_back(t);
    }
    out.end = reader.EndOfEffectFile();
    if (!out.stopped) CheckNestingAndNames(&out);
    return out;
}

}  // namespace fx
