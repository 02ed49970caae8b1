// Stage 4: global declarations as Direct3D 9 reads them (see RewriteGlobals
// in 4_rewrite_hlsl.h).
//
// Implemented: [x] a non-static const global is a parameter: the word is
//                  taken out
//              [x] cbuffer and tbuffer blocks hold plain globals: head and braces taken out,
//                  packoffset(cN) as register(cN), packoffset(cN.y) kept;
//                  register(cN.y) on a global as packoffset(cN.y)
//              [x] a global the code writes to (an assignment, ++ / --, or an
//                  out / inout argument of the effect's functions, modf,
//                  frexp and sincos): a static copy of it, which stage 6
//                  fills from the parameter's registers
//              [x] the majority of each matrix global and struct member from
//                  row_major / column_major, typedefs and #pragma pack_matrix
//              [x] errors: row_major / column_major on what is not a matrix,
//                  twice, or both
#include <algorithm>
#include <cstdlib>
#include <set>

#include "platform/fx/4_rewrite/4_rewrite_hlsl.h"
#include "platform/fx/shared/tables.h"

namespace fx {
namespace {

bool IsDim(char c) { return c >= '1' && c <= '4'; }

// "float4x3", "matrix", "int2x2": a matrix type name. "float3", "bool":
// a scalar or vector. Other names are neither (structs, typedefs, ...).
enum class DeclaredShape { Matrix, Plain, Unknown };
DeclaredShape BuiltInShape(std::string_view word) {
    if (word == "matrix") return DeclaredShape::Matrix;
    if (word == "vector") return DeclaredShape::Plain;
    for (const char* base : {"float", "half", "double", "int", "uint", "bool", "dword",
                             "min16float", "min10float", "min16int", "min16uint"}) {
        std::string_view b = base;
        if (word.substr(0, b.size()) != b) continue;
        std::string_view rest = word.substr(b.size());
        if (rest.empty() || (rest.size() == 1 && IsDim(rest[0]))) return DeclaredShape::Plain;
        if (rest.size() == 3 && IsDim(rest[0]) && rest[1] == 'x' && IsDim(rest[2]))
            return DeclaredShape::Matrix;
    }
    return DeclaredShape::Unknown;
}

struct TypedefInfo {
    DeclaredShape shape = DeclaredShape::Unknown;
    int majority = -1;  // -1 none, 0 column_major, 1 row_major
};

class GlobalScan {
public:
    GlobalScan(TokenStream* s, GlobalsRewrite* out, MessageSink& messages)
        : s_(*s), out_(out), messages_(messages) {
        for (size_t i = 0; i < s->tokens.size(); ++i) {
            if (s->tokens[i].kind != Tok::String) t_.push_back(i);
        }
    }

    void Run();

private:
    const SourceToken& T(size_t i) const { return s_.tokens[t_[i]]; }
    std::string_view Word(size_t i) const {
        return i < t_.size() ? s_.Text(T(i)) : std::string_view();
    }
    bool Is(size_t i, char c) const {
        if (i >= t_.size() || T(i).kind != Tok::Punct) return false;
        std::string_view w = Word(i);
        return w.size() == 1 && w[0] == c;
    }
    bool Ident(size_t i) const { return i < t_.size() && T(i).kind == Tok::Ident; }
    void Error(size_t i, std::string text) {
        messages_.Error(s_.Pos(T(i)), std::move(text));
    }
    // The index after the bracket that closes the one at i.
    size_t Skip(size_t i) const;
    void TakeOut(size_t i) { edits_.Replace(t_[i], t_[i] + 1, {}); }
    // Spelled otherwise, in place once the scan is done (the copies that
    // RewriteWritten makes keep the file's spelling).
    void Respell(size_t i, std::string text) { respells_.emplace_back(t_[i], std::move(text)); }
    void RegisterComponents();

    DeclaredShape ShapeOf(std::string_view type) const;
    void CheckMajorities();
    void Pragma(size_t i);
    size_t Typedef(size_t i);
    size_t Struct(size_t i);
    size_t Buffer(size_t i);
    size_t Declaration(size_t i, const std::string& owner);
    void Parameters(const std::string& function, size_t open);
    bool OutArgument(size_t begin, size_t first, size_t last) const;
    void FindWrites(size_t params, size_t begin, size_t end);
    bool DeclaresName(size_t i) const;
    void RewriteWritten();

    TokenStream& s_;
    GlobalsRewrite* out_;
    MessageSink& messages_;
    std::vector<size_t> t_;  // the stream's tokens but strings, by index
    TokenEdits edits_;  // by index in the stream
    std::vector<std::pair<size_t, std::string>> respells_;  // by index in the stream
    std::map<std::string, TypedefInfo, std::less<>> typedefs_;
    std::set<std::string, std::less<>> structs_;
    bool packRowMajor_ = false;

    // Globals that may be written: name -> (type token, name token, ';').
    struct Candidate {
        size_t first;  // the declaration's first token
        size_t type;
        size_t name;
        size_t end;  // its ';'
    };
    std::map<std::string, Candidate, std::less<>> candidates_;
    std::vector<std::string> written_;  // candidates this file writes to
    std::vector<std::pair<size_t, size_t>> bodies_;  // [begin, end) of function bodies
    std::vector<size_t> parameters_;                 // each body's function's '('
    // By function name: which parameters are out or inout (any overload's).
    std::map<std::string, std::vector<bool>> outParameters_;
};

size_t GlobalScan::Skip(size_t i) const {
    const char open = Word(i)[0];
    const char close = open == '(' ? ')' : open == '[' ? ']' : open == '<' ? '>' : '}';
    int depth = 0;
    for (size_t j = i; j < t_.size(); ++j) {
        if (Is(j, open)) ++depth;
        if (Is(j, close) && --depth == 0) return j + 1;
    }
    return t_.size();
}

DeclaredShape GlobalScan::ShapeOf(std::string_view type) const {
    DeclaredShape shape = BuiltInShape(type);
    if (shape != DeclaredShape::Unknown) return shape;
    auto it = typedefs_.find(type);
    if (it != typedefs_.end()) return it->second.shape;
    return structs_.find(type) != structs_.end() ? DeclaredShape::Plain : DeclaredShape::Unknown;
}

// row_major and column_major apply to a matrix, once: checked wherever they
// are written (globals, members, locals, parameters, typedefs).
void GlobalScan::CheckMajorities() {
    for (size_t i = 0; i < t_.size(); ++i) {
        const std::string_view w = Word(i);
        if (!Ident(i) || (w != "row_major" && w != "column_major")) continue;
        if (i > 0 && Ident(i - 1) && IsQualifier(Word(i - 1))) continue;  // not the run's first
        size_t j = i;
        std::string seen;
        for (; Ident(j) && IsQualifier(Word(j)); ++j) {
            const std::string_view q = Word(j);
            if (q != "row_major" && q != "column_major") continue;
            if (seen.empty()) {
                seen = q;
            } else if (seen == q) {
                Error(j, "'" + seen + "' is repeated");
            } else {
                Error(j, "'row_major' and 'column_major' contradict each other");
            }
        }
        if (!Ident(j)) continue;
        const std::string_view type = Word(j);
        const DeclaredShape shape = type == "struct" ? DeclaredShape::Plain : ShapeOf(type);
        if (shape == DeclaredShape::Plain) {
            Error(i, "'" + std::string(w) + "' applies to matrices, not to '" +
                                   std::string(type) + "'");
        }
    }
}

void GlobalScan::Pragma(size_t i) {
    std::string_view line = Word(i);
    const size_t at = line.find("pack_matrix");
    if (line.find("pragma") == std::string_view::npos || at == std::string_view::npos) return;
    if (line.find("row_major", at) != std::string_view::npos) packRowMajor_ = true;
    if (line.find("column_major", at) != std::string_view::npos) packRowMajor_ = false;
}

// "typedef row_major float4x4 M;": what the name stands for.
size_t GlobalScan::Typedef(size_t i) {
    TypedefInfo def;
    size_t j = i + 1;
    for (; Ident(j) && IsQualifier(Word(j)); ++j) {
        if (Word(j) == "row_major") def.majority = 1;
        if (Word(j) == "column_major") def.majority = 0;
    }
    if (!Ident(j)) return j;
    const std::string_view type = Word(j);
    def.shape = ShapeOf(type);
    auto base = typedefs_.find(type);
    if (def.majority < 0 && base != typedefs_.end()) def.majority = base->second.majority;
    // A matrix typedef keeps the #pragma pack_matrix in force where it is
    // declared, whatever pragma is in force where it is used.
    if (def.majority < 0 && def.shape == DeclaredShape::Matrix) def.majority = packRowMajor_ ? 1 : 0;
    ++j;
    if (Is(j, '<')) j = Skip(j);
    for (; j < t_.size() && !Is(j, ';'); ++j) {
        if (Ident(j)) typedefs_[std::string(Word(j))] = def;
        if (Is(j, '[')) j = Skip(j) - 1;
    }
    return j + 1;
}

// "struct S { ... };": its members' majorities; a declaration may follow.
size_t GlobalScan::Struct(size_t i) {
    size_t j = i + 1;
    std::string name;
    if (Ident(j)) name = Word(j++);
    if (!Is(j, '{')) return Declaration(i + 1, "");  // "struct S s;"
    structs_.insert(name);
    const size_t end = Skip(j) - 1;
    for (size_t k = j + 1; k < end;) k = Declaration(k, name.empty() ? "?" : name);
    if (Ident(end + 1)) {
        // "struct S { ... } s;" declares a global of the struct.
        size_t k = end + 1;
        while (k < t_.size() && !Is(k, ';')) ++k;
        return k + 1;
    }
    return end + 1;
}

// "cbuffer B : register(b0) { float4 x; };": the members are globals (a
// tbuffer's too: shader models 2 and 3 read both from the c registers).
size_t GlobalScan::Buffer(size_t i) {
    size_t j = i;
    while (j < t_.size() && !Is(j, '{') && !Is(j, ';')) TakeOut(j++);
    if (!Is(j, '{')) return j;
    const size_t end = Skip(j) - 1;
    TakeOut(j);
    for (size_t k = j + 1; k < end && k < t_.size();) {
        // packoffset(c3) places a member as register(c3) does.
        k = Declaration(k, "");
    }
    for (size_t k = j + 1; k < end; ++k) {
        if (Word(k) != "packoffset" || !Is(k + 1, '(')) continue;
        const size_t close = Skip(k + 1);
        const std::string_view reg = Word(k + 2);
        bool number = reg.size() >= 2 && (reg[0] == 'c' || reg[0] == 'C');
        for (size_t c = 1; c < reg.size(); ++c) number = number && reg[c] >= '0' && reg[c] <= '9';
        // packoffset(c2.y): glslang places it at the component (stage 6
        // keeps it there); packoffset(c2) as register(c2).
        const std::string_view component = Word(k + 4);
        const bool withComponent = close == k + 6 && Is(k + 3, '.') && component.size() == 1 &&
                                   std::string_view("xyzw").find(component[0]) != std::string_view::npos;
        if (!number || (close != k + 4 && !withComponent)) {
            Error(k, "packoffset takes a c register and a component: packoffset(c2) or "
                     "packoffset(c2.y)");
            continue;
        }
        // c4294967296 would wrap into a register that exists.
        if (reg.size() > 6 || std::atoi(std::string(reg.substr(1)).c_str()) > 65535) {
            Error(k + 2, "register '" + std::string(reg) + "' is past the last register of any "
                         "profile");
            continue;
        }
        if (!withComponent) Respell(k, "register");
    }
    if (end < t_.size()) TakeOut(end);
    if (Is(end + 1, ';')) TakeOut(end + 1);
    return end + 1;
}

// A declaration at global scope or in a struct: variables (their
// majorities; const, written), a function (its body is searched for writes),
// or something else skipped to its end.
size_t GlobalScan::Declaration(size_t i, const std::string& owner) {
    size_t j = i;
    int majority = -1;
    bool isStatic = false;
    size_t constWord = t_.size();
    for (; Ident(j) && (IsQualifier(Word(j)) || Word(j) == "inline"); ++j) {
        const std::string_view q = Word(j);
        if (q == "row_major") majority = 1;
        if (q == "column_major") majority = 0;
        if (q == "static") isStatic = true;
        if (q == "const") constWord = j;
    }
    if (!Ident(j)) {
        while (j < t_.size() && !Is(j, ';') && !Is(j, '{') && !Is(j, '}')) ++j;
        return Is(j, '{') ? Skip(j) : j + 1;
    }
    const size_t type = j++;
    if (Is(j, '<')) j = Skip(j);
    const std::string typeName(Word(type));
    const DeclaredShape shape = ShapeOf(typeName);
    if (majority < 0) {
        auto def = typedefs_.find(typeName);
        if (def != typedefs_.end()) majority = def->second.majority;
    }
    if (majority < 0) majority = packRowMajor_ ? 1 : 0;
    bool first = true;
    while (j < t_.size()) {
        if (!Ident(j)) break;
        const size_t name = j++;
        if (first && Is(j, '(')) {
            // A function: its body, if any, is where globals are written.
            Parameters(std::string(Word(name)), j);
            const size_t open = j;
            j = Skip(j);
            while (j < t_.size() && !Is(j, '{') && !Is(j, ';')) ++j;
            if (Is(j, '{')) {
                const size_t end = Skip(j);
                bodies_.emplace_back(j, end);
                parameters_.push_back(open);
                return end;
            }
            return j + 1;
        }
        if (shape == DeclaredShape::Matrix)
            out_->majorities.push_back({owner, std::string(Word(name)), majority == 1});
        // The rest of this declarator: dims, semantics, annotations, initializer.
        bool single = first;
        bool initializer = false;
        while (j < t_.size() && !Is(j, ',') && !Is(j, ';')) {
            if (Is(j, '(') || Is(j, '[') || Is(j, '{') || (Is(j, '<') && !initializer)) {
                j = Skip(j);
            } else {
                initializer |= Is(j, '=');
                ++j;
            }
        }
        if (Is(j, ',')) single = false;
        if (owner.empty() && !isStatic && constWord == t_.size() && single && Is(j, ';') &&
            !IsSamplerType(typeName) && !IsTextureType(typeName)) {
            candidates_[std::string(Word(name))] = {i, type, name, j};
        }
        first = false;
        if (Is(j, ',')) ++j;
    }
    // A non-static const global is a parameter, which the program may write.
    if (owner.empty() && !isStatic && constWord < t_.size()) TakeOut(constWord);
    while (j < t_.size() && !Is(j, ';') && !Is(j, '}')) ++j;
    return Is(j, ';') ? j + 1 : j;
}

// The parameters of a function declared with its '(' at open: which are out
// or inout, merged with the overloads seen before.
void GlobalScan::Parameters(const std::string& function, size_t open) {
    std::vector<bool>& outs = outParameters_[function];
    const size_t close = Skip(open) - 1;
    size_t index = 0;
    for (size_t k = open + 1; k < close && k < t_.size(); ++k) {
        if (Is(k, '(') || Is(k, '[') || Is(k, '<')) {
            k = Skip(k) - 1;
        } else if (Is(k, ',')) {
            ++index;
        } else if (Word(k) == "out" || Word(k) == "inout") {
            if (outs.size() <= index) outs.resize(index + 1, false);
            outs[index] = true;
        }
    }
}

// Whether tokens [first, last), within a body from begin, are a whole
// argument of a call that writes it: an out or inout parameter of the
// effect's function of that name (any overload), or the intrinsics' out
// parameters (modf's and frexp's second, sincos's second and third).
bool GlobalScan::OutArgument(size_t begin, size_t first, size_t last) const {
    if (first <= begin || !(Is(first - 1, '(') || Is(first - 1, ',')) ||
        !(Is(last, ',') || Is(last, ')'))) {
        return false;
    }
    // Back to the call's '(', counting the commas of its own level.
    size_t index = 0;
    int depth = 0;
    size_t k = first - 1;
    for (;; --k) {
        const bool closes = Is(k, ')') || Is(k, ']') || Is(k, '}');
        const bool opens = Is(k, '(') || Is(k, '[') || Is(k, '{');
        if (closes) ++depth;
        if (opens && depth-- == 0) break;
        if (depth == 0 && Is(k, ',')) ++index;
        if (k == begin) return false;
    }
    if (!Is(k, '(') || k == 0 || !Ident(k - 1)) return false;
    const std::string function(Word(k - 1));
    auto own = outParameters_.find(function);
    if (own != outParameters_.end()) return index < own->second.size() && own->second[index];
    // (As 4_intrinsic_overloads may have renamed them: fx_modf_ ...)
    if (function == "modf" || function == "frexp" || function == "fx_modf_" ||
        function == "fx_frexp_") {
        return index == 1;
    }
    if (function == "sincos" || function == "fx_sincos_") return index == 1 || index == 2;
    return false;
}

// The name at i is declared there: "TYPE NAME" followed by what may follow
// a declared name (a parameter's or a local's).
bool GlobalScan::DeclaresName(size_t i) const {
    if (i == 0 || !Ident(i - 1)) return false;
    const std::string_view before = Word(i - 1);
    if (before == "return" || before == "else" || before == "do" || before == "case" ||
        before == "in" || before == "out" || before == "inout")
        return before == "in" || before == "out" || before == "inout";
    return Is(i + 1, '=') || Is(i + 1, ';') || Is(i + 1, ',') || Is(i + 1, '[') ||
           Is(i + 1, ':') || Is(i + 1, ')');
}

// "G = ...", "G.x += ...", "G[i]++", "--G", "modf(x, G)": a candidate global
// written in a function body. A parameter or local of that name is not the
// global where it is declared (its function, the rest of its block).
void GlobalScan::FindWrites(size_t params, size_t begin, size_t end) {
    auto adjacent = [&](size_t a) {
        return a + 1 < t_.size() && t_[a + 1] == t_[a] + 1 && (T(a + 1).flags & kGlued) != 0;
    };
    std::vector<std::pair<std::string_view, int>> locals;  // name, block depth
    for (size_t i = params + 1; i < begin; ++i)
        if (Ident(i) && DeclaresName(i)) locals.emplace_back(Word(i), 0);
    int depth = 0;
    for (size_t i = begin; i < end; ++i) {
        if (Is(i, '{')) ++depth;
        if (Is(i, '}')) {
            --depth;
            while (!locals.empty() && locals.back().second > depth) locals.pop_back();
        }
        if (!Ident(i) || candidates_.find(Word(i)) == candidates_.end()) continue;
        if (i > 0 && Is(i - 1, '.')) continue;
        if (DeclaresName(i)) {
            locals.emplace_back(Word(i), depth);
            continue;
        }
        bool local = false;
        for (const auto& declared : locals) local = local || declared.first == Word(i);
        if (local) continue;
        bool written = i > 1 && ((Is(i - 1, '+') && Is(i - 2, '+')) ||
                                 (Is(i - 1, '-') && Is(i - 2, '-')));
        size_t j = i + 1;
        while (j < end && (Is(j, '.') || Is(j, '['))) j = Is(j, '[') ? Skip(j) : j + 2;
        if (j < end && T(j).kind == Tok::Punct) {
            const char c = Word(j)[0];
            std::string op(1, c);
            for (size_t k = j; adjacent(k) && T(k + 1).kind == Tok::Punct && op.size() < 3; ++k)
                op += Word(k + 1);
            const bool compound = op.size() >= 2 && op[1] == '=' &&
                                  std::string("+-*/%&|^").find(c) != std::string::npos;
            written |= op.rfind("++", 0) == 0 || op.rfind("--", 0) == 0 ||
                       (c == '=' && op.rfind("==", 0) != 0) || compound ||
                       op.rfind("<<=", 0) == 0 || op.rfind(">>=", 0) == 0;
        }
        written = written || OutArgument(begin, i, j);
        if (written) written_.push_back(std::string(Word(i)));
    }
}

// "float4 G : register(c1) = x;" -> "float4 G__fxw : register(c1) = x; static float4 G;"
void GlobalScan::RewriteWritten() {
    std::sort(written_.begin(), written_.end());
    written_.erase(std::unique(written_.begin(), written_.end()), written_.end());
    for (const std::string& name : written_) {
        out_->written.push_back(name);
        const Candidate& c = candidates_.at(name);
        // The copy is said to be where the global's name is.
        const SourceToken& at = T(c.name);
        std::vector<SourceToken> copy;
        copy.push_back(s_.Make(Tok::Ident, "static", at));
        auto append = [&](size_t first, size_t last) {  // [first, last) of t_
            for (size_t k = first; k < last; ++k) {
                SourceToken token = T(k);
                if (k == first) token.flags &= static_cast<uint8_t>(~kGlued);
                copy.push_back(token);
            }
        };
        append(c.type, c.name + 1);
        for (size_t k = c.name + 1; k < c.end && Is(k, '['); k = Skip(k)) append(k, Skip(k));
        copy.push_back(s_.Make(Tok::Punct, ";", at));
        copy.back().flags |= kGlued;
        edits_.Replace(t_[c.end] + 1, t_[c.end] + 1, std::move(copy));
        Respell(c.name, name + kWrittenSuffix);
    }
}

// "float2 a : register(c0.y);": a register's component, as packoffset(c0.y)
// says it to glslang (stage 6 keeps the global there).
void GlobalScan::RegisterComponents() {
    size_t body = 0;
    for (size_t k = 0; k + 5 < t_.size(); ++k) {
        while (body < bodies_.size() && bodies_[body].second <= k) ++body;
        if (body < bodies_.size() && k >= bodies_[body].first) continue;
        if (Word(k) != "register" || !Is(k + 1, '(') || Word(k + 2).size() < 2 ||
            (Word(k + 2)[0] != 'c' && Word(k + 2)[0] != 'C') || !Is(k + 3, '.') || !Is(k + 5, ')'))
            continue;
        const std::string_view component = Word(k + 4);
        if (component.size() == 1 && std::string_view("xyzw").find(component[0]) != std::string_view::npos)
            Respell(k, "packoffset");
    }
}

void GlobalScan::Run() {
    for (size_t i = 0; i < t_.size();) {
        if (T(i).kind == Tok::Directive) {
            Pragma(i++);
        } else if (Is(i, ';') || Is(i, '}')) {
            ++i;
        } else if (Word(i) == "typedef") {
            i = Typedef(i);
        } else if (Word(i) == "struct") {
            i = Struct(i);
        } else if (Word(i) == "cbuffer" || Word(i) == "tbuffer") {
            i = Buffer(i);
        } else {
            i = Declaration(i, "");
        }
    }
    // With the typedefs and structs known.
    CheckMajorities();
    for (size_t b = 0; b < bodies_.size(); ++b)
        FindWrites(parameters_[b], bodies_[b].first, bodies_[b].second);
    RegisterComponents();
    RewriteWritten();
    for (const auto& [i, text] : respells_) {
        SourceToken& t = s_.tokens[i];
        // A longer spelling than the file's: places inside it no longer
        // line up with the file's columns.
        if (text.size() > s_.Text(t).size()) t.flags |= kExpanded;
        t.text = s_.texts->Id(text);
    }
    edits_.Apply(&s_.tokens);
}

}  // namespace

void RewriteGlobals(TokenStream* hlsl, GlobalsRewrite* out, MessageSink& messages) {
    GlobalScan scan(hlsl, out, messages);
    scan.Run();
}

}  // namespace fx
