// Stage 4: semantics spelled as later compilers take them (see
// 4_semantic_spellings.h).
#include "platform/fx/4_rewrite/declarations/4_semantic_spellings.h"

#include <cctype>
#include <string>
#include <string_view>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"

namespace fx {
namespace {

bool EqualsUpper(std::string_view word, std::string_view upper) {
    if (word.size() != upper.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(word[i])) != upper[i]) return false;
    return true;
}

// The semantic as Direct3D 9 names its register; empty when it is one.
// SV_IsFrontFace of a float (not a bool, which glslang reads as GL's
// facing) is the face's sign, VFACE.
std::string Respelled(std::string_view semantic, std::string_view type = {}) {
    if (EqualsUpper(semantic, "SV_ISFRONTFACE") &&
        (type.rfind("float", 0) == 0 || type.rfind("half", 0) == 0 ||
         type.rfind("double", 0) == 0)) {
        return "VFACE";
    }
    constexpr std::string_view kCentroid = "_CENTROID";
    if (semantic.size() > kCentroid.size() &&
        EqualsUpper(semantic.substr(semantic.size() - kCentroid.size()), kCentroid)) {
        return std::string(semantic.substr(0, semantic.size() - kCentroid.size()));
    }
    if (EqualsUpper(semantic, "SV_POSITION") || EqualsUpper(semantic, "SV_POSITION0"))
        return "POSITION";
    return {};
}

}  // namespace

bool RespellSemantics(TokenRewriteState& state) {
    const Code& code = state.code();
    // Most shaders name neither: the outline is made only when one is there.
    bool any = false;
    for (size_t i = 1; i < code.size() && !any; ++i)
        any = code.Punct(i - 1) == ':' && code.IsIdent(i) &&
              (!Respelled(code.Text(i)).empty() || !Respelled(code.Text(i), "float").empty());
    if (!any) return true;

    const HlslOutline& outline = state.outline();
    TokenEdits edits;
    auto respell = [&](size_t at, size_t type) {
        if (at == Declarator::npos) return;
        const std::string to =
            Respelled(code.Text(at), type == Declarator::npos ? std::string_view() : code.Text(type));
        if (!to.empty())
            edits.Replace(code.At(at), code.At(at) + 1,
                          {state.hlsl->Make(Tok::Ident, to, code.Token(at))});
    };
    for (const FunctionOutline& f : outline.functions) {
        respell(f.semantic, f.returnType);
        for (const Declarator& p : f.params) respell(p.semantic, p.type);
    }
    for (const StructOutline& s : outline.structs)
        for (const Declarator& m : s.members) respell(m.semantic, m.type);
    if (edits.list.empty()) return true;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
