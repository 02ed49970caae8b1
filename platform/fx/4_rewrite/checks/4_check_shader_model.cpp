// Stage 4: what shader models 2 and 3 reserve or require of a shader (see
// 4_check_shader_model.h).
#include "platform/fx/4_rewrite/checks/4_check_shader_model.h"

#include <set>
#include <string>
#include <string_view>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"
#include "platform/fx/shared/tables.h"

namespace fx {
namespace {

// A word the language, its modifiers or the effect framework give a
// meaning before a name: a type of any shader model (the later ones are
// other checks' to refuse), a keyword or a modifier.
bool IsKnownTypeWord(std::string_view w) {
    if (ShapeOf(w).rows > 0 || IsQualifier(w) || IsSamplerType(w) || IsTextureType(w)) return true;
    if (w.rfind("min1", 0) == 0) return true;  // min16float, min10float, min12int, ...
    for (std::string_view part : {"Texture", "Buffer", "Sampler", "Shader", "shader", "State",
                                  "Stream", "Patch"})
        if (w.find(part) != std::string_view::npos) return true;
    return OneOf(w, {"void", "string", "vector", "matrix", "dword", "DWORD", "FLOAT", "INT", "BOOL",
                     "VECTOR", "MATRIX", "unsigned", "signed", "out", "inout", "inline", "linear",
                     "centroid", "noperspective", "sample", "point", "line", "triangle", "lineadj",
                     "triangleadj", "export", "typedef", "struct", "return", "else", "case", "do",
                     "goto", "class", "interface", "namespace", "template", "enum", "union",
                     "register", "packoffset", "cbuffer", "tbuffer", "discard", "break",
                     "continue", "true", "false", "NULL", "technique", "pass", "compile",
                     "sizeof", "asm", "decl", "new", "delete", "operator", "private",
                     "protected", "public", "this", "throw", "try", "catch", "using", "virtual",
                     "friend", "explicit", "mutable", "auto", "char", "short", "long", "switch",
                     "default", "if", "for", "while", "const_cast", "static_cast", "typename"});
}

class ShaderModel : public TokenCheck {
public:
    explicit ShaderModel(TokenRewriteState& state) : TokenCheck(state) {}

    void Words() {
        for (size_t i = 0; i + 1 < code_.size(); ++i) {
            if (!code_.IsIdent(i)) continue;
            const std::string_view w = code_.Text(i);
            if (w == "class" && code_.IsIdent(i + 1))
                Error(i, "'class' is a reserved word: declare a struct");
            if (w == "interface" && code_.IsIdent(i + 1))
                Error(i, "'interface': interfaces need shader model 5");
            // TYPE NAME followed by what follows a declared name.
            const char next = code_.Punct(i + 1);
            if ((next == ';' || next == '=' || next == '[' || next == ',' || next == ')') &&
                i > 0 && code_.IsIdent(i - 1) && (ShapeOf(w).rows > 0 || TypedefName(i)) &&
                (ShapeOf(code_.Text(i - 1)).rows > 0 ||
                 outline_.structsNamed.count(code_.Text(i - 1)) != 0))
                Error(i, Cat({"'", w, "' is a type; it cannot name a variable"}));
        }
    }

    // A typedef's name declared again as a variable ("float Colour"), not
    // the typedef's own declaration of it.
    bool TypedefName(size_t i) const {
        if (!outline_.typedefs.contains(code_.Text(i))) return false;
        for (size_t k = i - 1; k < i && code_.IsIdent(k); --k)
            if (code_.Text(k) == "typedef") return false;
        return true;
    }

    // "Colour tint;", "float f(Weight w)", "struct S { Weight w; };": a
    // declaration whose type is a word nothing declares (an unused global
    // would leave the code before glslang saw it).
    void UnknownTypes() {
        std::set<std::string_view> said, aliases;
        // Every name a typedef declares, in whatever form (one with a
        // storage class is another check's error).
        for (size_t i = 0; i < code_.size(); ++i) {
            if (!code_.IsWord(i, "typedef")) continue;
            for (size_t k = i + 1; k < code_.size() && code_.Punct(k) != ';'; ++k) {
                const char after = code_.Punct(k + 1);
                if (code_.IsIdent(k) && (after == ';' || after == ',' || after == '['))
                    aliases.insert(code_.Text(k));
            }
        }
        for (size_t i = 0; i + 2 < code_.size(); ++i) {
            if (!code_.IsIdent(i) || !code_.IsIdent(i + 1)) continue;
            const char next = code_.Punct(i + 2);
            if (next == 0 || std::string_view(";=[:,)(").find(next) == std::string_view::npos)
                continue;
            const char before = i > 0 ? code_.Punct(i - 1) : ';';
            const bool starts = before != 0 ? std::string_view(";{}(,").find(before) !=
                                                  std::string_view::npos
                                            : IsKnownTypeWord(code_.Text(i - 1)) &&
                                                  ShapeOf(code_.Text(i - 1)).rows == 0;
            const std::string_view w = code_.Text(i);
            if (!starts || IsKnownTypeWord(w) || outline_.names.contains(w) ||
                !outline_.Functions(w).empty() || outline_.FindStruct(code_, w) != nullptr ||
                outline_.typedefs.contains(w) || aliases.contains(w) ||
                outline_.members.contains(w))
                continue;
            if (said.insert(w).second) Error(i, Cat({"'", w, "': unknown type"}));
        }
    }

    void Positions() {
        for (const auto& [profile, entry] : state_.compiled) {
            if (profile.rfind("vs_", 0) != 0) continue;
            const std::vector<size_t>& named = outline_.Functions(entry);
            for (size_t n : named) {
                const FunctionOutline& f = outline_.functions[n];
                if (f.body == npos) continue;
                bool position = Position(f.semantic) ||
                                (f.name > 0 && StructHasPosition(code_.Text(f.name - 1), 0));
                for (const Declarator& d : f.params) {
                    if (!d.out) continue;
                    position = position || Position(d.semantic) ||
                               (d.type != npos && StructHasPosition(code_.Text(d.type), 0));
                }
                if (!position)
                    Error(f.name, Cat({"'", entry, "': a vertex shader must output a POSITION "
                                                   "(no output has that semantic)"}));
                break;
            }
        }
    }
private:
    bool Position(size_t semantic) const {
        if (semantic == npos) return false;
        std::string s(code_.Text(semantic));
        for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return s == "POSITION" || s == "POSITION0" || s == "SV_POSITION" || s == "SV_POSITION0";
    }
    bool StructHasPosition(std::string_view type, int depth) const {
        const StructOutline* st = outline_.FindStruct(code_, type);
        if (st == nullptr || depth > 8) return false;
        for (const Declarator& m : st->members)
            if (Position(m.semantic) ||
                (m.type != npos && StructHasPosition(code_.Text(m.type), depth + 1)))
                return true;
        return false;
    }

};

}  // namespace

bool CheckShaderModel(TokenRewriteState& state) {
    ShaderModel check(state);
    check.Words();
    check.UnknownTypes();
    check.Positions();
    return !check.failed;
}

}  // namespace fx
