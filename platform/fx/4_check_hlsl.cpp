// Stage 4: what Direct3D 9's compiler refuses and glslang would take, found
// in the HLSL tokens before any rewrite (see 4_rewrite_hlsl.h):
// - an effect keyword used as a name: technique (in any case), technique10,
//   technique11, fxgroup, VertexShader and vertexshader;
// - a local const (not static) without an initializer (a global const is a
//   parameter the program sets);
// - an attribute given twice on one statement ([unroll][unroll]);
// - an output of an entry point without a semantic: its return value, an
//   out parameter, or a member of a struct it writes;
// - a semantic given where a function is declared but not where it is
//   defined.
// Each is an error at the name or attribute it is about.
#include <set>

#include "platform/fx/4_hlsl_outline.h"
#include "platform/fx/tables.h"

namespace fx {
namespace {

constexpr size_t npos = Declarator::npos;

struct Checker {
    const Code& code;
    const HlslOutline& outline;
    std::vector<Message>* messages;

    void Error(size_t at, std::string text) { messages->push_back(ErrorAt(code.Pos(at), text)); }
    std::string Quoted(size_t at) const {
        std::string quoted = "'";
        quoted += code.Text(at);
        quoted += '\'';
        return quoted;
    }

    void KeywordNames() {
        std::set<std::string_view> said;  // once each, where it first appears
        for (size_t i = 0; i < code.size(); ++i) {
            if (!code.IsIdent(i)) continue;
            std::string_view w = code.Text(i);
            // Followed by a name it is a type ("VertexShader shaders[2] = ..."),
            // which the effect framework reads; a name it cannot be.
            if (code.IsIdent(i + 1)) continue;
            if ((IsTechniqueKeyword(w) || w == "fxgroup" || w == "VertexShader" ||
                 w == "vertexshader") &&
                said.insert(w).second) {
                Error(i, Quoted(i) + ": an effect keyword cannot be a name");
            }
        }
    }

    // "[a] [b(1)]" from i; returns the token after them.
    size_t Attributes(size_t i) {
        std::set<std::string_view> seen;
        while (code.Punct(i) == '[' && code.IsIdent(i + 1) &&
               (code.Punct(i + 2) == ']' || code.Punct(i + 2) == '(')) {
            if (!seen.insert(code.Text(i + 1)).second) {
                Error(i + 1, Quoted(i + 1) + ": attribute given twice");
            }
            i = code.Closing(i) + 1;
        }
        return i;
    }

    // A declaration statement from i: a const one needs each name initialized.
    void ConstLocal(size_t i) {
        bool isConst = false;
        bool isStatic = false;
        size_t k = i;
        for (; code.IsIdent(k) && IsQualifier(code.Text(k)); ++k) {
            isConst = isConst || code.Text(k) == "const";
            isStatic = isStatic || code.Text(k) == "static";
        }
        if (!isConst || isStatic) return;
        // Split at its own commas: "const float a = 1, b;".
        size_t piece = i;
        bool initialized = false;
        for (; k < code.size(); ++k) {
            char p = code.Punct(k);
            if (p == '(' || p == '[' || p == '{') {
                k = code.Closing(k);
                continue;
            }
            if (p == '=') initialized = true;
            if (p != ',' && p != ';' && p != '}') continue;
            size_t name = piece == i ? ReadDeclarator(code, piece, k).name : piece;
            if (!initialized && name < k && code.IsIdent(name))
                Error(name, Quoted(name) + ": a const local needs an initializer");
            if (p != ',') return;
            piece = k + 1;
            initialized = false;
        }
    }

    void Bodies() {
        for (const FunctionOutline& f : outline.functions) {
            if (f.body == npos) continue;
            bool start = true;
            for (size_t i = f.body + 1; i < f.end; ++i) {
                char p = code.Punct(i);
                if (p == ';' || p == '{' || p == '}') {
                    start = true;
                    continue;
                }
                if (!start) continue;
                start = false;
                i = Attributes(i);
                ConstLocal(i);
                if (code.Punct(i) == '{' || code.Punct(i) == ';') --i;
            }
        }
    }

    // The members of a struct an entry point writes, and of structs in it.
    void StructOutputs(size_t type, int depth) {
        const StructOutline* s = outline.FindStruct(code, code.Text(type));
        if (s == nullptr || depth > 8) return;
        for (const Declarator& m : s->members) {
            if (m.semantic != npos || m.type == npos) continue;
            if (outline.FindStruct(code, code.Text(m.type)) != nullptr) {
                StructOutputs(m.type, depth + 1);
            } else {
                Error(m.name, Quoted(m.name) + ": an output of an entry point needs a semantic");
            }
        }
    }

    void EntryOutputs(const std::string& entry) {
        for (size_t index : outline.Functions(entry)) {
            const FunctionOutline& f = outline.functions[index];
            if (f.body == npos) continue;
            size_t type = f.name - 1;
            if (code.Text(type) != "void" && f.semantic == npos) {
                if (outline.FindStruct(code, code.Text(type)) != nullptr) {
                    StructOutputs(type, 0);
                } else {
                    Error(f.name,
                          Quoted(f.name) + ": the return value of an entry point needs a semantic");
                }
            }
            for (const Declarator& d : f.params) {
                if (!d.out || d.semantic != npos || d.type == npos) continue;
                if (outline.FindStruct(code, code.Text(d.type)) != nullptr) {
                    StructOutputs(d.type, 0);
                } else {
                    Error(d.name,
                          Quoted(d.name) + ": an output of an entry point needs a semantic");
                }
            }
        }
    }

    // A semantic only where the function is declared.
    void Declarations() {
        for (const FunctionOutline& decl : outline.functions) {
            if (decl.body != npos) continue;
            for (size_t index : outline.Functions(code.Text(decl.name))) {
                const FunctionOutline& def = outline.functions[index];
                if (def.body == npos || def.params.size() != decl.params.size()) {
                    continue;
                }
                std::vector<std::pair<size_t, size_t>> pairs = {{decl.semantic, def.semantic}};
                for (size_t p = 0; p < decl.params.size(); ++p)
                    pairs.emplace_back(decl.params[p].semantic, def.params[p].semantic);
                for (auto [declared, defined] : pairs) {
                    if (declared != npos && defined == npos) {
                        Error(declared, "semantic " + Quoted(declared) + " of '" +
                                            std::string(code.Text(decl.name)) +
                                            "' is given where it is declared, not where it is "
                                            "defined");
                    }
                }
            }
        }
    }
};

}  // namespace

bool CheckHlsl(const Code& code, const HlslOutline& outline,
               const std::vector<std::string>& entries, std::vector<Message>* messages) {
    std::vector<Message> found;
    Checker c{code, outline, &found};
    c.KeywordNames();
    c.Bodies();
    std::set<std::string> done;
    for (const std::string& entry : entries)
        if (done.insert(entry).second) c.EntryOutputs(entry);
    c.Declarations();
    messages->insert(messages->end(), found.begin(), found.end());
    return found.empty();
}

}  // namespace fx
