// Stage 2: directives as the parser reaches them (see 2_preprocess.h).
//
// Implemented: [x] #define / #undef of object-like macros (function-like ones
//                  are known by name: defined(F) is true, F in #if an error)
//              [x] #if / #ifdef / #ifndef / #elif / #else / #endif with
//                  defined(X), integer arithmetic, comparisons, logic, ?:
//              [x] #include "name" / <name> through a resolver, nested up to
//                  16 deep, each file's messages at its own lines
// Not implemented: macro expansion outside #if (glslang's preprocessor
// expands the HLSL; effect syntax written through a macro is not seen),
// #pragma, #error, #line.
//
// Expansion is capped in depth and length, and nesting of parentheses is
// capped, so that no expression can run away.
#include "platform/fx/2_preprocess.h"

#include <algorithm>
#include <cstdint>

namespace fx {

constexpr size_t kMaxMessagesPerFile = 100;
constexpr size_t kMaxIncludeDepth = 16;

// >> messages of one file

void FileMessages::Add(size_t offset, Severity severity, std::string text) {
    Message m;
    m.severity = severity;
    m.text = std::move(text);
    Push({offset, std::move(m), false});
}

void FileMessages::AddPlaced(size_t offset, std::vector<Message> messages) {
    for (Message& m : messages) Push({offset, std::move(m), true});
}

void FileMessages::Push(Entry entry) {
    if (list_.size() < kMaxMessagesPerFile) {
        list_.push_back(std::move(entry));
    } else if (!overflowed_) {
        overflowed_ = true;
        Message stop;
        stop.text = "too many errors; parsing goes on without reporting";
        list_.push_back({entry.offset, std::move(stop), false});
    }
}

std::vector<Message> FileMessages::Finish(std::string_view text, const std::string& file) {
    std::stable_sort(list_.begin(), list_.end(),
                     [](const Entry& a, const Entry& b) { return a.offset < b.offset; });
    LineIndex lines(text);
    std::vector<Message> out;
    out.reserve(list_.size());
    for (Entry& e : list_) {
        if (!e.placed) {
            SourcePos pos = lines.At(e.offset);
            e.message.line = pos.line;
            e.message.column = pos.column;
            e.message.file = file;
        }
        out.push_back(std::move(e.message));
    }
    list_.clear();
    return out;
}

namespace {

// >> #if expressions

struct PpToken {
    enum Kind { Ident, Number, Op, Other } kind;
    std::string text;
};

std::vector<PpToken> PpTokenize(std::string_view s) {
    static constexpr const char* kTwoCharOps[] = {"&&", "||", "==", "!=", "<=", ">=", "<<", ">>"};
    std::vector<PpToken> out;
    size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
            ++i;
            continue;
        }
        size_t start = i;
        PpToken::Kind kind = PpToken::Op;
        if (IsIdentStart(c)) {
            while (i < s.size() && IsIdentChar(s[i])) ++i;
            kind = PpToken::Ident;
        } else if (IsDigit(c)) {
            while (i < s.size() && (IsIdentChar(s[i]) || s[i] == '.')) ++i;
            kind = PpToken::Number;
        } else if (c == '"' || c == '\'') {
            ++i;
            while (i < s.size() && s[i] != c) i += (s[i] == '\\') ? 2 : 1;
            i = std::min(i + 1, s.size());
            kind = PpToken::Other;
        } else {
            i += 1;
            for (const char* op : kTwoCharOps)
                if (s.substr(start, 2) == op) i = start + 2;
        }
        out.push_back({kind, std::string(s.substr(start, i - start))});
    }
    return out;
}

using MacroTable = std::unordered_map<std::string, Macro>;

class ExpressionEvaluator {
public:
    explicit ExpressionEvaluator(const MacroTable& macros) : macros_(macros) {}

    // False with a reason in *error when the expression cannot be evaluated.
    bool Evaluate(std::string_view expression, int64_t* value, std::string* error) {
        std::vector<std::string> active;
        tokens_.clear();
        error_.clear();
        if (!Expand(PpTokenize(expression), &active, 0)) {
            *error = error_;
            return false;
        }
        pos_ = 0;
        depth_ = 0;
        if (tokens_.empty()) {
            *error = "missing expression";
            return false;
        }
        if (!Conditional(value)) {
            *error = error_;
            return false;
        }
        if (pos_ < tokens_.size()) {
            *error = "unexpected '" + tokens_[pos_].text + "'";
            return false;
        }
        return true;
    }

private:
    static constexpr size_t kMaxTokens = 10000;
    static constexpr int kMaxDepth = 64;

    bool Fail(std::string message) {
        if (error_.empty()) error_ = std::move(message);
        return false;
    }

    // defined(X) / defined X at index *i; false when malformed.
    bool Defined(const std::vector<PpToken>& in, size_t* i) {
        size_t j = *i + 1;
        bool paren = j < in.size() && in[j].text == "(";
        if (paren) ++j;
        if (j >= in.size() || in[j].kind != PpToken::Ident)
            return Fail("'defined' needs a macro name");
        bool known = macros_.count(in[j].text) > 0;
        if (paren) {
            if (j + 1 >= in.size() || in[j + 1].text != ")")
                return Fail("missing ')' after 'defined('");
            ++j;
        }
        tokens_.push_back({PpToken::Number, known ? "1" : "0"});
        *i = j;
        return true;
    }

    bool Expand(const std::vector<PpToken>& in, std::vector<std::string>* active, int depth) {
        if (depth > kMaxDepth) return Fail("macros nest too deeply");
        for (size_t i = 0; i < in.size(); ++i) {
            const PpToken& t = in[i];
            if (t.kind == PpToken::Ident && t.text == "defined") {
                if (!Defined(in, &i)) return false;
            } else if (t.kind == PpToken::Ident && macros_.count(t.text) &&
                       std::find(active->begin(), active->end(), t.text) == active->end()) {
                const Macro& m = macros_.at(t.text);
                if (m.functionLike) return Fail("function-like macro '" + t.text + "'");
                active->push_back(t.text);
                bool ok = Expand(PpTokenize(m.body), active, depth + 1);
                active->pop_back();
                if (!ok) return false;
            } else {
                tokens_.push_back(t);
            }
            if (tokens_.size() > kMaxTokens) return Fail("macro expansion too long");
        }
        return true;
    }

    bool Peek(const char* op) const { return pos_ < tokens_.size() && tokens_[pos_].text == op; }

    bool Conditional(int64_t* v) {
        if (++depth_ > kMaxDepth) return Fail("expression nests too deeply");
        bool ok = ConditionalInner(v);
        --depth_;
        return ok;
    }

    bool ConditionalInner(int64_t* v) {
        if (!Binary(1, v)) return false;
        if (!Peek("?")) return true;
        ++pos_;
        int64_t a = 0;
        int64_t b = 0;
        if (!Conditional(&a)) return false;
        if (!Peek(":")) return Fail("missing ':' in '?:'");
        ++pos_;
        if (!Conditional(&b)) return false;
        *v = *v ? a : b;
        return true;
    }

    static int Precedence(const std::string& op) {
        static const std::pair<const char*, int> kTable[] = {
            {"||", 1}, {"&&", 2}, {"|", 3},  {"^", 4},  {"&", 5},  {"==", 6}, {"!=", 6},
            {"<", 7},  {">", 7},  {"<=", 7}, {">=", 7}, {"<<", 8}, {">>", 8}, {"+", 9},
            {"-", 9},  {"*", 10}, {"/", 10}, {"%", 10}};
        for (const auto& entry : kTable)
            if (op == entry.first) return entry.second;
        return 0;
    }

    bool Binary(int minPrecedence, int64_t* v) {
        if (!Unary(v)) return false;
        for (;;) {
            if (pos_ >= tokens_.size() || tokens_[pos_].kind != PpToken::Op) return true;
            const std::string op = tokens_[pos_].text;
            int prec = Precedence(op);
            if (prec == 0 || prec < minPrecedence) return true;
            ++pos_;
            int64_t r = 0;
            if (!Binary(prec + 1, &r)) return false;
            if (!Apply(op, v, r)) return false;
        }
    }

    // Wrapping arithmetic: the file may write anything.
    bool Apply(const std::string& op, int64_t* v, int64_t r) {
        uint64_t a = static_cast<uint64_t>(*v);
        uint64_t b = static_cast<uint64_t>(r);
        if (op == "||") *v = (*v || r) ? 1 : 0;
        else if (op == "&&") *v = (*v && r) ? 1 : 0;
        else if (op == "|") *v = static_cast<int64_t>(a | b);
        else if (op == "^") *v = static_cast<int64_t>(a ^ b);
        else if (op == "&") *v = static_cast<int64_t>(a & b);
        else if (op == "==") *v = *v == r;
        else if (op == "!=") *v = *v != r;
        else if (op == "<") *v = *v < r;
        else if (op == ">") *v = *v > r;
        else if (op == "<=") *v = *v <= r;
        else if (op == ">=") *v = *v >= r;
        else if (op == "<<") *v = static_cast<int64_t>(a << (b & 63));
        else if (op == ">>") *v = *v >> (b & 63);
        else if (op == "+") *v = static_cast<int64_t>(a + b);
        else if (op == "-") *v = static_cast<int64_t>(a - b);
        else if (op == "*") *v = static_cast<int64_t>(a * b);
        else {
            if (r == 0) return Fail("division by zero");
            if (r == -1) {
                *v = op == "/" ? static_cast<int64_t>(0 - a) : 0;
            } else {
                *v = op == "/" ? *v / r : *v % r;
            }
        }
        return true;
    }

    bool Unary(int64_t* v) {
        if (pos_ >= tokens_.size()) return Fail("expression ends too early");
        if (++depth_ > kMaxDepth) return Fail("expression nests too deeply");
        bool ok = UnaryInner(v);
        --depth_;
        return ok;
    }

    bool UnaryInner(int64_t* v) {
        const PpToken t = tokens_[pos_++];
        if (t.kind == PpToken::Op) {
            if (t.text == "(") {
                if (!Conditional(v)) return false;
                if (!Peek(")")) return Fail("missing ')'");
                ++pos_;
                return true;
            }
            if (t.text == "!" || t.text == "~" || t.text == "-" || t.text == "+") {
                if (!Unary(v)) return false;
                uint64_t a = static_cast<uint64_t>(*v);
                if (t.text == "!") *v = !*v;
                if (t.text == "~") *v = static_cast<int64_t>(~a);
                if (t.text == "-") *v = static_cast<int64_t>(0 - a);
                return true;
            }
            return Fail("unexpected '" + t.text + "'");
        }
        if (t.kind == PpToken::Ident) {  // a name that is no macro counts as 0
            *v = 0;
            return true;
        }
        if (t.kind == PpToken::Number) return Number(t.text, v);
        return Fail("unexpected '" + t.text + "'");
    }

    bool Number(const std::string& text, int64_t* v) {
        size_t end = text.size();
        while (end > 0 && (Lower(text[end - 1]) == 'u' || Lower(text[end - 1]) == 'l')) --end;
        std::string digits = text.substr(0, end);
        int base = 10;
        size_t i = 0;
        if (digits.size() > 2 && digits[0] == '0' && Lower(digits[1]) == 'x') {
            base = 16;
            i = 2;
        } else if (digits.size() > 1 && digits[0] == '0') {
            base = 8;
            i = 1;
        }
        if (i >= digits.size()) return Fail("invalid number '" + text + "'");
        uint64_t value = 0;
        for (; i < digits.size(); ++i) {
            char c = Lower(digits[i]);
            int d = IsDigit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : 99;
            if (d >= base) return Fail("invalid number '" + text + "'");
            value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
        }
        *v = static_cast<int64_t>(value);
        return true;
    }

    const MacroTable& macros_;
    std::vector<PpToken> tokens_;
    size_t pos_ = 0;
    int depth_ = 0;
    std::string error_;
};

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

}  // namespace

// >> the preprocessor

Preprocessor::Preprocessor(std::string_view text, std::string fileName, PreprocessorState* state,
                           FileMessages* messages, IncludedFileReader readIncluded)
    : text_(text),
      fileName_(std::move(fileName)),
      state_(state),
      messages_(messages),
      readIncluded_(std::move(readIncluded)),
      tokenizer_(text, [messages](size_t offset, const char* message) {
          messages->Add(offset, Severity::Error, message);
      }) {}

namespace {

bool ExpandInto(std::string_view text, const PreprocessorState& state,
                std::vector<std::string>* active, std::string* out) {
    constexpr size_t kMaxText = 1 << 16;
    for (const Token& t : Tokenize(text)) {
        std::string_view word = text.substr(t.begin, t.end - t.begin);
        auto macro = t.kind == Tok::Ident ? state.macros.find(std::string(word)) : state.macros.end();
        if (macro != state.macros.end() &&
            std::find(active->begin(), active->end(), macro->first) == active->end()) {
            if (macro->second.functionLike || active->size() > 64) return false;
            active->push_back(macro->first);
            const bool ok = ExpandInto(macro->second.body, state, active, out);
            active->pop_back();
            if (!ok) return false;
            continue;
        }
        if (!out->empty()) *out += ' ';
        out->append(word);
        if (out->size() > kMaxText) return false;
    }
    return true;
}

}  // namespace

bool ExpandObjectMacros(std::string_view text, const PreprocessorState& state, std::string* out) {
    out->clear();
    std::vector<std::string> active;
    return ExpandInto(text, state, &active, out);
}

Token Preprocessor::Next() {
    for (;;) {
        Token t = tokenizer_.Next();
        if (t.kind == Tok::Directive) {
            HandleDirective(t);
            continue;
        }
        if (t.kind == Tok::End || Active()) return t;
    }
}

// Problems with conditionals at global scope are glslang's to report;
// inside a technique, where only this stage reads them, they are errors.
void Preprocessor::DirectiveError(size_t offset, const std::string& message) {
    if (inTechnique_) Error(offset, message + " in " + techniqueWhat_);
}

void Preprocessor::HandleDirective(const Token& t) {
    directives_.push_back({t.begin, t.end});
    std::string line = LogicalLine(text_.substr(t.begin, t.end - t.begin));
    size_t i = 1;  // past '#'
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    size_t nameStart = i;
    while (i < line.size() && IsIdentChar(line[i])) ++i;
    std::string name = line.substr(nameStart, i - nameStart);
    std::string_view rest = std::string_view(line).substr(i);

    if (name == "if" || name == "ifdef" || name == "ifndef") {
        If(name, rest, t);
    } else if (name == "elif") {
        Elif(rest, t);
    } else if (name == "else") {
        Else(t);
    } else if (name == "endif") {
        if (cond_.empty()) return DirectiveError(t.begin, "#endif without #if");
        cond_.pop_back();
    } else if (!Active()) {
        return;
    } else if (name == "define") {
        Define(rest);
    } else if (name == "undef") {
        std::vector<PpToken> tokens = PpTokenize(rest);
        if (!tokens.empty()) state_->macros.erase(tokens[0].text);
    } else if (name == "include") {
        Include(rest, t);
    }
}

void Preprocessor::If(const std::string& kind, std::string_view rest, const Token& t) {
    if (!Active()) {
        cond_.push_back({false, false, true, false, false});
        return;
    }
    int v = EvaluateCondition(kind, rest, t);
    cond_.push_back({true, v != 0, v != 0, false, v < 0});
}

void Preprocessor::Elif(std::string_view rest, const Token& t) {
    if (cond_.empty()) return DirectiveError(t.begin, "#elif without #if");
    Conditional& c = cond_.back();
    if (c.sawElse) return DirectiveError(t.begin, "#elif after #else");
    if (!c.parentActive) return;
    if (c.unknown) {
        c.active = true;
    } else if (c.taken) {
        c.active = false;
    } else {
        int v = EvaluateCondition("elif", rest, t);
        c.active = v != 0;
        c.taken = v != 0;
        c.unknown = v < 0;
    }
}

void Preprocessor::Else(const Token& t) {
    if (cond_.empty()) return DirectiveError(t.begin, "#else without #if");
    Conditional& c = cond_.back();
    if (c.sawElse) return DirectiveError(t.begin, "#else after #else");
    c.sawElse = true;
    c.active = c.parentActive && (c.unknown || !c.taken);
    c.taken = true;
}

// 1 true, 0 false, -1 not evaluable (read as every branch at global scope,
// as false inside a technique, where it is an error).
int Preprocessor::EvaluateCondition(const std::string& kind, std::string_view rest,
                                    const Token& t) {
    std::string error;
    int64_t value = 0;
    bool ok = false;
    if (kind == "if" || kind == "elif") {
        ExpressionEvaluator evaluator(state_->macros);
        ok = evaluator.Evaluate(rest, &value, &error);
    } else {
        std::vector<PpToken> tokens = PpTokenize(rest);
        ok = !tokens.empty() && tokens[0].kind == PpToken::Ident;
        if (ok) {
            value = state_->macros.count(tokens[0].text) ? 1 : 0;
            if (kind == "ifndef") value = !value;
        } else {
            error = "missing macro name";
        }
    }
    if (ok) return value != 0 ? 1 : 0;
    if (inTechnique_) {
        Error(t.begin, "cannot evaluate '#" + kind + "' in " + techniqueWhat_ + ": " + error);
        return 0;
    }
    messages_->Add(t.begin, Severity::Warning,
                   "cannot evaluate '#" + kind + "' (" + error +
                       "); effect syntax in every branch is read");
    return -1;
}

void Preprocessor::Define(std::string_view rest) {
    size_t i = 0;
    while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t')) ++i;
    size_t nameStart = i;
    if (i >= rest.size() || !IsIdentStart(rest[i])) return;  // glslang reports it
    while (i < rest.size() && IsIdentChar(rest[i])) ++i;
    Macro macro;
    std::string name(rest.substr(nameStart, i - nameStart));
    if (i < rest.size() && rest[i] == '(') {
        macro.functionLike = true;
        size_t close = rest.find(')', i);
        i = close == std::string_view::npos ? rest.size() : close + 1;
    }
    macro.body = std::string(rest.substr(i));
    state_->macros[name] = std::move(macro);
}

void Preprocessor::Include(std::string_view rest, const Token& t) {
    if (inTechnique_) {
        Error(t.begin, "#include inside " + techniqueWhat_ + " is not supported");
        return;
    }
    // Without a resolver glslang's includer reads it.
    if (!state_->resolver || !*state_->resolver) return;

    size_t i = rest.find_first_not_of(" \t");
    char close = i == std::string_view::npos ? 0 : rest[i] == '"' ? '"' : rest[i] == '<' ? '>' : 0;
    size_t end = close ? rest.find(close, i + 1) : std::string_view::npos;
    if (end == std::string_view::npos) {
        Error(t.begin, "expected \"FILE\" or <FILE> after #include");
        return;
    }
    std::string name(rest.substr(i + 1, end - i - 1));
    std::vector<std::string>& stack = state_->includeStack;
    if (std::find(stack.begin(), stack.end(), name) != stack.end() || name == fileName_) {
        Error(t.begin, "file " + Quote(name) + " includes itself");
        return;
    }
    if (stack.size() >= kMaxIncludeDepth) {
        Error(t.begin, "includes nest too deeply at " + Quote(name));
        return;
    }
    std::string text;
    std::string why;
    bool found = false;
    try {
        found = (*state_->resolver)(name, &text, &why);
    } catch (...) {
        why = "the include resolver failed";
    }
    if (!found) {
        Error(t.begin, "cannot open include file " + Quote(name) + (why.empty() ? "" : ": " + why));
        return;
    }
    stack.push_back(name);
    std::vector<Message> included = readIncluded_(name, text);
    stack.pop_back();
    messages_->AddPlaced(t.begin, std::move(included));
}

}  // namespace fx
