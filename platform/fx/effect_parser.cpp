// Effect-framework syntax around the HLSL of an effect file: techniques,
// passes, compile statements, render states and annotations.
//
// The parser streams tokens over the file once; every loop advances by at least
// one token and nothing recurses on the input's nesting, so hostile input
// (binary garbage, unbalanced braces, megabytes of '{') costs linear time and
// constant stack. Diagnostics are capped so that a file of ten million stray
// braces cannot turn into ten million messages.
#include "platform/fx/effect_parser.h"

#include <algorithm>
#include <cstddef>
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
    size_t offset;
    bool error;
    std::string message;
};

class Reporter {
public:
    void Add(size_t offset, bool error, std::string message) {
        if (list_.size() < kMaxDiagnostics) {
            list_.push_back({offset, error, std::move(message)});
        } else if (!overflowed_) {
            overflowed_ = true;
            list_.push_back({offset, true, "too many errors; parsing goes on without reporting"});
        }
    }
    std::vector<PendingDiagnostic>& List() { return list_; }

private:
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

class Parser {
public:
    explicit Parser(std::string_view src) : src_(src), lexer_(src, &reporter_) {
        lineStarts_.push_back(0);
        for (size_t i = 0; i < src.size(); ++i)
            if (src[i] == '\n') lineStarts_.push_back(i + 1);
    }

    ParsedEffect Run() {
        result_.hlsl.assign(src_.data(), src_.size());
        ParseTopLevel();

        std::vector<PendingDiagnostic>& list = reporter_.List();
        std::stable_sort(list.begin(), list.end(),
                         [](const PendingDiagnostic& a, const PendingDiagnostic& b) {
                             return a.offset < b.offset;
                         });
        for (PendingDiagnostic& d : list)
            result_.diagnostics.push_back({Pos(d.offset), d.error, std::move(d.message)});
        return std::move(result_);
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
            if (t.kind != Tok::Directive) return t;
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
    void Warning(size_t offset, std::string message) {
        reporter_.Add(offset, false, std::move(message));
    }

    // Spaces over [begin, end), line ends kept, so offsets, lines and columns
    // of everything else stay as they were.
    void Blank(size_t begin, size_t end) {
        end = std::min(end, result_.hlsl.size());
        for (size_t i = begin; i < end; ++i) {
            char& c = result_.hlsl[i];
            if (c != '\n' && c != '\r') c = ' ';
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

    // >> global scope

    // Where a global declaration has got to, so that '<' after a variable's
    // name reads as an annotation and '<' anywhere else stays an operator.
    enum class DeclPhase { Start, AfterType, AfterName, AfterColon, Initializer, Other };

    struct Decl {
        DeclPhase phase = DeclPhase::Start;
        size_t parens = 0;    // open '(' after a register / packoffset
        size_t brackets = 0;  // open '[' of an array size
        bool semantic = false;  // the last token was a semantic or register keyword
    };

    void ParseTopLevel() {
        size_t depth = 0;  // braces of functions, structs and buffers
        Decl decl;
        for (;;) {
            Token t = Next();
            if (t.kind == Tok::End) break;
            if (depth > 0) {
                if (IsPunct(t, '{')) ++depth;
                if (IsPunct(t, '}') && --depth == 0) decl = Decl();
                continue;
            }
            // A reserved word of the effect language: it starts a technique
            // wherever it appears at global scope, even after a stray token
            // that left the previous declaration unfinished.
            if (t.kind == Tok::Ident && IsTechniqueKeyword(Text(t))) {
                ParseTechnique(t);
                decl = Decl();
                continue;
            }
            if (IsPunct(t, '{')) {
                depth = 1;
                continue;
            }
            if (IsPunct(t, '}')) {
                Error(t.begin, "unmatched '}'");
                decl = Decl();
                continue;
            }
            if (IsPunct(t, ';')) {
                decl = Decl();
                continue;
            }
            FeedDeclaration(&decl, t);
        }
    }

    void FeedDeclaration(Decl* d, const Token& t) {
        switch (d->phase) {
            case DeclPhase::Start:
                if (t.kind == Tok::Ident && IsQualifier(Text(t))) return;
                d->phase = t.kind == Tok::Ident ? DeclPhase::AfterType : DeclPhase::Other;
                return;
            case DeclPhase::AfterType:
                if (IsPunct(t, '<')) {
                    SkipTemplateArguments();
                } else if (t.kind == Tok::Ident) {
                    d->phase = DeclPhase::AfterName;
                    d->semantic = false;
                } else {
                    d->phase = DeclPhase::Other;
                }
                return;
            case DeclPhase::AfterName:
                if (d->parens > 0) {
                    if (IsPunct(t, '(')) ++d->parens;
                    if (IsPunct(t, ')')) --d->parens;
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
                } else if (IsPunct(t, ',')) {
                    d->phase = DeclPhase::AfterType;
                } else {
                    d->phase = DeclPhase::Other;  // a function's parameters, or anything else
                }
                d->semantic = false;
                return;
            case DeclPhase::AfterColon:
                d->phase = t.kind == Tok::Ident ? DeclPhase::AfterName : DeclPhase::Other;
                d->semantic = t.kind == Tok::Ident;
                return;
            case DeclPhase::Initializer:
            case DeclPhase::Other:
                return;
        }
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
        TechniqueDesc tech;
        tech.pos = Pos(keyword.begin);
        Token t = Next();
        if (t.kind == Tok::Ident) {
            tech.name = std::string(Text(t));
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
            Error(t.begin, "unexpected " + Quote(Text(t)) + " in " + what);
            if (IsPunct(t, '{') && !SkipBlock()) {
                Error(src_.size(), "unexpected end of file in " + what);
                Blank(keyword.begin, src_.size());
                return;
            }
        }

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
            Error(t.begin, "unexpected " + Quote(Text(t)) + " in " + what);
            if (IsPunct(t, '{') && !SkipBlock()) return false;
        }
        tech->passes.push_back(std::move(pass));
        return true;
    }

    // "State = value;" or "State[i] = value;". False at the end of the file.
    bool ParseAssignment(PassDesc* pass, const Token& nameToken) {
        std::string_view name = Text(nameToken);
        Token t = Next();
        if (IsPunct(t, '[')) {  // an indexed state such as Sampler[0]
            while (t.kind != Tok::End && !IsPunct(t, ']') && !IsPunct(t, ';') && !IsPunct(t, '}'))
                t = Next();
            if (IsPunct(t, ']')) t = Next();
        }
        if (t.kind == Tok::End) return false;
        if (!IsPunct(t, '=')) {
            Error(t.begin, "expected '=' after " + Quote(name) + ", found " + Quote(Text(t)));
            // Up to the end of the statement, or of the pass.
            while (t.kind != Tok::End && !IsPunct(t, ';') && !IsPunct(t, '}')) t = Next();
            if (t.kind == Tok::End) return false;
            if (IsPunct(t, '}')) PutBack(t);
            return true;
        }

        std::vector<Token> value;
        size_t braces = 0;
        for (;;) {
            t = Next();
            if (t.kind == Tok::End) return false;
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
            value.push_back(t);
        }

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
        } else {
            Error(value[0].begin, "expected 'compile PROFILE ENTRY(...)' or 'null' for " +
                                      Quote(name) + ", found " + Quote(ValueText(value)));
            return;
        }
        if (binding->present)
            Warning(nameToken.begin, "state " + Quote(name) + " set twice; the last one counts");
        *binding = std::move(b);
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
    Reporter reporter_;
    Lexer lexer_;
    std::vector<size_t> lineStarts_;
    ParsedEffect result_;
    Token pending_;
    bool hasPending_ = false;
};

}  // namespace

ParsedEffect ParseEffect(std::string_view source) {
    return Parser(source).Run();
}

}  // namespace fx
