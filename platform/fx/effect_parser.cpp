// Effect-framework syntax around the HLSL of an effect file.
//
// Implemented: [x] technique / technique10 / technique11 and pass blocks,
//                  names and annotations optional, keywords in any case
//              [x] VertexShader / PixelShader = compile PROFILE ENTRY(args) or
//                  null, or a global shader variable; profiles up to vs_3_0 /
//                  ps_3_0
//              [x] render states AlphaBlendEnable, SrcBlend, DestBlend,
//                  BlendOp, CullMode, ZEnable, ZWriteEnable, FillMode, ZFunc;
//                  any other state warns and is ignored
//              [x] annotations on globals, techniques and passes
//              [x] texture and string globals, sampler_state blocks (filters,
//                  addressing, border colour, texture)
//              [x] #if family evaluated inside techniques; #include through a
//                  resolver
// Not implemented: state blocks, arrays of shaders, asm shaders, expressions
// as state values, function-like macros in #if.
//
// The parser streams tokens over the file once; every loop advances by at least
// one token, and nothing recurses on the input's nesting except #if
// expressions and includes, both capped in depth. Hostile input (binary
// garbage, unbalanced braces, megabytes of '{') costs linear time and bounded
// stack. Diagnostics are capped so that a file of ten million stray braces
// cannot turn into ten million messages.
#include "platform/fx/effect_parser.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <string>
#include <string_view>
#include <vector>

namespace fx {

bool ParsedEffect::HasErrors() const {
    return std::any_of(diagnostics.begin(), diagnostics.end(),
                       [](const Diagnostic& d) { return d.error; });
}

namespace {

constexpr size_t kMaxDiagnostics = 100;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IEquals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::string ToLower(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = Lower(c);
    return r;
}

bool IsIdentStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || IsDigit(c); }

// Token text for messages: short, and printable whatever bytes the file holds.
std::string Quote(std::string_view text) {
    constexpr size_t kMax = 40;
    std::string r = "'";
    for (size_t i = 0; i < text.size() && i < kMax; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        r += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
    }
    if (text.size() > kMax) r += "...";
    r += "'";
    return r;
}

enum class Tok { End, Ident, Number, String, Punct, Directive };

struct Token {
    Tok kind = Tok::End;
    size_t begin = 0;
    size_t end = 0;
};

struct PendingDiagnostic {
    size_t offset;  // where it sorts in this file
    Diagnostic diagnostic;
    bool resolved = false;  // position already final (it comes from an included file)
};

class Reporter {
public:
    void Add(size_t offset, bool error, std::string message) {
        Diagnostic d;
        d.error = error;
        d.message = std::move(message);
        Push({offset, std::move(d), false});
    }
    // A diagnostic of an included file, sorted in at its #include line.
    void AddResolved(size_t offset, Diagnostic d) { Push({offset, std::move(d), true}); }
    std::vector<PendingDiagnostic>& List() { return list_; }
    // Past the cap: callers in per-token loops skip building messages.
    bool Full() const { return overflowed_; }

private:
    void Push(PendingDiagnostic d) {
        if (list_.size() < kMaxDiagnostics) {
            list_.push_back(std::move(d));
        } else if (!overflowed_) {
            overflowed_ = true;
            Diagnostic stop;
            stop.error = true;
            stop.message = "too many errors; parsing goes on without reporting";
            list_.push_back({d.offset, std::move(stop), false});
        }
    }

    std::vector<PendingDiagnostic> list_;
    bool overflowed_ = false;
};

// Splits the file into identifiers, numbers, strings, single punctuation
// characters and whole preprocessor lines; skips blanks and comments.
class Lexer {
public:
    Lexer(std::string_view src, Reporter* reporter) : src_(src), reporter_(reporter) {}

    Token Next() {
        SkipBlanks();
        Token t;
        t.begin = pos_;
        if (pos_ >= src_.size()) {
            t.kind = Tok::End;
            t.end = pos_;
            return t;
        }
        char c = src_[pos_];
        if (c == '#' && lineStart_) {
            t.kind = Tok::Directive;
            SkipDirective();
        } else if (IsIdentStart(c)) {
            t.kind = Tok::Ident;
            while (pos_ < src_.size() && IsIdentChar(src_[pos_])) ++pos_;
        } else if (IsDigit(c) || (c == '.' && pos_ + 1 < src_.size() && IsDigit(src_[pos_ + 1]))) {
            t.kind = Tok::Number;
            SkipNumber();
        } else if (c == '"') {
            t.kind = Tok::String;
            SkipString();
        } else {
            t.kind = Tok::Punct;
            ++pos_;
        }
        lineStart_ = false;
        t.end = pos_;
        return t;
    }

private:
    bool At(size_t i, char c) const { return i < src_.size() && src_[i] == c; }

    void SkipBlanks() {
        while (pos_ < src_.size()) {
            char c = src_[pos_];
            if (c == '\n') {
                lineStart_ = true;
                ++pos_;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++pos_;
            } else if (c == '\\' && (At(pos_ + 1, '\n') || (At(pos_ + 1, '\r') && At(pos_ + 2, '\n')))) {
                pos_ += At(pos_ + 1, '\n') ? 2 : 3;  // a spliced line
            } else if (c == '/' && At(pos_ + 1, '/')) {
                SkipLineComment();
            } else if (c == '/' && At(pos_ + 1, '*')) {
                SkipBlockComment();
            } else {
                break;
            }
        }
    }

    void SkipLineComment() {
        while (pos_ < src_.size() && src_[pos_] != '\n') ++pos_;
    }

    void SkipBlockComment() {
        size_t start = pos_;
        size_t close = src_.find("*/", pos_ + 2);
        if (close == std::string_view::npos) {
            reporter_->Add(start, true, "unterminated comment");
            pos_ = src_.size();
        } else {
            pos_ = close + 2;
        }
    }

    // A string ends at its closing quote; a line end or the end of the file
    // before that leaves it unterminated.
    void SkipString() {
        size_t start = pos_++;
        while (pos_ < src_.size()) {
            char c = src_[pos_];
            if (c == '"') {
                ++pos_;
                return;
            }
            if (c == '\n') break;
            if (c == '\\' && pos_ + 1 < src_.size() && src_[pos_ + 1] != '\n') ++pos_;
            ++pos_;
        }
        reporter_->Add(start, true, "unterminated string");
    }

    void SkipNumber() {
        bool hex = src_[pos_] == '0' && (At(pos_ + 1, 'x') || At(pos_ + 1, 'X'));
        while (pos_ < src_.size()) {
            char c = src_[pos_];
            if (IsIdentChar(c) || c == '.') {
                ++pos_;
            } else if ((c == '+' || c == '-') && !hex &&
                       (src_[pos_ - 1] == 'e' || src_[pos_ - 1] == 'E')) {
                ++pos_;
            } else {
                break;
            }
        }
    }

    // To the end of the logical line: spliced lines, comments and strings
    // belong to the directive.
    void SkipDirective() {
        while (pos_ < src_.size()) {
            char c = src_[pos_];
            if (c == '\n') return;
            if (c == '\\' && At(pos_ + 1, '\n')) {
                pos_ += 2;
            } else if (c == '\\' && At(pos_ + 1, '\r') && At(pos_ + 2, '\n')) {
                pos_ += 3;
            } else if (c == '/' && At(pos_ + 1, '/')) {
                SkipLineComment();
            } else if (c == '/' && At(pos_ + 1, '*')) {
                SkipBlockComment();
            } else if (c == '"') {
                SkipString();
            } else {
                ++pos_;
            }
        }
    }

    std::string_view src_;
    Reporter* reporter_;
    size_t pos_ = 0;
    bool lineStart_ = true;
};

// ---------------------------------------------------------------------------
// Render-state tables: names and values as effect files write them
// (case-insensitive), values as the device takes them.

struct NamedValue {
    const char* name;
    DWORD value;
};

constexpr NamedValue kBoolValues[] = {{"true", 1}, {"false", 0}};
constexpr NamedValue kBlendValues[] = {
    {"zero", D3DBLEND_ZERO},           {"one", D3DBLEND_ONE},
    {"srccolor", D3DBLEND_SRCCOLOR},   {"invsrccolor", D3DBLEND_INVSRCCOLOR},
    {"srcalpha", D3DBLEND_SRCALPHA},   {"invsrcalpha", D3DBLEND_INVSRCALPHA},
    {"destalpha", D3DBLEND_DESTALPHA}, {"invdestalpha", D3DBLEND_INVDESTALPHA},
    {"destcolor", D3DBLEND_DESTCOLOR}, {"invdestcolor", D3DBLEND_INVDESTCOLOR},
    {"srcalphasat", D3DBLEND_SRCALPHASAT},
};
constexpr NamedValue kBlendOpValues[] = {
    {"add", D3DBLENDOP_ADD}, {"subtract", D3DBLENDOP_SUBTRACT},
    {"revsubtract", D3DBLENDOP_REVSUBTRACT}, {"min", D3DBLENDOP_MIN}, {"max", D3DBLENDOP_MAX},
};
constexpr NamedValue kCullValues[] = {
    {"none", D3DCULL_NONE}, {"cw", D3DCULL_CW}, {"ccw", D3DCULL_CCW}};
constexpr NamedValue kFillValues[] = {
    {"point", D3DFILL_POINT}, {"wireframe", D3DFILL_WIREFRAME}, {"solid", D3DFILL_SOLID}};
constexpr NamedValue kCmpValues[] = {
    {"never", D3DCMP_NEVER},     {"less", D3DCMP_LESS},
    {"equal", D3DCMP_EQUAL},     {"lessequal", D3DCMP_LESSEQUAL},
    {"greater", D3DCMP_GREATER}, {"notequal", D3DCMP_NOTEQUAL},
    {"greaterequal", D3DCMP_GREATEREQUAL}, {"always", D3DCMP_ALWAYS},
};

struct ValueSet {
    const NamedValue* values;
    size_t count;
};

template <size_t N>
constexpr ValueSet Values(const NamedValue (&v)[N]) {
    return {v, N};
}

struct RenderStateInfo {
    const char* name;
    D3DRENDERSTATETYPE state;
    ValueSet values;
};

const RenderStateInfo kRenderStates[] = {
    {"alphablendenable", D3DRS_ALPHABLENDENABLE, Values(kBoolValues)},
    {"srcblend", D3DRS_SRCBLEND, Values(kBlendValues)},
    {"destblend", D3DRS_DESTBLEND, Values(kBlendValues)},
    {"blendop", D3DRS_BLENDOP, Values(kBlendOpValues)},
    {"cullmode", D3DRS_CULLMODE, Values(kCullValues)},
    {"zenable", D3DRS_ZENABLE, Values(kBoolValues)},
    {"zwriteenable", D3DRS_ZWRITEENABLE, Values(kBoolValues)},
    {"fillmode", D3DRS_FILLMODE, Values(kFillValues)},
    {"zfunc", D3DRS_ZFUNC, Values(kCmpValues)},
};

const RenderStateInfo* FindRenderState(std::string_view name) {
    for (const RenderStateInfo& info : kRenderStates)
        if (IEquals(name, info.name)) return &info;
    return nullptr;
}

// A value by name, or a plain decimal number that is one of the set's values
// (effect files may write "CullMode = 1").
bool LookUpValue(const ValueSet& set, std::string_view text, DWORD* value) {
    for (size_t i = 0; i < set.count; ++i) {
        if (IEquals(text, set.values[i].name)) {
            *value = set.values[i].value;
            return true;
        }
    }
    if (text.empty() || text.size() > 9) return false;
    DWORD number = 0;
    for (char c : text) {
        if (!IsDigit(c)) return false;
        number = number * 10 + static_cast<DWORD>(c - '0');
    }
    for (size_t i = 0; i < set.count; ++i) {
        if (set.values[i].value == number) {
            *value = number;
            return true;
        }
    }
    return false;
}

// Sampler states of a sampler_state block.
constexpr NamedValue kFilterValues[] = {
    {"none", D3DTEXF_NONE}, {"point", D3DTEXF_POINT}, {"linear", D3DTEXF_LINEAR},
    {"anisotropic", D3DTEXF_ANISOTROPIC}};
constexpr NamedValue kAddressValues[] = {
    {"wrap", D3DTADDRESS_WRAP}, {"mirror", D3DTADDRESS_MIRROR}, {"clamp", D3DTADDRESS_CLAMP},
    {"border", D3DTADDRESS_BORDER}};
// Values an effect may rightly write that the device has no equivalent for.
constexpr const char* kUnsupportedSamplerValues[] = {"mirroronce", "pyramidalquad",
                                                     "gaussianquad", "convolutionmono"};

struct SamplerStateInfo {
    const char* name;
    D3DSAMPLERSTATETYPE state;
    ValueSet values;
};

const SamplerStateInfo kSamplerStates[] = {
    {"addressu", D3DSAMP_ADDRESSU, Values(kAddressValues)},
    {"addressv", D3DSAMP_ADDRESSV, Values(kAddressValues)},
    {"addressw", D3DSAMP_ADDRESSW, Values(kAddressValues)},
    {"minfilter", D3DSAMP_MINFILTER, Values(kFilterValues)},
    {"magfilter", D3DSAMP_MAGFILTER, Values(kFilterValues)},
    {"mipfilter", D3DSAMP_MIPFILTER, Values(kFilterValues)},
};

const SamplerStateInfo* FindSamplerState(std::string_view name) {
    for (const SamplerStateInfo& info : kSamplerStates)
        if (IEquals(name, info.name)) return &info;
    return nullptr;
}

// Decimal or 0x hexadecimal, 32 bits at most (a D3DCOLOR).
bool ParseColorWord(std::string_view text, DWORD* value) {
    uint64_t v = 0;
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    size_t i = hex ? 2 : 0;
    if (i >= text.size() || text.size() - i > (hex ? 8u : 10u)) return false;
    for (; i < text.size(); ++i) {
        char c = Lower(text[i]);
        int digit = IsDigit(c) ? c - '0' : (hex && c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
        if (digit < 0) return false;
        v = v * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
    }
    if (v > 0xffffffffu) return false;
    *value = static_cast<DWORD>(v);
    return true;
}

bool IsTextureType(std::string_view s) {
    return IEquals(s, "texture") || IEquals(s, "texture1d") || IEquals(s, "texture2d") ||
           IEquals(s, "texture3d") || IEquals(s, "texturecube");
}

bool IsSamplerType(std::string_view s) {
    return IEquals(s, "sampler") || IEquals(s, "sampler1d") || IEquals(s, "sampler2d") ||
           IEquals(s, "sampler3d") || IEquals(s, "samplercube");
}

constexpr const char* kVertexProfiles[] = {"vs_1_1", "vs_2_0", "vs_2_a", "vs_2_sw", "vs_3_0"};
constexpr const char* kPixelProfiles[] = {"ps_1_1", "ps_1_2", "ps_1_3", "ps_1_4", "ps_2_0",
                                          "ps_2_a", "ps_2_b", "ps_2_sw", "ps_3_0"};

template <size_t N>
bool InList(const char* const (&list)[N], std::string_view name) {
    for (const char* entry : list)
        if (IEquals(name, entry)) return true;
    return false;
}

bool IsTechniqueKeyword(std::string_view s) {
    return IEquals(s, "technique") || IEquals(s, "technique10") || IEquals(s, "technique11");
}

bool IsQualifier(std::string_view s) {
    static constexpr const char* kQualifiers[] = {
        "uniform", "extern",    "shared",       "static",        "const",
        "volatile", "row_major", "column_major", "groupshared",  "precise",
        "snorm",   "unorm",     "nointerpolation"};
    for (const char* q : kQualifiers)
        if (s == q) return true;
    return false;
}

// ---------------------------------------------------------------------------
// >> preprocessor: macros and #if expressions
//
// Enough of the C preprocessor to choose the lines of a technique: object-like
// macros, defined(X), integer arithmetic, comparisons and logic. Expansion is
// capped in depth and length, and nesting of parentheses is capped, so that
// no expression can run away.

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

struct Macro {
    bool functionLike = false;
    std::vector<PpToken> body;
};

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

    bool Expand(const std::vector<PpToken>& in, std::vector<std::string>* active, int depth) {
        if (depth > kMaxDepth) return Fail("macros nest too deeply");
        for (size_t i = 0; i < in.size(); ++i) {
            const PpToken& t = in[i];
            if (t.kind == PpToken::Ident && t.text == "defined") {
                size_t j = i + 1;
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
                i = j;
            } else if (t.kind == PpToken::Ident && macros_.count(t.text) &&
                       std::find(active->begin(), active->end(), t.text) == active->end()) {
                const Macro& m = macros_.at(t.text);
                if (m.functionLike) return Fail("function-like macro '" + t.text + "'");
                active->push_back(t.text);
                bool ok = Expand(m.body, active, depth + 1);
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

// ---------------------------------------------------------------------------

// What the effect file and the files it includes share.
struct ShaderVariable {
    std::string name;
    bool vertex;
    ShaderBinding binding;
};

struct Shared {
    MacroTable macros;
    std::vector<ShaderVariable> shaderVariables;  // "VertexShader VS1 = compile ...;"
    const IncludeResolver* resolver = nullptr;
    ParsedEffect* result = nullptr;  // techniques, textures, samplers, included files
    std::vector<std::string> includeStack;
};

constexpr size_t kMaxIncludeDepth = 16;

// Parses one file: the effect file, or one that it includes.
class Parser {
public:
    Parser(std::string_view src, std::string fileName, Shared* shared)
        : src_(src), fileName_(std::move(fileName)), shared_(shared), result_(*shared->result),
          lexer_(src, &reporter_) {
        lineStarts_.push_back(0);
        for (size_t i = 0; i < src.size(); ++i)
            if (src[i] == '\n') lineStarts_.push_back(i + 1);
    }

    // The file's blanked text and its diagnostics (with those of its
    // includes at their #include lines), in source order.
    void Run(std::string* hlsl, std::vector<Diagnostic>* diagnostics) {
        hlsl_.assign(src_.data(), src_.size());
        ParseTopLevel();

        std::vector<PendingDiagnostic>& list = reporter_.List();
        std::stable_sort(list.begin(), list.end(),
                         [](const PendingDiagnostic& a, const PendingDiagnostic& b) {
                             return a.offset < b.offset;
                         });
        for (PendingDiagnostic& d : list) {
            if (!d.resolved) {
                d.diagnostic.pos = Pos(d.offset);
                d.diagnostic.file = fileName_;
            }
            diagnostics->push_back(std::move(d.diagnostic));
        }
        *hlsl = std::move(hlsl_);
    }

private:
    // >> tokens

    Token Next() {
        if (hasPending_) {
            hasPending_ = false;
            return pending_;
        }
        for (;;) {
            Token t = lexer_.Next();
            if (t.kind == Tok::Directive) {
                HandleDirective(t);
                continue;
            }
            if (t.kind == Tok::End || Active()) return t;
        }
    }

    // Hands the token back so that the next Next() returns it again.
    void PutBack(const Token& t) {
        pending_ = t;
        hasPending_ = true;
    }

    std::string_view Text(const Token& t) const { return src_.substr(t.begin, t.end - t.begin); }
    bool IsPunct(const Token& t, char c) const {
        return t.kind == Tok::Punct && src_[t.begin] == c;
    }

    SourcePos Pos(size_t offset) const {
        auto it = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), offset);
        size_t line = static_cast<size_t>(it - lineStarts_.begin());  // >= 1
        SourcePos p;
        p.line = static_cast<int>(line);
        p.column = static_cast<int>(offset - lineStarts_[line - 1] + 1);
        return p;
    }

    void Error(size_t offset, std::string message) { reporter_.Add(offset, true, std::move(message)); }
    // For errors that hostile input can repeat once per token.
    void RepeatableError(size_t offset, const char* prefix, const Token& t, const std::string& where) {
        if (!reporter_.Full()) Error(offset, prefix + Quote(Text(t)) + where);
    }
    void Warning(size_t offset, std::string message) {
        reporter_.Add(offset, false, std::move(message));
    }

    // Spaces over [begin, end), line ends kept, so offsets, lines and columns
    // of everything else stay as they were.
    // Preprocessor lines inside the range stay: the HLSL compiler's
    // preprocessor must see the same #define / #if structure as the file has.
    void Blank(size_t begin, size_t end) {
        end = std::min(end, hlsl_.size());
        auto next = std::partition_point(
            directives_.begin(), directives_.end(),
            [begin](const std::pair<size_t, size_t>& d) { return d.second <= begin; });
        size_t i = begin;
        while (i < end) {
            if (next != directives_.end() && next->first <= i) {
                i = std::max(i, next->second);
                ++next;
                continue;
            }
            size_t stop = next != directives_.end() ? std::min(end, next->first) : end;
            for (; i < stop; ++i) {
                char& c = hlsl_[i];
                if (c != '\n' && c != '\r') c = ' ';
            }
        }
    }

    static std::string Describe(const char* what, const std::string& name) {
        if (name.empty()) return std::string("unnamed ") + what;
        return std::string(what) + " '" + name + "'";
    }

    // Skips a balanced {...} block whose '{' was just read. False at the end of
    // the file.
    bool SkipBlock() {
        size_t depth = 1;
        for (;;) {
            Token t = Next();
            if (t.kind == Tok::End) return false;
            if (IsPunct(t, '{')) ++depth;
            if (IsPunct(t, '}') && --depth == 0) return true;
        }
    }

    // >> preprocessor lines

    struct Conditional {
        bool parentActive;  // the lines around the #if are read
        bool active;        // the current branch is read
        bool taken;         // a branch has been chosen
        bool sawElse;
        bool unknown;       // not evaluable: every branch is read
    };

    bool Active() const { return cond_.empty() || cond_.back().active; }

    // Problems with conditionals at global scope are the HLSL compiler's to
    // report; inside a technique, where the parser alone reads them, they are
    // errors.
    void DirectiveError(size_t offset, const std::string& message) {
        if (inTechnique_) Error(offset, message + " in " + techniqueWhat_);
    }

    void HandleDirective(const Token& t) {
        directives_.push_back({t.begin, t.end});
        std::string line = LogicalLine(Text(t));
        size_t i = 1;  // past '#'
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        size_t nameStart = i;
        while (i < line.size() && IsIdentChar(line[i])) ++i;
        std::string name = line.substr(nameStart, i - nameStart);
        std::string_view rest = std::string_view(line).substr(i);

        if (name == "if" || name == "ifdef" || name == "ifndef") {
            if (!Active()) {
                cond_.push_back({false, false, true, false, false});
                return;
            }
            int v = EvaluateCondition(name, rest, t);
            cond_.push_back({true, v != 0, v != 0, false, v < 0});
        } else if (name == "elif") {
            if (cond_.empty()) return DirectiveError(t.begin, "#elif without #if");
            Conditional& c = cond_.back();
            if (c.sawElse) return DirectiveError(t.begin, "#elif after #else");
            if (!c.parentActive) return;
            if (c.unknown) {
                c.active = true;
            } else if (c.taken) {
                c.active = false;
            } else {
                int v = EvaluateCondition(name, rest, t);
                c.active = v != 0;
                c.taken = v != 0;
                c.unknown = v < 0;
            }
        } else if (name == "else") {
            if (cond_.empty()) return DirectiveError(t.begin, "#else without #if");
            Conditional& c = cond_.back();
            if (c.sawElse) return DirectiveError(t.begin, "#else after #else");
            c.sawElse = true;
            c.active = c.parentActive && (c.unknown || !c.taken);
            c.taken = true;
        } else if (name == "endif") {
            if (cond_.empty()) return DirectiveError(t.begin, "#endif without #if");
            cond_.pop_back();
        } else if (!Active()) {
            return;
        } else if (name == "define") {
            Define(rest);
        } else if (name == "undef") {
            std::vector<PpToken> tokens = PpTokenize(rest);
            if (!tokens.empty()) shared_->macros.erase(tokens[0].text);
        } else if (name == "include") {
            Include(rest, t);
        }
    }

    // 1 true, 0 false, -1 not evaluable (read as every branch at global
    // scope, as false inside a technique, where it is an error).
    int EvaluateCondition(const std::string& kind, std::string_view rest, const Token& t) {
        std::string error;
        int64_t value = 0;
        bool ok = false;
        if (kind == "if" || kind == "elif") {
            ExpressionEvaluator evaluator(shared_->macros);
            ok = evaluator.Evaluate(rest, &value, &error);
        } else {
            std::vector<PpToken> tokens = PpTokenize(rest);
            ok = !tokens.empty() && tokens[0].kind == PpToken::Ident;
            if (ok) {
                value = shared_->macros.count(tokens[0].text) ? 1 : 0;
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
        Warning(t.begin, "cannot evaluate '#" + kind + "' (" + error +
                             "); effect syntax in every branch is read");
        return -1;
    }

    void Define(std::string_view rest) {
        size_t i = 0;
        while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t')) ++i;
        size_t nameStart = i;
        if (i >= rest.size() || !IsIdentStart(rest[i])) return;  // the HLSL compiler reports it
        while (i < rest.size() && IsIdentChar(rest[i])) ++i;
        Macro macro;
        std::string name(rest.substr(nameStart, i - nameStart));
        if (i < rest.size() && rest[i] == '(') {
            macro.functionLike = true;
            size_t close = rest.find(')', i);
            i = close == std::string_view::npos ? rest.size() : close + 1;
        }
        macro.body = PpTokenize(rest.substr(i));
        shared_->macros[name] = std::move(macro);
    }

    void Include(std::string_view rest, const Token& t) {
        if (inTechnique_) {
            Error(t.begin, "#include inside " + techniqueWhat_ + " is not supported");
            return;
        }
        if (!shared_->resolver || !*shared_->resolver) return;  // the HLSL compiler's includer reads it

        size_t i = rest.find_first_not_of(" \t");
        char close = i == std::string_view::npos ? 0 : rest[i] == '"' ? '"' : rest[i] == '<' ? '>' : 0;
        size_t end = close ? rest.find(close, i + 1) : std::string_view::npos;
        if (end == std::string_view::npos) {
            Error(t.begin, "expected \"FILE\" or <FILE> after #include");
            return;
        }
        std::string name(rest.substr(i + 1, end - i - 1));
        std::vector<std::string>& stack = shared_->includeStack;
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
            found = (*shared_->resolver)(name, &text, &why);
        } catch (...) {
            why = "the include resolver failed";
        }
        if (!found) {
            Error(t.begin, "cannot open include file " + Quote(name) + (why.empty() ? "" : ": " + why));
            return;
        }

        stack.push_back(name);
        std::string hlsl;
        std::vector<Diagnostic> diagnostics;
        Parser(text, name, shared_).Run(&hlsl, &diagnostics);
        stack.pop_back();
        for (Diagnostic& d : diagnostics) reporter_.AddResolved(t.begin, std::move(d));
        AddIncludedFile(name, std::move(hlsl));
    }

    // A file included twice (in other macro contexts) keeps every blank
    // that either reading made.
    void AddIncludedFile(const std::string& name, std::string hlsl) {
        for (IncludedFile& f : result_.includes) {
            if (f.name != name) continue;
            if (f.hlsl.size() == hlsl.size()) {
                for (size_t i = 0; i < hlsl.size(); ++i)
                    if (hlsl[i] == ' ') f.hlsl[i] = ' ';
            }
            return;
        }
        result_.includes.push_back({name, std::move(hlsl)});
    }

    // >> global scope

    // Where a global declaration has got to, so that '<' after a variable's
    // name reads as an annotation and '<' anywhere else stays an operator.
    enum class DeclPhase { Start, AfterType, AfterName, AfterColon, Initializer, Other };

    // Declarations that glslang's HLSL front end rejects or that the effect
    // framework gives meaning to.
    enum class DeclKind { Plain, Texture, String, Sampler, VertexShader, PixelShader };

    struct Decl {
        DeclPhase phase = DeclPhase::Start;
        size_t parens = 0;    // open '(' after a register / packoffset
        size_t brackets = 0;  // open '[' of an array size
        bool semantic = false;  // the last token was a semantic or register keyword
        bool inRegister = false;  // inside register(...)
        bool firstOfInitializer = false;  // the token right after '='
        size_t start = std::string_view::npos;  // the declaration's first token
        size_t equals = 0;  // offset of its '='
        DeclKind kind = DeclKind::Plain;
        std::string type;
        bool named = false;
        SamplerDesc sampler;  // while kind is Sampler
        Token name;
        std::vector<Token> initializer;  // while kind is a shader: the tokens after '='
    };

    // At the declaration's ';': textures and strings vanish from the HLSL,
    // samplers are recorded.
    void FinishDeclaration(Decl* d, const Token& semicolon) {
        bool shader = d->kind == DeclKind::VertexShader || d->kind == DeclKind::PixelShader;
        if (d->kind == DeclKind::Texture || d->kind == DeclKind::String || shader)
            Blank(d->start, semicolon.end);
        if (shader && d->named) {
            ShaderVariable var{std::string(Text(d->name)), d->kind == DeclKind::VertexShader, {}};
            ParseShaderBinding(&var.binding, var.vertex, d->name, d->initializer);
            if (var.binding.present) shared_->shaderVariables.push_back(std::move(var));
        }
        if (d->kind == DeclKind::Sampler && d->named) RecordSampler(d);
    }

    void RecordSampler(Decl* d) {
        result_.samplers.push_back(std::move(d->sampler));
        d->sampler = SamplerDesc();
        d->named = false;
    }

    void ParseTopLevel() {
        size_t depth = 0;  // braces of functions, structs and buffers
        Decl decl;
        for (;;) {
            Token t = Next();
            if (t.kind == Tok::End) break;
            if (depth > 0) {
                if (IsPunct(t, '{')) ++depth;
                if (IsPunct(t, '}') && --depth == 0) ResetDeclaration(&decl);
                continue;
            }
            // A reserved word of the effect language: it starts a technique
            // wherever it appears at global scope, even after a stray token
            // that left the previous declaration unfinished.
            if (t.kind == Tok::Ident && IsTechniqueKeyword(Text(t))) {
                ParseTechnique(t);
                ResetDeclaration(&decl);
                continue;
            }
            if (IsPunct(t, '{')) {
                depth = 1;
                continue;
            }
            if (IsPunct(t, '}')) {
                if (!reporter_.Full()) Error(t.begin, "unmatched '}'");
                ResetDeclaration(&decl);
                continue;
            }
            if (IsPunct(t, ';')) {
                FinishDeclaration(&decl, t);
                ResetDeclaration(&decl);
                continue;
            }
            FeedDeclaration(&decl, t);
        }
    }

    // Cheap when nothing was declared, as between a run of stray tokens.
    static void ResetDeclaration(Decl* d) {
        if (d->start != std::string_view::npos || d->phase != DeclPhase::Start) *d = Decl();
    }

    void FeedDeclaration(Decl* d, const Token& t) {
        if (d->start == std::string_view::npos) d->start = t.begin;
        switch (d->phase) {
            case DeclPhase::Start:
                if (t.kind == Tok::Ident && IsQualifier(Text(t))) return;
                if (t.kind != Tok::Ident) {
                    d->phase = DeclPhase::Other;
                    return;
                }
                d->phase = DeclPhase::AfterType;
                d->type = std::string(Text(t));
                if (IsTextureType(d->type)) d->kind = DeclKind::Texture;
                if (d->type == "string") d->kind = DeclKind::String;
                if (IsSamplerType(d->type)) d->kind = DeclKind::Sampler;
                if (IEquals(d->type, "VertexShader")) d->kind = DeclKind::VertexShader;
                if (IEquals(d->type, "PixelShader")) d->kind = DeclKind::PixelShader;
                return;
            case DeclPhase::AfterType:
                if (IsPunct(t, '<')) {
                    // Texture2D<float4> is a shader-model-4 object, not ours.
                    if (d->kind == DeclKind::Texture) d->kind = DeclKind::Plain;
                    SkipTemplateArguments();
                } else if (t.kind == Tok::Ident) {
                    d->phase = DeclPhase::AfterName;
                    d->semantic = false;
                    NameDeclaration(d, t);
                } else {
                    d->phase = DeclPhase::Other;
                }
                return;
            case DeclPhase::AfterName:
                if (d->parens > 0) {
                    if (IsPunct(t, '(')) ++d->parens;
                    if (IsPunct(t, ')') && --d->parens == 0) d->inRegister = false;
                    if (d->inRegister && t.kind == Tok::Ident) ReadSamplerRegister(d, t);
                    return;
                }
                if (d->brackets > 0) {
                    if (IsPunct(t, '[')) ++d->brackets;
                    if (IsPunct(t, ']')) --d->brackets;
                    return;
                }
                if (IsPunct(t, '(') && d->semantic) {
                    d->parens = 1;
                } else if (IsPunct(t, '[')) {
                    d->brackets = 1;
                } else if (IsPunct(t, ':')) {
                    d->phase = DeclPhase::AfterColon;
                } else if (IsPunct(t, '<')) {
                    ParseAnnotation(t);
                } else if (IsPunct(t, '=')) {
                    d->phase = DeclPhase::Initializer;
                    d->firstOfInitializer = true;
                    d->equals = t.begin;
                } else if (IsPunct(t, ',')) {
                    d->phase = DeclPhase::AfterType;
                    if (d->kind == DeclKind::Sampler && d->named) RecordSampler(d);
                } else {
                    d->phase = DeclPhase::Other;  // a function's parameters, or anything else
                }
                d->semantic = false;
                return;
            case DeclPhase::AfterColon:
                d->phase = t.kind == Tok::Ident ? DeclPhase::AfterName : DeclPhase::Other;
                d->semantic = t.kind == Tok::Ident;
                d->inRegister = t.kind == Tok::Ident && IEquals(Text(t), "register");
                return;
            case DeclPhase::Initializer:
                if (d->firstOfInitializer && d->kind == DeclKind::Sampler && d->named &&
                    t.kind == Tok::Ident && IEquals(Text(t), "sampler_state")) {
                    ParseSamplerState(d, t);
                    d->phase = DeclPhase::Other;
                }
                d->firstOfInitializer = false;
                if (d->kind == DeclKind::VertexShader || d->kind == DeclKind::PixelShader)
                    d->initializer.push_back(t);
                return;
            case DeclPhase::Other:
                return;
        }
    }

    void NameDeclaration(Decl* d, const Token& name) {
        if (d->kind == DeclKind::Texture)
            result_.textures.push_back({std::string(Text(name)), d->type, Pos(name.begin)});
        if (d->kind == DeclKind::Sampler) {
            d->sampler = SamplerDesc();
            d->sampler.name = std::string(Text(name));
            d->sampler.type = d->type;
            d->sampler.pos = Pos(name.begin);
        }
        d->named = true;
        d->name = name;
    }

    // register(s3), also register(ps, s3).
    void ReadSamplerRegister(Decl* d, const Token& t) {
        std::string_view r = Text(t);
        if (d->kind != DeclKind::Sampler || r.size() < 2 || Lower(r[0]) != 's') return;
        int index = 0;
        for (size_t i = 1; i < r.size(); ++i) {
            if (!IsDigit(r[i]) || index > 1000) return;
            index = index * 10 + (r[i] - '0');
        }
        if (index >= static_cast<int>(D3D_SAMPLER_STAGES)) {
            Error(t.begin, "sampler register " + Quote(r) + " is out of range (s0 to s" +
                               std::to_string(D3D_SAMPLER_STAGES - 1) + ")");
            return;
        }
        d->sampler.registerIndex = index;
    }

    // "= sampler_state { Texture = <T>; MinFilter = Linear; ... }": the
    // states are recorded, and everything from '=' to '}' is blanked.
    void ParseSamplerState(Decl* d, const Token& keyword) {
        SamplerDesc& sampler = d->sampler;
        std::string what = "sampler_state of " + Quote(sampler.name);
        Token t = Next();
        if (!IsPunct(t, '{')) {
            Error(t.kind == Tok::End ? keyword.end : t.begin, "expected '{' after 'sampler_state'");
            PutBack(t);
            return;
        }
        for (;;) {
            t = Next();
            if (t.kind == Tok::End) {
                Error(t.begin, "unexpected end of file in " + what);
                Blank(d->equals, src_.size());
                return;
            }
            if (IsPunct(t, '}')) break;
            if (IsPunct(t, ';')) continue;
            if (t.kind != Tok::Ident) {
                RepeatableError(t.begin, "unexpected ", t, " in " + what);
                if (IsPunct(t, '{') && !SkipBlock()) {
                    Error(src_.size(), "unexpected end of file in " + what);
                    Blank(d->equals, src_.size());
                    return;
                }
                continue;
            }
            std::vector<Token> value;
            Read r = ReadAssignment(t, &value);
            if (r == Read::End) {
                Error(src_.size(), "unexpected end of file in " + what);
                Blank(d->equals, src_.size());
                return;
            }
            if (r == Read::Ok) SamplerAssignment(&sampler, t, value);
        }
        Blank(d->equals, t.end);
    }

    void SamplerAssignment(SamplerDesc* sampler, const Token& nameToken,
                           const std::vector<Token>& value) {
        std::string_view name = Text(nameToken);
        if (value.empty()) {
            Error(nameToken.begin, "missing value for state " + Quote(name));
            return;
        }
        std::string_view first = Text(value[0]);
        if (IEquals(name, "Texture")) {
            // <T>, (T) or T
            bool bracketed = value.size() == 3 &&
                             ((IsPunct(value[0], '<') && IsPunct(value[2], '>')) ||
                              (IsPunct(value[0], '(') && IsPunct(value[2], ')')));
            const Token* texture = bracketed ? &value[1] : value.size() == 1 ? &value[0] : nullptr;
            if (!texture || texture->kind != Tok::Ident) {
                Error(value[0].begin, "expected '<TEXTURE>' for state " + Quote(name) + ", found " +
                                          Quote(ValueText(value)));
                return;
            }
            sampler->texture = std::string(Text(*texture));
            bool known = std::any_of(result_.textures.begin(), result_.textures.end(),
                                     [&](const TextureDesc& x) { return x.name == sampler->texture; });
            if (!known)
                Warning(texture->begin, "sampler " + Quote(sampler->name) +
                                            " refers to undeclared texture " +
                                            Quote(sampler->texture));
            return;
        }
        if (IEquals(name, "BorderColor")) {
            DWORD color = 0;
            if (value.size() != 1 || !ParseColorWord(first, &color)) {
                Warning(value[0].begin, "border colour " + Quote(ValueText(value)) +
                                            " is not a colour word; ignored");
                return;
            }
            sampler->states.push_back({D3DSAMP_BORDERCOLOR, color, Pos(nameToken.begin)});
            return;
        }
        const SamplerStateInfo* info = FindSamplerState(name);
        if (!info) {
            Warning(nameToken.begin, "unsupported sampler state " + Quote(name) + " ignored");
            return;
        }
        DWORD v = 0;
        if (value.size() == 1 && InList(kUnsupportedSamplerValues, first)) {
            Warning(value[0].begin, "unsupported value " + Quote(first) + " for sampler state " +
                                        Quote(name) + " ignored");
            return;
        }
        if (value.size() != 1 || !LookUpValue(info->values, first, &v)) {
            Error(value[0].begin,
                  "invalid value " + Quote(ValueText(value)) + " for sampler state " + Quote(name));
            return;
        }
        sampler->states.push_back({info->state, v, Pos(nameToken.begin)});
    }

    // "vector<float, 4>": skipped up to the matching '>', stopping short of
    // anything that cannot be inside.
    void SkipTemplateArguments() {
        size_t depth = 1;
        for (;;) {
            Token t = Next();
            if (t.kind == Tok::End || IsPunct(t, ';') || IsPunct(t, '{') || IsPunct(t, '}')) {
                PutBack(t);
                return;
            }
            if (IsPunct(t, '<')) ++depth;
            if (IsPunct(t, '>') && --depth == 0) return;
        }
    }

    // "< string UIName = "x"; float Min = 0; >": blanked whole. False when it
    // has no end.
    bool ParseAnnotation(const Token& open) {
        size_t braces = 0;
        for (;;) {
            Token t = Next();
            if (t.kind == Tok::End) {
                Error(open.begin, "unterminated annotation");
                return false;
            }
            if (IsPunct(t, '{')) ++braces;
            if (IsPunct(t, '}')) {
                if (braces == 0) {
                    Error(open.begin, "unterminated annotation");
                    PutBack(t);
                    return false;
                }
                --braces;
            }
            if (IsPunct(t, '>') && braces == 0) {
                Blank(open.begin, t.end);
                return true;
            }
        }
    }

    // >> techniques and passes

    void ParseTechnique(const Token& keyword) {
        inTechnique_ = true;
        techniqueWhat_ = Describe("technique", "");
        size_t conditionals = cond_.size();
        ParseTechniqueBlock(keyword, conditionals);
        inTechnique_ = false;
    }

    void ParseTechniqueBlock(const Token& keyword, size_t conditionals) {
        TechniqueDesc tech;
        tech.pos = Pos(keyword.begin);
        Token t = Next();
        if (t.kind == Tok::Ident) {
            tech.name = std::string(Text(t));
            techniqueWhat_ = Describe("technique", tech.name);
            t = Next();
        }
        if (IsPunct(t, '<')) {
            ParseAnnotation(t);
            t = Next();
        }
        std::string what = Describe("technique", tech.name);
        if (t.kind == Tok::End) {
            Error(t.begin, "unexpected end of file in " + what);
            Blank(keyword.begin, src_.size());
            return;
        }
        if (!IsPunct(t, '{')) {
            Error(t.begin, "expected '{' after " + what + ", found " + Quote(Text(t)));
            Blank(keyword.begin, t.begin);
            PutBack(t);
            return;
        }

        for (;;) {
            t = Next();
            if (t.kind == Tok::End) {
                Error(t.begin, "unexpected end of file in " + what);
                Blank(keyword.begin, src_.size());
                return;
            }
            if (IsPunct(t, '}')) break;
            if (IsPunct(t, ';')) continue;
            if (t.kind == Tok::Ident && IEquals(Text(t), "pass")) {
                if (!ParsePass(&tech, t)) {
                    Error(src_.size(), "unexpected end of file in " + what);
                    Blank(keyword.begin, src_.size());
                    return;
                }
                continue;
            }
            RepeatableError(t.begin, "unexpected ", t, " in " + what);
            if (IsPunct(t, '{') && !SkipBlock()) {
                Error(src_.size(), "unexpected end of file in " + what);
                Blank(keyword.begin, src_.size());
                return;
            }
        }

        if (cond_.size() != conditionals)
            Error(t.begin, "#if and #endif do not pair up within " + what);
        inTechnique_ = false;  // what follows the '}' is global scope again
        size_t end = t.end;
        Token after = Next();
        if (IsPunct(after, ';')) {
            end = after.end;
        } else {
            PutBack(after);
        }
        Blank(keyword.begin, end);
        if (tech.passes.empty()) Error(keyword.begin, what + " has no passes");
        result_.techniques.push_back(std::move(tech));
    }

    // False at the end of the file.
    bool ParsePass(TechniqueDesc* tech, const Token& keyword) {
        PassDesc pass;
        pass.pos = Pos(keyword.begin);
        Token t = Next();
        if (t.kind == Tok::Ident) {
            pass.name = std::string(Text(t));
            t = Next();
        }
        if (IsPunct(t, '<')) {
            ParseAnnotation(t);
            t = Next();
        }
        std::string what = Describe("pass", pass.name);
        if (t.kind == Tok::End) return false;
        if (!IsPunct(t, '{')) {
            Error(t.begin, "expected '{' after " + what + ", found " + Quote(Text(t)));
            PutBack(t);
            return true;
        }
        for (;;) {
            t = Next();
            if (t.kind == Tok::End) return false;
            if (IsPunct(t, '}')) break;
            if (IsPunct(t, ';')) continue;
            if (t.kind == Tok::Ident) {
                if (!ParseAssignment(&pass, t)) return false;
                continue;
            }
            RepeatableError(t.begin, "unexpected ", t, " in " + what);
            if (IsPunct(t, '{') && !SkipBlock()) return false;
        }
        tech->passes.push_back(std::move(pass));
        return true;
    }

    // "State = value;" or "State[i] = value;" in a pass. False at the end of
    // the file.
    bool ParseAssignment(PassDesc* pass, const Token& nameToken) {
        std::vector<Token> value;
        Read r = ReadAssignment(nameToken, &value);
        if (r == Read::End) return false;
        if (r == Read::Skipped) return true;

        std::string_view name = Text(nameToken);
        if (IEquals(name, "VertexShader")) {
            ParseShaderBinding(&pass->vertexShader, true, nameToken, value);
        } else if (IEquals(name, "PixelShader")) {
            ParseShaderBinding(&pass->pixelShader, false, nameToken, value);
        } else if (const RenderStateInfo* info = FindRenderState(name)) {
            ParseRenderState(pass, *info, nameToken, value);
        } else {
            Warning(nameToken.begin, "unsupported state " + Quote(name) + " ignored");
        }
        return true;
    }

    enum class Read { Ok, Skipped, End };

    // The value tokens of "Name = value;" or "Name[i] = value;" whose name was
    // just read. Skipped after a reported error; End at the end of the file.
    Read ReadAssignment(const Token& nameToken, std::vector<Token>* value) {
        std::string_view name = Text(nameToken);
        Token t = Next();
        if (IsPunct(t, '[')) {  // an indexed state such as Sampler[0]
            while (t.kind != Tok::End && !IsPunct(t, ']') && !IsPunct(t, ';') && !IsPunct(t, '}'))
                t = Next();
            if (IsPunct(t, ']')) t = Next();
        }
        if (t.kind == Tok::End) return Read::End;
        if (!IsPunct(t, '=')) {
            Error(t.begin, "expected '=' after " + Quote(name) + ", found " + Quote(Text(t)));
            // Up to the end of the statement, or of the block.
            while (t.kind != Tok::End && !IsPunct(t, ';') && !IsPunct(t, '}')) t = Next();
            if (t.kind == Tok::End) return Read::End;
            if (IsPunct(t, '}')) PutBack(t);
            return Read::Skipped;
        }

        size_t braces = 0;
        for (;;) {
            t = Next();
            if (t.kind == Tok::End) return Read::End;
            if (braces == 0 && IsPunct(t, ';')) break;
            if (IsPunct(t, '{')) ++braces;
            if (IsPunct(t, '}')) {
                if (braces == 0) {
                    Error(t.begin, "expected ';' after the value of " + Quote(name));
                    PutBack(t);
                    break;
                }
                --braces;
            }
            value->push_back(t);
        }
        return Read::Ok;
    }

    std::string ValueText(const std::vector<Token>& value) const {
        if (value.empty()) return "";
        return std::string(src_.substr(value.front().begin, value.back().end - value.front().begin));
    }

    void ParseRenderState(PassDesc* pass, const RenderStateInfo& info, const Token& nameToken,
                          const std::vector<Token>& value) {
        std::string_view name = Text(nameToken);
        if (value.empty()) {
            Error(nameToken.begin, "missing value for state " + Quote(name));
            return;
        }
        DWORD v = 0;
        if (value.size() != 1 || !LookUpValue(info.values, Text(value[0]), &v)) {
            Error(value[0].begin,
                  "invalid value " + Quote(ValueText(value)) + " for state " + Quote(name));
            return;
        }
        pass->renderStates.push_back({info.state, v, Pos(nameToken.begin)});
    }

    // "compile vs_2_0 VS(1, true)" or "null".
    void ParseShaderBinding(ShaderBinding* binding, bool vertex, const Token& nameToken,
                            const std::vector<Token>& value) {
        std::string_view name = Text(nameToken);
        if (value.empty()) {
            Error(nameToken.begin, "missing value for state " + Quote(name));
            return;
        }
        ShaderBinding b;
        b.present = true;
        b.pos = Pos(nameToken.begin);
        if (value.size() == 1 && IEquals(Text(value[0]), "null")) {
            b.null = true;
        } else if (IEquals(Text(value[0]), "compile")) {
            if (!ParseCompile(&b, vertex, value)) return;
        } else if (const ShaderVariable* var = FindShaderVariable(value)) {
            if (var->vertex != vertex) {
                Error(value[0].begin, "shader variable " + Quote(var->name) + " is a " +
                                          (var->vertex ? "vertex" : "pixel") + " shader");
                return;
            }
            b = var->binding;
            b.pos = Pos(nameToken.begin);
        } else {
            Error(value[0].begin, "expected 'compile PROFILE ENTRY(...)' or 'null' for " +
                                      Quote(name) + ", found " + Quote(ValueText(value)));
            return;
        }
        if (binding->present)
            Warning(nameToken.begin, "state " + Quote(name) + " set twice; the last one counts");
        *binding = std::move(b);
    }

    // "VS1", "(VS1)" or "<VS1>" naming a global shader variable.
    const ShaderVariable* FindShaderVariable(const std::vector<Token>& v) const {
        bool bracketed = v.size() == 3 && ((IsPunct(v[0], '(') && IsPunct(v[2], ')')) ||
                                           (IsPunct(v[0], '<') && IsPunct(v[2], '>')));
        const Token* name = bracketed ? &v[1] : v.size() == 1 ? &v[0] : nullptr;
        if (!name || name->kind != Tok::Ident) return nullptr;
        for (const ShaderVariable& var : shared_->shaderVariables)
            if (var.name == Text(*name)) return &var;
        return nullptr;
    }

    bool ParseCompile(ShaderBinding* b, bool vertex, const std::vector<Token>& v) {
        if (v.size() < 2 || v[1].kind != Tok::Ident) {
            size_t at = v.size() < 2 ? v[0].end : v[1].begin;
            Error(at, "expected a shader profile after 'compile'");
            return false;
        }
        std::string_view profile = Text(v[1]);
        bool isVertex = InList(kVertexProfiles, profile);
        bool isPixel = InList(kPixelProfiles, profile);
        if (!isVertex && !isPixel) {
            Error(v[1].begin, "unsupported profile " + Quote(profile));
            return false;
        }
        if (isVertex != vertex) {
            Error(v[1].begin, "profile " + Quote(profile) + " cannot compile a " +
                                  (vertex ? "vertex" : "pixel") + " shader");
            return false;
        }
        b->profile = ToLower(profile);
        if (v.size() < 3 || v[2].kind != Tok::Ident) {
            Error(v.size() < 3 ? v[1].end : v[2].begin, "expected an entry point after " + Quote(profile));
            return false;
        }
        b->entry = std::string(Text(v[2]));
        if (v.size() < 4 || !IsPunct(v[3], '(')) {
            Error(v.size() < 4 ? v[2].end : v[3].begin,
                  "expected '(' after " + Quote(b->entry));
            return false;
        }

        // Arguments split at the commas of the outer parentheses.
        size_t depth = 1;
        size_t i = 4;
        size_t argStart = i;
        for (; i < v.size(); ++i) {
            bool open = IsPunct(v[i], '(') || IsPunct(v[i], '[') || IsPunct(v[i], '{');
            bool close = IsPunct(v[i], ')') || IsPunct(v[i], ']') || IsPunct(v[i], '}');
            if (open) ++depth;
            if (close) --depth;
            if ((depth == 1 && IsPunct(v[i], ',')) || depth == 0) {
                if (i > argStart) {
                    b->arguments.push_back(std::string(
                        src_.substr(v[argStart].begin, v[i - 1].end - v[argStart].begin)));
                } else if (IsPunct(v[i], ',') || !b->arguments.empty()) {
                    Error(v[i].begin, "missing argument in the call of " + Quote(b->entry));
                    return false;
                }
                argStart = i + 1;
                if (depth == 0) break;
            }
        }
        if (depth != 0) {
            Error(v.back().end, "expected ')' to close the call of " + Quote(b->entry));
            return false;
        }
        if (i + 1 < v.size()) {
            Error(v[i + 1].begin, "unexpected " + Quote(Text(v[i + 1])) + " after the call of " +
                                      Quote(b->entry));
            return false;
        }
        return true;
    }

    std::string_view src_;
    std::string fileName_;
    Shared* shared_;
    ParsedEffect& result_;
    Reporter reporter_;
    Lexer lexer_;
    std::vector<size_t> lineStarts_;
    std::string hlsl_;
    std::vector<std::pair<size_t, size_t>> directives_;  // [begin, end) of each directive line
    std::vector<Conditional> cond_;
    bool inTechnique_ = false;
    std::string techniqueWhat_;  // "technique 'T'", for messages
    Token pending_;
    bool hasPending_ = false;
};

}  // namespace

ParsedEffect ParseEffect(std::string_view source, const IncludeResolver& resolver) {
    ParsedEffect result;
    Shared shared;
    shared.resolver = &resolver;
    shared.result = &result;
    Parser(source, "", &shared).Run(&result.hlsl, &result.diagnostics);
    return result;
}

ParsedEffect ParseEffect(std::string_view source) {
    return ParseEffect(source, IncludeResolver());
}

}  // namespace fx
