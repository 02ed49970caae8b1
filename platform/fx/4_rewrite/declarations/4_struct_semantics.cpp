// Stage 4: an entry point's struct parameter or return value with a semantic
// of its own (see 4_struct_semantics.h).
#include "platform/fx/4_rewrite/declarations/4_struct_semantics.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"
#include "platform/fx/4_rewrite/checks/4_check_stage_limits.h"

namespace fx {
namespace {

constexpr int kMaxStructDepth = 8;

struct Semantic {
    std::string base;
    int index = 0;
};

// "TEXCOORD1" as TEXCOORD and 1; "COLOR" as COLOR and 0.
bool ReadSemantic(std::string_view s, Semantic* out) {
    size_t digits = s.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(s[digits - 1]))) --digits;
    if (digits == 0 || s.size() - digits > 2) return false;
    out->base = std::string(s.substr(0, digits));
    out->index = digits == s.size() ? 0 : std::stoi(std::string(s.substr(digits)));
    return true;
}

bool HasWord(const Code& code, size_t from, size_t to, std::string_view word) {
    for (size_t k = from; k < to; ++k)
        if (code.IsIdent(k) && code.Text(k) == word) return true;
    return false;
}

// The copies of structs with the semantics counted out, and the members
// (paths of scalars, vectors, matrices and arrays of them) to copy.
class CopyMaker {
public:
    CopyMaker(const Code& code, const HlslOutline& outline) : code_(code), outline_(outline) {}

    std::string definitions;

    // The copy of s whose members take semantic.base from *index on; empty
    // when a member is of a kind whose registers are not counted here (an
    // array of structs, an array of two dimensions or of no literal size).
    std::string Copy(const StructOutline& s, const Semantic& semantic, int* index,
                     const std::string& prefix, std::vector<std::string>* leaves, int depth) {
        if (depth > kMaxStructDepth || s.members.empty()) return {};
        std::string body;
        for (const Declarator& m : s.members) {
            if (m.type == npos || m.name == npos) return {};
            const std::string name(code_.Text(m.name));
            std::string array;
            int elements = 1;
            if (m.arrayOpen != npos) {
                const size_t close = code_.Closing(m.arrayOpen);
                if (close != m.arrayOpen + 2 || code_.Punct(close + 1) == '[') return {};
                const std::string_view n = code_.Text(m.arrayOpen + 1);
                if (n.empty() || n.size() > 3 ||
                    n.find_first_not_of("0123456789") != std::string_view::npos) {
                    return {};
                }
                elements = std::stoi(std::string(n));
                if (elements < 1) return {};
                array = Cat({"[", n, "]"});
            }
            const std::string_view type = code_.Text(m.type);
            if (const StructOutline* inner = outline_.FindStruct(code_, type)) {
                if (m.arrayOpen != npos) return {};
                const std::string copy =
                    Copy(*inner, semantic, index, prefix + name + ".", leaves, depth + 1);
                if (copy.empty()) return {};
                body += "    " + copy + " " + name + ";\n";
                continue;
            }
            if (ShapeOf(outline_.Underlying(type)).rows == 0) return {};
            // A matrix takes a register per column, as any matrix varying.
            const int registers = MatrixRegisters(code_, m);
            std::string qualifiers;
            for (size_t k = m.first; k < m.type; ++k) qualifiers += std::string(code_.Text(k)) + " ";
            body += "    " + qualifiers + std::string(type) + " " + name + array + " : " +
                    semantic.base + std::to_string(*index) + ";\n";
            *index += registers * elements;
            leaves->push_back(prefix + name);
        }
        const std::string copy = "fx_semantic_" + std::to_string(count_++) + "_";
        definitions += "struct " + copy + "\n{\n" + body + "};\n";
        return copy;
    }

private:
    const Code& code_;
    const HlslOutline& outline_;
    int count_ = 0;
};

// What one entry point's declaration becomes.
struct StructValue {
    size_t param = npos;  // its index among the parameters; npos: the return value
    std::string copy;     // the copy's struct name
    std::vector<std::string> leaves;
    bool in = true;   // read at the start (not "out")
    bool out = false;  // written back ("out", "inout", the return value)
};

std::string Copies(const std::vector<std::string>& leaves, const std::string& to,
                   const std::string& from) {
    std::string s;
    for (const std::string& leaf : leaves) s += to + "." + leaf + " = " + from + "." + leaf + "; ";
    return s;
}

std::string Renamed(std::string_view name) { return "fx_semantic_" + std::string(name) + "_"; }

}  // namespace

bool AssignStructSemantics(TokenRewriteState& state) {
    const Code& code = state.code();
    const HlslOutline& outline = state.outline();
    // Most shaders give no struct a semantic: the work stops at this scan.
    auto structWithSemantic = [&](size_t type, size_t semantic) {
        return type != npos && semantic != npos &&
               outline.FindStruct(code, code.Text(type)) != nullptr;
    };
    std::set<std::string> entries(state.entries.begin(), state.entries.end());
    bool any = false;
    for (const std::string& e : entries) {
        for (size_t index : outline.Functions(e)) {
            const FunctionOutline& f = outline.functions[index];
            any = any || structWithSemantic(f.returnType, f.semantic);
            for (const Declarator& d : f.params)
                any = any || (d.arrayOpen == npos && structWithSemantic(d.type, d.semantic));
        }
    }
    if (!any) return true;

    CopyMaker maker(code, outline);
    TokenEdits edits;
    auto make = [&](const std::string& text, size_t at) {
        return state.hlsl->MakeTokens(text, code.Token(at));
    };
    for (const std::string& e : entries) {
        const std::vector<size_t>& declarations = outline.Functions(e);
        const FunctionOutline* definition = nullptr;
        for (size_t index : declarations)
            if (outline.functions[index].body != npos) definition = &outline.functions[index];
        if (definition == nullptr) continue;
        const FunctionOutline& f = *definition;

        std::vector<StructValue> values;
        maker.definitions.clear();
        for (size_t i = 0; i < f.params.size(); ++i) {
            const Declarator& d = f.params[i];
            if (d.arrayOpen != npos || d.name == npos || !structWithSemantic(d.type, d.semantic) ||
                HasWord(code, d.first, d.type, "uniform")) {
                continue;
            }
            Semantic semantic;
            if (!ReadSemantic(code.Text(d.semantic), &semantic)) continue;
            StructValue v;
            v.param = i;
            int index = semantic.index;
            v.copy = maker.Copy(*outline.FindStruct(code, code.Text(d.type)), semantic, &index, "",
                                &v.leaves, 0);
            if (v.copy.empty()) continue;
            v.out = d.out;
            v.in = !d.out || HasWord(code, d.first, d.type, "inout");
            values.push_back(std::move(v));
        }
        const bool returnsStruct = structWithSemantic(f.returnType, f.semantic);
        if (returnsStruct) {
            Semantic semantic;
            if (ReadSemantic(code.Text(f.semantic), &semantic)) {
                StructValue v;
                int index = semantic.index;
                v.copy = maker.Copy(*outline.FindStruct(code, code.Text(f.returnType)), semantic,
                                    &index, "", &v.leaves, 0);
                v.in = false;
                v.out = true;
                if (!v.copy.empty()) values.push_back(std::move(v));
            }
        }
        if (values.empty()) continue;

        // The copies go before the entry point's first declaration; each
        // declaration takes them in its signature.
        size_t first = code.size();
        for (size_t index : declarations)
            first = std::min(first, DeclarationStart(code, outline.functions[index]));
        edits.Replace(code.At(first), code.At(first), make(maker.definitions, first));
        for (size_t index : declarations) {
            const FunctionOutline& g = outline.functions[index];
            if (g.params.size() != f.params.size()) continue;
            for (const StructValue& v : values) {
                if (v.param == npos) {
                    if (g.semantic == npos || g.returnType == npos) continue;
                    edits.Replace(code.At(g.returnType), code.At(g.returnType) + 1,
                                  make(v.copy, g.returnType));
                    edits.Replace(code.At(g.semantic - 1), code.At(g.semantic) + 1, {});
                    continue;
                }
                const Declarator& d = g.params[v.param];
                if (d.type == npos || d.semantic == npos) continue;
                edits.Replace(code.At(d.type), code.At(d.type) + 1, make(v.copy, d.type));
                if (d.name != npos)
                    edits.Replace(code.At(d.name), code.At(d.name) + 1,
                                  make(Renamed(code.Text(d.name)), d.name));
                edits.Replace(code.At(d.semantic - 1), code.At(d.semantic) + 1, {});
            }
        }

        // The user's variables at the body's start, filled from the copies.
        std::string start, back;
        for (const StructValue& v : values) {
            if (v.param == npos) continue;
            const Declarator& d = f.params[v.param];
            const std::string name(code.Text(d.name));
            start += std::string(code.Text(d.type)) + " " + name + "; ";
            if (v.in) start += Copies(v.leaves, name, Renamed(name));
            if (v.out) back += Copies(v.leaves, Renamed(name), name);
        }
        edits.Replace(code.At(f.body) + 1, code.At(f.body) + 1, make(start, f.body));

        // Each return copies back; a returned struct goes out as its copy.
        const StructValue* returned = nullptr;
        for (const StructValue& v : values)
            if (v.param == npos) returned = &v;
        std::string returnType;
        for (size_t k = f.returnType; k < f.name; ++k) returnType += std::string(code.Text(k)) + " ";
        for (size_t k = f.body + 1; k < f.end; ++k) {
            if (!code.IsIdent(k) || code.Text(k) != "return") continue;
            size_t end = k + 1;
            while (end < f.end && code.Punct(end) != ';') {
                const char p = code.Punct(end);
                end = (p == '(' || p == '[' || p == '{') ? code.Closing(end) + 1 : end + 1;
            }
            if (end >= f.end) break;
            if (end == k + 1) {  // return;
                if (back.empty()) continue;
                edits.Replace(code.At(k), code.At(k), make("{ " + back, k));
                edits.Replace(code.At(end) + 1, code.At(end) + 1, make(" }", end));
            } else if (returned != nullptr) {
                edits.Replace(code.At(k), code.At(k) + 1,
                              make("{ " + returnType + "fx_semantic_value_ =", k));
                edits.Replace(code.At(end), code.At(end) + 1,
                              make("; " + returned->copy + " fx_semantic_result_; " +
                                       Copies(returned->leaves, "fx_semantic_result_",
                                              "fx_semantic_value_") +
                                       back + "return fx_semantic_result_; }",
                                   end));
            } else if (!back.empty()) {
                edits.Replace(code.At(k), code.At(k) + 1,
                              make("{ " + returnType + "fx_semantic_value_ =", k));
                edits.Replace(code.At(end), code.At(end) + 1,
                              make("; " + back + "return fx_semantic_value_; }", end));
            }
            k = end;
        }
        if (!back.empty()) edits.Replace(code.At(f.end), code.At(f.end), make(back, f.end));
    }
    if (edits.list.empty()) return true;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
