// Stage 4: HLSL rewrites for glslang (see 4_rewrite_hlsl.h).
//
// Implemented: [x] global declarations as Direct3D 9 reads them (4_globals.cpp)
//              [x] initial values of the globals (4_default_values.cpp)
//              [x] compile arguments bound to the entry point's uniform
//                  parameters as static consts; sampler parameters kept
//              [x] the printed text and its map (4_hlsl_text.cpp)
// Not implemented: rewrites inside expressions (a type pass over the
// declarations and expressions), integer parameters of non-entry functions.
#include "platform/fx/4_rewrite/4_rewrite_hlsl.h"
#include "platform/fx/shared/made_names.h"

#include <string_view>
#include <unordered_set>

#include <algorithm>
#include <cstddef>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"
#include "platform/fx/shared/tables.h"

namespace fx {
namespace {


// The definition of an entry point: its name, the ')' of its parameter
// list, its parameters ([first, last) code tokens) and the commas between.
struct EntryDefinition {
    size_t name = 0;
    size_t close = 0;
    std::vector<std::pair<size_t, size_t>> params;
    std::vector<size_t> commas;
};

// A parameter list starting at open, split at its own commas; false when
// it does not close.
bool ReadParameters(const Code& code, size_t open, EntryDefinition* def) {
    int nest = 0;
    size_t paramStart = open + 1;
    def->close = open;
    for (size_t j = open; j < code.size(); ++j) {
        char p = code.Punct(j);
        if (p == '(' || p == '[' || p == '{') ++nest;
        if (p == ')' || p == ']' || p == '}') --nest;
        if (nest == 1 && p == ',') {
            def->params.emplace_back(paramStart, j);
            def->commas.push_back(j);
            paramStart = j + 1;
        }
        if (nest == 0) {
            def->close = j;
            break;
        }
    }
    if (def->close == open) return false;
    if (paramStart < def->close) def->params.emplace_back(paramStart, def->close);
    return true;
}

// The entry point's definition at global scope (not a prototype or a call:
// a body or a semantic follows its parameters). 0: not found; -1: a
// parameter list that never closes.
int FindEntryDefinition(const Code& code, const std::string& entry, EntryDefinition* def) {
    int depth = 0;
    for (size_t i = 0; i < code.size(); ++i) {
        const char p = code.Punct(i);
        if (p == '{' || p == '(' || p == '[') ++depth;
        if ((p == '}' || p == ')' || p == ']') && depth > 0) --depth;
        if (depth != 0 || !code.IsIdent(i) || i == 0 || !code.IsIdent(i - 1) ||
            i + 1 >= code.size() || code.Punct(i + 1) != '(' || code.Text(i) != entry) {
            continue;
        }
        *def = EntryDefinition();
        def->name = i;
        if (!ReadParameters(code, i + 1, def)) return -1;
        const size_t close = def->close;
        const char after = close + 1 < code.size() ? code.Punct(close + 1) : 0;
        if (after == '{' || after == ':') return 1;
    }
    return 0;
}

// Copies list[first, last] (inclusive) to out, the first no longer glued.
void CopyTokens(const std::vector<SourceToken>& list, size_t first, size_t last,
                std::vector<SourceToken>* out) {
    size_t start = out->size();
    out->insert(out->end(), list.begin() + static_cast<std::ptrdiff_t>(first),
                list.begin() + static_cast<std::ptrdiff_t>(last + 1));
    if (start < out->size()) (*out)[start].flags &= static_cast<uint8_t>(~kGlued);
}

// "static const TYPE NAME = ARG;" for each uniform parameter, which drop
// marks to leave the list; kept[p] tells which parameters stay.
bool DeclareUniforms(const TokenStream& s, const Code& code, const EntryDefinition& def,
                     const std::string& entry,
                     const std::vector<std::vector<SourceToken>>& arguments,
                     std::vector<SourceToken>* decls, std::vector<bool>* drop,
                     std::vector<bool>* kept, MessageSink& messages,
                     std::vector<std::pair<std::string, std::string>>* samplerAliases) {
    size_t used = 0;
    for (const auto& [first, last] : def.params) {
        bool isUniform = false;
        size_t nameToken = last;  // the last identifier before ':', '=' or '['
        size_t defaultValue = last;  // the first token after '='
        size_t arrayOpen = last;     // '[' after the name
        std::vector<size_t> typeTokens;
        for (size_t k = first; k < last; ++k) {
            char p = code.Punct(k);
            if (p == '=') defaultValue = k + 1;
            if (p == '[' && arrayOpen == last) arrayOpen = k;
            if (p == ':' || p == '=' || p == '[') break;
            if (!code.IsIdent(k)) continue;
            std::string_view word = code.Text(k);
            if (word == "uniform") isUniform = true;
            if (IsQualifier(word)) continue;
            if (nameToken != last) typeTokens.push_back(nameToken);
            nameToken = k;
        }
        kept->push_back(!isUniform);
        if (!isUniform) continue;
        if (nameToken == last || typeTokens.empty()) {
            messages.Error("cannot read a uniform parameter of '" + entry + "'");
            return false;
        }
        // The compile statement is a call: a parameter it leaves out takes
        // its default value; one without a default is left to the program
        // when the statement gives no arguments at all.
        std::vector<SourceToken> given;
        if (used >= arguments.size() && defaultValue < last) {
            for (size_t k = defaultValue; k < last && code.Punct(k) != ':'; ++k)
                given.push_back(code.Token(k));
        } else if (arguments.empty()) {
            kept->back() = true;
            // A sampler left to the program without a register of its own
            // takes a free stage (stage 6), as an unbound global does.
            bool namesRegister = false;
            for (size_t k = nameToken; k < last; ++k)
                namesRegister |= code.IsIdent(k) && code.Text(k) == "register";
            if (samplerAliases != nullptr && !typeTokens.empty() && !namesRegister &&
                IsSamplerType(SpellTokens(*s.texts, s.tokens, code.At(typeTokens.front()),
                                          code.At(typeTokens.back()) + 1))) {
                samplerAliases->emplace_back(std::string(code.Text(nameToken)), std::string());
            }
            continue;
        }
        if (used >= arguments.size() && given.empty()) {
            messages.Error("'" + entry + "' has more uniform parameters than the " +
                           std::to_string(arguments.size()) +
                           " arguments of the compile statement");
            return false;
        }
        // A sampler cannot be a constant: the parameter stays, and stage 6
        // binds it where the sampler it is given sits.
        const std::vector<SourceToken>& argument = given.empty() ? arguments[used++] : given;
        if (IsSamplerType(SpellTokens(*s.texts, s.tokens, code.At(typeTokens.front()),
                                      code.At(typeTokens.back()) + 1))) {
            kept->back() = true;
            if (samplerAliases != nullptr) {
                samplerAliases->emplace_back(
                    std::string(code.Text(nameToken)),
                    SpellTokens(*s.texts, argument, 0, argument.size()));
            }
            continue;
        }
        // What glslang says about the declaration it says about the parameter.
        const SourceToken& at = code.Token(first);
        decls->push_back(s.Make(Tok::Ident, "static", at));
        decls->push_back(s.Make(Tok::Ident, "const", at));
        CopyTokens(s.tokens, code.At(typeTokens.front()), code.At(typeTokens.back()), decls);
        CopyTokens(s.tokens, code.At(nameToken), code.At(nameToken), decls);
        if (arrayOpen < last && code.Closing(arrayOpen) < last)
            CopyTokens(s.tokens, code.At(arrayOpen), code.At(code.Closing(arrayOpen)), decls);
        decls->push_back(s.Make(Tok::Punct, "=", at));
        if (!argument.empty()) CopyTokens(argument, 0, argument.size() - 1, decls);
        decls->push_back(s.Make(Tok::Punct, ";", at));
        for (size_t i = code.At(first); i <= code.At(last - 1); ++i) (*drop)[i] = true;
    }
    if (used != arguments.size()) {
        messages.Error("the compile statement gives " + std::to_string(arguments.size()) +
                       " arguments, but '" + entry + "' has " + std::to_string(used) +
                       " uniform parameters");
        return false;
    }
    return true;
}

// Commas: only the one just before each kept parameter after the first kept one.
void DropCommas(const Code& code, const EntryDefinition& def, const std::vector<bool>& kept,
                std::vector<bool>* drop) {
    bool seenKept = false;
    for (size_t p = 0; p < def.params.size(); ++p) {
        if (p > 0 && !(kept[p] && seenKept)) (*drop)[code.At(def.commas[p - 1])] = true;
        if (kept[p]) seenKept = true;
    }
}

// The global statements after code token `after` (the entry point's
// start) that declare a name an argument gives ("PS(Scale)" with Scale
// declared below PS): code token ranges [first, its ';'].
std::vector<std::pair<size_t, size_t>> LaterDeclarations(
    const Code& code, size_t after, const std::vector<std::vector<SourceToken>>& arguments,
    const TokenStream& s) {
    std::unordered_set<std::string_view> names;
    for (const std::vector<SourceToken>& argument : arguments)
        for (const SourceToken& t : argument)
            if (t.kind == Tok::Ident) names.insert(s.Text(t));
    names.erase("true");
    names.erase("false");
    // Most arguments are literals, or globals declared above: the outline
    // is made only when a name is written below as a declaration would.
    auto declaredAt = [&](size_t i) {
        const char next = code.Punct(i + 1);
        return code.IsIdent(i) && names.count(code.Text(i)) != 0 && i > 0 &&
               (code.IsIdent(i - 1) || code.Punct(i - 1) == ',') &&
               (next == ':' || next == '=' || next == '[' || next == ',' || next == ';');
    };
    std::vector<std::pair<size_t, size_t>> found;
    bool any = false;
    for (size_t i = after; i < code.size() && !any && !names.empty(); ++i) any = declaredAt(i);
    if (!any) return found;
    const HlslOutline outline = OutlineHlsl(code);
    std::vector<bool> inFunction(code.size() + 1, false);
    for (const FunctionOutline& f : outline.functions)
        for (size_t i = DeclarationStart(code, f); i <= f.end && i < code.size(); ++i)
            inFunction[i] = true;
    for (size_t i = after; i < code.size();) {
        if (inFunction[i]) {
            ++i;
            continue;
        }
        const size_t first = i;
        bool declares = false;
        for (; i < code.size() && !inFunction[i] && code.Punct(i) != ';'; ++i) {
            declares = declares || (i > first && declaredAt(i));
            if (code.Punct(i) == '(' || code.Punct(i) == '[' || code.Punct(i) == '{')
                i = std::min(code.Closing(i), code.size() - 1);
        }
        if (i < code.size() && code.Punct(i) == ';' && declares) found.emplace_back(first, i);
        if (i == first) ++i;
        if (i < code.size() && code.Punct(i) == ';') ++i;
    }
    return found;
}

// Whether the entry point has a uniform parameter with a default value,
// which a compile statement without arguments binds. Most effects have no
// uniform parameters: the word is looked for in the text first.
bool HasUniformDefaults(const TokenStream& hlsl, std::string_view text, const std::string& entry) {
    if (text.find("uniform") == std::string_view::npos) return false;
    Code code(hlsl);
    EntryDefinition def;
    if (FindEntryDefinition(code, entry, &def) != 1) return false;
    for (const auto& [first, last] : def.params) {
        bool isUniform = false;
        for (size_t k = first; k < last; ++k) {
            if (code.IsIdent(k) && code.Text(k) == "uniform") isUniform = true;
            if (code.Punct(k) == ':' || code.Punct(k) == '[') break;
            if (code.Punct(k) == '=' && isUniform) return true;
        }
    }
    return false;
}

}  // namespace

void UnboundSamplerParameters(const TokenStream& hlsl, const std::string& entry,
                              std::vector<std::pair<std::string, std::string>>* samplerAliases) {
    Code code(hlsl);
    EntryDefinition def;
    if (FindEntryDefinition(code, entry, &def) != 1) return;
    std::vector<SourceToken> decls;
    std::vector<bool> drop(hlsl.tokens.size(), false);
    std::vector<bool> kept;
    std::vector<Message> said;  // none: no arguments to count
    MessageCollector quiet(&said);
    DeclareUniforms(hlsl, code, def, entry, {}, &decls, &drop, &kept, quiet, samplerAliases);
}

bool BindUniformArguments(
    TokenStream* hlsl, const std::string& entry,
    const std::vector<std::vector<SourceToken>>& arguments, MessageSink& messages,
    std::vector<std::pair<std::string, std::string>>* samplerAliases) {
    Code code(*hlsl);
    EntryDefinition def;
    if (FindEntryDefinition(code, entry, &def) != 1) {
        messages.Error("entry point '" + entry + "' not found");
        return false;
    }
    std::vector<SourceToken> decls;
    std::vector<bool> drop(hlsl->tokens.size(), false);
    std::vector<bool> kept;
    if (!DeclareUniforms(*hlsl, code, def, entry, arguments, &decls, &drop, &kept, messages,
                         samplerAliases)) {
        return false;
    }
    DropCommas(code, def, kept, &drop);

    // The declarations go just before the function's return type, after
    // the globals the arguments name that are declared below it (Direct3D 9
    // binds them where the technique stands).
    size_t start = def.name - 1;
    while (start > 0 && code.IsIdent(start - 1)) --start;
    TokenEdits edits;
    std::vector<SourceToken> moved;
    for (const auto& [first, last] : LaterDeclarations(code, def.close, arguments, *hlsl)) {
        CopyTokens(hlsl->tokens, code.At(first), code.At(last), &moved);
        edits.Replace(code.At(first), code.At(last) + 1, {});
    }
    decls.insert(decls.begin(), moved.begin(), moved.end());
    edits.Replace(code.At(start), code.At(start), std::move(decls));
    for (size_t i = 0; i < drop.size(); ++i)
        if (drop[i]) edits.Replace(i, i + 1, {});
    edits.Apply(&hlsl->tokens);
    return true;
}

bool RewriteEffect(const ParsedEffect& parsed, RewrittenEffect* out, MessageSink& messages) {
    const size_t errors = messages.ErrorCount();
    out->defaults =
        EvaluateInitializers(parsed.initializers, messages, NumericTypedefs(parsed.hlsl));
    // Initial values known to be sound constants of their global's type: the
    // only initialized globals that may leave the text unseen by glslang.
    std::unordered_set<std::string_view> constants;
    for (const GlobalInitializer& g : parsed.initializers) {
        if (g.isStatic) continue;
        const size_t count = out->defaults[g.name].size();
        const int components = ShapeOf(g.type).Components();
        if (components > 0 && (count == 1 || count == static_cast<size_t>(components))) {
            constants.insert(g.name);
        }
    }
    out->hlsl = parsed.hlsl;
    out->assembled = parsed.assembled;
    TokenRewriteState state(parsed, &out->hlsl, &out->globals, messages);
    state.constants = std::move(constants);
    if (!RunTokenRewrites(state)) return false;
    out->printed = PrintHlsl(out->hlsl);
    // Every parameter keeps its initial value, read or not; only those of
    // what is left go on to the compiler.
    out->parameterDefaults = out->defaults;
    std::unordered_set<std::string_view> names;
    std::unordered_set<std::string> said;  // a global renamed fx_user_NAME_ (4_spellings) is NAME
    for (const SourceToken& t : out->hlsl.tokens) {
        if (t.kind != Tok::Ident) continue;
        const std::string_view text = out->hlsl.Text(t);
        names.insert(text);
        if (text.starts_with("fx_user_")) {
            std::string user(text);
            SayUserNames(&user);
            said.insert(std::move(user));
        }
    }
    std::erase_if(out->defaults, [&](const auto& d) {
        return names.count(d.first) == 0 && said.count(d.first) == 0;
    });
    return messages.ErrorCount() == errors;
}

bool RewritePass(const RewrittenEffect& effect, const PassDesc& pass, PassSources* out,
                 MessageSink& messages) {
    out->stages.clear();
    for (const ShaderBinding* b : {&pass.vertexShader, &pass.pixelShader}) {
        if (!HasShader(*b)) continue;
        StageSource s;
        s.stage = b == &pass.vertexShader ? ShaderStage::Vertex : ShaderStage::Pixel;
        s.entry = b->entry;
        s.compileStatement = b->pos;
        const ParsedEffect::AssembledCode* assembled = nullptr;
        for (const ParsedEffect::AssembledCode& code : effect.assembled)
            if (code.entry == b->entry) assembled = &code;
        if (assembled != nullptr) {
            // Shader assembly: the effect's text with this shader's function.
            TokenStream joined = effect.hlsl;
            joined.tokens.insert(joined.tokens.end(), assembled->tokens.begin(),
                                 assembled->tokens.end());
            HlslText printed = PrintHlsl(joined);
            s.hlsl = std::move(printed.text);
            s.map = std::move(printed.map);
        } else if (b->arguments.empty() &&
                   !HasUniformDefaults(effect.hlsl, effect.printed.text, b->entry)) {
            s.hlsl = effect.printed.text;
            s.map = effect.printed.map;
            UnboundSamplerParameters(effect.hlsl, b->entry, &s.samplerAliases);
        } else {
            TokenStream bound = effect.hlsl;
            FallbackScope at(messages, b->pos);
            if (!BindUniformArguments(&bound, b->entry, b->argumentTokens, messages,
                                      &s.samplerAliases)) {
                return false;
            }
            HlslText printed = PrintHlsl(bound);
            s.hlsl = std::move(printed.text);
            s.map = std::move(printed.map);
        }
        s.defaults = effect.defaults;
        s.majorities = effect.globals.majorities;
        s.written = effect.globals.written;
        out->stages.push_back(std::move(s));
    }
    return true;
}

}  // namespace fx
